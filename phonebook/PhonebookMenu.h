// The File menu's phonebook commands follow the active page: the phonebook page turns them on
// when it becomes active and off when another page replaces it.
#pragma once

#include <windows.h>

namespace pd {

// Enables (or grays) the File menu's four phonebook commands (open and save a .PBF file,
// import from and export to a CSV or vCard file) in the menu of the main window that holds
// `window`.
void EnablePhonebookMenu(HWND window, bool enable);

}  // namespace pd
