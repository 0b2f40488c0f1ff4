#include "platform/Utf8.h"

namespace pd {

bool NextUtf8Character(std::string_view text, std::size_t* at, char32_t* c) {
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

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace pd
