// Entry texts at the edge of the user interface. The device and the phonebook file keep names
// and numbers as single-byte Windows-1252 text whatever code page this machine uses, while the
// windows work in UTF-16; these are the only places where one becomes the other.
#pragma once

#include <string>

namespace pd {

// Windows-1252 bytes as UTF-16.
std::wstring WidenEntryText(const std::string& text);
// UTF-16 as Windows-1252 bytes; a character 1252 lacks becomes its closest 1252 character,
// or "?" when it has none.
std::string NarrowEntryText(const std::wstring& text);
// Capital letters for the small ones, as the Windows-1252 code page pairs them; a letter whose
// capital 1252 does not hold stays as it is.
std::string UpperEntryText(std::string text);

}  // namespace pd
