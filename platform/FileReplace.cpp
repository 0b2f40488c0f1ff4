#include "platform/FileReplace.h"

#include <limits>
#include <string_view>

#include "platform/ScopedFile.h"

namespace pd {

namespace {

constexpr std::string_view kFreshSuffix = ".tmp";
// How every fresh name begins, so that a file of the user's is never taken for one.
constexpr std::string_view kFreshMark = "~pd";
// Lower-case letters and digits: every file system takes them, and one that keeps no case
// gives them back in either.
constexpr std::string_view kNameAlphabet = "0123456789abcdefghijklmnopqrstuv";
constexpr std::size_t kTagLength = 12;         // 60 bits of the target's name
constexpr std::size_t kLongRandomLength = 8;   // 40 bits
constexpr std::size_t kShortRandomLength = 5;  // "~pd" and five: the eight of an 8.3 name
// The fresh names of earlier versions: "<target>.<16 hex digits><suffix>".
constexpr std::size_t kOldRandomDigits = 16;
// Names already taken are passed over; a few draws in a row that all meet a file are no
// chance but someone filling the folder, and the caller gives up.
constexpr int kNameDraws = 4;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool AllIn(std::string_view text, std::string_view alphabet) {
    for (const char c : text) {
        if (alphabet.find(Lower(c)) == std::string_view::npos) return false;
    }
    return true;
}

// The target's name as a tag: the same for every save of it, in whatever case Windows was
// given it, and different for other names but by a chance of one in 2^60.
std::string TargetTag(std::string_view name) {
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(Lower(c));
        hash *= 0x100000001B3u;
    }
    std::string tag;
    for (std::size_t i = 0; i < kTagLength; ++i, hash >>= 5) tag += kNameAlphabet[hash & 31];
    return tag;
}

bool RandomCharacters(Os& os, std::size_t count, std::string* out) {
    std::uint8_t random[16];
    if (count > sizeof random || !os.RandomBytes(random, static_cast<std::uint32_t>(count))) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) *out += kNameAlphabet[random[i] & 31];
    return true;
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

// A name that is no file at all is refused before anything is made beside it.
FileError NameProblem(Os& os, const std::string& path) {
    if (path.size() == os.FolderLength(path)) return FileError::BadName;
    if (os.IsDeviceName(path)) return FileError::DeviceName;
    return FileError::None;
}

// A fresh file that an earlier save left behind goes once nobody holds it: a save that is
// still writing its own holds it open (and locked), so that it is never taken from under it.
// Short names say no target; they are looked for only where this save needed one too.
void RemoveLeftBehindFreshFiles(Os& os, const std::string& path, const std::string& fresh,
                                bool shortNamesToo) {
    for (const std::string& left : LeftBehindFiles(os, path, kFreshSuffix.data(), shortNamesToo)) {
        if (left == fresh) continue;
        ScopedFile file(os, os.OpenFile(left, access::kRead, share::kNone,
                                        disposition::kOpenExisting, attributes::kNormal));
        if (!file || !os.LockFile(file.get(), false)) continue;
        file.Close();
        os.RemoveFile(left);
    }
}

FileError Replace(Os& os, const std::string& path,
                  std::initializer_list<std::span<const std::uint8_t>> parts) {
    if (const FileError problem = NameProblem(os, path); problem != FileError::None) {
        return problem;
    }
    // Refused before anything is made beside it.
    if (!os.CanReplace(path)) return Reason(os);

    std::string fresh;
    FileError made = FileError::None;
    const FileHandle handle = CreateUnguessableFile(os, path, kFreshSuffix.data(), &fresh, &made);
    if (handle == kNoFile) return made;
    os.WatchFreshFile(fresh, true);
    const bool shortName = fresh.size() - os.FolderLength(path) ==
                           kFreshMark.size() + kShortRandomLength + kFreshSuffix.size();
    RemoveLeftBehindFreshFiles(os, path, fresh, shortName);

    ScopedFile file(os, handle);
    FileError error = WriteParts(os, file.get(), parts);
    file.Close();
    if (error == FileError::None && !os.ReplaceFileWith(fresh, path)) error = Reason(os);
    // Only the file made here is ever removed.
    if (error != FileError::None) os.RemoveFile(fresh);
    os.WatchFreshFile(fresh, false);
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

bool CanSave(Os& os, const std::string& path, FileError* error) {
    *error = NameProblem(os, path);
    if (*error != FileError::None) return false;
    if (!os.CanReplace(path)) {
        *error = Reason(os);
        return false;
    }
    std::string fresh;
    const FileHandle handle = CreateUnguessableFile(os, path, kFreshSuffix.data(), &fresh, error);
    if (handle == kNoFile) return false;
    os.WatchFreshFile(fresh, true);
    os.CloseFile(handle);
    os.RemoveFile(fresh);
    os.WatchFreshFile(fresh, false);
    return true;
}

FileHandle CreateUnguessableFile(Os& os, const std::string& path, const char* suffix,
                                 std::string* name, FileError* error) {
    const std::size_t folderLength = os.FolderLength(path);
    const std::string folder = path.substr(0, folderLength);
    const std::string tag = TargetTag(std::string_view(path).substr(folderLength));
    bool shortName = false;
    *error = FileError::Exists;
    for (int draw = 0; draw < kNameDraws; ++draw) {
        std::string drawn = folder + std::string(kFreshMark);
        if (!shortName) drawn += tag;
        if (!RandomCharacters(os, shortName ? kShortRandomLength : kLongRandomLength, &drawn)) {
            *error = FileError::Other;
            return kNoFile;
        }
        drawn += suffix;
        const FileHandle handle = os.OpenFile(drawn, access::kWrite, share::kNone,
                                              disposition::kCreateNew, attributes::kNormal);
        if (handle != kNoFile) {
            *name = drawn;
            *error = FileError::None;
            return handle;
        }
        const FileError reason = Reason(os);
        if ((reason == FileError::NameTooLong || reason == FileError::BadName) && !shortName) {
            // The volume takes no name of this length (8.3 names only, or a path near the
            // longest it takes): a short one is tried instead, without using up a draw.
            shortName = true;
            --draw;
            continue;
        }
        if (reason != FileError::Exists) {
            *error = reason;
            return kNoFile;
        }
    }
    return kNoFile;
}

std::vector<std::string> LeftBehindFiles(Os& os, const std::string& path, const char* suffix,
                                         bool shortNamesToo) {
    const std::size_t folderLength = os.FolderLength(path);
    const std::string folder = path.substr(0, folderLength);
    const std::string_view target = std::string_view(path).substr(folderLength);
    std::vector<std::string> names;
    std::vector<std::string> found;
    if (target.empty() || !os.ListFolder(folder, &names)) return found;

    const std::string tag = TargetTag(target);
    const std::string_view ending(suffix);
    const std::size_t longLength =
        kFreshMark.size() + kTagLength + kLongRandomLength + ending.size();
    const std::size_t shortLength = kFreshMark.size() + kShortRandomLength + ending.size();
    const std::size_t oldLength = target.size() + 1 + kOldRandomDigits + ending.size();
    for (const std::string& name : names) {
        const std::string_view candidate(name);
        if (candidate.size() < ending.size() ||
            !SameIgnoringCase(candidate.substr(candidate.size() - ending.size()), ending)) {
            continue;
        }
        const std::string_view body = candidate.substr(0, candidate.size() - ending.size());
        bool ours = false;
        if (candidate.size() == longLength || candidate.size() == shortLength) {
            const std::string_view random = body.substr(kFreshMark.size());
            ours = SameIgnoringCase(body.substr(0, kFreshMark.size()), kFreshMark) &&
                   AllIn(random, kNameAlphabet) &&
                   (candidate.size() == shortLength
                        ? shortNamesToo
                        : SameIgnoringCase(random.substr(0, kTagLength), tag));
        }
        if (!ours && candidate.size() == oldLength) {
            ours = body.substr(0, target.size()) == target && body[target.size()] == '.' &&
                   AllIn(body.substr(target.size() + 1), "0123456789abcdef");
        }
        if (ours) found.push_back(folder + name);
    }
    return found;
}

const char* DescribeFileError(FileError error) {
    switch (error) {
        case FileError::None:
            return "no error";
        case FileError::NotFound:
            return "not found";
        case FileError::AccessDenied:
            return "access denied";
        case FileError::IsFolder:
            return "is a folder";
        case FileError::DiskFull:
            return "the disk is full";
        case FileError::TooLarge:
            return "too large";
        case FileError::Exists:
            return "a file of that name is already there";
        case FileError::NotPlainFile:
            return "not a plain file (a device, pipe or the like)";
        case FileError::IsLink:
            return "is a symbolic link; name the file it points to";
        case FileError::LinkLoop:
            return "symbolic links that lead round in a circle; none of them reaches a file";
        case FileError::ReadOnly:
            return "the file is read-only";
        case FileError::InUse:
            return "in use by another program";
        case FileError::NameTooLong:
            return "the name is too long for the file system";
        case FileError::BadName:
            return "not a name the file system takes (no name at all, a character it "
                   "refuses, or longer than the 8.3 names of its volume)";
        case FileError::DeviceName:
            return "Windows keeps that name for a device (CON, PRN, AUX, NUL, COM1-COM9, "
                   "LPT1-LPT9, with any extension), so it is no file";
        case FileError::Other:
            break;
    }
    return "the system refused it";
}

}  // namespace pd
