// The two busy waits of an exchange. Both spin on the 32-bit tick counter without handing
// the thread over, and both measure elapsed time modulo 2^32, so a wrap of the counter in
// the middle of a wait neither shortens nor stretches it.
#pragma once

#include <cstdint>

#include "platform/Os.h"

namespace pd {

// Waits inside an exchange; returns the milliseconds that actually passed.
std::uint32_t ExchangeDelay(Os& os, std::uint32_t milliseconds);

// Waits after an exchange (the pages use 500 ms).
void SettleWait(Os& os, std::uint32_t milliseconds);

}  // namespace pd
