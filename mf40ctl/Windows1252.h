// Device texts and phonebook files are single-byte Windows-1252; the companion's files, its
// arguments and its output are UTF-8. These two conversions are the only crossing, and
// EscapeForTerminal is the one way any such text reaches the terminal.
#pragma once

#include <string>
#include <string_view>

namespace pd::ctl {

// Every byte has a character: the five bytes that Windows-1252 leaves undefined (81, 8D, 8F,
// 90, 9D) become the control characters of the same number, as Windows itself converts them,
// so that any device text survives a trip to UTF-8 and back.
std::string Windows1252ToUtf8(std::string_view bytes);

struct Windows1252Text {
    bool ok = false;
    std::string bytes;  // the Windows-1252 text when ok
    std::string error;  // what is wrong, for the user, when not ok
};

// Fails on malformed UTF-8, on a zero character, and on a character Windows-1252 lacks.
Windows1252Text Utf8ToWindows1252(std::string_view utf8);

// A character that Windows-1252 defines and that is no control character: what a device text
// may hold to be shown (space and the no-break space included).
bool IsPrintableWindows1252(unsigned char byte);

// A text as the terminal may show it: every control character (C0, DEL and C1, tab and line
// breaks included) and every byte that is not part of valid UTF-8 written as \xNN, so that
// nothing a device, a file or an argument holds can move the cursor, clear the screen or
// change the terminal's state, or break a line of a table. Other characters stay as they are.
std::string EscapeForTerminal(std::string_view utf8);

// A device text (Windows-1252) as the terminal shows it.
std::string Windows1252ForTerminal(std::string_view bytes);

}  // namespace pd::ctl
