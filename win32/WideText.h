// Texts and paths between the portable core's UTF-8 and the wide Win32 calls.
#pragma once

#include <string>

namespace pd {

// UTF-8 to UTF-16 and back, for paths crossing the seam.
std::wstring WidenUtf8(const std::string& text);
std::string NarrowToUtf8(const std::wstring& text);

// The full path of the running program.
std::wstring ModulePath();

}  // namespace pd
