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

HANDLE CreateInstance(const TCHAR* name, bool first, DWORD inBufferSize) {
    // Duplex on both pipes: link selection opens the command pipe for reading and writing,
    // and the stand-in library reads the device's count back on it.
    const DWORD openMode = PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipe(name, openMode, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                           kInstancesPerPipe, kPipeBufferSize, inBufferSize, 0, nullptr);
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
    struct ServedPipe {
        const TCHAR* name;
        Serving serve;
        const char* logPrefix;
        DWORD inBufferSize;
    };
    // The 9x family's lines carry a prefix of their own, so that its traffic can be told apart.
    const ServedPipe served[] = {
        {kDemoCommandPipe, &PipeServer::ServeCommands, "", kPipeBufferSize},
        {kDemoReplyPipe, &PipeServer::ServeReplies, "", kPipeBufferSize},
        {kDemo9xCommandPipe, &PipeServer::ServeWritesInOrder, "usb9x ", 0},
        {kDemo9xReplyPipe, &PipeServer::ServeReadsOnOpen, "usb9x ", kPipeBufferSize},
    };
    std::vector<std::pair<HANDLE, const ServedPipe*>> instances;
    for (DWORD i = 0; i < kInstancesPerPipe; ++i) {
        for (const ServedPipe& pipe : served) {
            const HANDLE instance = CreateInstance(pipe.name, i == 0, pipe.inBufferSize);
            if (instance == INVALID_HANDLE_VALUE) {
                const DWORD code = GetLastError();
                *error = code == ERROR_ACCESS_DENIED || code == ERROR_PIPE_BUSY
                             ? "another simulator already serves the pipes"
                             : "the pipes cannot be created (error " + std::to_string(code) + ")";
                for (const auto& made : instances) CloseHandle(made.first);
                return false;
            }
            instances.emplace_back(instance, &pipe);
        }
    }
    // The instances live as long as the process: the threads are never joined.
    for (const auto& [instance, pipe] : instances) {
        StartServing(instance, pipe->serve, pipe->logPrefix);
    }
    return true;
}

namespace {

struct ServingJob {
    PipeServer* server;
    HANDLE pipe;
    PipeServer::Serving serve;
    const char* logPrefix;
};

DWORD WINAPI Serve(void* started) {
    const ServingJob job = *static_cast<ServingJob*>(started);
    delete static_cast<ServingJob*>(started);
    (job.server->*job.serve)(job.pipe, job.logPrefix);
    return 0;
}

}  // namespace

// The system's own threads: the compilers' win32 thread model has no std::thread. A thread
// that cannot start ends the simulator, as a pipe instance nobody serves would hang a client.
void PipeServer::StartServing(HANDLE pipe, Serving serve, const char* logPrefix) {
    auto* job = new ServingJob{this, pipe, serve, logPrefix};
    const HANDLE thread = CreateThread(nullptr, 0, Serve, job, 0, nullptr);
    if (thread == nullptr) {
        std::fprintf(stderr, "mf40sim: cannot start a serving thread (error %lu)\n",
                     GetLastError());
        std::exit(1);
    }
    CloseHandle(thread);
}

// Every message is one write of the host's: the device takes it, and the count it took goes
// back as the answer (which the program's own writes never read).
void PipeServer::ServeCommands(HANDLE pipe, const char* logPrefix) {
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
                log_(logPrefix + TrafficLine("<-", bytes));
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

// The 9x route writes each piece through a fresh open of the pipe, one write an open, and
// waits for no answer, so two pieces in a row can reach two instances at once. The pipe keeps no
// input buffer, so the program's write returns only once the instance has emptied the pipe, and the
// instance hands the bytes to the device before it does: the next piece cannot overtake.
void PipeServer::ServeWritesInOrder(HANDLE pipe, const char* logPrefix) {
    std::vector<std::uint8_t> buffer(kPipeBufferSize);
    for (;;) {
        if (!AwaitClient(pipe)) continue;
        for (;;) {
            DWORD peeked = 0;
            if (!PeekNamedPipe(pipe, buffer.data(), kPipeBufferSize, &peeked, nullptr, nullptr)) {
                break;  // the client has gone, and nothing it wrote is left
            }
            if (peeked == 0) {
                Sleep(1);
                continue;
            }
            const std::span<const std::uint8_t> bytes(buffer.data(), peeked);
            host_.HostWrite(bytes);
            log_(logPrefix + TrafficLine("<-", bytes));
            DWORD received = 0;
            if (!ReadFile(pipe, buffer.data(), peeked, &received, nullptr) &&
                GetLastError() != ERROR_MORE_DATA) {
                break;
            }
        }
        DisconnectNamedPipe(pipe);
    }
}

// Every request names how many bytes the host can take; the answer carries the count and
// the bytes the device had waiting, which may be none.
void PipeServer::ServeReplies(HANDLE pipe, const char* logPrefix) {
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
            if (sent > 0)
                log_(logPrefix + TrafficLine("->", {reply.data() + kDemoCountSize, sent}));
        }
        // Only now, with the client gone, may the instance drop what the pipe still holds.
        DisconnectNamedPipe(pipe);
    }
}

// The 9x route opens the reply pipe for reading only and reads once, up to what it can take,
// before it closes: the device's next transfer goes out as it comes, in one message, which
// stays in the pipe until the client has gone. With nothing to say, the instance lets go at
// once, and the client's read ends empty.
void PipeServer::ServeReadsOnOpen(HANDLE pipe, const char* logPrefix) {
    std::vector<std::uint8_t> transfer(kPipeBufferSize);
    for (;;) {
        if (!AwaitClient(pipe)) continue;
        const std::size_t sent = host_.HostReadTransfer(transfer);
        DWORD written = 0;
        if (sent > 0 &&
            WriteFile(pipe, transfer.data(), static_cast<DWORD>(sent), &written, nullptr)) {
            log_(logPrefix + TrafficLine("->", {transfer.data(), sent}));
            // The client writes nothing: this read ends when it closes the pipe.
            std::uint8_t ignored = 0;
            DWORD received = 0;
            while (ReadFile(pipe, &ignored, 1, &received, nullptr)) {
            }
        }
        DisconnectNamedPipe(pipe);
    }
}

}  // namespace pd::sim
