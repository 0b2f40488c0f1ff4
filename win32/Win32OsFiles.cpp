// Win32Os's part in saving files safely: which files may be replaced, the replace itself
// (ReplaceFile where the system has it, a rename that keeps the attributes and the access
// list on Windows NT 4.0, renames through a backup on Windows 95, 98 and ME), locks, the
// reasons of failures, the random source for names, folders listed, and fresh files removed
// when a console program is interrupted.
#include <windows.h>

#include <vector>

#include "platform/FileReplace.h"
#include "platform/WindowsPaths.h"
#include "win32/Handles.h"
#include "win32/SystemFunction.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd {

namespace {

constexpr DWORD kReplaceIgnoreMergeErrors = 0x2;   // REPLACEFILE_IGNORE_MERGE_ERRORS
constexpr DWORD kUnableToMoveReplacement2 = 1177;  // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2

// How long a waiting lock sleeps between tries where only the plain LockFile is there.
constexpr DWORD kLockRetryMs = 50;

// The name ending of the old file while it steps aside for the new one.
constexpr const char* kBackupSuffix = ".old";
// How often, and how long apart, the old file is tried back into its place when the new one
// could not take it (a scanner that holds the name for a moment lets go soon).
constexpr int kPutBackTries = 3;
constexpr DWORD kPutBackPauseMs = 100;
// How long an interrupt waits for a fresh file that is still being written to be let go.
constexpr int kInterruptRemoveTries = 100;
constexpr DWORD kInterruptRemovePauseMs = 20;
constexpr DWORD kTooManyLinks = 1921;  // ERROR_CANT_RESOLVE_FILENAME

// Attributes a replacing file takes over from the one it replaces on the NT 4.0 way.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

FileError Classify(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return FileError::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return FileError::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_PIPE_BUSY:
            return FileError::InUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileError::DiskFull;
        case ERROR_FILE_TOO_LARGE:
            return FileError::TooLarge;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return FileError::Exists;
        case ERROR_FILENAME_EXCED_RANGE:
            return FileError::NameTooLong;
        case ERROR_INVALID_NAME:
            return FileError::BadName;
        case kTooManyLinks:
            return FileError::LinkLoop;
        default:
            return FileError::Other;
    }
}

// The fresh files being watched, for the console's interrupt, which comes on a thread of its
// own: a list under a lock that every Windows has (a critical section would need setting up
// before the first use, and there is no first use to hang that on).
std::vector<tstring>& WatchedFresh() {
    static std::vector<tstring> watched;
    return watched;
}
LONG watchedBusy = 0;

class WatchedLock {
public:
    WatchedLock() {
        while (InterlockedExchange(&watchedBusy, 1) != 0) ::Sleep(0);
    }
    ~WatchedLock() { InterlockedExchange(&watchedBusy, 0); }
    WatchedLock(const WatchedLock&) = delete;
    WatchedLock& operator=(const WatchedLock&) = delete;
};

// Ctrl+C, Ctrl+Break or a closed console: the fresh files go, once their writer has let go of
// them (a file open for writing cannot be removed), and then the program ends as it would have.
BOOL WINAPI RemoveFreshFilesAndEnd(DWORD) {
    Win32Os::RemoveWatchedFreshFiles();
    return FALSE;
}

bool Exists(const tstring& path) {
    return GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What a finished file holds goes to the disk before it takes the old file's place.
bool Flush(const tstring& path) {
    OwnedHandle file(CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

}  // namespace

void Win32Os::LookUpOnce() {
    if (lookedUp_) return;
    lookedUp_ = true;
    windowsNt_ = (::GetVersion() & 0x80000000u) == 0;  // the high bit marks 95, 98 and ME
    kernel32_ = Kernel32();
    advapi32_ = Advapi32();
    if (!windowsNt_) DropNtOnlyFunctions();
    // The random source's provider is kept for the life of the process.
    HCRYPTPROV provider = 0;
    if (advapi32_.CryptAcquireContext && advapi32_.CryptGenRandom &&
        advapi32_.CryptAcquireContext(&provider, nullptr, nullptr, PROV_RSA_FULL,
                                      CRYPT_VERIFYCONTEXT)) {
        randomProvider_ = provider;
    }
}

void Win32Os::SaveAsOnWindows9x() {
    LookUpOnce();
    windowsNt_ = false;
    kernel32_.ReplaceFile = nullptr;
    DropNtOnlyFunctions();
}

// Windows 95, 98 and ME export these as stubs that fail; the ways without them are taken
// from the start.
void Win32Os::DropNtOnlyFunctions() {
    kernel32_.MoveFileEx = nullptr;
    kernel32_.LockFileEx = nullptr;
    advapi32_.GetFileSecurity = nullptr;
    advapi32_.SetFileSecurity = nullptr;
}

bool Win32Os::Failed(unsigned long systemError) {
    lastFileError_ = Classify(systemError);
    return false;
}

bool Win32Os::Failed(FileError error) {
    lastFileError_ = error;
    return false;
}

// Windows 95, 98 and ME refuse a share mode with FILE_SHARE_DELETE.
DWORD Win32Os::AnyShare() {
    LookUpOnce();
    return FILE_SHARE_READ | FILE_SHARE_WRITE | (windowsNt_ ? FILE_SHARE_DELETE : 0);
}

// The old file's access list goes to the new one, so that a private file stays private
// (ReplaceFile does this itself). Volumes and systems without access lists have none to give.
void Win32Os::CopyAccessList(const tstring& from, const tstring& to) {
    LookUpOnce();
    const auto getSecurity = advapi32_.GetFileSecurity;
    const auto setSecurity = advapi32_.SetFileSecurity;
    if (getSecurity == nullptr || setSecurity == nullptr) return;
    DWORD needed = 0;
    getSecurity(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return;
    std::string descriptor(needed, '\0');
    if (getSecurity(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) {
        setSecurity(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
    }
}

// MoveFileEx where the system has it; MoveFile, which never replaces, where it has not.
bool Win32Os::Rename(const tstring& source, const tstring& target, DWORD flags) {
    LookUpOnce();
    if (const auto moveFileEx = kernel32_.MoveFileEx) {
        return moveFileEx(source.c_str(), target.c_str(), flags) != FALSE;
    }
    return (flags & MOVEFILE_REPLACE_EXISTING) == 0 &&
           ::MoveFile(source.c_str(), target.c_str()) != FALSE;
}

// A name for the old file `to` while the new one takes its place: an empty file made beside it
// under a name nobody can guess and left there, so that the name stays ours until the caller
// fills it or removes it.
bool Win32Os::MakeBackupName(const tstring& to, tstring* backup) {
    std::string backupName;
    FileError made = FileError::None;
    const FileHandle backupFile =
        CreateUnguessableFile(*this, Utf8FromText(to), kBackupSuffix, &backupName, &made);
    if (backupFile == kNoFile) return Failed(made);
    CloseFile(backupFile);
    *backup = TextFromUtf8(backupName);
    return true;
}

// Windows 95, 98 and ME rename nothing over an existing file: the old file steps aside to a
// backup name first and comes back if the new one cannot take its place, so that it is
// never lost.
bool Win32Os::ReplaceByRenames(const tstring& from, const tstring& to) {
    tstring backup;
    if (!MakeBackupName(to, &backup)) return false;
    // The name is ours now; the placeholder makes way for the old file.
    ::DeleteFile(backup.c_str());
    if (!::MoveFile(to.c_str(), backup.c_str())) return Failed(GetLastError());
    if (!::MoveFile(from.c_str(), to.c_str())) {
        const DWORD error = GetLastError();
        // Where the old file cannot go back now, it keeps its backup name, which the next
        // save of this file finds and puts back first.
        for (int attempt = 0; attempt < kPutBackTries; ++attempt) {
            if (attempt > 0) ::Sleep(kPutBackPauseMs);
            if (::MoveFile(backup.c_str(), to.c_str())) break;
        }
        return Failed(error);
    }
    ::DeleteFile(backup.c_str());
    return true;
}

// An old file that an earlier save had to leave under its backup name, its own name being
// empty since: back into its place, so that this save replaces it as it would have replaced
// it then, and a failure now still leaves it there. Only a backup named for this file counts,
// and only when it is the one there.
void Win32Os::PutBackLeftBackup(const std::string& target) {
    const std::vector<std::string> left = LeftBehindFiles(*this, target, kBackupSuffix, false);
    if (left.size() != 1) return;
    Rename(TextFromUtf8(left.front()), TextFromUtf8(target), MOVEFILE_WRITE_THROUGH);
}

bool Win32Os::CanReplace(const std::string& path) {
    if (IsWindowsDeviceName(path)) return Failed(FileError::DeviceName);
    const tstring wide = TextFromUtf8(path);
    const DWORD found = GetFileAttributes(wide.c_str());
    if (found == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || Failed(error);  // nothing there yet is fine
    }
    if (found & FILE_ATTRIBUTE_DIRECTORY) return Failed(FileError::IsFolder);
    if (found & FILE_ATTRIBUTE_REPARSE_POINT) return Failed(FileError::IsLink);
    if (found & FILE_ATTRIBUTE_READONLY) return Failed(FileError::ReadOnly);
    // Device names ("NUL", "COM1", "\\.\...") have attributes too; their handle tells.
    OwnedHandle query(CreateFile(wide.c_str(), 0, AnyShare(), nullptr, OPEN_EXISTING, 0, nullptr));
    if (!query) return Failed(GetLastError());
    if (GetFileType(query.get()) != FILE_TYPE_DISK) return Failed(FileError::NotPlainFile);
    // The file's access list may refuse this program, or another program may hold it open.
    OwnedHandle writable(
        CreateFile(wide.c_str(), GENERIC_WRITE, AnyShare(), nullptr, OPEN_EXISTING, 0, nullptr));
    return writable || Failed(GetLastError());
}

bool Win32Os::ReplaceFileWith(const std::string& source, const std::string& target) {
    const tstring from = TextFromUtf8(source);
    const tstring to = TextFromUtf8(target);
    if (!CanReplace(target)) return false;
    if (!Flush(from)) return Failed(GetLastError());
    if (!Exists(to)) {
        // What is put back is judged as any target is.
        PutBackLeftBackup(target);
        if (Exists(to) && !CanReplace(target)) return false;
    }
    if (!Exists(to)) {
        // Without MOVEFILE_REPLACE_EXISTING: a file that appeared there meanwhile is kept.
        return Rename(from, to, MOVEFILE_WRITE_THROUGH) || Failed(GetLastError());
    }
    return ReplaceExisting(from, to);
}

bool Win32Os::ReplaceExisting(const tstring& from, const tstring& to) {
    // The new file takes the old one's attributes and access list first. ReplaceFile does
    // that itself on Windows, but not every system that offers it does.
    const DWORD attributes = GetFileAttributes(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKeptAttributes) != 0) {
        SetFileAttributes(from.c_str(), attributes & kKeptAttributes);
    }
    CopyAccessList(to, from);

    LookUpOnce();
    const auto replaceFile = replaceFileAllowed_ ? kernel32_.ReplaceFile : nullptr;
    if (replaceFile == nullptr && kernel32_.MoveFileEx == nullptr) {
        return ReplaceByRenames(from, to);
    }
    if (replaceFile == nullptr) {
        // Windows NT 4.0: one rename over the old file, which either happens whole or not at
        // all, so the old file is never lost. The owner, creation time and short name are the
        // new file's own.
        return Rename(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
               Failed(GetLastError());
    }

    // ReplaceFile also keeps the old file's owner, creation time and streams. Without a
    // backup name a replace that fails half way may leave the old file nowhere, so it gets
    // one: a file made here under a name nobody can guess, taken back on every way out.
    tstring backup;
    if (!MakeBackupName(to, &backup)) return false;

    if (replaceFile(to.c_str(), from.c_str(), backup.c_str(), kReplaceIgnoreMergeErrors, nullptr,
                    nullptr)) {
        DeleteFile(backup.c_str());
        return true;
    }
    const DWORD error = GetLastError();
    // The old file has become the backup and the new one could not take its place: put the
    // old one back.
    if (error == kUnableToMoveReplacement2 && !Exists(to)) {
        Rename(backup, to, MOVEFILE_WRITE_THROUGH);
    }
    if (Exists(to)) DeleteFile(backup.c_str());
    return Failed(error);
}

bool Win32Os::RemoveFile(const std::string& path) {
    return ::DeleteFile(TextFromUtf8(path).c_str()) != FALSE || Failed(GetLastError());
}

bool Win32Os::LockFile(FileHandle file, bool wait) {
    // The lock covers the first byte, which is all a lock file needs.
    const auto handle = reinterpret_cast<HANDLE>(file);
    LookUpOnce();
    if (const auto lockFileEx = kernel32_.LockFileEx) {
        OVERLAPPED from{};
        const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        return lockFileEx(handle, flags, 0, 1, 0, &from) || Failed(GetLastError());
    }
    // Windows 95, 98 and ME: the plain lock never waits, so a waiting lock tries again.
    while (!::LockFile(handle, 0, 0, 1, 0)) {
        const DWORD error = GetLastError();
        if (!wait || error != ERROR_LOCK_VIOLATION) return Failed(error);
        ::Sleep(kLockRetryMs);
    }
    return true;
}

std::size_t Win32Os::FolderLength(const std::string& path) { return WindowsFolderLength(path); }

bool Win32Os::ListFolder(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    WIN32_FIND_DATA found{};
    const tstring pattern = TextFromUtf8(folder) + TEXT("*");
    const HANDLE search = FindFirstFile(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || Failed(error);  // an empty drive's root
    }
    do {
        const std::string name = Utf8FromText(found.cFileName);
        if (name != "." && name != "..") names->push_back(name);
    } while (FindNextFile(search, &found));
    FindClose(search);
    return true;
}

bool Win32Os::IsDeviceName(const std::string& path) { return IsWindowsDeviceName(path); }

void Win32Os::WatchFreshFile(const std::string& path, bool watch) {
    const tstring name = TextFromUtf8(path);
    const WatchedLock lock;
    std::vector<tstring>& watched = WatchedFresh();
    for (auto at = watched.begin(); at != watched.end(); ++at) {
        if (*at == name) {
            if (!watch) watched.erase(at);
            return;
        }
    }
    if (watch) watched.push_back(name);
}

void Win32Os::RemoveFreshFilesOnInterrupt() { SetConsoleCtrlHandler(RemoveFreshFilesAndEnd, TRUE); }

void Win32Os::RemoveWatchedFreshFiles() {
    std::vector<tstring> watched;
    {
        const WatchedLock lock;
        watched = WatchedFresh();
    }
    for (const tstring& path : watched) {
        for (int attempt = 0; attempt < kInterruptRemoveTries; ++attempt) {
            if (::DeleteFile(path.c_str())) break;
            const DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
            ::Sleep(kInterruptRemovePauseMs);
        }
    }
}

bool Win32Os::RandomBytes(void* buffer, std::uint32_t count) {
    LookUpOnce();
    auto* bytes = static_cast<BYTE*>(buffer);
    if (randomProvider_ != 0 && advapi32_.CryptGenRandom(randomProvider_, count, bytes)) {
        return true;
    }

    // Without the CryptoAPI (a Windows 95 without it): the clocks, the process and a counter.
    // Guessable in principle; the fresh files are still made only where no file is.
    static DWORD counter = 0;  // zero before the program starts: no guard needed
    LARGE_INTEGER precise{};
    QueryPerformanceCounter(&precise);
    std::uint64_t mixed = (static_cast<std::uint64_t>(precise.QuadPart) * 0x9E3779B97F4A7C15u) ^
                          (std::uint64_t{GetTickCount()} << 32) ^ GetCurrentProcessId() ^
                          (std::uint64_t{++counter} << 48);
    for (std::uint32_t i = 0; i < count; ++i) {
        mixed ^= mixed << 13;
        mixed ^= mixed >> 7;
        mixed ^= mixed << 17;
        bytes[i] = static_cast<BYTE>(mixed >> 56);
    }
    return true;
}

}  // namespace pd
