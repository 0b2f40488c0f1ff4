// The one seam between PanelDesk's portable core and the operating system.
//
// Every primitive the device logic needs is here, in the words of the domain and with the
// flag values of the Win32 calls they stand for, so that Win32Os maps each one 1:1 onto the
// real call and FakeOs can route the same calls into the virtual device and a virtual clock.
// Nothing in this header may depend on <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pd {

// Opaque handles. 0 is "none" for every kind; Win32Os translates INVALID_HANDLE_VALUE.
using FileHandle = std::uintptr_t;
using LibraryHandle = std::uintptr_t;
using ProcAddress = std::uintptr_t;
inline constexpr FileHandle kNoFile = 0;
inline constexpr LibraryHandle kNoLibrary = 0;
inline constexpr ProcAddress kNoProc = 0;

// Access, share, disposition and attribute values of the Win32 file-open call.
namespace access {
inline constexpr std::uint32_t kRead = 0x80000000u;   // GENERIC_READ
inline constexpr std::uint32_t kWrite = 0x40000000u;  // GENERIC_WRITE
}  // namespace access
namespace share {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kRead = 0x1;   // FILE_SHARE_READ
inline constexpr std::uint32_t kWrite = 0x2;  // FILE_SHARE_WRITE
}  // namespace share
namespace disposition {
inline constexpr std::uint32_t kCreateNew = 1;     // CREATE_NEW: never an existing file or link
inline constexpr std::uint32_t kCreateAlways = 2;  // CREATE_ALWAYS
inline constexpr std::uint32_t kOpenExisting = 3;  // OPEN_EXISTING
inline constexpr std::uint32_t kOpenAlways = 4;    // OPEN_ALWAYS: created when missing, kept
}  // namespace disposition
namespace attributes {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kNormal = 0x80;  // FILE_ATTRIBUTE_NORMAL
}  // namespace attributes

// The comm time-out block of a port file, field for field.
struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 0;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;
};

// What the version query reports (the fields of the 148-byte version-information block
// that the link family depends on).
struct OsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;  // 1 = Windows 95/98/ME, 2 = NT
};
inline constexpr std::uint32_t kPlatformWin9x = 1;
inline constexpr std::uint32_t kPlatformNt = 2;

// Why a file call failed (DescribeFileError in platform/FileReplace.h says it in words).
enum class FileError : std::uint8_t {
    None,
    NotFound,      // no such file, or a folder on its way does not exist
    AccessDenied,  // the system's permissions refuse it
    IsFolder,
    DiskFull,
    TooLarge,      // more than the file system (or the reader) takes
    Exists,        // an exclusive creation met a file that is already there
    NotPlainFile,  // a device, pipe or other special file
    IsLink,        // a symbolic link (or another reparse point)
    LinkLoop,      // symbolic links that lead round in a circle
    ReadOnly,      // a file marked read-only
    InUse,         // opened or locked by another program
    NameTooLong,   // a name (or the whole path) longer than the file system takes
    BadName,       // a name the file system does not take (a character it refuses, or not 8.3)
    DeviceName,    // a name the system keeps for a device (Windows: NUL, COM1, LPT1, ...)
    Other,
};

class Os {
public:
    virtual ~Os() = default;

    // Files and devices. Paths are UTF-8. OpenFile returns kNoFile on failure.
    virtual FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                                std::uint32_t shareMode, std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes) = 0;
    // Read/Write return the call's success; the count moved goes to *done either way.
    virtual bool ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                          std::uint32_t* done) = 0;
    virtual bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                           std::uint32_t* done) = 0;
    virtual void CloseFile(FileHandle file) = 0;
    virtual bool GetFileSize(FileHandle file, std::uint64_t* size) = 0;
    virtual bool GetCommTimeouts(FileHandle file, CommTimeouts* timeouts) = 0;
    virtual bool SetCommTimeouts(FileHandle file, const CommTimeouts& timeouts) = 0;
    // A device control with an input buffer and no output buffer.
    virtual bool DeviceControl(FileHandle file, std::uint32_t code, const void* input,
                               std::uint32_t inputSize) = 0;
    // True when `path` names no file, or a plain file that this program may write and
    // replace; false, with LastFileError saying why, for a folder, a link, a device, a
    // read-only file or one the system's permissions keep.
    virtual bool CanReplace(const std::string& path) = 0;
    // Puts the finished file `source` in the place of `target` (both in one folder): flushed
    // to the disk first, with the target's attributes, permissions and owner where the system
    // allows, and only where CanReplace(target) holds. On failure `target` is as it was.
    virtual bool ReplaceFileWith(const std::string& source, const std::string& target) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Takes this process's exclusive lock on an open file, waiting while another process holds
    // it when `wait`, else failing with InUse. The lock goes with the handle.
    virtual bool LockFile(FileHandle file, bool wait) = 0;
    // Why the last file call that failed on this seam failed.
    virtual FileError LastFileError() = 0;
    // How many leading characters of `path` name its folder, the last separator included (0
    // for a name in the current folder), as this system reads paths.
    virtual std::size_t FolderLength(const std::string& path) = 0;
    // The names of the files and folders in `folder` (a folder part as FolderLength gives it,
    // "" for the current folder), "." and ".." left out; false when it cannot be listed.
    virtual bool ListFolder(const std::string& folder, std::vector<std::string>* names) = 0;
    // True when the system keeps the name of `path` for a device, so that a file call on it
    // would reach the device instead of a file (on Windows NUL, CON, COM1, LPT1 and the like,
    // with any extension, and \\.\ paths).
    virtual bool IsDeviceName(const std::string& path) = 0;
    // A save's fresh file, made by this program and not yet in its target's place: if the
    // program is interrupted (Ctrl+C, SIGINT, SIGTERM) while it is watched, it is removed on
    // the way out. `watch` false once it has taken its target's place or is gone.
    virtual void WatchFreshFile(const std::string& path, bool watch) = 0;
    // Bytes that nobody can predict, for names that must not be guessed.
    virtual bool RandomBytes(void* buffer, std::uint32_t count) = 0;

    // Run-time libraries, loaded by name from the standard search path.
    virtual LibraryHandle LoadLibraryByName(const std::string& name) = 0;
    virtual ProcAddress FindEntryPoint(LibraryHandle library, const char* name) = 0;
    virtual void FreeLibrary(LibraryHandle library) = 0;
    // The two shapes of the maker's entry points: int f(int) (PortAcquire, PortRelease) and
    // int f(buffer, int) (GetControlPortName, Win2kUsbWrite, Win2kUsbRead). Their calling
    // convention is unknown; either one must return to the caller intact.
    virtual int CallEntryPoint(ProcAddress proc, int argument) = 0;
    virtual int CallEntryPoint(ProcAddress proc, void* buffer, int count) = 0;

    // The version query; false when the system does not answer it.
    virtual bool GetVersion(OsVersion* version) = 0;

    // The 32-bit millisecond tick counter (wraps after 49.7 days) and a thread sleep.
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Parallel-port registers and the BIOS data area (reachable on Windows 95 only).
    virtual std::uint8_t PortIn(std::uint16_t port) = 0;
    virtual void PortOut(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint16_t BiosWord(std::uint32_t physicalAddress) = 0;

    // A line for the system debugger output.
    virtual void DebugOutput(const std::string& text) = 0;
};

}  // namespace pd
