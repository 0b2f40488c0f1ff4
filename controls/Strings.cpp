#include "controls/Strings.h"

#include <algorithm>
#include <string_view>

#include "win32/TextMode.h"

namespace pd {

HINSTANCE ResourceModule() { return ::GetModuleHandle(nullptr); }

tstring LoadResString(UINT id) {
    // Read from the string table itself, so that no buffer limits a text's length: blocks of
    // 16 texts, each UTF-16 after its length in units whatever the program's character mode.
    // (LoadString hands out such a pointer only in its wide form, which Windows 95 lacks.)
    constexpr UINT kTextsPerBlock = 16;
    const HINSTANCE module = ResourceModule();
    const HRSRC found = ::FindResource(module, MAKEINTRESOURCE(id / kTextsPerBlock + 1), RT_STRING);
    if (found == nullptr) return {};
    const auto* words = static_cast<const WORD*>(::LockResource(::LoadResource(module, found)));
    const std::size_t count = ::SizeofResource(module, found) / sizeof(WORD);
    if (words == nullptr) return {};
    std::size_t at = 0;
    for (UINT skipped = 0; skipped < id % kTextsPerBlock && at < count; ++skipped) {
        at += 1 + words[at];
    }
    if (at >= count) return {};
    const std::size_t length = std::min<std::size_t>(words[at], count - at - 1);
    return TextFromWide(
        std::wstring_view(reinterpret_cast<const wchar_t*>(words + at + 1), length));
}

}  // namespace pd
