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

// No phonebook or backup file is anywhere near this large (a backup of the whole device is
// about 15 KiB); a larger file is refused before it is read.
inline constexpr std::uint64_t kLargestInputFile = std::uint64_t{1} << 20;

// A whole file through the seam, refused unread when it is larger than `limit` bytes; nothing,
// with `*problem` saying what went wrong ("cannot read 'x': not found"), when it cannot be had.
std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::uint64_t limit,
                                         std::string* problem);
// Writes beside `path` and then puts the file in place, so that a failure leaves any old
// file whole; false, with `*problem` saying why, when it did not happen.
bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes,
                    std::string* problem);
// "could not write 'x': the disk is full"
std::string WriteProblem(const std::string& path, FileError error);
// "cannot read 'x': access denied"
std::string ReadProblem(const std::string& path, FileError error);

}  // namespace pd::ctl
