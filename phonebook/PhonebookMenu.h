// The File menu's phonebook commands follow the active page: the phonebook page turns them on
// when it becomes active and off when another page replaces it.
#pragma once

#include <windows.h>

namespace pd {

// Enables (or grays) the open and save phonebook commands in the menu of the main window
// that holds `window`.
void EnablePhonebookMenu(HWND window, bool enable);

}  // namespace pd
