#include "win32/Win32Os.h"

#include <windows.h>

#include "win32/GuardedRead.h"
#include "win32/StackKeepingCall.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

#if !defined(__i386__)
// The one calling convention of 64-bit Windows.
using IntEntryPoint = int (*)(int);
using BufferEntryPoint = int (*)(void*, int);
#endif

}  // namespace

FileHandle Win32Os::OpenFile(const std::string& path, std::uint32_t desiredAccess,
                             std::uint32_t shareMode, std::uint32_t creationDisposition,
                             std::uint32_t flagsAndAttributes) {
    const tstring wide = TextFromUtf8(path);
    HANDLE handle = CreateFile(wide.c_str(), desiredAccess, shareMode, nullptr, creationDisposition,
                               flagsAndAttributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        const DWORD error = GetLastError();
        // A folder refuses to be opened as a file with "access denied"; say what it is.
        const DWORD found = GetFileAttributes(wide.c_str());
        if (error == ERROR_ACCESS_DENIED && found != INVALID_FILE_ATTRIBUTES &&
            (found & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            Failed(FileError::IsFolder);
        } else {
            Failed(error);
        }
        return kNoFile;
    }
    return reinterpret_cast<FileHandle>(handle);
}

bool Win32Os::ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) {
    DWORD moved = 0;
    const BOOL ok = ::ReadFile(ToHandle(file), buffer, count, &moved, nullptr);
    *done = moved;
    return ok != FALSE || Failed(GetLastError());
}

bool Win32Os::WriteFile(FileHandle file, const void* data, std::uint32_t count,
                        std::uint32_t* done) {
    DWORD moved = 0;
    const BOOL ok = ::WriteFile(ToHandle(file), data, count, &moved, nullptr);
    *done = moved;
    return ok != FALSE || Failed(GetLastError());
}

void Win32Os::CloseFile(FileHandle file) { CloseHandle(ToHandle(file)); }

bool Win32Os::GetFileSize(FileHandle file, std::uint64_t* size) {
    // The call every Windows has: the high half comes separately, and a low half of all ones
    // is a failure only when the system says so.
    DWORD high = 0;
    ::SetLastError(NO_ERROR);
    const DWORD low = ::GetFileSize(ToHandle(file), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return false;
    *size = (std::uint64_t{high} << 32) | low;
    return true;
}

bool Win32Os::GetCommTimeouts(FileHandle file, CommTimeouts* timeouts) {
    COMMTIMEOUTS value{};
    if (!::GetCommTimeouts(ToHandle(file), &value)) return false;
    *timeouts = CommTimeouts{value.ReadIntervalTimeout, value.ReadTotalTimeoutMultiplier,
                             value.ReadTotalTimeoutConstant, value.WriteTotalTimeoutMultiplier,
                             value.WriteTotalTimeoutConstant};
    return true;
}

bool Win32Os::SetCommTimeouts(FileHandle file, const CommTimeouts& timeouts) {
    COMMTIMEOUTS value{timeouts.readIntervalTimeout, timeouts.readTotalTimeoutMultiplier,
                       timeouts.readTotalTimeoutConstant, timeouts.writeTotalTimeoutMultiplier,
                       timeouts.writeTotalTimeoutConstant};
    return ::SetCommTimeouts(ToHandle(file), &value) != FALSE;
}

bool Win32Os::DeviceControl(FileHandle file, std::uint32_t code, const void* input,
                            std::uint32_t inputSize) {
    DWORD returned = 0;
    return DeviceIoControl(ToHandle(file), code, const_cast<void*>(input), inputSize, nullptr, 0,
                           &returned, nullptr) != FALSE;
}

LibraryHandle Win32Os::LoadLibraryByName(const std::string& name) {
    return reinterpret_cast<LibraryHandle>(::LoadLibrary(TextFromUtf8(name).c_str()));
}

ProcAddress Win32Os::FindEntryPoint(LibraryHandle library, const char* name) {
    return reinterpret_cast<ProcAddress>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void Win32Os::FreeLibrary(LibraryHandle library) {
    ::FreeLibrary(reinterpret_cast<HMODULE>(library));
}

int Win32Os::CallEntryPoint(ProcAddress proc, int argument) {
#if defined(__i386__)
    return pdCallKeepingStack(proc, static_cast<std::uint32_t>(argument), 0, 1);
#else
    return reinterpret_cast<IntEntryPoint>(proc)(argument);
#endif
}

int Win32Os::CallEntryPoint(ProcAddress proc, void* buffer, int count) {
#if defined(__i386__)
    return pdCallKeepingStack(proc, reinterpret_cast<std::uintptr_t>(buffer),
                              static_cast<std::uint32_t>(count), 2);
#else
    return reinterpret_cast<BufferEntryPoint>(proc)(buffer, count);
#endif
}

bool Win32Os::GetVersion(OsVersion* version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // the 148-byte block
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    *version =
        OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
    return true;
}

std::uint32_t Win32Os::TickCount() { return GetTickCount(); }

void Win32Os::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

// The port registers are reachable from user code on Windows 95, 98 and ME only. The direct
// route touches them once the BIOS word has named a port, which it can read only there (see
// BiosWord); a 64-bit build never gets there.
std::uint8_t Win32Os::PortIn(std::uint16_t port) {
#if defined(__i386__)
    std::uint8_t value;
    __asm__ __volatile__("inb %1, %0" : "=a"(value) : "Nd"(port));
    return value;
#else
    (void)port;
    return 0xFF;
#endif
}

void Win32Os::PortOut(std::uint16_t port, std::uint8_t value) {
#if defined(__i386__)
    __asm__ __volatile__("outb %0, %1" : : "a"(value), "Nd"(port));
#else
    (void)port;
    (void)value;
#endif
}

std::uint16_t Win32Os::BiosWord(std::uint32_t physicalAddress) {
#if defined(__i386__)
    // Windows 95, 98 and ME map the first megabyte of physical memory at the same linear
    // addresses. Elsewhere the word cannot be read, and that is as good as a BIOS that names no
    // port: the route then touches no port register.
    std::uint16_t word = 0;
    return pdReadWordGuarded(physicalAddress, &word) ? word : 0;
#else
    (void)physicalAddress;
    return 0;
#endif
}

void Win32Os::DebugOutput(const std::string& text) { OutputDebugStringA(text.c_str()); }

}  // namespace pd
