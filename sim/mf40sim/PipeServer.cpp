#include "sim/mf40sim/PipeServer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sim/DemoPipes.h"

namespace pd::sim {

namespace {

constexpr DWORD kInstancesPerPipe = 4;
constexpr DWORD kPipeBufferSize = 64 * 1024;

HANDLE CreateInstance(const TCHAR* name, bool first) {
    // Duplex on both pipes: link selection opens the command pipe for reading and writing,
    // and the stand-in library reads the device's count back on it.
    const DWORD openMode = PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipe(name, openMode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            kInstancesPerPipe, kPipeBufferSize, kPipeBufferSize, 0, nullptr);
}

// Waits for the next client. One that came, wrote and left before this thread got here
// (ERROR_NO_DATA) is served all the same: what it wrote is still in the pipe.
bool AwaitClient(HANDLE pipe) {
    if (ConnectNamedPipe(pipe, nullptr)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA) return true;
    DisconnectNamedPipe(pipe);
    Sleep(1);
    return false;
}

}  // namespace

bool PipeServer::Start(std::string* error) {
    std::vector<HANDLE> commandPipes;
    std::vector<HANDLE> replyPipes;
    for (DWORD i = 0; i < kInstancesPerPipe; ++i) {
        const HANDLE command = CreateInstance(kDemoCommandPipe, i == 0);
        const HANDLE reply = CreateInstance(kDemoReplyPipe, i == 0);
        if (command == INVALID_HANDLE_VALUE || reply == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            *error = code == ERROR_ACCESS_DENIED || code == ERROR_PIPE_BUSY
                         ? "another simulator already serves the pipes"
                         : "the pipes cannot be created (error " + std::to_string(code) + ")";
            for (HANDLE pipe : commandPipes) CloseHandle(pipe);
            for (HANDLE pipe : replyPipes) CloseHandle(pipe);
            if (command != INVALID_HANDLE_VALUE) CloseHandle(command);
            if (reply != INVALID_HANDLE_VALUE) CloseHandle(reply);
            return false;
        }
        commandPipes.push_back(command);
        replyPipes.push_back(reply);
    }
    // The instances live as long as the process: the threads are never joined.
    for (HANDLE pipe : commandPipes) StartServing(pipe, &PipeServer::ServeCommands);
    for (HANDLE pipe : replyPipes) StartServing(pipe, &PipeServer::ServeReplies);
    return true;
}

namespace {

struct ServingJob {
    PipeServer* server;
    HANDLE pipe;
    void (PipeServer::*serve)(HANDLE);
};

DWORD WINAPI Serve(void* started) {
    const ServingJob job = *static_cast<ServingJob*>(started);
    delete static_cast<ServingJob*>(started);
    (job.server->*job.serve)(job.pipe);
    return 0;
}

}  // namespace

// The system's own threads: the compilers' win32 thread model has no std::thread. A thread
// that cannot start ends the simulator, as a pipe instance nobody serves would hang a client.
void PipeServer::StartServing(HANDLE pipe, void (PipeServer::*serve)(HANDLE)) {
    auto* job = new ServingJob{this, pipe, serve};
    const HANDLE thread = CreateThread(nullptr, 0, Serve, job, 0, nullptr);
    if (thread == nullptr) {
        std::fprintf(stderr, "mf40sim: cannot start a serving thread (error %lu)\n", GetLastError());
        std::exit(1);
    }
    CloseHandle(thread);
}

// Every message is one write of the host's: the device takes it, and the count it took goes
// back as the answer (which the program's own writes never read).
void PipeServer::ServeCommands(HANDLE pipe) {
    std::vector<std::uint8_t> buffer(kPipeBufferSize);
    for (;;) {
        if (!AwaitClient(pipe)) continue;
        std::uint32_t taken = 0;
        for (;;) {
            DWORD received = 0;
            const BOOL whole = ReadFile(pipe, buffer.data(), kPipeBufferSize, &received, nullptr);
            if (!whole && GetLastError() != ERROR_MORE_DATA) break;  // the client has gone
            const std::span<const std::uint8_t> bytes(buffer.data(), received);
            if (received > 0) {
                taken += static_cast<std::uint32_t>(host_.HostWrite(bytes));
                log_(TrafficLine("<-", bytes));
            }
            if (!whole) continue;  // the rest of this message follows

            std::uint8_t answer[kDemoCountSize];
            PutLe32(answer, taken);
            taken = 0;
            DWORD written = 0;
            if (!WriteFile(pipe, answer, kDemoCountSize, &written, nullptr)) break;
        }
        DisconnectNamedPipe(pipe);
    }
}

// Every request names how many bytes the host can take; the answer carries the count and
// the bytes the device had waiting, which may be none.
void PipeServer::ServeReplies(HANDLE pipe) {
    std::vector<std::uint8_t> reply;
    for (;;) {
        if (!AwaitClient(pipe)) continue;
        for (;;) {
            std::uint8_t request[kDemoCountSize];
            DWORD received = 0;
            if (!ReadFile(pipe, request, kDemoCountSize, &received, nullptr) ||
                received != kDemoCountSize) {
                break;  // gone, or not a request of ours
            }
            const std::uint32_t wanted = std::min(GetLe32(request), kDemoMaxReadRequest);
            reply.assign(kDemoCountSize + wanted, 0);
            const std::size_t sent =
                host_.HostRead(std::span<std::uint8_t>(reply.data() + kDemoCountSize, wanted));
            PutLe32(reply.data(), static_cast<std::uint32_t>(sent));
            DWORD written = 0;
            if (!WriteFile(pipe, reply.data(), static_cast<DWORD>(kDemoCountSize + sent), &written,
                           nullptr)) {
                break;
            }
            if (sent > 0) log_(TrafficLine("->", {reply.data() + kDemoCountSize, sent}));
        }
        // Only now, with the client gone, may the instance drop what the pipe still holds.
        DisconnectNamedPipe(pipe);
    }
}

}  // namespace pd::sim
