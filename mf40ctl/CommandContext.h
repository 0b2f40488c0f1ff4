// What every command runs with: the OS seam (Win32Os in the product, FakeOs or the native
// host's seam elsewhere), the three standard streams, and the route the user asked for.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "phonebook/PhonebookText.h"
#include "platform/Os.h"

namespace pd::ctl {

// The documented exit codes.
enum ExitCode : int {
    kExitOk = 0,
    kExitNoAnswer = 1,       // the device did not answer (or no route reaches it)
    kExitBadInput = 2,       // arguments, files or values refused; nothing was written
    kExitPortReserved = 3,   // another program holds the shared port
    kExitWriteFailed = 4,    // the device did not take, or did not keep, what was written
    kExitGaveUpWaiting = 5,  // another run kept the device (the native build's state file) too long
};

// --link: auto is the panel's own choice with its USB fallback; the others name a route.
enum class LinkChoice { Auto, Usb, Lpt1, Lpt2, Lpt3, Ecp1, Ecp2, Ecp3 };

struct CommandContext {
    Os& os;
    std::ostream& out;  // data
    std::ostream& err;  // messages, progress and questions
    std::istream& in;   // answers to questions
    LinkChoice link = LinkChoice::Auto;
    // What the program holds besides the port while a command runs (the native build: its
    // state file), let go while a command waits for the user, so that other runs need not wait
    // for the answer, and taken again after. Each gives kExitOk, or an exit code with its
    // reason said. Empty where there is nothing to let go.
    std::function<int()> letGo = nullptr;
    std::function<int()> takeBack = nullptr;
    // True for the program's own files (the native build's state file), which no command
    // writes.
    std::function<bool(const std::string&)> isOwnFile = nullptr;
};

// No phonebook or backup file is anywhere near this large (a backup of the whole device is
// about 15 KiB); a larger file is refused before it is read, as the panel refuses it.
inline constexpr std::uint64_t kLargestInputFile = kLargestImportFile;

// A whole file through the seam (ReadWholeFile), refused unread when it is larger than
// `limit` bytes; nothing, with `*problem` saying what went wrong ("cannot read 'x': not
// found"), when it cannot be had.
std::optional<std::string> ReadInputFile(Os& os, const std::string& path, std::uint64_t limit,
                                         std::string* problem);
// What keeps a file from being read as text (UTF-16 above all), for people; empty when
// nothing does.
std::string EncodingProblem(const std::string& path, std::string_view text);
// Writes beside `path` and then puts the file in place, so that a failure leaves any old
// file whole; false, with `*problem` saying why, when it did not happen.
bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes,
                    std::string* problem);
// "could not write 'x': the disk is full"
std::string WriteProblem(const std::string& path, FileError error);
// An output file refused before the device is touched, with the reason said on standard error:
// one of the program's own files (bad input) or one that no save could write (writing failed).
// kExitOk when it may be written.
int CheckOutputFile(CommandContext& context, const std::string& path);
// "cannot read 'x': access denied"
std::string ReadProblem(const std::string& path, FileError error);

}  // namespace pd::ctl
