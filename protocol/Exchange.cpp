#include "protocol/Exchange.h"

#include <algorithm>

#include "protocol/ByteOrder.h"
#include "protocol/Frames.h"
#include "protocol/Waits.h"

namespace pd {

bool WriteThenRead(DeviceLink& link, std::span<const std::uint8_t> command, std::uint32_t waitMs,
                   std::span<std::uint8_t> reply, int* received) {
    *received = 0;
    const int length = static_cast<int>(command.size());
    const int written = link.ChannelWrite(command.data(), length);
    ExchangeDelay(link.os(), waitMs);
    if (written != length) return false;
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    *received = link.ChannelRead(reply.data(), static_cast<int>(reply.size()));
    return true;
}

int ReplyPayloadLength(std::span<const std::uint8_t> reply, int received) {
    if (received <= kReplyHeaderSize || reply.size() < kReplyHeaderSize) return 0;
    return ReadBe16(reply.data() + 2);
}

bool ReplyIsWhole(std::span<const std::uint8_t> reply, int received) {
    return received == ReplyPayloadLength(reply, received) + kReplyHeaderSize;
}

}  // namespace pd
