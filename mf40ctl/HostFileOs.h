// The native build's OS seam: the simulated PC with its virtual device and virtual clock for every
// route to the device, and the host's real files for everything else (the files the user
// names and the virtual device's state file).
//
// Host files are plain files only: a folder, a device or a pipe is refused when opened. A
// replace never follows a symbolic link: a target that is one is refused, so that a link
// planted in a shared folder cannot send a save to another file. A replacing file keeps the
// target's owner, permissions and access list (POSIX ACL).
//
// A fresh file (made new: a save's) is held locked until it has taken its target's place or
// is removed, so that another save's clean-up never takes it from under the save; and one that
// is watched is removed if the program is interrupted (SIGINT, SIGTERM, SIGHUP) before then.
#pragma once

#include <map>
#include <string>

#include "sim/SimulatedOs.h"

namespace pd::ctl {

class HostFileOs : public sim::SimulatedOs {
public:
    explicit HostFileOs(sim::VirtualDevice& device);
    ~HostFileOs() override;

    FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                        std::uint32_t flagsAndAttributes) override;
    bool ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override;
    void CloseFile(FileHandle file) override;
    bool GetFileSize(FileHandle file, std::uint64_t* size) override;
    bool CanReplace(const std::string& path) override;
    bool ReplaceFileWith(const std::string& source, const std::string& target) override;
    bool RemoveFile(const std::string& path) override;
    bool LockFile(FileHandle file, bool wait) override;
    bool RandomBytes(void* buffer, std::uint32_t count) override;
    std::size_t FolderLength(const std::string& path) override;
    bool ListFolder(const std::string& folder, std::vector<std::string>* names) override;
    // Host paths are files, whatever Windows would make of their names.
    bool IsDeviceName(const std::string&) override { return false; }
    void WatchFreshFile(const std::string& path, bool watch) override;

    // The folder that holds `path`, opened so that LockFile can lock it (CloseFile lets it go):
    // a folder cannot be removed or swapped while it holds files, as a lock file can.
    FileHandle OpenFolderOf(const std::string& path);
    // True when `a` and `b` name the same place: the same name in the same folder, however
    // the folders are written (through links, with "." and "..").
    static bool SamePlace(const std::string& a, const std::string& b);
    // True for the paths that this seam routes to the virtual device's ports (LPT1..LPT3 and
    // \\.\ paths) rather than to host files.
    static bool IsDevicePath(const std::string& path);

private:
    static bool IsHostFile(FileHandle file);
    // Notes errno's reason and returns false.
    bool Failed();
    bool Failed(FileError error);
    // The same for a call on `path`: a loop of links is told apart from a link.
    bool FailedOn(const std::string& path);
    void LetGoOfFresh(const std::string& path);

    std::map<std::string, int> freshLocks_;  // fresh files and the locked descriptor held for each
};

}  // namespace pd::ctl
