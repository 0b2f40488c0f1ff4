// The simulator's lines about what crossed one of its links, the same for every link it serves.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "sim/VirtualDevice.h"

namespace pd::sim {

using LogLine = std::function<void(const std::string&)>;

// "<- 8 bytes: 1B A4 00 04 ..." with no more than the first dozen bytes.
inline std::string TrafficLine(const char* direction, std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kLoggedBytes = 12;
    std::string line = std::string(direction) + " " + std::to_string(bytes.size()) + " bytes";
    if (!bytes.empty()) {
        line += ": " + Hex(bytes.first(std::min(bytes.size(), kLoggedBytes)));
        if (bytes.size() > kLoggedBytes) line += " ...";
    }
    return line;
}

}  // namespace pd::sim
