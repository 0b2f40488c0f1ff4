#include <limits>

#include "mf40ctl/CommandContext.h"
#include "platform/FileReplace.h"
#include "platform/ScopedFile.h"

namespace pd::ctl {

namespace {

// Far beyond any phonebook, backup or address book; a larger file is not one of them.
constexpr std::uint64_t kLargestTextFile = std::uint64_t{16} << 20;

}  // namespace

std::optional<std::string> ReadWholeFile(Os& os, const std::string& path) {
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    std::uint64_t size = 0;
    if (!file || !os.GetFileSize(file.get(), &size) || size > kLargestTextFile) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        std::uint32_t done = 0;
        if (!os.ReadFile(file.get(), bytes.data() + filled,
                         static_cast<std::uint32_t>(bytes.size() - filled), &done) ||
            done == 0) {
            return std::nullopt;
        }
        filled += done;
    }
    return bytes;
}

bool WriteWholeFile(Os& os, const std::string& path, const std::string& bytes) {
    return ReplaceFileContents(
        os, path, {std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())});
}

}  // namespace pd::ctl
