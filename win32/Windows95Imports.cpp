// Wide-character calls that the compiler's own libraries make, which Windows 95, 98 and ME
// export only as stubs that fail: the thread support creates its semaphores with
// CreateSemaphoreW; the C library's rand_s (which the C++ library's random_device links in)
// and its code page of the current locale (which the wide conversions use) find msvcrt.dll
// and advapi32.dll with GetModuleHandleW and LoadLibraryW. This file supplies those three
// entry points (two as the import pointers the libraries call through), made of calls those
// systems have. Linked into the ANSI panel only.
#include <windows.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/SystemFunction.h"

namespace {

HANDLE WINAPI CreateSemaphoreThroughAnsi(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                         LPCWSTR name) {
    if (name == nullptr) return ::CreateSemaphoreA(security, initial, maximum, nullptr);
    const int length = ::WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, name, -1, narrow.data(), length, nullptr, nullptr);
    return ::CreateSemaphoreA(security, initial, maximum, narrow.c_str());
}

// The system's random source where it has one (advapi32's RtlGenRandom, from Windows XP);
// without it the caller learns that there is none, as the C library's own says.
int __cdecl RandomFromSystem(unsigned int* value) {
    if (value == nullptr) return EINVAL;
    const auto generate = pd::Advapi32().SystemFunction036;
    if (generate == nullptr || !generate(value, sizeof *value)) return EINVAL;
    return 0;
}

// The code page of the C library's current locale: msvcrt.dll's own answer where it has the
// call (6.0 on), else the number after the dot of the locale's name ("Finnish_Finland.1252"),
// else 0, the "C" locale's.
unsigned int __cdecl LocaleCodePage() {
    const auto own = pd::Msvcrt().___lc_codepage_func;
    if (own != nullptr) return own();
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    const char* dot = name == nullptr ? nullptr : std::strchr(name, '.');
    return dot == nullptr ? 0 : static_cast<unsigned int>(std::atoi(dot + 1));
}

}  // namespace

extern "C" {
#if defined(__i386__)
unsigned int __cdecl pdLocaleCodePage() __asm__("____lc_codepage_func");
#else
unsigned int __cdecl pdLocaleCodePage() __asm__("___lc_codepage_func");
#endif
unsigned int __cdecl pdLocaleCodePage() { return LocaleCodePage(); }

#if defined(__i386__)
HANDLE(WINAPI* pdCreateSemaphoreWImport)
(LPSECURITY_ATTRIBUTES, LONG, LONG,
 LPCWSTR) __asm__("__imp__CreateSemaphoreW@16") = CreateSemaphoreThroughAnsi;
int(__cdecl* pdRandSImport)(unsigned int*) __asm__("__imp__rand_s") = RandomFromSystem;
#else
HANDLE(WINAPI* pdCreateSemaphoreWImport)
(LPSECURITY_ATTRIBUTES, LONG, LONG,
 LPCWSTR) __asm__("__imp_CreateSemaphoreW") = CreateSemaphoreThroughAnsi;
int(__cdecl* pdRandSImport)(unsigned int*) __asm__("__imp_rand_s") = RandomFromSystem;
#endif
}
