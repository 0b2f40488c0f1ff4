// UTF-8, the text of every path and argument in the portable core, one character at a time.
// Windows 95 has no UTF-8 in its own conversions, so the Windows side reads and writes it here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pd {

// One character of `text` at `*at`, which moves past it; false on malformed UTF-8 (overlong
// forms, surrogates and values beyond U+10FFFF included), with `*at` unmoved.
bool NextUtf8Character(std::string_view text, std::size_t* at, char32_t* character);

// `character` (at most U+10FFFF) appended as UTF-8.
void AppendUtf8(char32_t character, std::string& out);

}  // namespace pd
