// UTF-8 crossing into the program's texts, by our own code (Windows 95 has no UTF-8 of its
// own), and device texts going back to the device.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/DeviceText.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

TEST(TextMode, Utf8BecomesUtf16AndBackWithReplacementsForWhatIsNoCharacter) {
    const struct {
        const char* what;
        std::string utf8;
        std::wstring wide;
        std::string back;  // the UTF-8 that the wide text makes again
    } cases[] = {
        {"ASCII", "PB.PBF", L"PB.PBF", "PB.PBF"},
        {"two and three bytes", "K\xC3\xA4yt\xC3\xA4 \xE2\x82\xAC", L"K\u00E4yt\u00E4 \u20AC",
         "K\xC3\xA4yt\xC3\xA4 \xE2\x82\xAC"},
        {"four bytes: a surrogate pair", "a\xF0\x9F\x98\x80", L"a\xD83D\xDE00",
         "a\xF0\x9F\x98\x80"},
        {"a byte that starts nothing",
         "a\xFF"
         "b",
         L"a\uFFFDb",
         "a\xEF\xBF\xBD"
         "b"},
        {"a sequence cut short", "a\xC3", L"a\uFFFD", "a\xEF\xBF\xBD"},
        {"an overlong form", "\xC0\xAF", L"\uFFFD\uFFFD", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WidenUtf8(c.utf8), c.wide) << c.what;
        EXPECT_EQ(NarrowToUtf8(WidenUtf8(c.utf8)), c.back) << c.what;
    }
    EXPECT_EQ(NarrowToUtf8(L"x\xD800y"), "x\xEF\xBF\xBDy") << "half a surrogate pair";
    // The program's own texts: a path with the code page's letters survives the trip.
    EXPECT_EQ(Utf8FromText(TextFromUtf8("C:\\P\xC3\xA4iv\xC3\xA4t\\kirja.PBF")),
              "C:\\P\xC3\xA4iv\xC3\xA4t\\kirja.PBF");
    EXPECT_EQ(ToTString(-1205), TEXT("-1205"));
}

// A device text the user left as it was shown goes back as the very bytes it came from, even
// where the screen's code page could not show them all; an edited one as the user made it.
TEST(TextMode, UntouchedDeviceTextsGoBackByteForByte) {
    const std::string fromDevice = "\x81\x8D\xC4 \xFF\x80 ~";
    EXPECT_EQ(DeviceBytesFor(FromDeviceBytes(fromDevice), fromDevice), fromDevice);
    EXPECT_EQ(DeviceBytesFor(ShownText(L"\u00C4IDIN"), fromDevice), "\xC4IDIN");
    EXPECT_EQ(DeviceBytesFor(TEXT(""), fromDevice), "");

    char field[9] = "\xC5SA\x9D";
    StoreDeviceText(field, FromDeviceText(field));
    EXPECT_EQ(std::string(field, sizeof field), std::string("\xC5SA\x9D\0\0\0\0\0", 9));
    StoreDeviceText(field, TEXT("NEW NAME TOO LONG"));
    EXPECT_EQ(std::string(field, sizeof field), std::string("NEW NAME\0", 9));
}

}  // namespace
}  // namespace pd
