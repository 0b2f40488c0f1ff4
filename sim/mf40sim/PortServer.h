// Serves the device host behind the parallel port of the Wine prefix, through the two FIFOs
// that scripts/port-bridge makes: the bridge holds the pseudo terminal that LPT1 or the ECP
// device is linked to, and passes on what the program writes to the port and what the
// device answers.
#pragma once

#include <windows.h>

#include <string>

#include "sim/DeviceHost.h"
#include "sim/mf40sim/TrafficLog.h"
#include "win32/Handles.h"

namespace pd::sim {

// The bridge's FIFOs, by their names in its folder.
inline constexpr const TCHAR* kPortToDevice = TEXT("to-device");
inline constexpr const TCHAR* kPortFromDevice = TEXT("from-device");

class PortServer {
public:
    PortServer(DeviceHost& host, LogLine log) : host_(host), log_(std::move(log)) {}
    PortServer(const PortServer&) = delete;
    PortServer& operator=(const PortServer&) = delete;

    // Opens the FIFOs in `folder` (a Windows path) and starts serving them on a thread that
    // runs until the process ends. False, with `error` set, when there is no bridge there.
    bool Start(const std::string& folder, std::string* error);

    // The serving loop, on the thread Start began.
    void Serve();

private:
    DeviceHost& host_;
    LogLine log_;
    OwnedHandle toDevice_;
    OwnedHandle fromDevice_;
};

}  // namespace pd::sim
