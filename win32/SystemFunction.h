// A system function newer than the oldest Windows the programs start on is never imported:
// Windows refuses to start a program that imports a function it lacks. It is looked up where
// the program runs instead, and the caller does without it where the lookup finds nothing.
#pragma once

#include <windows.h>

#include <string>

namespace pd {

// A library of the system, loaded from the system's own folder and never from the program's
// or the current one; null where this Windows lacks it.
inline HMODULE LoadSystemLibrary(const TCHAR* name) {
    TCHAR folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectory(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::basic_string<TCHAR> path =
        std::basic_string<TCHAR>(folder, length) + TEXT("\\") + name;
    return ::LoadLibrary(path.c_str());
}

// `name` from `module`, which must be a system library the program imports or has loaded with
// LoadSystemLibrary; null where this Windows lacks the function.
template <typename Function>
Function FindSystemFunction(const TCHAR* module, const char* name) {
    const HMODULE library = ::GetModuleHandle(module);
    if (library == nullptr) return nullptr;
    // Through the type-erased function pointer, which converts to any other.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace pd
