// What every command runs with: the OS seam (Win32Os in the product, FakeOs or the native
// host's seam elsewhere), the three standard streams, and the route the user asked for.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/Os.h"

namespace pd::ctl {

// The documented exit codes.
enum ExitCode : int {
    kExitOk = 0,
    kExitNoAnswer = 1,     // the device did not answer (or no route reaches it)
    kExitBadInput = 2,     // arguments, files or values refused; nothing was written
    kExitPortReserved = 3, // another program holds the shared port
    kExitWriteFailed = 4,  // the device did not take, or did not keep, what was written
};

// --link: auto is the panel's own choice with its USB fallback; the others name a route.
enum class LinkChoice { Auto, Usb, Lpt1, Lpt2, Lpt3, Ecp1, Ecp2, Ecp3 };

struct CommandContext {
    Os& os;
    std::ostream& out;  // data
    std::ostream& err;  // messages, progress and questions
    std::istream& in;   // answers to questions
    LinkChoice link = LinkChoice::Auto;
};

// A whole file through the seam; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(Os& os, const std::string& path);
// Writes beside `path` and then puts the file in place, so that a failure leaves any old
// file whole.
bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes);

}  // namespace pd::ctl
