#include "sim/DeviceHost.h"

#include <algorithm>
#include <utility>

#include "platform/FileReplace.h"

namespace pd::sim {

namespace {

ScopedFile TakeLock(Os& os, const std::string& statePath, std::string* problem) {
    FileError error = FileError::None;
    ScopedFile lock = LockStateFile(os, statePath, false, &error);
    if (!lock) {
        *problem =
            error == FileError::InUse
                ? "the state file '" + statePath + "' is in use by another simulator or mf40ctl"
                : "cannot lock the state file '" + statePath + "' (with '" + statePath +
                      ".lock'): " + DescribeFileError(error);
    }
    return lock;
}

}  // namespace

DeviceHost::DeviceHost(Os& os, std::string statePath)
    : os_(os), statePath_(std::move(statePath)), stateLock_(TakeLock(os_, statePath_, &problem_)) {
    LoadedDeviceState loaded = LoadDeviceState(os_, statePath_);
    loadOutcome_ = loaded.outcome;
    if (problem_.empty()) problem_ = StateFileProblem(loaded, statePath_);
    device_.state = std::move(loaded.state);
    saved_ = device_.state;
}

std::size_t DeviceHost::HostWrite(std::span<const std::uint8_t> data) {
    std::lock_guard lock(lock_);
    return device_.Receive(data);
}

std::size_t DeviceHost::HostRead(std::span<std::uint8_t> out) {
    std::lock_guard lock(lock_);
    return device_.Send(out);
}

std::size_t DeviceHost::HostReadTransfer(std::span<std::uint8_t> out) {
    std::lock_guard lock(lock_);
    return device_.Send(out.first(std::min(out.size(), device_.NextTransferSize())));
}

bool DeviceHost::PassTime(std::uint32_t milliseconds) {
    std::lock_guard lock(lock_);
    device_.Idle(milliseconds);
    return SaveIfChangedLocked();
}

bool DeviceHost::SaveIfChanged() {
    std::lock_guard lock(lock_);
    return SaveIfChangedLocked();
}

bool DeviceHost::SaveIfChangedLocked() {
    if (SameDeviceState(saved_, device_.state)) return true;
    if (!problem_.empty()) {
        saveError_ = FileError::Other;
        return false;
    }
    if (!SaveDeviceState(os_, statePath_, device_.state, &saveError_)) return false;
    saved_ = device_.state;
    return true;
}

}  // namespace pd::sim
