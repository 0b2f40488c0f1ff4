// A system function newer than the oldest Windows the programs start on is never imported:
// Windows refuses to start a program that imports a function it lacks. It is looked up where
// the program runs instead, and the caller does without it where the lookup finds nothing.
//
// Every function the programs look up is in the table below, by the library that exports it,
// typed as the system declares it. A library's functions are looked up together, once a
// process, when the first of them is wanted; callers test the pointer. The import audit
// (tests/floors/import-audit) reads the names from the PD_LOOK_UP lines here and fails a
// program that imports one of them.
#pragma once

#include <windows.h>
#include <clocale>
#include <ntsecapi.h>
#include <objbase.h>
#include <wincrypt.h>

#include <string>

// The name a library exports for a declared function: the mode's own where the system
// declares a wide and an ANSI one ("ReplaceFileW" in the wide program, "ReplaceFileA" in the
// ANSI one), else the name itself.
#define PD_EXPORTED_NAME(function) PD_EXPORTED_NAME_TEXT(function)
#define PD_EXPORTED_NAME_TEXT(function) #function

// One entry of a library's table, looked up in `module` under its exported name; the
// declaration gives the pointer its type, so a name cannot be looked up as another's.
#define PD_LOOK_UP(table, module, function) \
    ((table).function =                     \
         ::pd::FindSystemFunction<decltype(&::function)>(module, PD_EXPORTED_NAME(function)))

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

// `name` from `module` (null where the library is not there); null where this Windows lacks
// the function.
template <typename Function>
Function FindSystemFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through the type-erased function pointer, which converts to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// kernel32, which every process has loaded.
struct Kernel32Functions {
    decltype(&::ReplaceFile) ReplaceFile = nullptr;          // Windows 2000
    decltype(&::SetDllDirectory) SetDllDirectory = nullptr;  // Windows XP SP1
    // Windows NT's: Windows 95, 98 and ME export them as stubs that fail.
    decltype(&::MoveFileEx) MoveFileEx = nullptr;
    decltype(&::LockFileEx) LockFileEx = nullptr;
};

inline const Kernel32Functions& Kernel32() {
    static const Kernel32Functions table = [] {
        const HMODULE kernel32 = ::GetModuleHandle(TEXT("kernel32.dll"));
        Kernel32Functions found;
        PD_LOOK_UP(found, kernel32, ReplaceFile);
        PD_LOOK_UP(found, kernel32, SetDllDirectory);
        PD_LOOK_UP(found, kernel32, MoveFileEx);
        PD_LOOK_UP(found, kernel32, LockFileEx);
        return found;
    }();
    return table;
}

// user32, which every program with a window imports.
struct User32Functions {
    decltype(&::DisableProcessWindowsGhosting) DisableProcessWindowsGhosting = nullptr;  // XP
};

inline const User32Functions& User32() {
    static const User32Functions table = [] {
        const HMODULE user32 = ::GetModuleHandle(TEXT("user32.dll"));
        User32Functions found;
        PD_LOOK_UP(found, user32, DisableProcessWindowsGhosting);
        return found;
    }();
    return table;
}

// advapi32, which nothing imports: loaded from the system's folder when the first of these is
// wanted, and kept for the life of the process.
struct Advapi32Functions {
    // Windows NT's: Windows 95, 98 and ME export them as stubs that fail.
    decltype(&::GetFileSecurity) GetFileSecurity = nullptr;
    decltype(&::SetFileSecurity) SetFileSecurity = nullptr;
    // The CryptoAPI's random source: NT 4.0 and later, not every Windows 95.
    decltype(&::CryptAcquireContext) CryptAcquireContext = nullptr;
    decltype(&::CryptGenRandom) CryptGenRandom = nullptr;
    // RtlGenRandom, the system's random source from Windows XP on.
    decltype(&::SystemFunction036) SystemFunction036 = nullptr;
};

inline const Advapi32Functions& Advapi32() {
    static const Advapi32Functions table = [] {
        LoadSystemLibrary(TEXT("advapi32.dll"));
        const HMODULE advapi32 = ::GetModuleHandle(TEXT("advapi32.dll"));
        Advapi32Functions found;
        PD_LOOK_UP(found, advapi32, GetFileSecurity);
        PD_LOOK_UP(found, advapi32, SetFileSecurity);
        PD_LOOK_UP(found, advapi32, CryptAcquireContext);
        PD_LOOK_UP(found, advapi32, CryptGenRandom);
        PD_LOOK_UP(found, advapi32, SystemFunction036);
        return found;
    }();
    return table;
}

// ole32 (COM), which nothing imports: loaded from the system's folder only where a document is
// opened, and kept for the life of the process.
struct Ole32Functions {
    decltype(&::CoInitialize) CoInitialize = nullptr;
    decltype(&::CoUninitialize) CoUninitialize = nullptr;
};

inline const Ole32Functions& Ole32() {
    static const Ole32Functions table = [] {
        LoadSystemLibrary(TEXT("ole32.dll"));
        const HMODULE ole32 = ::GetModuleHandle(TEXT("ole32.dll"));
        Ole32Functions found;
        PD_LOOK_UP(found, ole32, CoInitialize);
        PD_LOOK_UP(found, ole32, CoUninitialize);
        return found;
    }();
    return table;
}

// msvcrt, the C library every program imports; the version of Windows 95 and NT 4.0 lacks this.
struct MsvcrtFunctions {
    decltype(&::___lc_codepage_func) ___lc_codepage_func = nullptr;  // the locale's code page
};

inline const MsvcrtFunctions& Msvcrt() {
    static const MsvcrtFunctions table = [] {
        const HMODULE msvcrt = ::GetModuleHandle(TEXT("msvcrt.dll"));
        MsvcrtFunctions found;
        PD_LOOK_UP(found, msvcrt, ___lc_codepage_func);
        return found;
    }();
    return table;
}

}  // namespace pd
