// The virtual device's memory on disk, so that the demo simulator keeps its settings,
// phonebook and last firmware image between runs.
//
// The file is a small header (magic, format version, body length, CRC-32 of the body) and a
// body of tagged fields: a four-letter tag, a big-endian length and the bytes. Fields are
// listed once, in DeviceStateFile.cpp; a file written before a field existed loads with the
// factory value for it, and a field this build does not know is skipped. Anything else that
// is wrong with a file (missing, short, foreign, damaged, a field of the wrong size) gives
// the factory state: a device that forgot beats a simulator that will not start.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "sim/DeviceState.h"

namespace pd::sim {

inline constexpr std::uint16_t kDeviceStateFileVersion = 1;

std::vector<std::uint8_t> EncodeDeviceState(const DeviceState& state);

// The state a file's bytes describe; nothing when they are not a sound state file.
std::optional<DeviceState> DecodeDeviceState(std::span<const std::uint8_t> bytes);

// True when the two states hold the same value in every field the file keeps.
bool SameDeviceState(const DeviceState& a, const DeviceState& b);

enum class StateFileOutcome {
    Loaded,    // the file's state
    Missing,   // no file: factory state
    Unusable,  // unreadable or damaged file: factory state
};

struct LoadedDeviceState {
    DeviceState state;
    StateFileOutcome outcome;
};

LoadedDeviceState LoadDeviceState(Os& os, const std::string& path);

// Writes the whole state next to `path` and then puts it in place, so that a failed or
// interrupted save leaves the previous file whole. False when the state could not be saved.
bool SaveDeviceState(Os& os, const std::string& path, const DeviceState& state);

}  // namespace pd::sim
