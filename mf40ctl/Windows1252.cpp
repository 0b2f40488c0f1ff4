#include "mf40ctl/Windows1252.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace pd::ctl {

namespace {

// The characters of bytes 80..9F; A0..FF are the Latin-1 characters of the same number.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

char32_t CharacterOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
    return byte;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ByteFor(char32_t c, unsigned char* byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        *byte = static_cast<unsigned char>(c);
        return true;
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == c) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// One character from `text` at `*at`; false on malformed UTF-8 (overlong forms, surrogates
// and values beyond U+10FFFF included).
bool NextCharacter(std::string_view text, std::size_t* at, char32_t* c) {
    const auto lead = static_cast<unsigned char>(text[*at]);
    int length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        *c = lead;
        ++*at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return false;
    }
    if (*at + static_cast<std::size_t>(length) > text.size()) return false;
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[*at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) return false;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *c = value;
    *at += static_cast<std::size_t>(length);
    return true;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) AppendUtf8(CharacterOf(static_cast<unsigned char>(byte)), out);
    return out;
}

bool IsPrintableWindows1252(unsigned char byte) {
    if (byte < 0x20 || byte == 0x7F) return false;
    const char32_t c = CharacterOf(byte);
    return c < 0x80 || c > 0x9F;  // the five undefined bytes map to C1 control characters
}

std::string EscapeForTerminal(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        char32_t c = 0;
        unsigned escaped = 0;
        if (!NextCharacter(utf8, &at, &c)) {
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

Windows1252Text Utf8ToWindows1252(std::string_view utf8) {
    Windows1252Text result;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        char32_t c = 0;
        if (!NextCharacter(utf8, &at, &c)) {
            result.error = "is not valid UTF-8 (at byte " + std::to_string(start + 1) + ")";
            return result;
        }
        unsigned char byte = 0;
        if (c == 0) {
            result.error = "contains a zero character";
            return result;
        }
        if (!ByteFor(c, &byte)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            result.error = "contains '" + std::string(utf8.substr(start, at - start)) + "' (" +
                           code + "), which Windows-1252 does not have";
            return result;
        }
        result.bytes += static_cast<char>(byte);
    }
    result.ok = true;
    return result;
}

}  // namespace pd::ctl
