// mf40ctl on the host (Linux): the same commands against an in-process virtual device whose
// memory is kept in a state file between runs. There is no real link here.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

namespace pd::ctl {

// How long a run waits for another run that holds the state file before it gives up.
inline constexpr std::chrono::milliseconds kStateWaitLimit{60000};

// `arguments` without the program name. The state file's folder is locked from before the
// state is read until after the changed state is written (and let go while a command waits
// for the user), so that runs at once take turns; a run that finds it held says that it
// waits, and gives up after `waitLimit`. A state file that is there but cannot be read or is
// damaged, or one that a command changing the device could not save, stops the run before
// anything is changed. Returns the exit code.
int RunHostMf40ctl(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                   std::istream& in, std::chrono::milliseconds waitLimit = kStateWaitLimit);

}  // namespace pd::ctl
