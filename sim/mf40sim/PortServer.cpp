#include "sim/mf40sim/PortServer.h"

#include <vector>

#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::sim {

namespace {

constexpr DWORD kChunk = 64 * 1024;

OwnedHandle OpenFifo(const std::string& folder, const TCHAR* name, DWORD access) {
    const tstring path = TextFromUtf8(folder) + TEXT("\\") + name;
    return OwnedHandle(CreateFile(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteWhole(HANDLE file, const std::uint8_t* data, DWORD size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

DWORD WINAPI ServeOnThread(void* server) {
    static_cast<PortServer*>(server)->Serve();
    return 0;
}

}  // namespace

bool PortServer::Start(const std::string& folder, std::string* error) {
    toDevice_ = OpenFifo(folder, kPortToDevice, GENERIC_READ);
    fromDevice_ = OpenFifo(folder, kPortFromDevice, GENERIC_WRITE);
    if (!toDevice_ || !fromDevice_) {
        *error = "no port bridge in " + folder + " (error " + std::to_string(GetLastError()) +
                 "); start scripts/port-bridge first";
        return false;
    }
    // The system's own thread, never joined: it serves until the process ends.
    const OwnedHandle thread(CreateThread(nullptr, 0, ServeOnThread, this, 0, nullptr));
    if (!thread) {
        *error = "cannot start serving the port (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

// A read returns as soon as the bridge has passed anything on. The device answers a command
// as it takes it, so whatever it has to say goes back at once, for the program's next read.
void PortServer::Serve() {
    std::vector<std::uint8_t> received(kChunk);
    std::vector<std::uint8_t> answer(kChunk);
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(toDevice_.get(), received.data(), kChunk, &count, nullptr)) {
            log_("the port bridge has gone (error " + std::to_string(GetLastError()) + ")");
            return;
        }
        if (count == 0) continue;
        const std::span<const std::uint8_t> bytes(received.data(), count);
        host_.HostWrite(bytes);
        log_("port " + TrafficLine("<-", bytes));
        while (const std::size_t sent = host_.HostRead(answer)) {
            if (!WriteWhole(fromDevice_.get(), answer.data(), static_cast<DWORD>(sent))) {
                log_("the port bridge has gone (error " + std::to_string(GetLastError()) + ")");
                return;
            }
            log_("port " + TrafficLine("->", {answer.data(), sent}));
        }
    }
}

}  // namespace pd::sim
