#include "protocol/Windows1252.h"

#include <array>
#include <cstdio>

#include "platform/Utf8.h"

namespace pd {

namespace {

// The characters of bytes 80..9F; the other bytes are the Latin-1 characters of the same
// number.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The small letters of 80..9F with their capitals; above A0 the pairs are 32 apart.
constexpr struct {
    unsigned char small;
    unsigned char capital;
} kHighLetterPairs[] = {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};

constexpr char kUnknown = '?';

}  // namespace

char32_t Windows1252Character(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
    return byte;
}

bool Windows1252Byte(char32_t c, unsigned char* byte) {
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

bool IsPrintableWindows1252(unsigned char byte) {
    if (byte < 0x20 || byte == 0x7F) return false;
    const char32_t c = Windows1252Character(byte);
    return c < 0x80 || c > 0x9F;  // the five undefined bytes map to C1 control characters
}

std::string UpperWindows1252(std::string bytes) {
    for (char& c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
            c = static_cast<char>(byte - 0x20);
            continue;
        }
        for (const auto& pair : kHighLetterPairs) {
            if (pair.small == byte) c = static_cast<char>(pair.capital);
        }
    }
    return bytes;
}

std::wstring Windows1252ToWide(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text += static_cast<wchar_t>(Windows1252Character(static_cast<unsigned char>(byte)));
    }
    return text;
}

std::string WideToWindows1252(std::wstring_view text, ClosestWindows1252 closest) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t unit : text) {
        unsigned char byte = 0;
        if (Windows1252Byte(static_cast<char32_t>(unit), &byte)) {
            bytes += static_cast<char>(byte);
        } else {
            bytes += closest != nullptr ? closest(unit) : kUnknown;
        }
    }
    return bytes;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        AppendUtf8(Windows1252Character(static_cast<unsigned char>(byte)), out);
    }
    return out;
}

Windows1252Text Utf8ToWindows1252(std::string_view utf8) {
    Windows1252Text result;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        char32_t c = 0;
        if (!NextUtf8Character(utf8, &at, &c)) {
            result.fault = Windows1252Fault::NotUtf8;
            result.at = start + 1;
            result.error = "is not valid UTF-8 (at byte " + std::to_string(start + 1) + ")";
            return result;
        }
        unsigned char byte = 0;
        if (c == 0) {
            result.fault = Windows1252Fault::ZeroCharacter;
            result.error = "contains a zero character";
            return result;
        }
        if (!Windows1252Byte(c, &byte)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            result.fault = Windows1252Fault::Missing;
            result.character = std::string(utf8.substr(start, at - start));
            result.code = code;
            result.error = "contains '" + result.character + "' (" + code +
                           "), which Windows-1252 does not have";
            return result;
        }
        result.bytes += static_cast<char>(byte);
    }
    result.ok = true;
    return result;
}

TextEncoding DetectTextEncoding(std::string_view bytes) {
    const std::string_view start = bytes.substr(0, 2);
    if (start == "\xFF\xFE" || start == "\xFE\xFF") return TextEncoding::Utf16;
    if (bytes.find('\0') != std::string_view::npos) return TextEncoding::ZeroBytes;
    // The mark decides, whatever follows: a fault after it is the text's, said where it is.
    if (bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) return TextEncoding::Utf8;
    std::size_t at = 0;
    char32_t c = 0;
    while (at < bytes.size()) {
        if (!NextUtf8Character(bytes, &at, &c)) return TextEncoding::Windows1252;
    }
    return TextEncoding::Utf8;
}

}  // namespace pd
