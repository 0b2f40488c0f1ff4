#include "sim/SimulatorOptions.h"

#include <charconv>

namespace pd::sim {

namespace {

bool ParseProcessId(const std::string& text, std::uint32_t* id) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, *id);
    return error == std::errc{} && stop == end && !text.empty();
}

}  // namespace

std::optional<SimulatorOptions> ParseSimulatorOptions(std::span<const std::string> arguments,
                                                      std::string* error) {
    SimulatorOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        // Options that take a value accept it as the next argument or after '='.
        auto value = [&](const std::string& name) -> std::optional<std::string> {
            if (argument.rfind(name + "=", 0) == 0) return argument.substr(name.size() + 1);
            if (argument != name) return std::nullopt;
            if (i + 1 >= arguments.size()) return std::string();
            return arguments[++i];
        };

        if (argument == "--silent") {
            options.silent = true;
        } else if (argument == "--reserved") {
            options.reserved = true;
        } else if (argument == "--port-registers") {
            options.portRegisters = true;
        } else if (argument == "--empty-phonebook") {
            options.emptyPhonebook = true;
        } else if (argument == "--help" || argument == "-h" || argument == "/?") {
            options.help = true;
        } else if (const auto path = value("--state")) {
            if (path->empty()) {
                *error = "--state needs a file name";
                return std::nullopt;
            }
            options.statePath = *path;
        } else if (const auto folder = value("--port")) {
            if (folder->empty()) {
                *error = "--port needs the port bridge's folder";
                return std::nullopt;
            }
            options.portFolder = *folder;
        } else if (const auto process = value("--exit-with")) {
            std::uint32_t id = 0;
            if (!ParseProcessId(*process, &id)) {
                *error = "--exit-with needs a process id, not '" + *process + "'";
                return std::nullopt;
            }
            options.exitWithProcess = id;
        } else {
            *error = "unknown option '" + argument + "' (--help lists the options)";
            return std::nullopt;
        }
    }
    return options;
}

const char* SimulatorUsage() {
    return "mf40sim: a stand-in Ostrex MF 40 on the demo's USB pipes\n"
           "\n"
           "Usage: mf40sim [--state FILE] [--port FOLDER] [--port-registers] [--silent]\n"
           "               [--reserved] [--empty-phonebook] [--exit-with PID]\n"
           "\n"
           "  --state FILE     keep the device's memory (settings, phonebook, firmware) in\n"
           "                   FILE; default mf40sim.state beside mf40sim.exe\n"
           "  --port FOLDER    serve the same device behind the parallel port too, through\n"
           "                   the FIFOs that scripts/port-bridge made in FOLDER\n"
           "  --port-registers serve it behind the port registers too, which the tests' port\n"
           "                   arbiter emulates for the 32-bit panel as on Windows 95\n"
           "  --silent         the device takes every command and never answers\n"
           "  --reserved       the port is reserved by someone else: the demo's portgate.dll\n"
           "                   refuses it\n"
           "  --empty-phonebook  a fresh device (no state file yet) starts with an empty\n"
           "                   phonebook instead of the demo's sample entries\n"
           "  --exit-with PID  end when the process PID ends\n"
           "  --help           this text\n"
           "\n"
           "The panel reaches the device through the demo folder's usbpipe.dll, which names\n"
           "the pipes \\\\.\\pipe\\OstrexMF40\\PIPE00 and PIPE01. Ctrl+C ends the simulator.\n";
}

std::string DefaultStatePath(const std::string& programPath) {
    const std::size_t slash = programPath.find_last_of("\\/");
    const std::string folder =
        slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
    return folder + kDefaultStateFile;
}

}  // namespace pd::sim
