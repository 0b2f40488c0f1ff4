#include "sim/DeviceHost.h"

#include <utility>

namespace pd::sim {

DeviceHost::DeviceHost(Os& os, std::string statePath) : os_(os), statePath_(std::move(statePath)) {
    LoadedDeviceState loaded = LoadDeviceState(os_, statePath_);
    loadOutcome_ = loaded.outcome;
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
    if (!SaveDeviceState(os_, statePath_, device_.state)) return false;
    saved_ = device_.state;
    return true;
}

}  // namespace pd::sim
