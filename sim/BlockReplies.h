// How the virtual device frames what it sends back for block commands: a reply header
// (escape, the operation answered, the big-endian payload length) and then the payload.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "protocol/ByteOrder.h"
#include "protocol/Frames.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

inline Bytes BlockReply(std::uint8_t operation, std::span<const std::uint8_t> payload) {
    Bytes reply(kReplyHeaderSize);
    reply[0] = kEscape;
    reply[1] = operation;
    WriteBe16(reply.data() + 2, static_cast<std::uint16_t>(payload.size()));
    reply.insert(reply.end(), payload.begin(), payload.end());
    return reply;
}

// The answer to a block write the device has taken: six status bytes, all clear.
inline Bytes WriteAcknowledgement() {
    const Bytes status(kAcknowledgementSize - kReplyHeaderSize, 0x00);
    return BlockReply(kOpWriteBlock, status);
}

inline bool StartsWith(const Bytes& frame, std::span<const std::uint8_t> header) {
    return frame.size() >= header.size() && std::equal(header.begin(), header.end(), frame.begin());
}

}  // namespace pd::sim
