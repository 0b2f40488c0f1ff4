// Writing a file so that it is never left half-written: the bytes go to a fresh file beside
// the target, which replaces the target only once every byte is in it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "platform/Os.h"

namespace pd {

// Writes `parts` one after another as the new contents of `path`. On any failure (the fresh
// file cannot be made, a write comes up short, the replace fails) the fresh file is removed,
// `path` keeps what it held, and the result is false.
bool ReplaceFileContents(Os& os, const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts);

}  // namespace pd
