#include "mf40ctl/HostFileOs.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pd::ctl {

namespace {

// Host files get handles far above the ones the simulated PC hands out, so the two never meet.
constexpr FileHandle kHostHandleBase = FileHandle{1} << 40;

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
        case ENAMETOOLONG:
            return FileError::NameTooLong;
        case EFBIG:
            return FileError::TooLarge;
        case EEXIST:
            return FileError::Exists;
        case ELOOP:  // O_NOFOLLOW met a link (FailedOn tells a loop of links apart)
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

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The folder's entry for the new file reaches the disk too (best effort: not every file
// system can sync a folder).
void SyncFolderOf(const std::string& path) {
    const Descriptors descriptor(
        ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.get() >= 0) ::fsync(descriptor.get());
}

// --- The access list ----------------------------------------------------------------------

constexpr const char* kAccessList = "system.posix_acl_access";
// Its stored form: a 4-byte version, then entries of a 2-byte tag, 2-byte permissions and a
// 4-byte id, little-endian.
constexpr std::size_t kAccessListHeader = 4;
constexpr std::size_t kAccessListEntry = 8;
constexpr std::uint16_t kOwningGroupEntry = 0x04;  // ACL_GROUP_OBJ

// The target's access list goes to the fresh file, or the fresh file is not put in its place:
// a file that others may read through a named entry must not lose them, nor gain readers.
// Where the owning group could not be kept, that entry's permissions are not handed to the
// group the fresh file has instead.
bool KeepAccessList(const std::string& target, int fresh, bool groupKept) {
    const ssize_t size = ::lgetxattr(target.c_str(), kAccessList, nullptr, 0);
    if (size < 0) {
        if (errno != ENODATA && errno != ENOTSUP) return false;
        // None on the target: none on the fresh file either (a folder's default list gives
        // a new file one).
        ::fremovexattr(fresh, kAccessList);
        return true;
    }
    std::vector<unsigned char> list(static_cast<std::size_t>(size));
    const ssize_t got = ::lgetxattr(target.c_str(), kAccessList, list.data(), list.size());
    if (got < 0) return false;
    list.resize(static_cast<std::size_t>(got));
    if (!groupKept) {
        for (std::size_t at = kAccessListHeader; at + kAccessListEntry <= list.size();
             at += kAccessListEntry) {
            if ((list[at] | list[at + 1] << 8) == kOwningGroupEntry)
                list[at + 2] = list[at + 3] = 0;
        }
    }
    return ::fsetxattr(fresh, kAccessList, list.data(), list.size(), 0) == 0;
}

// --- Interrupted saves ----------------------------------------------------------------------

// The watched fresh files, where a signal handler can read them: fixed storage, changed only
// while the signals are blocked.
constexpr int kWatchSlots = 4;
char watchedFresh[kWatchSlots][PATH_MAX];
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveWatchedAndEnd(int signal) {
    for (const char* path : watchedFresh) {
        if (path[0] != '\0') ::unlink(path);
    }
    // The handler was a one-time one: raised again, the signal ends the program as it would
    // have without it, once this handler returns.
    ::raise(signal);
}

void InstallInterruptHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (const int signal : kInterrupts) {
        struct sigaction current {};
        // A signal the program was told to ignore (nohup) stays ignored.
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveWatchedAndEnd;
        handler.sa_flags = SA_RESETHAND;
        sigemptyset(&handler.sa_mask);
        ::sigaction(signal, &handler, nullptr);
    }
}

class InterruptsHeld {
public:
    InterruptsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kInterrupts) sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~InterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t before_;
};

}  // namespace

HostFileOs::HostFileOs(sim::VirtualDevice& device) : SimulatedOs(device) {
    InstallInterruptHandlers();
}

HostFileOs::~HostFileOs() {
    for (const auto& [path, descriptor] : freshLocks_) ::close(descriptor);
}

bool HostFileOs::IsDevicePath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower == "lpt1" || lower == "lpt2" || lower == "lpt3" || lower.rfind("\\\\.\\", 0) == 0;
}

bool HostFileOs::IsHostFile(FileHandle file) { return file >= kHostHandleBase; }

bool HostFileOs::Failed() { return Failed(Classify(errno)); }

bool HostFileOs::FailedOn(const std::string& path) {
    if (errno != ELOOP) return Failed();
    struct stat status {};
    return Failed(::stat(path.c_str(), &status) != 0 && errno == ELOOP ? FileError::LinkLoop
                                                                       : FileError::IsLink);
}

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
    int flags = (reads && writes ? O_RDWR
                 : writes        ? O_WRONLY
                                 : O_RDONLY) |
                O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
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
        FailedOn(path);
        return kNoFile;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        Failed(S_ISDIR(status.st_mode) ? FileError::IsFolder : FileError::NotPlainFile);
        return kNoFile;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (creationDisposition == disposition::kCreateNew) {
        // A fresh file stays locked, through a descriptor of its own, until it has taken its
        // target's place or is removed: another save's clean-up passes over it meanwhile.
        const int held = ::dup(descriptor);
        if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0) {
            ::fcntl(held, F_SETFD, FD_CLOEXEC);
            freshLocks_[path] = held;
        } else if (held >= 0) {
            ::close(held);
        }
    }
    return kHostHandleBase + static_cast<FileHandle>(descriptor);
}

void HostFileOs::LetGoOfFresh(const std::string& path) {
    const auto held = freshLocks_.find(path);
    if (held == freshLocks_.end()) return;
    ::close(held->second);
    freshLocks_.erase(held);
}

bool HostFileOs::ReadFile(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* done) {
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
    if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT || FailedOn(path);
    if (S_ISLNK(status.st_mode)) {
        struct stat linked {};
        return Failed(::stat(path.c_str(), &linked) != 0 && errno == ELOOP ? FileError::LinkLoop
                                                                           : FileError::IsLink);
    }
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
    bool groupKept = true;
    if (replacing) {
        mode = old.st_mode & 07777;
        // The owner and group where the system lets this user keep them; where the group
        // cannot be kept, its permissions are not handed to another group.
        if (::fchown(fresh.get(), old.st_uid, old.st_gid) != 0 &&
            ::fchown(fresh.get(), static_cast<uid_t>(-1), old.st_gid) != 0) {
            mode &= ~static_cast<mode_t>(S_IRWXG);
            groupKept = false;
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fresh.get(), mode) != 0) return Failed();
    if (replacing && !KeepAccessList(target, fresh.get(), groupKept)) return Failed();
    if (::fsync(fresh.get()) != 0) return Failed();
    const bool moved = replacing ? ::rename(source.c_str(), target.c_str()) == 0
                                 : RenameNoReplace(source.c_str(), target.c_str());
    if (!moved) return Failed();
    LetGoOfFresh(source);
    SyncFolderOf(target);
    return true;
}

bool HostFileOs::RemoveFile(const std::string& path) {
    const bool removed = ::unlink(path.c_str()) == 0 || Failed();
    LetGoOfFresh(path);
    return removed;
}

bool HostFileOs::LockFile(FileHandle file, bool wait) {
    if (!IsHostFile(file)) return SimulatedOs::LockFile(file, wait);
    int result;
    do {
        result = ::flock(Descriptor(file), LOCK_EX | (wait ? 0 : LOCK_NB));
    } while (result != 0 && errno == EINTR);
    return result == 0 || Failed();
}

std::size_t HostFileOs::FolderLength(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

bool HostFileOs::ListFolder(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) return Failed();
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    ::closedir(listing);
    return true;
}

void HostFileOs::WatchFreshFile(const std::string& path, bool watch) {
    if (path.size() >= PATH_MAX) return;  // the next save's clean-up takes it then
    const InterruptsHeld held;
    for (char* slot : watchedFresh) {
        if (watch && slot[0] == '\0') {
            std::memcpy(slot, path.c_str(), path.size() + 1);
            return;
        }
        if (!watch && path == slot) {
            slot[0] = '\0';
            return;
        }
    }
}

FileHandle HostFileOs::OpenFolderOf(const std::string& path) {
    const int descriptor =
        ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        Failed();
        return kNoFile;
    }
    return kHostHandleBase + static_cast<FileHandle>(descriptor);
}

bool HostFileOs::SamePlace(const std::string& a, const std::string& b) {
    const auto place = [](const std::string& path) -> std::string {
        const auto slash = path.rfind('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        char* folder = ::realpath(FolderOf(path).c_str(), nullptr);
        if (folder == nullptr) return path;
        std::string resolved = std::string(folder) + "/" + name;
        std::free(folder);
        return resolved;
    };
    return place(a) == place(b);
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
