// The program's resources as the windows load them: pictures, menu and version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "PanelDeskVersion.h"

#include "controls/Handles.h"
#include "controls/Strings.h"
#include "win32/Win32Os.h"
#include "resources/resource.h"
#include "support/UiTest.h"

namespace pd {
namespace {

TEST(Resources, IconsAre32By32) {
    for (int id : {IDI_APP, IDI_EXIT, IDI_HELP, IDI_OK, IDI_CANCEL}) {
        ScopedIcon icon(static_cast<HICON>(
            ::LoadImageW(ResourceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, 0)));
        ASSERT_TRUE(icon) << "icon " << id;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        ScopedBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bits{};
        ::GetObjectW(info.hbmColor, sizeof bits, &bits);
        EXPECT_EQ(bits.bmWidth, 32) << "icon " << id;
        EXPECT_EQ(bits.bmHeight, 32) << "icon " << id;
    }
}

TEST(Resources, TabStripHoldsFiveImagesOnTransparentBlue) {
    ScopedBitmap strip(static_cast<HBITMAP>(::LoadImageW(
        ResourceModule(), MAKEINTRESOURCEW(IDB_TAB_IMAGES), IMAGE_BITMAP, 0, 0, 0)));
    ASSERT_TRUE(strip);
    BITMAP bits{};
    ::GetObjectW(strip.get(), sizeof bits, &bits);
    EXPECT_EQ(bits.bmWidth, 100);
    EXPECT_EQ(bits.bmHeight, 20);
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    SelectGuard selected(dc.get(), strip.get());
    for (int image = 0; image < 5; ++image) {
        int blue = 0, drawn = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = image * 20; x < image * 20 + 20; ++x) {
                (::GetPixel(dc.get(), x, y) == RGB(0, 0, 255) ? blue : drawn)++;
            }
        }
        EXPECT_GT(blue, 20) << "image " << image << " has a transparent background";
        EXPECT_GT(drawn, 100) << "image " << image << " has a glyph";
    }
}

TEST(Resources, MainMenuHasTheFileAndHelpCommandsWithThePhonebookOnesGrayed) {
    HMENU menu = ::LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    const struct {
        int id;
        bool grayed;
    } items[] = {{ID_FILE_OPEN_PHONEBOOK, true}, {ID_FILE_SAVE_PHONEBOOK, true},
                 {ID_FILE_EXIT, false},          {ID_HELP_CONTENTS, false},
                 {ID_HELP_ABOUT, false}};
    for (const auto& item : items) {
        const UINT state = ::GetMenuState(menu, item.id, MF_BYCOMMAND);
        ASSERT_NE(state, static_cast<UINT>(-1)) << item.id;
        EXPECT_EQ((state & MF_GRAYED) != 0, item.grayed) << item.id;
    }
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, ID_HELP_CONTENTS, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Sisällys");
    ::DestroyMenu(menu);
}

// What Explorer's properties sheet and the About box show, and what the installers say: all
// the same version, 1.05, whose numbers are 1 and 5 (not 1 and 05 read as text).
TEST(Resources, VersionBlockAndAboutTextSayVersion105) {
    const std::wstring program = ModulePath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    const auto text = [&](const wchar_t* name) -> std::wstring {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040B04B0\\") + name;
        wchar_t* value = nullptr;
        UINT chars = 0;
        const bool found =
            ::VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars);
        return found ? std::wstring(value) : L"(missing)";
    };
    EXPECT_EQ(text(L"FileVersion"), L"1.05");
    EXPECT_EQ(text(L"ProductVersion"), L"1.05");
    EXPECT_EQ(text(L"ProductName"), L"Ostrex MF 40 PanelDesk");
    EXPECT_EQ(text(L"CompanyName"), L"Veltra");

    EXPECT_EQ(LoadResString(IDS_ABOUT_VERSION), L"Versio 1.05");
    EXPECT_EQ(LoadResString(IDS_ABOUT_VERSION), L"Versio " + WidenUtf8(PD_VERSION_STRING));
}

}  // namespace
}  // namespace pd
