#include "platform/WindowsPaths.h"

#include <string>

namespace pd {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

template <typename Char>
std::size_t FolderLength(std::basic_string_view<Char> path) {
    constexpr Char kSeparators[] = {Char('\\'), Char('/'), Char(':'), Char(0)};
    const std::size_t separator = path.find_last_of(kSeparators);
    return separator == std::basic_string_view<Char>::npos ? 0 : separator + 1;
}

// Where the dot that begins the file name's extension stands; npos when the name has none.
// A dot in a folder's name does not count.
template <typename Char>
std::size_t ExtensionDot(std::basic_string_view<Char> path) {
    const std::size_t dot = path.find_last_of(Char('.'));
    return dot != std::basic_string_view<Char>::npos && dot >= FolderLength(path)
               ? dot
               : std::basic_string_view<Char>::npos;
}

template <typename Char>
std::basic_string<Char> WithExtensionReplaced(std::basic_string_view<Char> path,
                                              std::basic_string_view<Char> extension) {
    return std::basic_string<Char>(path.substr(0, ExtensionDot(path))).append(extension);
}

}  // namespace

std::size_t WindowsFolderLength(std::string_view path) { return FolderLength(path); }

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    const std::size_t dot = ExtensionDot(path);
    if (dot != std::string_view::npos && dot + 1 < path.size()) return std::string(path);
    // "book." names no extension either: Windows drops the trailing dot.
    return WithExtensionReplaced(path, extension);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    return WithExtensionReplaced(path, extension);
}

std::wstring ReplaceExtension(std::wstring_view path, std::wstring_view extension) {
    return WithExtensionReplaced(path, extension);
}

bool IsWindowsDeviceName(std::string_view path) {
    if (path.substr(0, 4) == "\\\\.\\" || path.substr(0, 4) == "//./") return true;
    // The name up to its first dot, without the spaces Windows drops at its end.
    std::string_view name = path.substr(WindowsFolderLength(path));
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    const std::string upper = Upper(name);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (upper == device) return true;
    }
    const std::string_view stem = std::string_view(upper).substr(0, 3);
    return upper.size() == 4 && (stem == "COM" || stem == "LPT") && upper[3] >= '1' &&
           upper[3] <= '9';
}

}  // namespace pd
