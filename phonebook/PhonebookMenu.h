// The File menu's phonebook commands follow the active page: the phonebook page turns them on
// when it becomes active and off when another page replaces it. The menu is its owner's, so
// the page only tells the window that holds it, which enables or grays what it has.
#pragma once

#include <windows.h>

namespace pd {

// Sent to the top-level window that holds the phonebook page: wParam is nonzero to enable the
// File menu's four phonebook commands (open and save a .PBF file, import from and export to a
// CSV or vCard file) and zero to gray them. A window with no such commands ignores it.
inline constexpr UINT kEnablePhonebookMenu = WM_APP + 0x50;

// Tells the top-level window that holds `window`, at whatever depth, to enable (or gray) its
// phonebook commands. No window: nothing to do.
void EnablePhonebookMenu(HWND window, bool enable);

}  // namespace pd
