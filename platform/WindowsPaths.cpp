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

}  // namespace

std::size_t WindowsFolderLength(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    const std::size_t dot = path.find_last_of('.');
    const bool hasDot = dot != std::string_view::npos && dot >= WindowsFolderLength(path);
    if (hasDot && dot + 1 < path.size()) return std::string(path);
    // "book." names no extension either: Windows drops the trailing dot.
    return std::string(path.substr(0, hasDot ? dot : path.size())).append(extension);
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
