#include "phonebook/EntryText.h"

#include <windows.h>

namespace pd {

namespace {

constexpr UINT kEntryCodePage = 1252;

}  // namespace

std::wstring WidenEntryText(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(kEntryCodePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(kEntryCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string NarrowEntryText(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(kEntryCodePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(kEntryCodePage, 0, text.data(), size, narrow.data(), length, nullptr,
                          nullptr);
    return narrow;
}

std::string UpperEntryText(std::string text) {
    for (char& byte : text) {
        wchar_t wide = 0;
        if (::MultiByteToWideChar(kEntryCodePage, 0, &byte, 1, &wide, 1) != 1) continue;
        ::CharUpperBuffW(&wide, 1);
        // Only an exact 1252 capital replaces the byte: no best fit, no default character.
        char upper = 0;
        BOOL lost = FALSE;
        if (::WideCharToMultiByte(kEntryCodePage, WC_NO_BEST_FIT_CHARS, &wide, 1, &upper, 1,
                                  nullptr, &lost) == 1 &&
            !lost) {
            byte = upper;
        }
    }
    return text;
}

}  // namespace pd
