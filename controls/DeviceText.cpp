#include "controls/DeviceText.h"

#include <windows.h>

#include "protocol/Windows1252.h"
#include "win32/TextMode.h"

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

tstring FromDeviceBytes(std::string_view bytes) { return TextFromWide(Windows1252ToWide(bytes)); }

std::string ToDeviceBytes(tstring_view text) {
    return WideToWindows1252(WideFromText(text), ClosestDeviceByte);
}

std::string DeviceBytesFor(tstring_view text, std::string_view shownFrom) {
    if (text == FromDeviceBytes(shownFrom)) return std::string(shownFrom);
    return ToDeviceBytes(text);
}

}  // namespace pd
