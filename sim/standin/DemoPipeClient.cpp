#include "sim/standin/DemoPipeClient.h"

#include <cstring>

#include "sim/DemoPipes.h"

namespace pd::sim {

namespace {

constexpr int kOpenAttempts = 3;
constexpr DWORD kBusyWaitMs = 1000;

}  // namespace

int FillControlPortName(const char* base, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    const int length = static_cast<int>(std::strlen(base));
    if (length >= size) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, base, static_cast<std::size_t>(length) + 1);
    return length;
}

bool DemoPortIsFree() {
    const OwnedHandle reservation(OpenEvent(SYNCHRONIZE, FALSE, kDemoPortReservedEvent));
    return !reservation;
}

OwnedHandle OpenDemoPipe(const TCHAR* name) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        OwnedHandle pipe(
            CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (pipe) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr);
            return pipe;
        }
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipe(name, kBusyWaitMs)) break;
    }
    return OwnedHandle();
}

}  // namespace pd::sim
