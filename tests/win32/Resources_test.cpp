// The program's resources as the windows load them: pictures, menu and version.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/Handles.h"
#include "controls/Strings.h"
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

TEST(Resources, VersionBlockSaysProductVersion105) {
    HRSRC found = ::FindResourceW(ResourceModule(), MAKEINTRESOURCEW(1), RT_VERSION);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(ResourceModule(), found)));
    const DWORD size = ::SizeofResource(ResourceModule(), found);
    // The fixed block follows the "VS_VERSION_INFO" key, on a 4-byte boundary.
    const VS_FIXEDFILEINFO* fixed = nullptr;
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        const auto* candidate = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + at);
        if (candidate->dwSignature == VS_FFI_SIGNATURE) {
            fixed = candidate;
            break;
        }
    }
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(5, 1));
}

}  // namespace
}  // namespace pd
