#include "sim/mf40sim/RegistersServer.h"

#include <vector>

namespace pd::sim {

namespace {

// The panel polls the lines while it waits for the device, so a millisecond is far below any
// of its limits (a second a handshake step).
constexpr DWORD kPollMs = 1;

DWORD WINAPI ServeOnThread(void* server) {
    static_cast<RegistersServer*>(server)->Serve();
    return 0;
}

}  // namespace

bool RegistersServer::Start(std::string* error) {
    section_.Reset(CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     sizeof(PortRegistersLink), kPortRegistersSection));
    if (!section_ || GetLastError() == ERROR_ALREADY_EXISTS) {
        *error = "the port registers' section cannot be made (another simulator serves it?)";
        return false;
    }
    link_ = static_cast<PortRegistersLink*>(
        MapViewOfFile(section_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(PortRegistersLink)));
    if (link_ == nullptr) {
        *error = "the port registers' section cannot be mapped (error " +
                 std::to_string(GetLastError()) + ")";
        return false;
    }
    // The system's own thread, never joined: it serves until the process ends.
    const OwnedHandle thread(CreateThread(nullptr, 0, ServeOnThread, this, 0, nullptr));
    if (!thread) {
        *error = "cannot start serving the port registers (error " +
                 std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

// The handshake hands the bytes over one at a time, so a poll finds a part of a write: the
// device takes each part at once, and the log says the write whole once it has ended.
void RegistersServer::Serve() {
    std::vector<std::uint8_t> chunk(PortRegistersRing::kSize);
    std::vector<std::uint8_t> written;
    const auto logWritten = [&] {
        if (written.empty()) return;
        log_("port " + TrafficLine("<-", written));
        written.clear();
    };
    for (;;) {
        Sleep(kPollMs);
        if (const std::size_t got = link_->toDevice.Take(chunk.data(), chunk.size())) {
            host_.HostWrite(std::span<const std::uint8_t>(chunk.data(), got));
            written.insert(written.end(), chunk.begin(),
                           chunk.begin() + static_cast<std::ptrdiff_t>(got));
        } else {
            logWritten();
        }
        const std::size_t room = link_->fromDevice.Room();
        if (room == 0) continue;
        if (const std::size_t sent = host_.HostRead(std::span<std::uint8_t>(chunk.data(), room))) {
            link_->fromDevice.Put(chunk.data(), sent);
            logWritten();  // what the device answers comes after what it heard
            log_("port " + TrafficLine("->", {chunk.data(), sent}));
        }
    }
}

}  // namespace pd::sim
