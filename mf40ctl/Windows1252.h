// Device texts and phonebook files are single-byte Windows-1252; the companion's files, its
// arguments and its output are UTF-8. These two conversions are the only crossing.
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

// A text as it may go to the terminal: every control character (C0, DEL and C1) and every
// byte that is not UTF-8 is written out as \t, \n, \r, \xHH or \u00HH, so that no text from a
// file, the device or the command line can move the cursor, clear the screen or hide what
// follows. Everything mf40ctl prints that it did not write itself goes through this.
std::string TerminalText(std::string_view utf8);

}  // namespace pd::ctl
