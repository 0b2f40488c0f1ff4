#include "win32/TextMode.h"

#include <cstdio>

#include "platform/Utf8.h"

namespace pd {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::wstring WidenUtf8(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t c = 0;
        if (!NextUtf8Character(text, &at, &c)) {
            c = kReplacement;  // a malformed byte names no character
            ++at;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            wide += static_cast<wchar_t>(0xD800 + (c >> 10));
            wide += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(c);
        }
    }
    return wide;
}

std::string NarrowToUtf8(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char16_t>(text[i]);
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool lowFollows =
            i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (high && lowFollows) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;  // half a pair
        }
        AppendUtf8(c, narrow);
    }
    return narrow;
}

#ifdef UNICODE

tstring TextFromWide(std::wstring_view text) { return tstring(text); }
std::wstring WideFromText(tstring_view text) { return std::wstring(text); }

#else

tstring TextFromWide(std::wstring_view text) {
    if (text.empty()) return {};
    const int units = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    tstring narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), units, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::wstring WideFromText(tstring_view text) {
    if (text.empty()) return {};
    const int bytes = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, wide.data(), length);
    return wide;
}

#endif

tstring TextFromUtf8(std::string_view text) { return TextFromWide(WidenUtf8(text)); }
std::string Utf8FromText(tstring_view text) { return NarrowToUtf8(WideFromText(text)); }

tstring ToTString(long long value) {
    // Through the C library's narrow digits, which every mode's text can hold as they are.
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%lld", value);
    return tstring(digits, digits + length);
}

tstring ModulePath() {
    tstring path(MAX_PATH, TEXT('\0'));
    for (;;) {
        const DWORD length =
            ::GetModuleFileName(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: try again with more room
    }
}

}  // namespace pd
