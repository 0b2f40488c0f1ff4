#include "protocol/Waits.h"

namespace pd {

std::uint32_t ExchangeDelay(Os& os, std::uint32_t milliseconds) {
    const std::uint32_t start = os.TickCount();
    std::uint32_t elapsed = 0;
    do {
        elapsed = os.TickCount() - start;
    } while (elapsed < milliseconds);
    return elapsed;
}

void SettleWait(Os& os, std::uint32_t milliseconds) {
    // Compared as elapsed time rather than against a deadline: a deadline past the wrap
    // would end the wait at once.
    const std::uint32_t start = os.TickCount();
    while (os.TickCount() - start < milliseconds) {
    }
}

}  // namespace pd
