// The virtual device's memory on disk, so that the demo simulator keeps its settings,
// phonebook and last firmware image between runs.
//
// The file is a small header (magic, format version, body length, CRC-32 of the body) and a
// body of tagged fields: a four-letter tag, a big-endian length and the bytes. Fields are
// listed once, in DeviceStateFile.cpp; a file written before a field existed loads with the
// factory value for it, and a field this build does not know is kept as it is and written
// back after the known ones, so that a newer build's fields survive an older build's save.
// Only a file that
// is not there means a fresh device: a file that cannot be read or is damaged is reported,
// and the programs then write nothing rather than forget what the device held.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "platform/ScopedFile.h"
#include "sim/DeviceState.h"

namespace pd::sim {

inline constexpr std::uint16_t kDeviceStateFileVersion = 1;

std::vector<std::uint8_t> EncodeDeviceState(const DeviceState& state);

// The state a file's bytes describe; nothing when they are not a sound state file.
std::optional<DeviceState> DecodeDeviceState(std::span<const std::uint8_t> bytes);

// True when the two states hold the same value in every field the file keeps.
bool SameDeviceState(const DeviceState& a, const DeviceState& b);

enum class StateFileOutcome {
    Loaded,      // the file's state
    Missing,     // no file: a fresh device, with the factory state
    Unreadable,  // the file is there but cannot be read (`error` says why)
    Damaged,     // the file was read but is not a sound state file
};

struct LoadedDeviceState {
    DeviceState state;  // the factory state unless Loaded
    StateFileOutcome outcome;
    FileError error = FileError::None;
};

LoadedDeviceState LoadDeviceState(Os& os, const std::string& path);

// What keeps a program from using the state file at `path`, for people ("the state file 'x'
// cannot be read: access denied"); empty when it was loaded or is not there yet.
std::string StateFileProblem(const LoadedDeviceState& loaded, const std::string& path);

// Writes the whole state next to `path` and then puts it in place, so that a failed or
// interrupted save leaves the previous file whole. False, with `*error` when given, when the
// state could not be saved; a state the file cannot hold (a field over its limit) is never
// written.
bool SaveDeviceState(Os& os, const std::string& path, const DeviceState& state,
                     FileError* error = nullptr);

// Two simulators must not change one state file at once: each holds this lock, a file beside
// the state file ("<path>.lock"), from before it reads the state until after it writes it;
// Windows removes no file that is open without delete sharing, as this one is, so it cannot
// be swapped under its holder. (The native mf40ctl locks the state file's folder instead:
// there a lock file could be removed while it is held.) Waits for another holder when
// `wait`, else fails with InUse. Returns the open lock file; an empty one, with `*error`,
// when the lock cannot be had.
ScopedFile LockStateFile(Os& os, const std::string& path, bool wait, FileError* error);

}  // namespace pd::sim
