#include "mf40ctl/HostMf40ctl.h"

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <thread>

#include "mf40ctl/HostFileOs.h"
#include "mf40ctl/Mf40ctl.h"
#include "mf40ctl/TerminalText.h"
#include "platform/FileReplace.h"
#include "sim/DeviceStateFile.h"
#include "sim/SimulatorOptions.h"

namespace pd::ctl {

namespace {

// How often a waiting run tries the lock again.
constexpr std::chrono::milliseconds kWaitStep{50};

// The state file and its lock for one run: taken before the command, let go while it asks
// the user something, and given back, with the changed state saved, at its end.
class StateHold {
public:
    StateHold(HostFileOs& os, sim::VirtualDevice& device, std::ostream& err,
              std::chrono::milliseconds waitLimit)
        : os_(os), device_(device), err_(err), waitLimit_(waitLimit) {}

    std::string path = sim::kDefaultStateFile;

    int Take() {
        if (const int code = Lock()) return code;
        sim::LoadedDeviceState state = sim::LoadDeviceState(os_, path);
        if (const std::string problem = sim::StateFileProblem(state, path); !problem.empty()) {
            Unlock();
            return Say(kExitBadInput, problem + "; nothing was changed");
        }
        device_.state = state.state;
        loaded_ = std::move(state.state);
        return kExitOk;
    }

    // A command that changes the device must be able to save what it changed: a state file
    // that no save could replace is refused before the device is touched.
    int CheckSavable() {
        FileError error = FileError::None;
        if (CanSave(os_, path, &error)) return kExitOk;
        return Say(kExitBadInput, "the virtual device's state file '" + path +
                                      "' could not be saved after a change: " +
                                      DescribeFileError(error) + "; nothing was changed");
    }

    int Give() {
        int code = kExitOk;
        FileError error = FileError::None;
        if (loaded_ && !sim::SameDeviceState(*loaded_, device_.state)) {
            if (sim::SaveDeviceState(os_, path, device_.state, &error)) {
                loaded_ = device_.state;
            } else {
                code = Say(kExitWriteFailed, "could not save the virtual device's state to '" +
                                                 path + "': " + DescribeFileError(error));
            }
        }
        Unlock();
        loaded_.reset();
        return code;
    }

private:
    int Say(int code, const std::string& message) {
        err_ << "mf40ctl: " << EscapeForTerminal(message) << "\n";
        return code;
    }

    // The state file's folder is what is locked: a lock file could be removed by hand while a
    // run holds it, and the next run would take a new one and write at once; a folder that
    // holds files cannot go, and no lock file is left to look stale.
    int Lock() {
        const FileHandle folder = os_.OpenFolderOf(path);
        const auto cannot = [&](FileError error) {
            return Say(kExitBadInput,
                       "cannot lock the folder of the virtual device's state "
                       "file '" +
                           path + "': " + DescribeFileError(error) + "; nothing was changed");
        };
        if (folder == kNoFile) return cannot(os_.LastFileError());
        lock_.emplace(os_, folder);
        if (os_.LockFile(folder, false)) return kExitOk;
        if (os_.LastFileError() != FileError::InUse) {
            const FileError error = os_.LastFileError();
            lock_.reset();
            return cannot(error);
        }
        const auto seconds = std::to_string((waitLimit_.count() + 999) / 1000);
        Say(kExitOk, "waiting for another run of mf40ctl that uses the state file '" + path +
                         "' (or its folder) to finish; giving up after " + seconds + " s");
        const auto deadline = std::chrono::steady_clock::now() + waitLimit_;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kWaitStep);
            if (os_.LockFile(folder, false)) return kExitOk;
        }
        lock_.reset();
        return Say(kExitGaveUpWaiting, "gave up after " + seconds +
                                           " s: another run still uses the state file '" + path +
                                           "'; nothing was changed");
    }

    void Unlock() { lock_.reset(); }

    HostFileOs& os_;
    sim::VirtualDevice& device_;
    std::ostream& err_;
    const std::chrono::milliseconds waitLimit_;
    std::optional<ScopedFile> lock_;
    std::optional<sim::DeviceState> loaded_;  // what the state file held when it was taken
};

}  // namespace

int RunHostMf40ctl(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   std::istream& in, std::chrono::milliseconds waitLimit) {
    sim::VirtualDevice device;
    HostFileOs os(device);
    CommandContext context{os, out, err, in};
    StateHold state(os, device, err, waitLimit);

    CtlHost host;
    host.addOptions = [&](CLI::App& app) {
        app.add_option("--sim-state", state.path,
                       "State file of the virtual device (native build only)")
            ->capture_default_str();
    };
    host.about =
        "This native build has no real link: it talks to a virtual Ostrex MF 40 inside the\n"
        "program, whose memory is kept in the --sim-state file (created on the first change;\n"
        "runs at once on one state file take turns, and a run that waits says so).\n"
        "Time on the virtual device is virtual, so waits pass at once.";
    // The host's paths are files: a name that this seam would take for the device's port is
    // the file of that name in the current folder.
    const auto hostPath = [](const std::string& path) {
        return HostFileOs::IsDevicePath(path) ? "./" + path : path;
    };
    host.filePath = hostPath;
    host.beforeCommand = [&](bool changesDevice) {
        state.path = hostPath(state.path);
        if (const int code = state.Take()) return code;
        if (changesDevice) {
            if (const int code = state.CheckSavable()) {
                state.Give();
                return code;
            }
        }
        context.letGo = [&] { return state.Give(); };
        context.takeBack = [&] { return state.Take(); };
        context.isOwnFile = [&](const std::string& path) {
            return HostFileOs::SamePlace(path, state.path);
        };
        return int{kExitOk};
    };

    int code = RunMf40ctl(arguments, context, host);
    if (device.firmwareRefused()) {
        err << "mf40ctl: the virtual device has room for a firmware image of at most "
            << (device.firmwareCapacity >> 20)
            << " MiB; it refused this one and keeps the one it had\n";
    }
    if (const int saved = state.Give(); saved != kExitOk && code == kExitOk) code = saved;
    return code;
}

}  // namespace pd::ctl
