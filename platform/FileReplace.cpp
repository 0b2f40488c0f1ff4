#include "platform/FileReplace.h"

#include <cstdio>
#include <limits>
#include <optional>

#include "platform/ScopedFile.h"

namespace pd {

namespace {

// The fresh file is "<target>.<16 hex digits>.tmp": in the target's folder, so that it can
// take the target's place, and under a name that cannot be planted in advance.
constexpr std::size_t kNameRandomBytes = 8;
constexpr const char* kFreshSuffix = ".tmp";
// Names already taken are passed over; a few draws in a row that all meet a file are no
// chance but someone filling the folder, and the caller gives up.
constexpr int kNameDraws = 4;

std::optional<std::string> UnguessableName(Os& os, const std::string& path,
                                           const char* suffix) {
    std::uint8_t random[kNameRandomBytes];
    if (!os.RandomBytes(random, sizeof random)) return std::nullopt;
    std::string name = path + ".";
    for (const std::uint8_t byte : random) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        name += digits;
    }
    return name + suffix;
}

// The reason of the call that just failed; a seam that names none still failed.
FileError Reason(Os& os) {
    const FileError error = os.LastFileError();
    return error == FileError::None ? FileError::Other : error;
}

FileError WriteParts(Os& os, FileHandle file,
                     std::initializer_list<std::span<const std::uint8_t>> parts) {
    for (const auto part : parts) {
        if (part.size() > std::numeric_limits<std::uint32_t>::max()) return FileError::TooLarge;
        std::uint32_t written = 0;
        const auto count = static_cast<std::uint32_t>(part.size());
        if (!os.WriteFile(file, part.data(), count, &written)) return Reason(os);
        if (written != count) return FileError::DiskFull;
    }
    return FileError::None;
}

FileError Replace(Os& os, const std::string& path,
                  std::initializer_list<std::span<const std::uint8_t>> parts) {
    // Refused before anything is made beside it.
    if (!os.CanReplace(path)) return Reason(os);

    std::string fresh;
    FileError made = FileError::None;
    const FileHandle handle = CreateUnguessableFile(os, path, kFreshSuffix, &fresh, &made);
    if (handle == kNoFile) return made;

    ScopedFile file(os, handle);
    FileError error = WriteParts(os, file.get(), parts);
    file.Close();
    if (error == FileError::None && !os.ReplaceFileWith(fresh, path)) error = Reason(os);
    // Only the file made here is ever removed.
    if (error != FileError::None) os.RemoveFile(fresh);
    return error;
}

}  // namespace

bool ReplaceFileContents(Os& os, const std::string& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts,
                         FileError* error) {
    const FileError outcome = Replace(os, path, parts);
    if (error) *error = outcome;
    return outcome == FileError::None;
}

FileHandle CreateUnguessableFile(Os& os, const std::string& path, const char* suffix,
                                 std::string* name, FileError* error) {
    *error = FileError::Exists;
    for (int draw = 0; draw < kNameDraws; ++draw) {
        const std::optional<std::string> drawn = UnguessableName(os, path, suffix);
        if (!drawn) {
            *error = FileError::Other;
            return kNoFile;
        }
        const FileHandle handle = os.OpenFile(*drawn, access::kWrite, share::kNone,
                                              disposition::kCreateNew, attributes::kNormal);
        if (handle != kNoFile) {
            *name = *drawn;
            *error = FileError::None;
            return handle;
        }
        if (const FileError reason = Reason(os); reason != FileError::Exists) {
            *error = reason;
            return kNoFile;
        }
    }
    return kNoFile;
}

const char* DescribeFileError(FileError error) {
    switch (error) {
        case FileError::None: return "no error";
        case FileError::NotFound: return "not found";
        case FileError::AccessDenied: return "access denied";
        case FileError::IsFolder: return "is a folder";
        case FileError::DiskFull: return "the disk is full";
        case FileError::TooLarge: return "too large";
        case FileError::Exists: return "a file of that name is already there";
        case FileError::NotPlainFile: return "not a plain file (a device, pipe or the like)";
        case FileError::IsLink: return "is a symbolic link; name the file it points to";
        case FileError::ReadOnly: return "the file is read-only";
        case FileError::InUse: return "in use by another program";
        case FileError::Other: break;
    }
    return "the system refused it";
}

}  // namespace pd
