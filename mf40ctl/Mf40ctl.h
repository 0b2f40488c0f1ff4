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
    // Runs once the arguments are read and before the command; a non-zero exit code ends the
    // run there.
    std::function<int()> beforeCommand;
    // Said at the end of the main --help.
    std::string about;
};

// `arguments` without the program name. Returns the exit code.
int RunMf40ctl(const std::vector<std::string>& arguments, CommandContext& context,
               const CtlHost& host = {});

}  // namespace pd::ctl
