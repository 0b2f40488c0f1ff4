// Serves the device host on the demo's named pipes (the pair of Windows 2000 and later, and
// the 9x family's pair), several listening instances each, one thread per instance, so that
// the program's close-then-reopen for every transfer always finds an instance waiting.
#pragma once

#include <windows.h>

#include <string>

#include "sim/DeviceHost.h"
#include "sim/mf40sim/TrafficLog.h"

namespace pd::sim {

class PipeServer {
public:
    PipeServer(DeviceHost& host, LogLine log) : host_(host), log_(std::move(log)) {}
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates every pipe instance, then starts serving them. False, with `error` set, when the
    // pipes cannot be made, for instance because another simulator already serves them.
    // The serving threads run until the process ends.
    bool Start(std::string* error);

    // How one pipe is served: `logPrefix` starts its traffic lines.
    using Serving = void (PipeServer::*)(HANDLE pipe, const char* logPrefix);

private:
    void StartServing(HANDLE pipe, Serving serve, const char* logPrefix);
    void ServeCommands(HANDLE pipe, const char* logPrefix);
    void ServeWritesInOrder(HANDLE pipe, const char* logPrefix);
    void ServeReplies(HANDLE pipe, const char* logPrefix);
    void ServeReadsOnOpen(HANDLE pipe, const char* logPrefix);

    DeviceHost& host_;
    LogLine log_;
};

}  // namespace pd::sim
