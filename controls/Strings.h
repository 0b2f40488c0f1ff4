// Texts and other resources of the program's own module.
#pragma once

#include <windows.h>

#include <string>

#include "win32/TextMode.h"

namespace pd {

// The module that holds the dialog templates, strings, icons and pictures: the program
// itself (the Win32 tests carry the same resources).
HINSTANCE ResourceModule();

// A string-table entry; empty when the id is not in the table.
tstring LoadResString(UINT id);

}  // namespace pd
