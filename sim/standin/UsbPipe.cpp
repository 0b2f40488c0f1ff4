// Stand-in for the maker's USB pipe library of Windows 2000 and later, for the demo only:
// it names the simulator's pipes and moves bytes through them.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/DemoPipes.h"
#include "sim/standin/DemoPipeClient.h"

using namespace pd::sim;

extern "C" int PD_STANDIN_CALL GetControlPortName(char* buffer, int size) {
    return FillControlPortName(kDemoPortBase, buffer, size);
}

// Returns once the device has taken the bytes (so that pieces written one after another
// arrive in order), with the count it took.
extern "C" int PD_STANDIN_CALL Win2kUsbWrite(const void* data, int count) {
    if (data == nullptr || count <= 0) return 0;
    const pd::OwnedHandle pipe = OpenDemoPipe(kDemoCommandPipe);
    if (!pipe) return 0;
    DWORD written = 0;
    if (!WriteFile(pipe.get(), data, static_cast<DWORD>(count), &written, nullptr)) return 0;

    std::uint8_t answer[kDemoCountSize];
    DWORD received = 0;
    if (!ReadFile(pipe.get(), answer, kDemoCountSize, &received, nullptr) ||
        received != kDemoCountSize) {
        return static_cast<int>(written);
    }
    return static_cast<int>(std::min<DWORD>(GetLe32(answer), written));
}

extern "C" int PD_STANDIN_CALL Win2kUsbRead(void* buffer, int count) {
    if (buffer == nullptr || count <= 0) return 0;
    const pd::OwnedHandle pipe = OpenDemoPipe(kDemoReplyPipe);
    if (!pipe) return 0;

    const std::uint32_t wanted = std::min(static_cast<std::uint32_t>(count), kDemoMaxReadRequest);
    std::uint8_t request[kDemoCountSize];
    PutLe32(request, wanted);
    DWORD written = 0;
    if (!WriteFile(pipe.get(), request, kDemoCountSize, &written, nullptr)) return 0;

    std::vector<std::uint8_t> reply(kDemoCountSize + wanted);
    DWORD received = 0;
    if (!ReadFile(pipe.get(), reply.data(), static_cast<DWORD>(reply.size()), &received, nullptr) ||
        received < kDemoCountSize) {
        return 0;
    }
    const std::uint32_t sent = std::min(
        {GetLe32(reply.data()), wanted, static_cast<std::uint32_t>(received - kDemoCountSize)});
    std::memcpy(buffer, reply.data() + kDemoCountSize, sent);
    return static_cast<int>(sent);
}
