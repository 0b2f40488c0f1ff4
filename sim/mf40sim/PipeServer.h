// Serves the device host on the demo's two named pipes, several listening instances each, one
// thread per instance, so that the program's close-then-reopen for every transfer always
// finds an instance waiting.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "sim/DeviceHost.h"

namespace pd::sim {

class PipeServer {
public:
    using LogLine = std::function<void(const std::string&)>;

    PipeServer(DeviceHost& host, LogLine log) : host_(host), log_(std::move(log)) {}
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates every pipe instance, then starts serving them. False, with `error` set, when the
    // pipes cannot be made, for instance because another simulator already serves them.
    // The serving threads run until the process ends.
    bool Start(std::string* error);

private:
    void StartServing(HANDLE pipe, void (PipeServer::*serve)(HANDLE));
    void ServeCommands(HANDLE pipe);
    void ServeReplies(HANDLE pipe);

    DeviceHost& host_;
    LogLine log_;
};

}  // namespace pd::sim
