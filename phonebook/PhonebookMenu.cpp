#include "phonebook/PhonebookMenu.h"

namespace pd {

void EnablePhonebookMenu(HWND window, bool enable) {
    // The menu belongs to the top-level window the page sits in, whatever the depth.
    HWND main = window;
    while (main != nullptr && (::GetWindowLong(main, GWL_STYLE) & WS_CHILD) != 0) {
        main = ::GetParent(main);
    }
    if (main == nullptr) return;
    ::SendMessage(main, kEnablePhonebookMenu, enable ? TRUE : FALSE, 0);
}

}  // namespace pd
