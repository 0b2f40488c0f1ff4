#include "controls/Strings.h"

namespace pd {

HINSTANCE ResourceModule() { return ::GetModuleHandleW(nullptr); }

std::wstring LoadResString(UINT id) {
    // With a zero buffer size the call hands out a pointer into the resource itself, so no
    // length limit applies to the text.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension) {
    const std::size_t nameStart = path.find_last_of(L"\\/:");
    const std::size_t dot = path.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (nameStart == std::wstring::npos || dot > nameStart);
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

}  // namespace pd
