// Serves the device host behind the port registers that the tests' port arbiter emulates for
// the 32-bit panel (sim/PortRegistersLink.h): the bytes the panel's handshake wrote go to the
// device, and what the device answers goes back for the panel's next reads.
#pragma once

#include <windows.h>

#include <string>

#include "sim/DeviceHost.h"
#include "sim/PortRegistersLink.h"
#include "sim/mf40sim/TrafficLog.h"
#include "win32/Handles.h"

namespace pd::sim {

class RegistersServer {
public:
    RegistersServer(DeviceHost& host, LogLine log) : host_(host), log_(std::move(log)) {}
    RegistersServer(const RegistersServer&) = delete;
    RegistersServer& operator=(const RegistersServer&) = delete;

    // Makes the shared section and starts serving it on a thread that runs until the process
    // ends. False, with `error` set, when the section cannot be made or is someone else's.
    bool Start(std::string* error);

    // The serving loop, on the thread Start began.
    void Serve();

private:
    DeviceHost& host_;
    LogLine log_;
    OwnedHandle section_;
    PortRegistersLink* link_ = nullptr;
};

}  // namespace pd::sim
