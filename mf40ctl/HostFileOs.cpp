#include "mf40ctl/HostFileOs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace pd::ctl {

namespace {

// Host files get handles far above the ones FakeOs hands out, so the two never meet.
constexpr FileHandle kHostHandleBase = FileHandle{1} << 40;

bool IsDevicePath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower == "lpt1" || lower == "lpt2" || lower == "lpt3" || lower.rfind("\\\\.\\", 0) == 0;
}

int Descriptor(FileHandle file) { return static_cast<int>(file - kHostHandleBase); }

}  // namespace

bool HostFileOs::IsHostFile(FileHandle file) { return file >= kHostHandleBase; }

FileHandle HostFileOs::OpenFile(const std::string& path, std::uint32_t desiredAccess,
                                std::uint32_t shareMode, std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes) {
    if (IsDevicePath(path)) {
        return FakeOs::OpenFile(path, desiredAccess, shareMode, creationDisposition,
                                flagsAndAttributes);
    }
    const bool reads = (desiredAccess & access::kRead) != 0;
    const bool writes = (desiredAccess & access::kWrite) != 0;
    int flags = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (creationDisposition == disposition::kCreateAlways) flags |= O_CREAT | O_TRUNC;
    const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (descriptor < 0) return kNoFile;
    return kHostHandleBase + static_cast<FileHandle>(descriptor);
}

bool HostFileOs::ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                          std::uint32_t* done) {
    if (!IsHostFile(file)) return FakeOs::ReadFile(file, buffer, count, done);
    const ssize_t got = ::read(Descriptor(file), buffer, count);
    *done = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    return got >= 0;
}

bool HostFileOs::WriteFile(FileHandle file, const void* data, std::uint32_t count,
                           std::uint32_t* done) {
    if (!IsHostFile(file)) return FakeOs::WriteFile(file, data, count, done);
    *done = 0;
    const auto* bytes = static_cast<const char*>(data);
    while (*done < count) {
        const ssize_t put = ::write(Descriptor(file), bytes + *done, count - *done);
        if (put <= 0) return false;
        *done += static_cast<std::uint32_t>(put);
    }
    return true;
}

void HostFileOs::CloseFile(FileHandle file) {
    if (!IsHostFile(file)) return FakeOs::CloseFile(file);
    ::close(Descriptor(file));
}

bool HostFileOs::GetFileSize(FileHandle file, std::uint64_t* size) {
    if (!IsHostFile(file)) return FakeOs::GetFileSize(file, size);
    struct stat status {};
    if (::fstat(Descriptor(file), &status) != 0) return false;
    *size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool HostFileOs::ReplaceFileWith(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool HostFileOs::RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace pd::ctl
