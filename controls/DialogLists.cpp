#include "controls/DialogLists.h"

#include <cwchar>
#include <string>

#include "controls/Strings.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

UINT AddMessageFor(HWND control) {
    TCHAR className[32] = {};
    ::GetClassName(control, className, 32);
    if (_tcsicmp(className, TEXT("ComboBox")) == 0) return CB_ADDSTRING;
    if (_tcsicmp(className, TEXT("ListBox")) == 0) return LB_ADDSTRING;
    return 0;
}

}  // namespace

int LoadDialogLists(HWND dialog, int templateId) {
    HINSTANCE module = ResourceModule();
    HRSRC found =
        ::FindResource(module, MAKEINTRESOURCE(templateId), MAKEINTRESOURCE(RT_DIALOG_LISTS));
    if (found == nullptr) return 0;
    HGLOBAL loaded = ::LoadResource(module, found);
    const auto* words = static_cast<const WORD*>(::LockResource(loaded));
    const std::size_t count = ::SizeofResource(module, found) / sizeof(WORD);
    if (words == nullptr) return 0;

    int lists = 0;
    std::size_t at = 0;
    while (at < count && words[at] != 0) {
        const int id = words[at++];
        HWND control = ::GetDlgItem(dialog, id);
        const UINT add = control ? AddMessageFor(control) : 0;
        for (;;) {
            std::size_t end = at;
            while (end < count && words[end] != 0) ++end;
            if (end >= count) return lists;  // an item without its terminator
            if (end == at) {
                ++at;  // the empty string that closes this list
                break;
            }
            // Resources hold UTF-16 whatever the program's character mode.
            const tstring item = TextFromWide(
                std::wstring_view(reinterpret_cast<const wchar_t*>(words + at), end - at));
            if (add != 0) ::SendMessage(control, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
            at = end + 1;
        }
        if (add != 0) ++lists;
    }
    return lists;
}

}  // namespace pd
