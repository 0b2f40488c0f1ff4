// The OS seam of a PC with the virtual device on its cable: a virtual millisecond clock, a
// settable Windows version, the maker's libraries as stand-ins that are present, absent or
// incomplete, the device's files and pipes routed into a VirtualDevice, and an in-memory file
// system for everything else. The native mf40ctl runs on it; the tests' FakeOs adds the log
// of every call with its arguments.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

class SimulatedOs : public Os {
public:
    explicit SimulatedOs(VirtualDevice& device);

    // --- What the machine looks like -------------------------------------------------------
    void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor);
    void FailVersionQuery() { versionFails_ = true; }

    // A library is present with all its entry points unless told otherwise.
    void RemoveLibrary(const std::string& name) { absentLibraries_.insert(name); }
    void RemoveEntryPoint(const std::string& library, const std::string& entryPoint);

    // What GetControlPortName writes into its buffer (the USB pipes are this + \PIPE0x).
    void SetUsbBasePath(std::string path) { usbBasePath_ = std::move(path); }
    const std::string& usbBasePath() const { return usbBasePath_; }
    void SetPortAcquireResult(int result) { portAcquireResult_ = result; }
    void SetPortReleaseResult(int result) { portReleaseResult_ = result; }
    void FailGetCommTimeouts(bool fail) { getCommTimeoutsFails_ = fail; }
    // Opening this path (a device or a file) fails from now on, for this reason; a file path
    // so marked cannot be replaced either (a folder, a link, a read-only file...).
    void FailOpen(const std::string& path, FileError reason = FileError::AccessDenied) {
        failingOpens_[path] = reason;
    }

    // --- Virtual clock ---------------------------------------------------------------------
    // Every read of the tick counter advances it by one millisecond; every sleep by its length
    // (and tells the device that much time passed).
    void SetTick(std::uint32_t tick) { tick_ = tick; }
    std::uint32_t PeekTick() const { return tick_; }
    // Virtual milliseconds spent since construction (not wrapped).
    std::uint64_t elapsed() const { return elapsed_; }

    // --- In-memory files -------------------------------------------------------------------
    void PutFile(const std::string& path, std::vector<std::uint8_t> bytes);
    // A file whose size says `size` bytes while only `head` is kept: it reads as `head` and
    // then zeros (an image of several GiB without the memory for it).
    void PutLargeFile(const std::string& path, std::vector<std::uint8_t> head, std::uint64_t size);
    std::optional<std::vector<std::uint8_t>> FileContents(const std::string& path) const;
    bool FileExists(const std::string& path) const { return files_.count(path) != 0; }
    // The disk takes this many more bytes of file data, then no more.
    void SetDiskSpace(std::optional<std::size_t> bytes) { diskSpace_ = bytes; }
    void FailReplace(bool fail) { replaceFails_ = fail; }
    // Files opened and locked so far, in order (paths).
    const std::vector<std::string>& lockedFiles() const { return lockedFiles_; }
    // Every open of a file whose path starts with `prefix` fails (a missing or locked folder).
    void FailOpensUnder(std::string prefix) { failingOpenPrefixes_.push_back(std::move(prefix)); }
    // A volume without long names: a file can be made only under a name of 8.3 form.
    void SetShortNamesOnly(bool only) { shortNamesOnly_ = only; }
    std::vector<std::string> FileNames() const;
    // The fresh files a save watches now (WatchFreshFile).
    const std::set<std::string>& watchedFreshFiles() const { return watchedFresh_; }

    // --- Parallel-port registers -----------------------------------------------------------
    std::function<std::uint8_t(std::uint16_t)> onPortIn;
    std::function<void(std::uint16_t, std::uint8_t)> onPortOut;
    std::uint16_t biosPortWord = 0x0378;
    bool logPortAccess = false;

    VirtualDevice& device() { return device_; }

    // --- Os --------------------------------------------------------------------------------
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

protected:
    // Seams built on this one report their own files' failures here.
    void SetLastFileError(FileError error) { lastFileError_ = error; }
    // Every call with its arguments and outcome, as one line; nobody keeps them here.
    virtual void Log(std::string /*entry*/) {}

private:
    enum class Target { WritePipe, ReadPipe, LptPort, EcpDevice, MemoryFile };
    struct OpenHandle {
        std::string path;
        Target target;
        std::size_t position = 0;
        CommTimeouts timeouts;
    };
    struct EntryPoint {
        std::string library;
        std::string name;
    };

    OpenHandle* Find(FileHandle file);
    std::optional<Target> DeviceTarget(const std::string& path) const;
    std::string NameOf(FileHandle file);

    VirtualDevice& device_;
    OsVersion version_{5, 1, 2600, kPlatformNt};
    bool versionFails_ = false;
    std::set<std::string> absentLibraries_;
    std::set<std::pair<std::string, std::string>> missingEntryPoints_;
    std::map<LibraryHandle, std::string> loadedLibraries_;
    std::vector<EntryPoint> entryPoints_;
    LibraryHandle nextLibrary_ = 1;
    std::string usbBasePath_ = R"(\\.\usb#ostrex_mf40#0001)";
    int portAcquireResult_ = 1;
    int portReleaseResult_ = 1;
    bool getCommTimeoutsFails_ = false;
    std::map<std::string, FileError> failingOpens_;
    FileError lastFileError_ = FileError::None;
    std::uint64_t randomState_ = 0x9E3779B97F4A7C15u;
    std::vector<std::string> lockedFiles_;

    std::uint32_t tick_ = 1000;
    std::uint64_t elapsed_ = 0;

    std::map<std::string, std::vector<std::uint8_t>> files_;
    std::map<std::string, std::uint64_t> largeFileSizes_;  // PutLargeFile's sizes
    bool shortNamesOnly_ = false;
    std::set<std::string> watchedFresh_;
    std::map<FileHandle, OpenHandle> handles_;
    FileHandle nextHandle_ = 1;
    std::optional<std::size_t> diskSpace_;
    bool replaceFails_ = false;
    std::vector<std::string> failingOpenPrefixes_;
};

}  // namespace pd::sim
