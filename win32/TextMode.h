// The Windows side builds in one of two character modes from the same source: wide (UTF-16,
// the program for Windows NT) or ANSI (the system's code page, the program for Windows 95,
// 98 and ME, whose wide functions are mostly stubs that fail). Whatever talks to windows,
// files or the system writes Windows' own TCHAR, TEXT("...") and the neutral function names,
// and holds its texts in these strings. The portable core keeps its bytes and UTF-8.
#pragma once

#include <windows.h>
#include <tchar.h>

#include <string>
#include <string_view>
#include <type_traits>

namespace pd {

using tstring = std::basic_string<TCHAR>;
using tstring_view = std::basic_string_view<TCHAR>;

// UTF-8 and UTF-16, for the wide functions every mode has (the command line's arguments).
std::wstring WidenUtf8(std::string_view text);
std::string NarrowToUtf8(std::wstring_view text);

// UTF-16 and this mode's text: the same in the wide program; the system's ANSI code page in
// the ANSI one, where a character the code page lacks becomes the system's closest or '?'.
tstring TextFromWide(std::wstring_view text);
std::wstring WideFromText(tstring_view text);

// Paths and other UTF-8 texts of the portable core crossing into this mode and back.
tstring TextFromUtf8(std::string_view text);
std::string Utf8FromText(tstring_view text);

// A text written in the source as UTF-16 (texts with letters beyond ASCII), as this mode
// shows it.
inline tstring ShownText(std::wstring_view text) { return TextFromWide(text); }

// The code of one character of this mode's text: its UTF-16 unit, or its byte (0..255) in
// the ANSI program, whose TCHAR is a signed char.
inline char32_t CharacterCode(TCHAR c) { return static_cast<std::make_unsigned_t<TCHAR>>(c); }

// A number in decimal digits.
tstring ToTString(long long value);

// The full path of the running program.
tstring ModulePath();

}  // namespace pd
