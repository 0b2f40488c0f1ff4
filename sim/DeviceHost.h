// The virtual device as the demo simulator serves it: one device shared by the threads that
// serve the pipes, remembered in a state file that is brought up to date after every change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "platform/Os.h"
#include "sim/DeviceStateFile.h"
#include "sim/HostLock.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

class DeviceHost {
public:
    // Takes the state file's lock for as long as the host lives (without waiting: another
    // simulator or mf40ctl holds it) and loads the device's memory from `statePath`, the
    // factory state when there is no file yet. The file is not written until the device's
    // memory changes.
    DeviceHost(Os& os, std::string statePath);
    DeviceHost(const DeviceHost&) = delete;
    DeviceHost& operator=(const DeviceHost&) = delete;

    StateFileOutcome loadOutcome() const { return loadOutcome_; }
    const std::string& statePath() const { return statePath_; }
    // Why the host must not serve (the lock is held elsewhere, the state file cannot be read
    // or is damaged); empty when it may. The state file is never written then.
    const std::string& problem() const { return problem_; }
    // Why the last save failed.
    FileError saveError() const { return saveError_; }

    // Runs `change` on the device under the lock (faults, state); the next beat saves what
    // it changed.
    template <typename Change>
    void WithDevice(Change&& change) {
        std::lock_guard lock(lock_);
        change(device_);
    }

    // Host to device: the count the device took.
    std::size_t HostWrite(std::span<const std::uint8_t> data);
    // Device to host: the count of waiting bytes moved into `out`.
    std::size_t HostRead(std::span<std::uint8_t> out);
    // The same, but no further than the end of the device's next transfer.
    std::size_t HostReadTransfer(std::span<std::uint8_t> out);

    // Called on a steady beat: passes the time to the device and saves its memory when it
    // changed since the last save. False when a save was due and failed.
    bool PassTime(std::uint32_t milliseconds);
    // Saves now if anything changed; for the way out.
    bool SaveIfChanged();

private:
    bool SaveIfChangedLocked();

    Os& os_;
    const std::string statePath_;
    std::string problem_;  // before the lock, which is taken while it is made
    ScopedFile stateLock_;
    FileError saveError_ = FileError::None;
    HostLock lock_;
    VirtualDevice device_;
    DeviceState saved_;  // what the state file holds (or would, for a missing file)
    StateFileOutcome loadOutcome_;
};

}  // namespace pd::sim
