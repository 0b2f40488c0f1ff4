// How Windows reads a path, for the seams that stand for Windows (the real one and the
// simulated PC): where the folder part ends, and which names it keeps for devices.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pd {

// The folder part's length, the last "\", "/" or drive colon included (0 for a bare name).
std::size_t WindowsFolderLength(std::string_view path);

// `path` with `extension` (".PBF", with its dot) added when its file name has none, as the
// programs take a name from their file dialogs: "book" and "book." (Windows drops a trailing
// dot from a file name) both become "book.PBF"; a dot in a folder's name does not count.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

// `path` with its extension (from the last dot of its file name) replaced by `extension`,
// which includes its dot; appended when the file name has no dot. The program's own files
// beside it (its help, its HTML help) are named so, in the program's character mode.
std::string ReplaceExtension(std::string_view path, std::string_view extension);
std::wstring ReplaceExtension(std::wstring_view path, std::wstring_view extension);

// True for the names Windows keeps for devices wherever they stand: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM1-COM9 and LPT1-LPT9 in any case, with any extension ("lpt1.txt") and
// trailing spaces, and every path in the device namespace \\.\ .
bool IsWindowsDeviceName(std::string_view path);

}  // namespace pd
