#include "mf40ctl/HostMf40ctl.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>

#include "mf40ctl/HostFileOs.h"
#include "mf40ctl/Mf40ctl.h"
#include "mf40ctl/Windows1252.h"
#include "platform/FileReplace.h"
#include "sim/DeviceStateFile.h"
#include "sim/SimulatorOptions.h"

namespace pd::ctl {

int RunHostMf40ctl(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err, std::istream& in) {
    sim::VirtualDevice device;
    HostFileOs os(device);
    CommandContext context{os, out, err, in};

    std::string statePath = sim::kDefaultStateFile;
    std::optional<ScopedFile> lock;
    std::optional<sim::DeviceState> loaded;
    const auto say = [&](const std::string& message) {
        err << "mf40ctl: " << EscapeForTerminal(message) << "\n";
    };
    CtlHost host;
    host.addOptions = [&](CLI::App& app) {
        app.add_option("--sim-state", statePath,
                       "State file of the virtual device (native build only)")
            ->capture_default_str();
    };
    host.about =
        "This native build has no real link: it talks to a virtual Ostrex MF 40 inside the\n"
        "program, whose memory is kept in the --sim-state file (created on the first change;\n"
        "a file of the same name and .lock beside it lets runs at once take turns).\n"
        "Time on the virtual device is virtual, so waits pass at once.";
    host.beforeCommand = [&] {
        FileError error = FileError::None;
        lock.emplace(sim::LockStateFile(os, statePath, true, &error));
        if (!*lock) {
            say("cannot lock the virtual device's state file '" + statePath + "' (with '" +
                statePath + ".lock'): " + DescribeFileError(error) + "; nothing was changed");
            return int{kExitBadInput};
        }
        sim::LoadedDeviceState state = sim::LoadDeviceState(os, statePath);
        if (const std::string problem = sim::StateFileProblem(state, statePath);
            !problem.empty()) {
            say(problem + "; nothing was changed");
            return int{kExitBadInput};
        }
        device.state = state.state;
        loaded = std::move(state.state);
        return int{kExitOk};
    };

    int code = RunMf40ctl(arguments, context, host);
    if (device.firmwareRefused()) {
        say("the virtual device has room for a firmware image of at most " +
            std::to_string(device.firmwareCapacity >> 20) +
            " MiB; it refused this one and keeps the one it had");
    }
    FileError error = FileError::None;
    if (loaded && !sim::SameDeviceState(*loaded, device.state) &&
        !sim::SaveDeviceState(os, statePath, device.state, &error)) {
        say("could not save the virtual device's state to '" + statePath +
            "': " + DescribeFileError(error));
        if (code == kExitOk) code = kExitWriteFailed;
    }
    return code;
}

}  // namespace pd::ctl
