// The two busy waits of an exchange. Both spin on the 32-bit tick counter without handing
// the thread over, and both measure elapsed time modulo 2^32, so a wrap of the counter in
// the middle of a wait neither shortens nor stretches it.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/Os.h"
#include "protocol/Frames.h"

namespace pd {

// Waits inside an exchange; returns the milliseconds that actually passed.
std::uint32_t ExchangeDelay(Os& os, std::uint32_t milliseconds);

// Waits after an exchange.
void SettleWait(Os& os, std::uint32_t milliseconds);

// Runs `operation` (a record operation returning true on success), then lets the device
// settle for the pages' pause whatever it returned, so that no exchange follows another
// sooner than the panel's own would; returns what the operation returned.
template <typename Operation>
bool ExchangeThenSettle(Os& os, Operation&& operation) {
    const bool done = std::forward<Operation>(operation)();
    SettleWait(os, kPageSettleMs);
    return done;
}

}  // namespace pd
