#include "platform/WholeFile.h"

#include "platform/ScopedFile.h"

namespace pd {

std::optional<std::string> ReadWholeFile(Os& os, const std::string& path, std::uint64_t limit,
                                         FileError* error, std::uint64_t* size) {
    const auto fail = [&](FileError why) -> std::optional<std::string> {
        *error = why == FileError::None ? FileError::Other : why;
        return std::nullopt;
    };
    if (os.IsDeviceName(path)) return fail(FileError::DeviceName);
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    std::uint64_t length = 0;
    if (!file || !os.GetFileSize(file.get(), &length)) return fail(os.LastFileError());
    if (size != nullptr) *size = length;
    if (length > limit) return fail(FileError::TooLarge);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        std::uint32_t done = 0;
        if (!os.ReadFile(file.get(), bytes.data() + filled,
                         static_cast<std::uint32_t>(bytes.size() - filled), &done)) {
            return fail(os.LastFileError());
        }
        if (done == 0) break;
        filled += done;
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace pd
