// The About box: sized from its picture, its button placed under it, its texts painted white
// over the grey field; and the bitmap drawing routine it uses.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/AboutDlg.h"
#include "controls/Strings.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::Canvas;

constexpr int kPictureWidth = 596;
constexpr int kPictureHeight = 327;

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        owner = ::CreateWindowEx(0, TEXT("STATIC"), TEXT("owner"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 150, 120, 700, 560, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(about.Create(owner));
    }
    void TearDown() override {
        about.Destroy();
        ::DestroyWindow(owner);
    }

    HWND owner = nullptr;
    CAboutDlg about;
};

TEST_F(AboutBox, WindowIsSizedFromThePicture) {
    BITMAP picture{};
    ASSERT_TRUE(::GetObject(about.picture(), sizeof picture, &picture));
    EXPECT_EQ(picture.bmWidth, kPictureWidth);
    EXPECT_EQ(picture.bmHeight, kPictureHeight);

    RECT window{};
    ::GetWindowRect(about.hwnd(), &window);
    EXPECT_EQ(window.right - window.left, 621);
    EXPECT_EQ(window.bottom - window.top, 397 + ::GetSystemMetrics(SM_CYCAPTION));
}

TEST_F(AboutBox, OkButtonIsCentredUnderThePictureOneButtonHeightBelowIt) {
    const RECT button = test::RectInParent(about.Item(IDOK));
    const RECT templateSize = test::DialogUnits(about.hwnd(), 61, 143, 56, 16);
    const int width = templateSize.right - templateSize.left;
    const int height = templateSize.bottom - templateSize.top;
    EXPECT_EQ(button.right - button.left, width) << "the button keeps its size";
    EXPECT_EQ(button.bottom - button.top, height);
    EXPECT_EQ(button.left, (kPictureWidth + 25 - width) / 2);
    EXPECT_EQ(button.top, kPictureHeight + height);
}

TEST_F(AboutBox, SitsCentredOverItsOwner) {
    RECT own{}, over{};
    ::GetWindowRect(about.hwnd(), &own);
    ::GetWindowRect(owner, &over);
    EXPECT_NEAR((own.left + own.right) / 2, (over.left + over.right) / 2, 1);
    EXPECT_NEAR((own.top + own.bottom) / 2, (over.top + over.bottom) / 2, 1);
}

TEST_F(AboutBox, TextFontIsEightPixelMsSansSerif) {
    LOGFONT font{};
    ASSERT_TRUE(::GetObject(about.textFont(), sizeof font, &font));
    EXPECT_EQ(font.lfHeight, 8);
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_STREQ(font.lfFaceName, TEXT("MS Sans Serif"));
}

// Where the painted texts are: the pixels that differ from the picture alone. White text
// over the grey field gives white pixels and, where the font is smoothed, lighter greys.
struct TextSpan {
    int left = 10000;
    int right = -1;
    int count = 0;
    int white = 0;
    int otherColours = 0;
};

TextSpan TextIn(const Canvas& painted, const Canvas& picture, int top, int bottom) {
    TextSpan span;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const COLORREF colour = painted.At(x, y);
            if (colour == picture.At(x, y)) continue;
            const int grey = GetRValue(colour);
            span.white += colour == RGB(255, 255, 255);
            span.otherColours +=
                GetGValue(colour) != grey || GetBValue(colour) != grey || grey < 128;
            span.left = std::min(span.left, x);
            span.right = std::max(span.right, x);
            ++span.count;
        }
    }
    return span;
}

TEST_F(AboutBox, PaintsThePictureAndTheFourTextsWhiteAndCentredOverTheGreyField) {
    RECT client{};
    ::GetClientRect(about.hwnd(), &client);
    Canvas painted(client.right, client.bottom), picture(client.right, client.bottom);
    painted.Fill(RGB(0, 0, 0));
    picture.Fill(RGB(0, 0, 0));
    about.PaintTo(painted.dc());
    ASSERT_TRUE(DrawBitmapAt(picture.dc(), 10, 10, -1, -1, about.picture(), SRCCOPY));

    EXPECT_EQ(painted.At(10 + 5, 10 + 300), RGB(192, 192, 192)) << "picture drawn at (10, 10)";
    EXPECT_EQ(painted.At(22, 150), RGB(128, 128, 128)) << "grey field under the texts";

    const struct {
        UINT id;
        int top;
        int bottom;
    } rows[] = {{IDS_ABOUT_MODEL, 145, 165},
                {IDS_ABOUT_VERSION, 165, 185},
                {IDS_ABOUT_COPYRIGHT, 225, 245},
                {IDS_ABOUT_RIGHTS, 245, 265}};
    for (const auto& row : rows) {
        const TextSpan span = TextIn(painted, picture, row.top, row.bottom);
        ASSERT_GT(span.count, 0) << "string " << row.id;
        EXPECT_GT(span.white, 0) << "string " << row.id << " is white";
        EXPECT_EQ(span.otherColours, 0) << "string " << row.id << " is white";
        EXPECT_GE(span.left, 20) << "string " << row.id;
        EXPECT_LT(span.right, 530) << "string " << row.id;
        EXPECT_NEAR((span.left + span.right) / 2, 275, 3) << "string " << row.id;
    }
    EXPECT_EQ(TextIn(painted, picture, 0, 145).count, 0) << "nothing above the texts";
    EXPECT_EQ(TextIn(painted, picture, 185, 225).count, 0) << "nothing between the groups";
    EXPECT_NE(LoadResString(IDS_ABOUT_COPYRIGHT).find(TEXT("Veltra")), tstring::npos);
}

TEST(DrawBitmapAt, DrawsTheBitmapCutToItsOwnSizeAndRefusesWhatIsMissing) {
    Canvas source(4, 3);
    source.Fill(RGB(0, 0, 255));
    // A bitmap of its own, detached from the canvas: 4 x 3 pixels of blue.
    ScopedBitmap bitmap(static_cast<HBITMAP>(
        ::CopyImage(::GetCurrentObject(source.dc(), OBJ_BITMAP), IMAGE_BITMAP, 0, 0, 0)));
    ASSERT_TRUE(bitmap);

    const struct {
        int width;
        int height;
        int drawnWidth;
        int drawnHeight;
    } cases[] = {{-1, -1, 4, 3}, {10, 10, 4, 3}, {2, -1, 2, 3}, {-1, 1, 4, 1}};
    for (const auto& c : cases) {
        Canvas target(8, 8);
        target.Fill(RGB(255, 255, 255));
        EXPECT_TRUE(DrawBitmapAt(target.dc(), 1, 2, c.width, c.height, bitmap.get(), SRCCOPY));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool inside =
                    x >= 1 && x < 1 + c.drawnWidth && y >= 2 && y < 2 + c.drawnHeight;
                EXPECT_EQ(target.At(x, y), inside ? RGB(0, 0, 255) : RGB(255, 255, 255))
                    << "size " << c.width << "x" << c.height << " at (" << x << ", " << y << ")";
            }
        }
    }
    Canvas target(8, 8);
    EXPECT_FALSE(DrawBitmapAt(nullptr, 0, 0, -1, -1, bitmap.get(), SRCCOPY));
    EXPECT_FALSE(DrawBitmapAt(target.dc(), 0, 0, -1, -1, nullptr, SRCCOPY));
}

}  // namespace
}  // namespace pd
