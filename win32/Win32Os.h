// The OS seam mapped 1:1 onto the Win32 calls: what the product runs on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "win32/SystemFunction.h"
#include "win32/TextMode.h"

namespace pd {

class Win32Os : public Os {
public:
    FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                        std::uint32_t flagsAndAttributes) override;
    bool ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override;
    void CloseFile(FileHandle file) override;
    bool GetFileSize(FileHandle file, std::uint64_t* size) override;
    bool GetCommTimeouts(FileHandle file, CommTimeouts* timeouts) override;
    bool SetCommTimeouts(FileHandle file, const CommTimeouts& timeouts) override;
    bool DeviceControl(FileHandle file, std::uint32_t code, const void* input,
                       std::uint32_t inputSize) override;
    bool CanReplace(const std::string& path) override;
    bool ReplaceFileWith(const std::string& source, const std::string& target) override;
    bool RemoveFile(const std::string& path) override;
    bool LockFile(FileHandle file, bool wait) override;
    FileError LastFileError() override { return lastFileError_; }
    std::size_t FolderLength(const std::string& path) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>* names) override;
    bool IsDeviceName(const std::string& path) override;
    void WatchFreshFile(const std::string& path, bool watch) override;
    bool RandomBytes(void* buffer, std::uint32_t count) override;
    LibraryHandle LoadLibraryByName(const std::string& name) override;
    ProcAddress FindEntryPoint(LibraryHandle library, const char* name) override;
    void FreeLibrary(LibraryHandle library) override;
    int CallEntryPoint(ProcAddress proc, int argument) override;
    int CallEntryPoint(ProcAddress proc, void* buffer, int count) override;
    bool GetVersion(OsVersion* version) override;
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint8_t PortIn(std::uint16_t port) override;
    void PortOut(std::uint16_t port, std::uint8_t value) override;
    std::uint16_t BiosWord(std::uint32_t physicalAddress) override;
    void DebugOutput(const std::string& text) override;

    // Replaces files the way Windows NT 4.0 must, without ReplaceFile, even where the system
    // has it: for the tests of that way.
    void ReplaceAsOnNt4() { replaceFileAllowed_ = false; }
    // Saves and locks files the way Windows 95, 98 and ME must, without MoveFileEx, LockFileEx,
    // access lists and FILE_SHARE_DELETE, even on NT: for the tests of that way.
    void SaveAsOnWindows9x();

    // For a console program: Ctrl+C, Ctrl+Break or a closed console removes the watched fresh
    // files before the program ends (the panel has no console, and the simulator ends on its
    // own terms).
    static void RemoveFreshFilesOnInterrupt();
    // What that interrupt does first: every watched fresh file removed, waiting a little for
    // a writer to let go of one it still holds open.
    static void RemoveWatchedFreshFiles();

private:
    // Notes why a file call failed (a system error code, or a reason of our own) and returns
    // false for the caller to pass on.
    bool Failed(unsigned long systemError);
    bool Failed(FileError error);
    bool ReplaceExisting(const tstring& source, const tstring& target);
    bool Rename(const tstring& source, const tstring& target, DWORD flags);
    bool MakeBackupName(const tstring& target, tstring* backup);
    bool ReplaceByRenames(const tstring& source, const tstring& target);
    void PutBackLeftBackup(const std::string& target);
    void CopyAccessList(const tstring& from, const tstring& to);
    DWORD AnyShare();

    FileError lastFileError_ = FileError::None;
    bool replaceFileAllowed_ = true;
    // Entry points newer than Windows NT 4.0 or missing on Windows 95, 98 and ME, and the
    // random source, taken from the looked-up table at their first use (null until then and
    // where the system has none, or where this object saves as an older Windows must).
    bool lookedUp_ = false;
    bool windowsNt_ = true;
    Kernel32Functions kernel32_;
    Advapi32Functions advapi32_;
    HCRYPTPROV randomProvider_ = 0;
    void LookUpOnce();
    void DropNtOnlyFunctions();
};

}  // namespace pd
