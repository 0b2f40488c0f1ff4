// Closes a file or device opened through the OS seam on every path out of a scope.
#pragma once

#include <utility>

#include "platform/Os.h"

namespace pd {

class ScopedFile {
public:
    ScopedFile(Os& os, FileHandle handle) : os_(&os), handle_(handle) {}
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    ScopedFile(ScopedFile&& other) noexcept
        : os_(other.os_), handle_(std::exchange(other.handle_, kNoFile)) {}
    ~ScopedFile() { Close(); }

    explicit operator bool() const { return handle_ != kNoFile; }
    FileHandle get() const { return handle_; }

    void Close() {
        if (handle_ != kNoFile) os_->CloseFile(std::exchange(handle_, kNoFile));
    }

private:
    Os* os_;
    FileHandle handle_;
};

}  // namespace pd
