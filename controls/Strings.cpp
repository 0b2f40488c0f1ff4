#include "controls/Strings.h"
#include "win32/TextMode.h"

namespace pd {

HINSTANCE ResourceModule() { return ::GetModuleHandle(nullptr); }

tstring LoadResString(UINT id) {
    // With a zero buffer size the call hands out a pointer into the resource itself, so no
    // length limit applies to the text.
    const TCHAR* text = nullptr;
    const int length = ::LoadString(ResourceModule(), id, reinterpret_cast<LPTSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return {};
    return tstring(text, static_cast<std::size_t>(length));
}

tstring ReplaceExtension(const tstring& path, const tstring& extension) {
    const std::size_t nameStart = path.find_last_of(TEXT("\\/:"));
    const std::size_t dot = path.rfind(TEXT('.'));
    const bool hasExtension =
        dot != tstring::npos && (nameStart == tstring::npos || dot > nameStart);
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

}  // namespace pd
