#include "mf40ctl/TerminalText.h"

#include <cstdio>

namespace pd::ctl {

std::string EscapeForTerminal(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        char32_t c = 0;
        unsigned escaped = 0;
        if (!NextUtf8Character(utf8, &at, &c)) {
            escaped = static_cast<unsigned char>(utf8[start]);
            at = start + 1;
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            escaped = static_cast<unsigned>(c);
        } else {
            out.append(utf8.substr(start, at - start));
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", escaped);
        out += code;
    }
    return out;
}

std::string Windows1252ForTerminal(std::string_view bytes) {
    return EscapeForTerminal(Windows1252ToUtf8(bytes));
}

}  // namespace pd::ctl
