// What an entry point, a driver or a file call reports it moved, held to what it was asked to
// move: a library that claims more (or a negative count) can never make a caller step outside
// its buffer or skip bytes it never sent.
#pragma once

#include <algorithm>

namespace pd {

inline int ClampCount(long long reported, int requested) {
    if (reported < 0) return 0;
    return static_cast<int>(std::min<long long>(reported, requested));
}

}  // namespace pd
