#include "mf40ctl/CommandContext.h"
#include "platform/FileReplace.h"
#include "platform/ScopedFile.h"

namespace pd::ctl {

namespace {

std::string MiB(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes * 10 + (std::uint64_t{1} << 19)) >> 20;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MiB";
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
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    std::uint64_t size = 0;
    if (!file || !os.GetFileSize(file.get(), &size)) {
        *problem = ReadProblem(path, os.LastFileError());
        return std::nullopt;
    }
    if (size > limit) {
        *problem = "'" + path + "' is " + MiB(size) +
                   "; a file of this kind is never larger than " + MiB(limit) +
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

bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes,
                    std::string* problem) {
    FileError error = FileError::None;
    const std::span text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (ReplaceFileContents(os, path, {text}, &error)) return true;
    *problem = WriteProblem(path, error);
    return false;
}

}  // namespace pd::ctl
