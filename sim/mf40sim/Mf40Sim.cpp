// mf40sim: a stand-in Ostrex MF 40 for the demo. It serves one virtual device on the named
// pipes that the demo folder's usbpipe.dll names, and with --port behind the parallel port
// too, so that PanelDesk's real file and library calls reach it, and keeps the device's
// memory in a state file between runs.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileReplace.h"
#include "sim/DemoPipes.h"
#include "sim/DeviceHost.h"
#include "sim/HostLock.h"
#include "sim/SimulatorOptions.h"
#include "sim/mf40sim/PipeServer.h"
#include "sim/mf40sim/PortServer.h"
#include "sim/mf40sim/RegistersServer.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace {

// How often the device hears that time passed, and so how soon a change reaches the file.
constexpr DWORD kBeatMs = 50;

pd::sim::HostLock outputLock;
HANDLE stopEvent = nullptr;

void Say(const std::string& line) {
    std::lock_guard lock(outputLock);
    std::fputs(("mf40sim: " + line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) arguments.push_back(pd::NarrowToUtf8(words[i]));
    LocalFree(words);
    return arguments;
}

// The options of this run, or the exit code of one that ends here (refused words, --help).
std::optional<pd::sim::SimulatorOptions> ReadOptions(int* exitCode) {
    std::string error;
    std::optional<pd::sim::SimulatorOptions> options =
        pd::sim::ParseSimulatorOptions(Arguments(), &error);
    if (!options) {
        std::fprintf(stderr, "mf40sim: %s\n", error.c_str());
        *exitCode = 2;
        return std::nullopt;
    }
    if (options->help) {
        std::fputs(pd::sim::SimulatorUsage(), stdout);
        *exitCode = 0;
        return std::nullopt;
    }
    return options;
}

// The device as the state file left it, with what this run changes in it.
void PrepareDevice(pd::sim::DeviceHost& host, const pd::sim::SimulatorOptions& options) {
    host.WithDevice([&](pd::sim::VirtualDevice& device) {
        device.faults.silent = options.silent;
        // Something to look at on a fresh demo device; the first beat saves it.
        if (host.loadOutcome() == pd::sim::StateFileOutcome::Missing && !options.emptyPhonebook) {
            pd::sim::PutSamplePhonebook(device.state);
        }
    });
}

// Every road the options open to the device: the pipes always, the port through the bridge
// and the port registers when asked for.
struct Servers {
    explicit Servers(pd::sim::DeviceHost& host)
        : pipes(host, Say), port(host, Say), registers(host, Say) {}

    bool Start(const pd::sim::SimulatorOptions& options, std::string* error) {
        return pipes.Start(error) &&
               (options.portFolder.empty() || port.Start(options.portFolder, error)) &&
               (!options.portRegisters || registers.Start(error));
    }

    pd::sim::PipeServer pipes;
    pd::sim::PortServer port;
    pd::sim::RegistersServer registers;
};

void TellWhatIsServed(const pd::sim::SimulatorOptions& options, const pd::sim::DeviceHost& host,
                      const std::string& statePath) {
    using namespace pd::sim;
    Say(std::string("serving ") + kDemoPortBase + "\\PIPE00 and \\PIPE01, and for the 9x family " +
        kDemo9xPortBase + "\\PIPE00 and \\PIPE01");
    if (!options.portFolder.empty()) {
        Say("serving the parallel port through the bridge in " + options.portFolder);
    }
    if (options.portRegisters) Say("serving the port registers of the tests' port arbiter");
    Say("state file " + statePath +
        (host.loadOutcome() == StateFileOutcome::Loaded ? " (loaded)"
                                                        : " (not there yet: a fresh device)"));
    if (options.silent) Say("the device is silent: it takes commands and never answers");
    if (options.reserved) Say("the port is reserved by someone else");
}

// Tells the device that time passes until one of `waits` is signalled, and saves what changed.
void BeatUntilStopped(pd::sim::DeviceHost& host, const std::vector<HANDLE>& waits,
                      const std::string& statePath) {
    bool saveFailing = false;
    DWORD last = GetTickCount();
    for (;;) {
        const DWORD woke =
            WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, kBeatMs);
        if (woke != WAIT_TIMEOUT) break;
        const DWORD now = GetTickCount();
        const bool saved = host.PassTime(now - last);
        last = now;
        if (saved == saveFailing) {  // tell about a failing save once, and about its recovery
            saveFailing = !saved;
            Say(saveFailing ? "cannot write the state file " + statePath + ": " +
                                  pd::DescribeFileError(host.saveError())
                            : "the state file is written again");
        }
    }
    if (!host.SaveIfChanged()) {
        Say("cannot write the state file " + statePath + ": " +
            pd::DescribeFileError(host.saveError()));
    }
}

}  // namespace

int main() {
    using namespace pd::sim;

    int exitCode = 0;
    const std::optional<SimulatorOptions> options = ReadOptions(&exitCode);
    if (!options) return exitCode;

    pd::OwnedHandle watched;
    if (options->exitWithProcess) {
        watched.Reset(OpenProcess(SYNCHRONIZE, FALSE, *options->exitWithProcess));
        if (!watched) {
            std::fprintf(stderr, "mf40sim: no process %u to end with\n", *options->exitWithProcess);
            return 2;
        }
    }

    pd::Win32Os os;
    const std::string statePath = options->statePath.empty()
                                      ? DefaultStatePath(pd::Utf8FromText(pd::ModulePath()))
                                      : options->statePath;
    DeviceHost host(os, statePath);
    if (!host.problem().empty()) {
        std::fprintf(stderr, "mf40sim: %s; nothing was changed\n", host.problem().c_str());
        return 2;
    }
    PrepareDevice(host, *options);

    // The stand-in port arbiter refuses the port while this object exists. It is there before
    // the pipes are, so that whoever finds the device finds the port reserved too.
    pd::OwnedHandle reservation;
    if (options->reserved) {
        reservation.Reset(CreateEvent(nullptr, TRUE, FALSE, kDemoPortReservedEvent));
    }

    Servers servers(host);
    std::string error;
    if (!servers.Start(*options, &error)) {
        std::fprintf(stderr, "mf40sim: %s\n", error.c_str());
        return 1;
    }

    pd::OwnedHandle stop(CreateEvent(nullptr, TRUE, FALSE, nullptr));
    stopEvent = stop.get();
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    TellWhatIsServed(*options, host, statePath);

    std::vector<HANDLE> waits = {stop.get()};
    if (watched) waits.push_back(watched.get());
    BeatUntilStopped(host, waits, statePath);
    Say("stopped");
    // The pipe threads are still waiting for clients; ending the process ends them.
    ExitProcess(0);
}
