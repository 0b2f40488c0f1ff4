// The command line of mf40ctl: the commands, their options and --help, --version and --link,
// in front of the command functions. Both programs (the Windows one and the native one
// against the virtual device) are this and a small main.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "mf40ctl/CommandContext.h"

namespace CLI {
class App;
}

namespace pd::ctl {

// What the program around the commands adds to them.
struct CtlHost {
    // Options of its own (the native build's --sim-state).
    std::function<void(CLI::App&)> addOptions;
    // Runs once the arguments are read and before the command, told whether the command may
    // change the device; a non-zero exit code ends the run there.
    std::function<int(bool changesDevice)> beforeCommand;
    // The path a command is to use for the FILE it was given (the native build reads a name
    // that would reach a device port as a file of the current folder).
    std::function<std::string(const std::string&)> filePath;
    // Said at the end of the main --help.
    std::string about;
};

// `arguments` without the program name. Returns the exit code.
int RunMf40ctl(const std::vector<std::string>& arguments, CommandContext& context,
               const CtlHost& host = {});

}  // namespace pd::ctl
