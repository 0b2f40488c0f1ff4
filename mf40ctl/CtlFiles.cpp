#include <ostream>
#include <string_view>

#include "mf40ctl/CommandContext.h"
#include "mf40ctl/TerminalText.h"
#include "platform/FileReplace.h"
#include "platform/WholeFile.h"
#include "protocol/Windows1252.h"

namespace pd::ctl {

namespace {

// A size in bytes, and in MiB where that is a whole number: a limit of 1 MiB and a file one
// byte over it must not read alike.
std::string Bytes(std::uint64_t bytes) {
    std::string text = std::to_string(bytes) + " bytes";
    if (bytes != 0 && bytes % (std::uint64_t{1} << 20) == 0) {
        text += " (" + std::to_string(bytes >> 20) + " MiB)";
    }
    return text;
}

}  // namespace

std::string ReadProblem(const std::string& path, FileError error) {
    return "cannot read '" + path + "': " + DescribeFileError(error);
}

std::string WriteProblem(const std::string& path, FileError error) {
    return "could not write '" + path + "': " + DescribeFileError(error);
}

std::optional<std::string> ReadInputFile(Os& os, const std::string& path, std::uint64_t limit,
                                         std::string* problem) {
    FileError error = FileError::None;
    std::uint64_t size = 0;
    std::optional<std::string> bytes = ReadWholeFile(os, path, limit, &error, &size);
    if (bytes) return bytes;
    if (error == FileError::TooLarge && size > limit) {
        *problem = "'" + path + "' is " + Bytes(size) +
                   "; a file of this kind is never larger than " + Bytes(limit) +
                   ", so it is not read";
    } else {
        *problem = ReadProblem(path, error);
    }
    return std::nullopt;
}

std::string EncodingProblem(const std::string& path, std::string_view text) {
    const TextEncoding encoding = DetectTextEncoding(text);
    if (encoding != TextEncoding::Utf16 && encoding != TextEncoding::ZeroBytes) return {};
    return "'" + path + "' is " +
           (encoding == TextEncoding::Utf16
                ? std::string("UTF-16 text (it begins with a UTF-16 byte-order mark)")
                : std::string("not UTF-8 text: it holds zero bytes, as UTF-16 text does")) +
           "; save it as UTF-8 and try again";
}

int CheckOutputFile(CommandContext& context, const std::string& path) {
    const auto refuse = [&](int code, const std::string& problem) {
        context.err << "mf40ctl: " << EscapeForTerminal(problem) << "\n";
        return code;
    };
    if (context.isOwnFile && context.isOwnFile(path)) {
        return refuse(kExitBadInput, "'" + path +
                                         "' is the virtual device's state file (--sim-state), "
                                         "which holds the device's memory; choose another file");
    }
    FileError error = FileError::None;
    if (!CanSave(context.os, path, &error))
        return refuse(kExitWriteFailed, WriteProblem(path, error));
    return kExitOk;
}

bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes,
                    std::string* problem) {
    FileError error = FileError::None;
    const std::span text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (ReplaceFileContents(os, path, {text}, &error)) return true;
    *problem = WriteProblem(path, error);
    return false;
}

}  // namespace pd::ctl
