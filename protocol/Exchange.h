// The road every panel exchange takes: write the command, wait, read the reply into a
// cleared buffer, judge the counts against the reply header.
#pragma once

#include <cstdint>
#include <span>

#include "link/ClampCount.h"
#include "link/DeviceLink.h"

namespace pd {

// Writes `command`, waits `waitMs` whatever the write reported, and when the whole command
// went out clears `reply` and reads into it. Returns false (nothing read) on a short write;
// otherwise true with the count read in *received.
bool WriteThenRead(DeviceLink& link, std::span<const std::uint8_t> command, std::uint32_t waitMs,
                   std::span<std::uint8_t> reply, int* received);

// The payload length of a reply header; 0 when 4 bytes or fewer arrived.
int ReplyPayloadLength(std::span<const std::uint8_t> reply, int received);

// Moves `count` bytes with `transfer(offset, length)`, which reports what it moved. A
// transfer that stops short is continued once after `pauseMs`, and once more after another
// pause when that continuation moved nothing: the device needs the time to catch up with a
// large frame. Returns the bytes moved in all.
template <typename Transfer>
int TransferWithRetries(Os& os, int count, std::uint32_t pauseMs, Transfer transfer) {
    const int done = ClampCount(transfer(0, count), count);
    if (done >= count) return done;
    const int rest = count - done;
    os.Sleep(pauseMs);
    int more = ClampCount(transfer(done, rest), rest);
    if (more == 0) {
        os.Sleep(pauseMs);
        more = ClampCount(transfer(done, rest), rest);
    }
    return done + more;
}

// The general validity rule: the count read equals the header's payload length plus 4.
bool ReplyIsWhole(std::span<const std::uint8_t> reply, int received);

}  // namespace pd
