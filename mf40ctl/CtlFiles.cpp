#include <limits>

#include "mf40ctl/CommandContext.h"
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
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return false;
    const std::string fresh = path + ".new";
    bool written = false;
    {
        ScopedFile file(os, os.OpenFile(fresh, access::kWrite, share::kNone,
                                        disposition::kCreateAlways, attributes::kNormal));
        if (!file) return false;
        std::uint32_t done = 0;
        written = os.WriteFile(file.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                               &done) &&
                  done == bytes.size();
    }
    if (!written || !os.ReplaceFileWith(fresh, path)) {
        os.RemoveFile(fresh);
        return false;
    }
    return true;
}

}  // namespace pd::ctl
