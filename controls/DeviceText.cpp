#include "controls/DeviceText.h"

#include <windows.h>

#include "protocol/Windows1252.h"

namespace pd {

namespace {

constexpr UINT kDeviceCodePage = 1252;

// Windows' own best fit ("Ā" becomes "A") for a character the code page lacks.
char ClosestDeviceByte(wchar_t unit) {
    char byte = '?';
    ::WideCharToMultiByte(kDeviceCodePage, 0, &unit, 1, &byte, 1, "?", nullptr);
    return byte;
}

}  // namespace

std::wstring FromDeviceBytes(std::string_view bytes) { return Windows1252ToWide(bytes); }

std::string ToDeviceBytes(std::wstring_view text) {
    return WideToWindows1252(text, ClosestDeviceByte);
}

}  // namespace pd
