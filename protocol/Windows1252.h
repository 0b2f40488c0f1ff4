// Device texts and phonebook files are single-byte Windows-1252, whatever code page the
// machine runs; the windows work in UTF-16 and the companion's files and terminal in UTF-8.
// This is the one table of that code page, and every crossing goes through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Utf8.h"

namespace pd {

// The character of a byte. The five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90,
// 9D) are the control characters of the same number, as Windows itself converts them, so
// that any device text survives a trip out and back.
char32_t Windows1252Character(unsigned char byte);
// The byte of a character; false when the code page lacks it.
bool Windows1252Byte(char32_t character, unsigned char* byte);

// A character that Windows-1252 defines and that is no control character: what a device text
// may hold to be shown (space and the no-break space included).
bool IsPrintableWindows1252(unsigned char byte);

// Capital letters for the small ones, as the code page pairs them; a letter whose capital
// the code page does not hold (ß, µ, ƒ) stays as it is.
std::string UpperWindows1252(std::string bytes);

// --- UTF-16 (the windows) --------------------------------------------------------------------

// Every byte as its character, one unit each.
std::wstring Windows1252ToWide(std::string_view bytes);
// One byte per unit. A unit the code page lacks becomes what `closest` makes of it, or '?'
// without one.
using ClosestWindows1252 = char (*)(wchar_t unit);
std::string WideToWindows1252(std::wstring_view text, ClosestWindows1252 closest = nullptr);

// --- UTF-8 (files, arguments, the terminal) --------------------------------------------------

std::string Windows1252ToUtf8(std::string_view bytes);

// Why a UTF-8 text has no Windows-1252 form.
enum class Windows1252Fault : std::uint8_t { None, NotUtf8, ZeroCharacter, Missing };

struct Windows1252Text {
    bool ok = false;
    std::string bytes;  // the Windows-1252 text when ok
    std::string error;  // what is wrong, for the user, when not ok
    Windows1252Fault fault = Windows1252Fault::None;
    std::size_t at = 0;     // NotUtf8: the byte, from 1, where the text stops being UTF-8
    std::string character;  // Missing: the character (UTF-8) ...
    std::string code;       // ... and its code point, "U+0416"
};

// Fails on malformed UTF-8, on a zero character, and on a character Windows-1252 lacks.
Windows1252Text Utf8ToWindows1252(std::string_view utf8);

// --- Text files of other programs ----------------------------------------------------------

// What a text file is written in. The programs of Windows 95 to XP write the system's code
// page, Windows-1252 in western Europe; later ones UTF-8, with or without its byte-order
// mark; some UTF-16, which neither reader can take.
enum class TextEncoding : std::uint8_t {
    Utf8,         // the UTF-8 byte-order mark, or valid UTF-8 throughout (plain ASCII included)
    Windows1252,  // anything else without a zero byte
    Utf16,        // a UTF-16 byte-order mark (FF FE or FE FF)
    ZeroBytes,    // zero bytes without a mark: UTF-16 (or another wide encoding) all the same
};
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

TextEncoding DetectTextEncoding(std::string_view bytes);

}  // namespace pd
