// What reaches the terminal. Device texts and file contents cross into UTF-8 through the
// Windows-1252 codec; EscapeForTerminal is the one way any such text reaches the terminal.
#pragma once

#include <string>
#include <string_view>

#include "protocol/Windows1252.h"

namespace pd::ctl {

// A text as the terminal may show it: every control character (C0, DEL and C1, tab and line
// breaks included) and every byte that is not part of valid UTF-8 written as \xNN, so that
// nothing a device, a file or an argument holds can move the cursor, clear the screen or
// change the terminal's state, or break a line of a table. Other characters stay as they are.
std::string EscapeForTerminal(std::string_view utf8);

// A device text (Windows-1252) as the terminal shows it.
std::string Windows1252ForTerminal(std::string_view bytes);

}  // namespace pd::ctl
