#include <ostream>
#include <string_view>

#include "mf40ctl/CommandContext.h"
#include "mf40ctl/Windows1252.h"
#include "platform/FileReplace.h"
#include "platform/ScopedFile.h"

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

std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::uint64_t limit,
                                         std::string* problem) {
    // Opened, a device name would reach the device (a port that may never answer a read).
    if (os.IsDeviceName(path)) {
        *problem = ReadProblem(path, FileError::DeviceName);
        return std::nullopt;
    }
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    std::uint64_t size = 0;
    if (!file || !os.GetFileSize(file.get(), &size)) {
        *problem = ReadProblem(path, os.LastFileError());
        return std::nullopt;
    }
    if (size > limit) {
        *problem = "'" + path + "' is " + Bytes(size) +
                   "; a file of this kind is never larger than " + Bytes(limit) +
                   ", so it is not read";
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        std::uint32_t done = 0;
        if (!os.ReadFile(file.get(), bytes.data() + filled,
                         static_cast<std::uint32_t>(bytes.size() - filled), &done)) {
            *problem = ReadProblem(path, os.LastFileError());
            return std::nullopt;
        }
        if (done == 0) break;  // the file got shorter while it was read: take what is there
        filled += done;
    }
    bytes.resize(filled);
    return bytes;
}

std::string EncodingProblem(const std::string& path, std::string_view text) {
    const std::string_view start = text.substr(0, 2);
    const bool utf16Mark = start == "\xFF\xFE" || start == "\xFE\xFF";
    if (!utf16Mark && text.find('\0') == std::string_view::npos) return {};
    return "'" + path + "' is " +
           (utf16Mark ? std::string("UTF-16 text (it begins with a UTF-16 byte-order mark)")
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
    if (!CanSave(context.os, path, &error)) return refuse(kExitWriteFailed, WriteProblem(path, error));
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
