// The demo simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pd::sim {

struct SimulatorOptions {
    bool silent = false;          // the device takes every command and never answers
    bool reserved = false;        // someone else holds the port: the stand-in arbiter refuses it
    bool emptyPhonebook = false;  // a fresh device starts without the demo's sample entries
    bool help = false;
    std::string statePath;       // empty: kDefaultStateFile beside the simulator
    std::string portFolder;      // also serve the parallel port through the bridge's FIFOs here
    bool portRegisters = false;  // also serve the port registers the tests' port arbiter emulates
    std::optional<std::uint32_t> exitWithProcess;  // end when this process ends
};

inline constexpr const char* kDefaultStateFile = "mf40sim.state";

// The options of `arguments` (without the program name); nothing, with `error` set to a line
// for the user, when they do not make sense.
std::optional<SimulatorOptions> ParseSimulatorOptions(std::span<const std::string> arguments,
                                                      std::string* error);

// The text of --help.
const char* SimulatorUsage();

// The default state file: kDefaultStateFile in the folder of `programPath`.
std::string DefaultStatePath(const std::string& programPath);

}  // namespace pd::sim
