// The native build's OS seam: the simulated PC with its virtual device and virtual clock for every
// route to the device, and the host's real files for everything else (the files the user
// names and the virtual device's state file).
//
// Host files are plain files only: a folder, a device or a pipe is refused when opened. A
// replace never follows a symbolic link: a target that is one is refused, so that a link
// planted in a shared folder cannot send a save to another file.
#pragma once

#include <string>

#include "sim/SimulatedOs.h"

namespace pd::ctl {

class HostFileOs : public sim::SimulatedOs {
public:
    using SimulatedOs::SimulatedOs;

    FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                        std::uint32_t flagsAndAttributes) override;
    bool ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                  std::uint32_t* done) override;
    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override;
    void CloseFile(FileHandle file) override;
    bool GetFileSize(FileHandle file, std::uint64_t* size) override;
    bool CanReplace(const std::string& path) override;
    bool ReplaceFileWith(const std::string& source, const std::string& target) override;
    bool RemoveFile(const std::string& path) override;
    bool LockFile(FileHandle file, bool wait) override;
    bool RandomBytes(void* buffer, std::uint32_t count) override;

private:
    static bool IsHostFile(FileHandle file);
    // Notes errno's reason and returns false.
    bool Failed();
    bool Failed(FileError error);
};

}  // namespace pd::ctl
