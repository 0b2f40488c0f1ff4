// The portable Windows-1252 table against Windows' own code page 1252: every byte both ways,
// every UTF-16 unit going out (Windows' best fit included), and every capital letter.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/DeviceText.h"
#include "protocol/Windows1252.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

constexpr UINT kCodePage = 1252;

TEST(DeviceText, CodecAgreesWithWindowsCodePage1252) {
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        wchar_t expected = 0;
        ASSERT_EQ(::MultiByteToWideChar(kCodePage, 0, &byte, 1, &expected, 1), 1);
        EXPECT_EQ(FromDeviceBytes(std::string(1, byte)), TextFromWide(std::wstring(1, expected)))
            << "byte " << value;

        // A capital only where Windows upper-cases the letter to one the code page holds.
        wchar_t capital = expected;
        ::CharUpperBuffW(&capital, 1);
        char upper = 0;
        BOOL lost = FALSE;
        if (::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &capital, 1, &upper, 1, nullptr,
                                  &lost) != 1 ||
            lost) {
            upper = byte;
        }
        EXPECT_EQ(UpperWindows1252(std::string(1, byte)), std::string(1, upper))
            << "byte " << value;
    }
    for (int value = 1; value <= 0xFFFF; ++value) {
        const auto unit = static_cast<wchar_t>(value);
        char expected = 0;
        ASSERT_EQ(::WideCharToMultiByte(kCodePage, 0, &unit, 1, &expected, 1, "?", nullptr), 1);
        ASSERT_EQ(ToDeviceBytes(TextFromWide(std::wstring_view(&unit, 1))),
                  std::string(1, expected))
            << "unit " << value;
    }
}

}  // namespace
}  // namespace pd
