// Texts and other resources of the program's own module.
#pragma once

#include <windows.h>

#include <string>

namespace pd {

// The module that holds the dialog templates, strings, icons and pictures: the program
// itself (the Win32 tests carry the same resources).
HINSTANCE ResourceModule();

// A string-table entry; empty when the id is not in the table.
std::wstring LoadResString(UINT id);

// `path` with its extension (the part after the last dot of the file name) replaced by
// `extension`, which includes its dot; appended when the file name has no extension.
std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension);

}  // namespace pd
