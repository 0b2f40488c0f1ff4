// Writing a file so that it is never left half-written and can never be aimed at another
// file: the bytes go to a fresh file beside the target, made under a name nobody can guess,
// never over an existing file and never through a link, and that file takes the target's
// place only once every byte is in it and on the disk, with the target's attributes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "platform/Os.h"

namespace pd {

// Writes `parts` one after another as the new contents of `path`. A target that is not a
// plain file this program may write (a folder, a link, a device, a read-only file) is
// refused untouched. On any failure the fresh file is removed, `path` keeps what it held,
// the result is false and `*error` (when given) says why. No other file is ever written,
// moved or removed.
bool ReplaceFileContents(Os& os, const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts,
                         FileError* error = nullptr);

// Makes an empty file beside `path` under a name nobody can guess ("<path>.<16 hex
// digits><suffix>"), never over an existing file and never through a link. Gives the open
// file with its name in `*name`, or kNoFile with the reason in `*error`.
FileHandle CreateUnguessableFile(Os& os, const std::string& path, const char* suffix,
                                 std::string* name, FileError* error);

// What went wrong, in the words a user is told: "not found", "access denied", ...
const char* DescribeFileError(FileError error);

}  // namespace pd
