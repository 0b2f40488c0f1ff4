// An OS seam that hands every call to another one: the base of seams that change a few calls
// (the clock, the sleeps) and leave the rest as they are.
#pragma once

#include "platform/Os.h"

namespace pd {

class ForwardingOs : public Os {
public:
    explicit ForwardingOs(Os& inner) : inner_(inner) {}

    Os& inner() { return inner_; }

    FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                        std::uint32_t flagsAndAttributes) override {
        return inner_.OpenFile(path, desiredAccess, shareMode, creationDisposition,
                               flagsAndAttributes);
    }
    bool ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                  std::uint32_t* done) override {
        return inner_.ReadFile(file, buffer, count, done);
    }
    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override {
        return inner_.WriteFile(file, data, count, done);
    }
    void CloseFile(FileHandle file) override { inner_.CloseFile(file); }
    bool GetFileSize(FileHandle file, std::uint64_t* size) override {
        return inner_.GetFileSize(file, size);
    }
    bool GetCommTimeouts(FileHandle file, CommTimeouts* timeouts) override {
        return inner_.GetCommTimeouts(file, timeouts);
    }
    bool SetCommTimeouts(FileHandle file, const CommTimeouts& timeouts) override {
        return inner_.SetCommTimeouts(file, timeouts);
    }
    bool DeviceControl(FileHandle file, std::uint32_t code, const void* input,
                       std::uint32_t inputSize) override {
        return inner_.DeviceControl(file, code, input, inputSize);
    }
    bool CanReplace(const std::string& path) override { return inner_.CanReplace(path); }
    bool ReplaceFileWith(const std::string& source, const std::string& target) override {
        return inner_.ReplaceFileWith(source, target);
    }
    bool RemoveFile(const std::string& path) override { return inner_.RemoveFile(path); }
    bool LockFile(FileHandle file, bool wait) override { return inner_.LockFile(file, wait); }
    FileError LastFileError() override { return inner_.LastFileError(); }
    std::size_t FolderLength(const std::string& path) override { return inner_.FolderLength(path); }
    bool ListFolder(const std::string& folder, std::vector<std::string>* names) override {
        return inner_.ListFolder(folder, names);
    }
    bool IsDeviceName(const std::string& path) override { return inner_.IsDeviceName(path); }
    void WatchFreshFile(const std::string& path, bool watch) override {
        inner_.WatchFreshFile(path, watch);
    }
    bool RandomBytes(void* buffer, std::uint32_t count) override {
        return inner_.RandomBytes(buffer, count);
    }
    LibraryHandle LoadLibraryByName(const std::string& name) override {
        return inner_.LoadLibraryByName(name);
    }
    ProcAddress FindEntryPoint(LibraryHandle library, const char* name) override {
        return inner_.FindEntryPoint(library, name);
    }
    void FreeLibrary(LibraryHandle library) override { inner_.FreeLibrary(library); }
    int CallEntryPoint(ProcAddress proc, int argument) override {
        return inner_.CallEntryPoint(proc, argument);
    }
    int CallEntryPoint(ProcAddress proc, void* buffer, int count) override {
        return inner_.CallEntryPoint(proc, buffer, count);
    }
    bool GetVersion(OsVersion* version) override { return inner_.GetVersion(version); }
    std::uint32_t TickCount() override { return inner_.TickCount(); }
    void Sleep(std::uint32_t milliseconds) override { inner_.Sleep(milliseconds); }
    std::uint8_t PortIn(std::uint16_t port) override { return inner_.PortIn(port); }
    void PortOut(std::uint16_t port, std::uint8_t value) override { inner_.PortOut(port, value); }
    std::uint16_t BiosWord(std::uint32_t physicalAddress) override {
        return inner_.BiosWord(physicalAddress);
    }
    void DebugOutput(const std::string& text) override { inner_.DebugOutput(text); }

private:
    Os& inner_;
};

}  // namespace pd
