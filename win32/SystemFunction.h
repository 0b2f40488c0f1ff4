// A system function newer than the oldest Windows the programs start on is never imported:
// Windows refuses to start a program that imports a function it lacks. It is looked up where
// the program runs instead, and the caller does without it where the lookup finds nothing.
#pragma once

#include <windows.h>

namespace pd {

// `name` from `module`, which must be a system library the program imports (and so has
// loaded); null where this Windows lacks the function.
template <typename Function>
Function FindSystemFunction(const TCHAR* module, const char* name) {
    const HMODULE library = ::GetModuleHandle(module);
    if (library == nullptr) return nullptr;
    // Through the type-erased function pointer, which converts to any other.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

}  // namespace pd
