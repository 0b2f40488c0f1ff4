// A small file read whole through the seam, for the files a user hands the programs to read
// (phonebooks in other programs' formats, backups): never a device, never more than a limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Os.h"

namespace pd {

// The bytes of the file named by `path` (UTF-8). Nothing, with `*error` saying why, when it
// cannot be had: a name the system keeps for a device (opened, it would reach the device, a
// port that may never answer), a file that cannot be opened or read, or one larger than
// `limit`, which is refused unread (TooLarge, with its size in `*size` when asked for). A file
// that grows shorter while it is read gives what it held.
std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::uint64_t limit,
                                         FileError* error, std::uint64_t* size = nullptr);

}  // namespace pd
