// mf40ctl on Linux: the same commands against an in-process virtual device whose memory is
// kept in a state file between runs. There is no real link here.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "mf40ctl/HostFileOs.h"
#include "mf40ctl/Mf40ctl.h"
#include "sim/DeviceStateFile.h"
#include "sim/SimulatorOptions.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    pd::sim::VirtualDevice device;
    pd::ctl::HostFileOs os(device);
    pd::ctl::CommandContext context{os, std::cout, std::cerr, std::cin};

    std::string statePath = pd::sim::kDefaultStateFile;
    std::optional<pd::sim::DeviceState> loaded;
    pd::ctl::CtlHost host;
    host.addOptions = [&](CLI::App& app) {
        app.add_option("--sim-state", statePath,
                       "State file of the virtual device (native build only)")
            ->capture_default_str();
    };
    host.about =
        "This native build has no real link: it talks to a virtual Ostrex MF 40 inside the\n"
        "program, whose memory is kept in the --sim-state file (created on the first change).\n"
        "Time on the virtual device is virtual, so waits pass at once.";
    host.beforeCommand = [&] {
        pd::sim::LoadedDeviceState state = pd::sim::LoadDeviceState(os, statePath);
        if (state.outcome == pd::sim::StateFileOutcome::Unusable) {
            std::cerr << "mf40ctl: the virtual device's state file '" << statePath
                      << "' is damaged; remove it to start from the factory state\n";
            return int{pd::ctl::kExitBadInput};
        }
        device.state = state.state;
        loaded = std::move(state.state);
        return int{pd::ctl::kExitOk};
    };

    int code = pd::ctl::RunMf40ctl(arguments, context, host);
    if (loaded && !pd::sim::SameDeviceState(*loaded, device.state) &&
        !pd::sim::SaveDeviceState(os, statePath, device.state)) {
        std::cerr << "mf40ctl: could not save the virtual device's state to '" << statePath
                  << "'\n";
        if (code == pd::ctl::kExitOk) code = pd::ctl::kExitWriteFailed;
    }
    return code;
}
