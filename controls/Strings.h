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

// `path` with its extension (the part after the last dot of the file name) replaced by
// `extension`, which includes its dot; appended when the file name has no extension.
tstring ReplaceExtension(const tstring& path, const tstring& extension);

}  // namespace pd
