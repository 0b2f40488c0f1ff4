// mf40ctl on the host (Linux): the same commands against an in-process virtual device whose
// memory is kept in a state file between runs. There is no real link here.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pd::ctl {

// `arguments` without the program name. The state file is locked from before it is read
// until after the changed state is written, so that runs at once take turns, and a state
// file that is there but cannot be read or is damaged stops the run before anything is
// changed. Returns the exit code.
int RunHostMf40ctl(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err, std::istream& in);

}  // namespace pd::ctl
