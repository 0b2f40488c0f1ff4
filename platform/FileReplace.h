// Writing a file so that it is never left half-written and can never be aimed at another
// file: the bytes go to a fresh file beside the target, made under a name nobody can guess,
// never over an existing file and never through a link, and that file takes the target's
// place only once every byte is in it and on the disk, with the target's attributes.
//
// Fresh names are short, so that a target whose own name is near the longest a folder takes
// can still be saved: "~pd", a tag of the target's name, a random part and the suffix (27
// characters), or, where the volume refuses that (a volume of 8.3 names), "~pd" and five
// random characters with the suffix. A fresh file that an earlier save left behind (the
// program was killed, the power went) is removed by the next save of its target, once
// nobody holds it open.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace pd {

// Writes `parts` one after another as the new contents of `path`. A target that is not a
// plain file this program may write (a folder, a link, a device, a read-only file) is
// refused untouched. On any failure the fresh file is removed, `path` keeps what it held,
// the result is false and `*error` (when given) says why. No other file is ever written,
// moved or removed, but for the fresh files earlier saves of `path` left behind.
bool ReplaceFileContents(Os& os, const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts,
                         FileError* error = nullptr);

// Whether a save of `path` would be refused before its first byte: a name that is no file
// (empty, a device), a target that may not be replaced, or a folder where no fresh file can
// be made (one is made and removed again to find out). True when it may go ahead.
bool CanSave(Os& os, const std::string& path, FileError* error);

// Makes an empty file beside `path` under a fresh name nobody can guess (see above), never
// over an existing file and never through a link. Gives the open file with its name in
// `*name`, or kNoFile with the reason in `*error`.
FileHandle CreateUnguessableFile(Os& os, const std::string& path, const char* suffix,
                                 std::string* name, FileError* error);

// The files beside `path` that saves of it made under `suffix` and left there (their paths):
// those named for it, including the "<path>.<16 hex digits><suffix>" of earlier versions,
// and, with `shortNamesToo`, every short fresh name, which names no target.
std::vector<std::string> LeftBehindFiles(Os& os, const std::string& path, const char* suffix,
                                         bool shortNamesToo);

// What went wrong, in the words a user is told: "not found", "access denied", ...
const char* DescribeFileError(FileError error);

}  // namespace pd
