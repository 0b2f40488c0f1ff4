#include "platform/FileReplace.h"

#include <limits>

#include "platform/ScopedFile.h"

namespace pd {

namespace {

constexpr const char* kFreshSuffix = ".new";

bool WriteParts(Os& os, const std::string& path,
                std::initializer_list<std::span<const std::uint8_t>> parts) {
    ScopedFile file(os, os.OpenFile(path, access::kWrite, share::kNone, disposition::kCreateAlways,
                                    attributes::kNormal));
    if (!file) return false;
    for (const auto part : parts) {
        if (part.size() > std::numeric_limits<std::uint32_t>::max()) return false;
        std::uint32_t written = 0;
        const auto count = static_cast<std::uint32_t>(part.size());
        if (!os.WriteFile(file.get(), part.data(), count, &written) || written != count) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(Os& os, const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts) {
    const std::string fresh = path + kFreshSuffix;
    if (WriteParts(os, fresh, parts) && os.ReplaceFileWith(fresh, path)) return true;
    os.RemoveFile(fresh);
    return false;
}

}  // namespace pd
