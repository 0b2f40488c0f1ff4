// How Windows reads a path, for the seams that stand for Windows (the real one and the
// simulated PC): where the folder part ends, and which names it keeps for devices.
#pragma once

#include <cstddef>
#include <string_view>

namespace pd {

// The folder part's length, the last "\", "/" or drive colon included (0 for a bare name).
std::size_t WindowsFolderLength(std::string_view path);

// True for the names Windows keeps for devices wherever they stand: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM1-COM9 and LPT1-LPT9 in any case, with any extension ("lpt1.txt") and
// trailing spaces, and every path in the device namespace \\.\ .
bool IsWindowsDeviceName(std::string_view path);

}  // namespace pd
