#include "sim/SimulatedOs.h"

#include "platform/WindowsPaths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace pd::sim {

namespace {

std::string Format(const char* format, auto... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr std::uint32_t kTruncateExisting = 5;

// A name of 8.3 form: up to eight characters, and up to three after one dot.
bool IsShortName(std::string_view name) {
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    return !base.empty() && base.size() <= 8 && extension.size() <= 3 &&
           extension.find('.') == std::string_view::npos &&
           (dot == std::string_view::npos || !extension.empty());
}

}  // namespace

SimulatedOs::SimulatedOs(VirtualDevice& device) : device_(device) {}

void SimulatedOs::SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
    version_ = OsVersion{major, minor, 0, platformId};
    versionFails_ = false;
}

void SimulatedOs::RemoveEntryPoint(const std::string& library, const std::string& entryPoint) {
    missingEntryPoints_.insert({library, entryPoint});
}

void SimulatedOs::PutFile(const std::string& path, std::vector<std::uint8_t> bytes) {
    files_[path] = std::move(bytes);
    largeFileSizes_.erase(path);
}

void SimulatedOs::PutLargeFile(const std::string& path, std::vector<std::uint8_t> head,
                               std::uint64_t size) {
    files_[path] = std::move(head);
    largeFileSizes_[path] = size;
}

std::optional<std::vector<std::uint8_t>> SimulatedOs::FileContents(const std::string& path) const {
    const auto found = files_.find(path);
    if (found == files_.end()) return std::nullopt;
    return found->second;
}

std::vector<std::string> SimulatedOs::FileNames() const {
    std::vector<std::string> names;
    for (const auto& file : files_) names.push_back(file.first);
    return names;
}

SimulatedOs::OpenHandle* SimulatedOs::Find(FileHandle file) {
    const auto found = handles_.find(file);
    return found == handles_.end() ? nullptr : &found->second;
}

std::string SimulatedOs::NameOf(FileHandle file) {
    const OpenHandle* handle = Find(file);
    return handle ? handle->path : Format("<bad handle %llu>", (unsigned long long)file);
}

std::optional<SimulatedOs::Target> SimulatedOs::DeviceTarget(const std::string& path) const {
    for (int port = 1; port <= 3; ++port) {
        if (EqualsIgnoringCase(path, Format("LPT%d", port))) return Target::LptPort;
        if (EqualsIgnoringCase(path, Format(R"(\\.\LptxEcp%d)", port))) return Target::EcpDevice;
    }
    if (EqualsIgnoringCase(path, usbBasePath_ + "\\PIPE00")) return Target::WritePipe;
    if (EqualsIgnoringCase(path, usbBasePath_ + "\\PIPE01")) return Target::ReadPipe;
    return std::nullopt;
}

FileHandle SimulatedOs::OpenFile(const std::string& path, std::uint32_t desiredAccess,
                                 std::uint32_t shareMode, std::uint32_t creationDisposition,
                                 std::uint32_t flagsAndAttributes) {
    std::string entry = Format(
        "OpenFile %s access=0x%08X share=0x%X disposition=%u "
        "attributes=0x%X",
        path.c_str(), desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
    std::optional<Target> target = DeviceTarget(path);
    bool opens = false;
    if (target) {
        const bool isPipe = *target == Target::WritePipe || *target == Target::ReadPipe;
        opens = !(isPipe && device_.faults.unplugged);
        if (!opens) lastFileError_ = FileError::NotFound;
    } else {
        target = Target::MemoryFile;
        const bool exists = files_.count(path) != 0;
        const bool refused =
            std::any_of(failingOpenPrefixes_.begin(), failingOpenPrefixes_.end(),
                        [&](const std::string& prefix) { return path.rfind(prefix, 0) == 0; });
        switch (creationDisposition) {
            case disposition::kOpenExisting:
            case kTruncateExisting:
                opens = exists;
                if (!exists) lastFileError_ = FileError::NotFound;
                break;
            case disposition::kCreateNew:
                opens = !exists;
                if (exists) lastFileError_ = FileError::Exists;
                break;
            default:
                opens = true;
                break;
        }
        if (refused) lastFileError_ = FileError::AccessDenied;
        opens = opens && !refused;
        if (opens && !exists && shortNamesOnly_ &&
            !IsShortName(std::string_view(path).substr(WindowsFolderLength(path)))) {
            opens = false;
            lastFileError_ = FileError::BadName;
        }
        if (opens) {
            const bool truncates = creationDisposition == disposition::kCreateAlways ||
                                   creationDisposition == kTruncateExisting ||
                                   creationDisposition == disposition::kCreateNew;
            if (truncates) {
                files_[path].clear();
            } else if (!exists) {
                files_[path];  // opening "always" creates an empty file
            }
        }
    }
    if (const auto failing = failingOpens_.find(path); failing != failingOpens_.end()) {
        opens = false;
        lastFileError_ = failing->second;
    }
    if (!opens) {
        Log(entry + " -> failed");
        return kNoFile;
    }
    const FileHandle handle = nextHandle_++;
    handles_[handle] = OpenHandle{path, *target, 0, CommTimeouts{}};
    Log(entry + " -> ok");
    return handle;
}

bool SimulatedOs::ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                           std::uint32_t* done) {
    *done = 0;
    OpenHandle* handle = Find(file);
    if (!handle) {
        Log(Format("ReadFile <bad handle> %u -> failed", count));
        return false;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    switch (handle->target) {
        case Target::ReadPipe:
        case Target::LptPort:
        case Target::EcpDevice:
            *done = static_cast<std::uint32_t>(device_.Send({bytes, count}));
            break;
        case Target::WritePipe:
            break;
        case Target::MemoryFile: {
            const auto& contents = files_[handle->path];
            const auto large = largeFileSizes_.find(handle->path);
            const std::uint64_t size =
                large != largeFileSizes_.end() ? large->second : contents.size();
            const std::uint64_t available = handle->position < size ? size - handle->position : 0;
            *done = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
            // An empty file has no storage to copy from, not even zero bytes of it.
            const std::size_t kept =
                handle->position < contents.size()
                    ? std::min<std::size_t>(*done, contents.size() - handle->position)
                    : 0;
            if (kept > 0) std::memcpy(bytes, contents.data() + handle->position, kept);
            std::memset(bytes + kept, 0, *done - kept);
            handle->position += *done;
            break;
        }
    }
    Log(Format("ReadFile %s %u -> %u", handle->path.c_str(), count, *done));
    return true;
}

bool SimulatedOs::WriteFile(FileHandle file, const void* data, std::uint32_t count,
                            std::uint32_t* done) {
    *done = 0;
    OpenHandle* handle = Find(file);
    if (!handle) {
        Log(Format("WriteFile <bad handle> %u -> failed", count));
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bool ok = true;
    switch (handle->target) {
        case Target::WritePipe:
        case Target::LptPort:
        case Target::EcpDevice:
            *done = static_cast<std::uint32_t>(device_.Receive({bytes, count}));
            break;
        case Target::ReadPipe:
            ok = false;
            break;
        case Target::MemoryFile: {
            std::size_t take = count;
            if (diskSpace_) {
                take = std::min(take, *diskSpace_);
                *diskSpace_ -= take;
                ok = take == count;
                if (!ok) lastFileError_ = FileError::DiskFull;
            }
            auto& contents = files_[handle->path];
            if (contents.size() < handle->position + take) contents.resize(handle->position + take);
            if (take != 0) std::memcpy(contents.data() + handle->position, bytes, take);
            handle->position += take;
            *done = static_cast<std::uint32_t>(take);
            break;
        }
    }
    Log(Format("WriteFile %s %u -> %u", handle->path.c_str(), count, *done));
    return ok;
}

void SimulatedOs::CloseFile(FileHandle file) {
    Log("CloseFile " + NameOf(file));
    handles_.erase(file);
}

bool SimulatedOs::GetFileSize(FileHandle file, std::uint64_t* size) {
    OpenHandle* handle = Find(file);
    if (!handle || handle->target != Target::MemoryFile) return false;
    const auto large = largeFileSizes_.find(handle->path);
    *size = large != largeFileSizes_.end() ? large->second : files_[handle->path].size();
    return true;
}

bool SimulatedOs::GetCommTimeouts(FileHandle file, CommTimeouts* timeouts) {
    OpenHandle* handle = Find(file);
    const bool ok = handle && handle->target == Target::LptPort && !getCommTimeoutsFails_;
    Log("GetCommTimeouts " + NameOf(file) + (ok ? " -> ok" : " -> failed"));
    if (ok) *timeouts = handle->timeouts;
    return ok;
}

bool SimulatedOs::SetCommTimeouts(FileHandle file, const CommTimeouts& timeouts) {
    OpenHandle* handle = Find(file);
    Log(
        Format("SetCommTimeouts %s interval=%u readMultiplier=%u readConstant=%u "
               "writeMultiplier=%u writeConstant=%u",
               NameOf(file).c_str(), timeouts.readIntervalTimeout,
               timeouts.readTotalTimeoutMultiplier, timeouts.readTotalTimeoutConstant,
               timeouts.writeTotalTimeoutMultiplier, timeouts.writeTotalTimeoutConstant));
    if (!handle || handle->target != Target::LptPort) return false;
    handle->timeouts = timeouts;
    return true;
}

bool SimulatedOs::DeviceControl(FileHandle file, std::uint32_t code, const void* input,
                                std::uint32_t inputSize) {
    const auto* bytes = static_cast<const std::uint8_t*>(input);
    Log(Format("DeviceControl %s 0x%08X [", NameOf(file).c_str(), code) +
        Hex({bytes, input ? inputSize : 0}) + "]");
    const OpenHandle* handle = Find(file);
    return handle && handle->target == Target::EcpDevice;
}

bool SimulatedOs::CanReplace(const std::string& path) {
    if (shortNamesOnly_ && files_.count(path) == 0 &&
        !IsShortName(std::string_view(path).substr(WindowsFolderLength(path)))) {
        lastFileError_ = FileError::BadName;
        return false;
    }
    const auto failing = failingOpens_.find(path);
    if (failing == failingOpens_.end()) return true;
    lastFileError_ = failing->second;
    return false;
}

bool SimulatedOs::ReplaceFileWith(const std::string& source, const std::string& target) {
    const bool ok = !replaceFails_ && files_.count(source) != 0 && CanReplace(target);
    Log("ReplaceFile " + source + " -> " + target + (ok ? " ok" : " failed"));
    if (!ok) {
        if (replaceFails_) lastFileError_ = FileError::AccessDenied;
        if (files_.count(source) == 0) lastFileError_ = FileError::NotFound;
        return false;
    }
    files_[target] = std::move(files_[source]);
    files_.erase(source);
    largeFileSizes_.erase(target);
    return true;
}

bool SimulatedOs::RemoveFile(const std::string& path) {
    const bool ok = files_.erase(path) != 0;
    largeFileSizes_.erase(path);
    Log("DeleteFile " + path + (ok ? " -> ok" : " -> failed"));
    if (!ok) lastFileError_ = FileError::NotFound;
    return ok;
}

bool SimulatedOs::LockFile(FileHandle file, bool wait) {
    const OpenHandle* handle = Find(file);
    Log("LockFile " + NameOf(file) + (wait ? " wait" : " no-wait"));
    if (!handle) {
        lastFileError_ = FileError::Other;
        return false;
    }
    // One process: nobody else can hold the lock.
    lockedFiles_.push_back(handle->path);
    return true;
}

std::size_t SimulatedOs::FolderLength(const std::string& path) { return WindowsFolderLength(path); }

bool SimulatedOs::ListFolder(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    for (const auto& file : files_) {
        const std::string& path = file.first;
        if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            WindowsFolderLength(path) == folder.size()) {
            names->push_back(path.substr(folder.size()));
        }
    }
    return true;
}

// The PC it simulates is a Windows PC, with its device names and its ports behind them.
bool SimulatedOs::IsDeviceName(const std::string& path) {
    return DeviceTarget(path).has_value() || IsWindowsDeviceName(path);
}

void SimulatedOs::WatchFreshFile(const std::string& path, bool watch) {
    if (watch) {
        watchedFresh_.insert(path);
    } else {
        watchedFresh_.erase(path);
    }
}

bool SimulatedOs::RandomBytes(void* buffer, std::uint32_t count) {
    // Different on every call and the same in every run (xorshift64).
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        randomState_ ^= randomState_ << 13;
        randomState_ ^= randomState_ >> 7;
        randomState_ ^= randomState_ << 17;
        bytes[i] = static_cast<std::uint8_t>(randomState_ >> 56);
    }
    return true;
}

LibraryHandle SimulatedOs::LoadLibraryByName(const std::string& name) {
    if (absentLibraries_.count(name) != 0) {
        Log("LoadLibrary " + name + " -> failed");
        return kNoLibrary;
    }
    const LibraryHandle handle = nextLibrary_++;
    loadedLibraries_[handle] = name;
    Log("LoadLibrary " + name + " -> ok");
    return handle;
}

ProcAddress SimulatedOs::FindEntryPoint(LibraryHandle library, const char* name) {
    const auto loaded = loadedLibraries_.find(library);
    const std::string libraryName = loaded == loadedLibraries_.end() ? "?" : loaded->second;
    const bool present =
        loaded != loadedLibraries_.end() && missingEntryPoints_.count({libraryName, name}) == 0;
    Log("FindEntryPoint " + libraryName + " " + name + (present ? " -> ok" : " -> missing"));
    if (!present) return kNoProc;
    entryPoints_.push_back({libraryName, name});
    return entryPoints_.size();  // index + 1, never 0
}

void SimulatedOs::FreeLibrary(LibraryHandle library) {
    const auto loaded = loadedLibraries_.find(library);
    Log("FreeLibrary " + (loaded == loadedLibraries_.end() ? std::string("?") : loaded->second));
    if (loaded != loadedLibraries_.end()) loadedLibraries_.erase(loaded);
}

int SimulatedOs::CallEntryPoint(ProcAddress proc, int argument) {
    if (proc == kNoProc || proc > entryPoints_.size()) {
        Log("CallEntryPoint <bad address>");
        return 0;
    }
    const EntryPoint& entry = entryPoints_[proc - 1];
    int result = 0;
    if (entry.name == "PortAcquire") result = portAcquireResult_;
    if (entry.name == "PortRelease") result = portReleaseResult_;
    Log(Format("%s %d -> %d", entry.name.c_str(), argument, result));
    return result;
}

int SimulatedOs::CallEntryPoint(ProcAddress proc, void* buffer, int count) {
    if (proc == kNoProc || proc > entryPoints_.size() || count < 0) {
        Log("CallEntryPoint <bad address>");
        return 0;
    }
    const EntryPoint& entry = entryPoints_[proc - 1];
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const auto size = static_cast<std::size_t>(count);
    int result = 0;
    if (entry.name == "GetControlPortName") {
        // Like a C library's copy: as much of the path as fits, terminated if there is room.
        const std::size_t length = std::min(usbBasePath_.size(), size);
        std::memcpy(bytes, usbBasePath_.data(), length);
        if (length < size) bytes[length] = 0;
        result = 1;
        Log(Format("GetControlPortName %d", count));
        return result;
    }
    if (entry.name == "Win2kUsbWrite") {
        result = static_cast<int>(device_.Receive({bytes, size}));
    } else if (entry.name == "Win2kUsbRead") {
        result = static_cast<int>(device_.Send({bytes, size}));
    }
    Log(Format("%s %d -> %d", entry.name.c_str(), count, result));
    return result;
}

bool SimulatedOs::GetVersion(OsVersion* version) {
    Log(versionFails_ ? "GetVersion -> failed" : "GetVersion -> ok");
    if (versionFails_) return false;
    *version = version_;
    return true;
}

std::uint32_t SimulatedOs::TickCount() {
    const std::uint32_t now = tick_;
    ++tick_;
    ++elapsed_;
    return now;
}

void SimulatedOs::Sleep(std::uint32_t milliseconds) {
    Log(Format("Sleep %u", milliseconds));
    tick_ += milliseconds;
    elapsed_ += milliseconds;
    device_.Idle(milliseconds);
}

std::uint8_t SimulatedOs::PortIn(std::uint16_t port) {
    const std::uint8_t value = onPortIn ? onPortIn(port) : 0xFF;
    if (logPortAccess) Log(Format("PortIn 0x%03X -> 0x%02X", port, value));
    return value;
}

void SimulatedOs::PortOut(std::uint16_t port, std::uint8_t value) {
    if (logPortAccess) Log(Format("PortOut 0x%03X 0x%02X", port, value));
    if (onPortOut) onPortOut(port, value);
}

std::uint16_t SimulatedOs::BiosWord(std::uint32_t physicalAddress) {
    Log(Format("BiosWord 0x%04X -> 0x%04X", physicalAddress, biosPortWord));
    return physicalAddress == 0x0408 ? biosPortWord : 0;
}

void SimulatedOs::DebugOutput(const std::string& text) { Log("DebugOutput " + text); }

}  // namespace pd::sim
