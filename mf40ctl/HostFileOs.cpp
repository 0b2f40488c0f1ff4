#include "mf40ctl/HostFileOs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace pd::ctl {

namespace {

// Host files get handles far above the ones the simulated PC hands out, so the two never meet.
constexpr FileHandle kHostHandleBase = FileHandle{1} << 40;

bool IsDevicePath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower == "lpt1" || lower == "lpt2" || lower == "lpt3" || lower.rfind("\\\\.\\", 0) == 0;
}

int Descriptor(FileHandle file) { return static_cast<int>(file - kHostHandleBase); }

FileError Classify(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return FileError::NotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileError::AccessDenied;
        case EISDIR:
            return FileError::IsFolder;
        case ENOSPC:
        case EDQUOT:
            return FileError::DiskFull;
        case EFBIG:
            return FileError::TooLarge;
        case EEXIST:
            return FileError::Exists;
        case ELOOP:  // O_NOFOLLOW met a link
            return FileError::IsLink;
        case ENXIO:
        case ENODEV:
            return FileError::NotPlainFile;
        case EWOULDBLOCK:
        case ETXTBSY:
            return FileError::InUse;
        default:
            return FileError::Other;
    }
}

class Descriptors {
public:
    explicit Descriptors(int descriptor) : descriptor_(descriptor) {}
    Descriptors(const Descriptors&) = delete;
    Descriptors& operator=(const Descriptors&) = delete;
    ~Descriptors() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A new file goes in only where no file is: one that appeared since the check is kept.
bool RenameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without that rename: a second name, then the first one goes.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return false;
    return ::rename(from, to) == 0;
}

// The folder's entry for the new file reaches the disk too (best effort: not every file
// system can sync a folder).
void SyncFolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0                ? "/"
                                                           : path.substr(0, slash);
    const Descriptors descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.get() >= 0) ::fsync(descriptor.get());
}

}  // namespace

bool HostFileOs::IsHostFile(FileHandle file) { return file >= kHostHandleBase; }

bool HostFileOs::Failed() { return Failed(Classify(errno)); }

bool HostFileOs::Failed(FileError error) {
    SetLastFileError(error);
    return false;
}

FileHandle HostFileOs::OpenFile(const std::string& path, std::uint32_t desiredAccess,
                                std::uint32_t shareMode, std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes) {
    if (IsDevicePath(path)) {
        return SimulatedOs::OpenFile(path, desiredAccess, shareMode, creationDisposition,
                                flagsAndAttributes);
    }
    const bool reads = (desiredAccess & access::kRead) != 0;
    const bool writes = (desiredAccess & access::kWrite) != 0;
    // Not blocking, so that a pipe named as a file cannot hang the open; it is refused below.
    int flags = (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY) | O_CLOEXEC | O_NOCTTY |
                O_NONBLOCK;
    mode_t mode = 0666;
    switch (creationDisposition) {
        case disposition::kCreateNew:
            // Private while it is written; it takes its target's permissions when it is done.
            flags |= O_CREAT | O_EXCL | O_NOFOLLOW;
            mode = 0600;
            break;
        case disposition::kCreateAlways:
            flags |= O_CREAT | O_TRUNC | O_NOFOLLOW;
            break;
        case disposition::kOpenAlways:
            flags |= O_CREAT | O_NOFOLLOW;
            break;
        default:  // an existing file is read through a link, as the user named it
            break;
    }
    const int descriptor = ::open(path.c_str(), flags, mode);
    if (descriptor < 0) {
        Failed();
        return kNoFile;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        Failed(S_ISDIR(status.st_mode) ? FileError::IsFolder : FileError::NotPlainFile);
        return kNoFile;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return kHostHandleBase + static_cast<FileHandle>(descriptor);
}

bool HostFileOs::ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                          std::uint32_t* done) {
    if (!IsHostFile(file)) return SimulatedOs::ReadFile(file, buffer, count, done);
    const ssize_t got = ::read(Descriptor(file), buffer, count);
    *done = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    return got >= 0 || Failed();
}

bool HostFileOs::WriteFile(FileHandle file, const void* data, std::uint32_t count,
                           std::uint32_t* done) {
    if (!IsHostFile(file)) return SimulatedOs::WriteFile(file, data, count, done);
    *done = 0;
    const auto* bytes = static_cast<const char*>(data);
    while (*done < count) {
        const ssize_t put = ::write(Descriptor(file), bytes + *done, count - *done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Failed();
        if (put == 0) return Failed(FileError::DiskFull);
        *done += static_cast<std::uint32_t>(put);
    }
    return true;
}

void HostFileOs::CloseFile(FileHandle file) {
    if (!IsHostFile(file)) return SimulatedOs::CloseFile(file);
    ::close(Descriptor(file));
}

bool HostFileOs::GetFileSize(FileHandle file, std::uint64_t* size) {
    if (!IsHostFile(file)) return SimulatedOs::GetFileSize(file, size);
    struct stat status {};
    if (::fstat(Descriptor(file), &status) != 0) return Failed();
    *size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

bool HostFileOs::CanReplace(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT || Failed();
    if (S_ISLNK(status.st_mode)) return Failed(FileError::IsLink);
    if (S_ISDIR(status.st_mode)) return Failed(FileError::IsFolder);
    if (!S_ISREG(status.st_mode)) return Failed(FileError::NotPlainFile);
    // Read-only for everybody is read-only for the superuser too, who could write it anyway.
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Failed(FileError::ReadOnly);
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 || Failed();
}

bool HostFileOs::ReplaceFileWith(const std::string& source, const std::string& target) {
    if (!CanReplace(target)) return false;
    // Only the file made for this save moves, never what a link in its place points to.
    const Descriptors fresh(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat made {};
    if (fresh.get() < 0) return Failed();
    if (::fstat(fresh.get(), &made) != 0) return Failed();
    if (!S_ISREG(made.st_mode)) return Failed(FileError::NotPlainFile);

    struct stat old {};
    const bool replacing = ::lstat(target.c_str(), &old) == 0;
    mode_t mode = 0666 & ~CurrentUmask();
    if (replacing) {
        mode = old.st_mode & 07777;
        // The owner and group where the system lets this user keep them; where the group
        // cannot be kept, its permissions are not handed to another group.
        if (::fchown(fresh.get(), old.st_uid, old.st_gid) != 0 &&
            ::fchown(fresh.get(), static_cast<uid_t>(-1), old.st_gid) != 0) {
            mode &= ~static_cast<mode_t>(S_IRWXG);
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fresh.get(), mode) != 0) return Failed();
    if (::fsync(fresh.get()) != 0) return Failed();
    const bool moved = replacing ? ::rename(source.c_str(), target.c_str()) == 0
                                 : RenameNoReplace(source.c_str(), target.c_str());
    if (!moved) return Failed();
    SyncFolderOf(target);
    return true;
}

bool HostFileOs::RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || Failed();
}

bool HostFileOs::LockFile(FileHandle file, bool wait) {
    if (!IsHostFile(file)) return SimulatedOs::LockFile(file, wait);
    int result;
    do {
        result = ::flock(Descriptor(file), LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

bool HostFileOs::RandomBytes(void* buffer, std::uint32_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t filled = 0; filled < count;) {
        const ssize_t got = ::getrandom(bytes + filled, count - filled, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return Failed();
        filled += static_cast<std::uint32_t>(got);
    }
    return true;
}

}  // namespace pd::ctl
