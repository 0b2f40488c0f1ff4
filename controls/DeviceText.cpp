#include "controls/DeviceText.h"

#include <windows.h>

namespace pd {

namespace {

// Western European: the code page the device's texts are written in.
constexpr UINT kDeviceCodePage = 1252;

}  // namespace

std::wstring FromDeviceBytes(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    // A single-byte code page gives one UTF-16 unit per byte.
    std::wstring text(bytes.size(), L'\0');
    const int made = ::MultiByteToWideChar(kDeviceCodePage, 0, bytes.data(), size, text.data(),
                                           size);
    text.resize(made > 0 ? static_cast<std::size_t>(made) : 0);
    return text;
}

std::string ToDeviceBytes(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::string bytes(text.size() * 2, '\0');
    const int made = ::WideCharToMultiByte(kDeviceCodePage, 0, text.data(), size, bytes.data(),
                                           static_cast<int>(bytes.size()), "?", nullptr);
    bytes.resize(made > 0 ? static_cast<std::size_t>(made) : 0);
    return bytes;
}

}  // namespace pd
