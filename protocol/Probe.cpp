#include "protocol/Probe.h"

#include <array>

#include "protocol/Exchange.h"
#include "protocol/Frames.h"

namespace pd {

bool ProbeDevice(DeviceLink& link) {
    std::array<std::uint8_t, kProbeReplySize> reply{};
    int received = 0;
    if (!WriteThenRead(link, kProbeCommand, kProbeWaitMs, reply, &received)) return false;
    return static_cast<unsigned>(received) > kReplyHeaderSize;
}

}  // namespace pd
