// The self-drawn button: its pixels in every border state, and how it follows the mouse.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/HoverButton.h"
#include "resources/resource.h"
#include "support/UiTest.h"

namespace pd {
namespace {

using test::Canvas;
using test::SysColour;

// A dialog holding the buttons, counting their clicks instead of closing.
class ButtonHost : public CDialog {
public:
    explicit ButtonHost(int templateId) : CDialog(templateId) {}
    int clicks = 0;

protected:
    bool OnCommand(int code, int id, HWND) override {
        if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) ++clicks;
        return true;
    }
};

class HoverButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(nullptr));
        ::ShowWindow(host.hwnd(), SW_SHOW);
        ::SetForegroundWindow(host.hwnd());
        ::SetActiveWindow(host.hwnd());
        ASSERT_TRUE(button.Attach(host.hwnd(), IDOK));
        test::Pump(&host);
    }
    void TearDown() override {
        ::ReleaseCapture();
        host.Destroy();
    }

    // Draws the button into `canvas` over its whole area with the given state flags.
    void Draw(Canvas& canvas, UINT state) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = IDOK;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button.hwnd();
        item.hDC = canvas.dc();
        item.rcItem = {0, 0, canvas.width(), canvas.height()};
        canvas.Fill(RGB(255, 0, 255));
        button.DrawItem(item);
    }
    void MouseMove(int x, int y, WPARAM keys = 0) {
        ::SendMessage(button.hwnd(), WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
    }
    void Hover() {
        MouseMove(5, 5);
        ASSERT_TRUE(button.hover());
    }
    void NoCaption() { ::SetWindowText(button.hwnd(), TEXT("")); }

    ButtonHost host{IDD_ENTRY};
    CHoverButton button;
};

// One expected pixel of a drawing.
struct Pixel {
    int x;
    int y;
    int colourIndex;  // a system colour, or -1 for black
};

void ExpectPixels(const Canvas& canvas, std::initializer_list<Pixel> pixels, const char* look) {
    for (const Pixel& p : pixels) {
        const COLORREF expected = p.colourIndex < 0 ? RGB(0, 0, 0) : SysColour(p.colourIndex);
        EXPECT_EQ(canvas.At(p.x, p.y), expected) << look << " at (" << p.x << ", " << p.y << ")";
    }
}

// How many pixels of row y, from x0 to x1 (exclusive), differ from the button face.
int OffFacePixelsInRow(const Canvas& canvas, int y, int x0, int x1) {
    int count = 0;
    for (int x = x0; x < x1; ++x) count += canvas.At(x, y) != SysColour(COLOR_BTNFACE);
    return count;
}

TEST_F(HoverButtonTest, AttachingMakesTheButtonOwnerDrawnAndNotesTheDefaultStyle) {
    EXPECT_EQ(::GetWindowLong(button.hwnd(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    EXPECT_FALSE(button.isDefault()) << "the editor's OK is a plain push button";
    EXPECT_TRUE(button.flat()) << "a new button is flat";

    ButtonHost about(IDD_ABOUT);
    ASSERT_TRUE(about.Create(nullptr));
    CHoverButton defaultButton;
    ASSERT_TRUE(defaultButton.Attach(about.hwnd(), IDOK));
    EXPECT_TRUE(defaultButton.isDefault()) << "the About box's OK is the default button";
    about.Destroy();
}

TEST_F(HoverButtonTest, StaysOwnerDrawnWhenTheDialogManagerRestylesIt) {
    ::SendMessage(button.hwnd(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(::GetWindowLong(button.hwnd(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
}

TEST_F(HoverButtonTest, LoadButtonIconTakesTheSizeFromTheHotspotAndSharesTheIcon) {
    button.LoadButtonIcon(IDI_OK, 0);
    ASSERT_NE(button.icon(), nullptr);
    EXPECT_EQ(button.hoverIcon(), button.icon());
    EXPECT_EQ(button.iconWidth(), 32);
    EXPECT_EQ(button.iconHeight(), 32);

    button.LoadButtonIcon(IDI_OK, IDI_CANCEL);
    EXPECT_NE(button.hoverIcon(), button.icon());
}

TEST_F(HoverButtonTest, StandardLookDrawsTheFullRaisedBorder) {
    NoCaption();
    button.SetFlatStyle(false);
    Canvas canvas(40, 24);
    Draw(canvas, 0);
    ExpectPixels(canvas,
                 {{0, 5, COLOR_BTNHIGHLIGHT},
                  {5, 0, COLOR_BTNHIGHLIGHT},
                  {1, 5, COLOR_3DLIGHT},
                  {5, 1, COLOR_3DLIGHT},
                  {39, 5, COLOR_3DDKSHADOW},
                  {5, 23, COLOR_3DDKSHADOW},
                  {39, 0, COLOR_3DDKSHADOW},
                  {38, 5, COLOR_BTNSHADOW},
                  {5, 22, COLOR_BTNSHADOW},
                  {20, 12, COLOR_BTNFACE}},
                 "standard");
    EXPECT_EQ(OffFacePixelsInRow(canvas, 4, 4, 36), 0) << "no focus rectangle when not focused";
}

TEST_F(HoverButtonTest, StandardLookFocusedAddsBlackFrameAndFocusRectangle) {
    NoCaption();
    button.SetFlatStyle(false);
    Canvas canvas(40, 24);
    Draw(canvas, ODS_FOCUS);
    ExpectPixels(canvas,
                 {{0, 5, -1},
                  {5, 0, -1},
                  {39, 5, -1},
                  {5, 23, -1},  // black frame
                  {1, 5, COLOR_BTNHIGHLIGHT},
                  {5, 1, COLOR_BTNHIGHLIGHT},  // border inside it
                  {38, 5, COLOR_3DDKSHADOW},
                  {5, 22, COLOR_3DDKSHADOW}},
                 "standard focused");
    // The dotted focus rectangle lies 3 pixels inside the frame-shrunk rectangle: row 4.
    EXPECT_GT(OffFacePixelsInRow(canvas, 4, 5, 35), 8);
    EXPECT_EQ(OffFacePixelsInRow(canvas, 6, 6, 34), 0);
}

TEST_F(HoverButtonTest, StandardLookPressedDrawsAShadowFrame) {
    NoCaption();
    button.SetFlatStyle(false);
    Canvas canvas(40, 24);
    Draw(canvas, ODS_SELECTED);
    ExpectPixels(canvas,
                 {{0, 5, COLOR_BTNSHADOW},
                  {5, 0, COLOR_BTNSHADOW},
                  {39, 5, COLOR_BTNSHADOW},
                  {5, 23, COLOR_BTNSHADOW},
                  {1, 5, COLOR_BTNFACE},
                  {38, 5, COLOR_BTNFACE}},
                 "standard pressed");
}

TEST_F(HoverButtonTest, FlatLookShowsNoBorderUntilHoveredThenAThinRaisedOne) {
    NoCaption();
    Canvas canvas(40, 24);
    Draw(canvas, 0);
    ExpectPixels(canvas,
                 {{0, 0, COLOR_BTNFACE},
                  {0, 5, COLOR_BTNFACE},
                  {39, 23, COLOR_BTNFACE},
                  {5, 23, COLOR_BTNFACE}},
                 "flat, not hovered");

    Hover();
    Draw(canvas, 0);
    ExpectPixels(canvas,
                 {{0, 5, COLOR_BTNHIGHLIGHT},
                  {5, 0, COLOR_BTNHIGHLIGHT},
                  {39, 5, COLOR_BTNSHADOW},
                  {5, 23, COLOR_BTNSHADOW},
                  {0, 23, COLOR_BTNSHADOW},
                  {1, 5, COLOR_BTNFACE},
                  {38, 5, COLOR_BTNFACE}},
                 "flat, hovered");
}

TEST_F(HoverButtonTest, FlatLookPressedShowsAThinSunkenBorder) {
    NoCaption();
    Canvas canvas(40, 24);
    Draw(canvas, ODS_SELECTED);
    ExpectPixels(canvas,
                 {{0, 5, COLOR_BTNSHADOW},
                  {5, 0, COLOR_BTNSHADOW},
                  {39, 5, COLOR_BTNHIGHLIGHT},
                  {5, 23, COLOR_BTNHIGHLIGHT},
                  {1, 5, COLOR_BTNFACE}},
                 "flat pressed");
}

TEST_F(HoverButtonTest, FlatLookShowsTheFocusRectangleOnlyWhenAskedTo) {
    NoCaption();
    Canvas canvas(40, 24);
    Draw(canvas, ODS_FOCUS);
    EXPECT_EQ(OffFacePixelsInRow(canvas, 3, 0, 40), 0) << "no frame, no focus rectangle";

    button.SetFlatFocusRect(true, false);
    Draw(canvas, ODS_FOCUS);
    EXPECT_EQ(canvas.At(0, 5), SysColour(COLOR_BTNFACE)) << "still no black frame";
    EXPECT_GT(OffFacePixelsInRow(canvas, 3, 4, 36), 8) << "focus rectangle 3 pixels in";
}

// The smallest rectangle around the pixels of the inner area that are not button face.
RECT Content(const Canvas& canvas) {
    RECT box{canvas.width(), canvas.height(), -1, -1};
    for (int y = 2; y < canvas.height() - 2; ++y) {
        for (int x = 2; x < canvas.width() - 2; ++x) {
            if (canvas.At(x, y) == SysColour(COLOR_BTNFACE)) continue;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    }
    return box;
}

TEST_F(HoverButtonTest, PressedButtonDrawsIconAndCaptionOnePixelRightAndDown) {
    button.LoadButtonIcon(IDI_OK, 0);
    for (const TCHAR* caption : {TEXT(""), TEXT("OK")}) {
        ::SetWindowText(button.hwnd(), caption);
        Canvas up(96, 44), down(96, 44);
        Draw(up, 0);
        Draw(down, ODS_SELECTED);
        const RECT a = Content(up), b = Content(down);
        EXPECT_EQ(b.left, a.left + 1) << "caption \"" << caption << "\"";
        EXPECT_EQ(b.top, a.top + 1) << "caption \"" << caption << "\"";
        EXPECT_EQ(b.right, a.right + 1) << "caption \"" << caption << "\"";
    }
}

TEST_F(HoverButtonTest, IconSitsCentredWithoutCaptionAndTwentyPixelsInWithOne) {
    button.LoadButtonIcon(IDI_OK, 0);
    Canvas canvas(96, 44);
    NoCaption();
    Draw(canvas, 0);
    // The icon's cell starts at (96 - 32) / 2 = 32; its picture keeps within the cell.
    RECT icon = Content(canvas);
    EXPECT_GE(icon.left, 32);
    EXPECT_LE(icon.right, 64);
    EXPECT_GE(icon.top, 6);
    EXPECT_LE(icon.bottom, 38);

    ::SetWindowText(button.hwnd(), TEXT("I"));
    Draw(canvas, 0);
    icon = Content(canvas);
    EXPECT_GE(icon.left, 20);
    EXPECT_LT(icon.left, 32) << "the icon moves to the left edge plus 20";
}

TEST_F(HoverButtonTest, DisabledButtonDrawsItsCaptionEmbossed) {
    ::SetWindowText(button.hwnd(), TEXT("Peruuta"));
    Canvas normal(80, 24), disabled(80, 24);
    Draw(normal, 0);
    Draw(disabled, ODS_DISABLED);
    int lightInNormal = 0, lightInDisabled = 0;
    for (int y = 2; y < 22; ++y) {
        for (int x = 2; x < 78; ++x) {
            lightInNormal += normal.At(x, y) == SysColour(COLOR_3DHILIGHT);
            lightInDisabled += disabled.At(x, y) == SysColour(COLOR_3DHILIGHT);
        }
    }
    EXPECT_EQ(lightInNormal, 0);
    EXPECT_GT(lightInDisabled, 5) << "the embossed text's light edge";
}

TEST_F(HoverButtonTest, AmpersandUnderlinesTheNextLetterInsteadOfShowing) {
    Canvas plain(60, 24), marked(60, 24);
    ::SetWindowText(button.hwnd(), TEXT("L"));
    Draw(plain, 0);
    ::SetWindowText(button.hwnd(), TEXT("&L"));
    Draw(marked, 0);
    const RECT a = Content(plain), b = Content(marked);
    EXPECT_LE(b.right - b.left, a.right - a.left + 1) << "no ampersand drawn";
    EXPECT_GT(b.bottom, a.bottom) << "an underline below the letter";
}

TEST_F(HoverButtonTest, DialogHandsItsOwnerDrawRequestToTheButton) {
    button.SetFlatStyle(false);
    NoCaption();
    Canvas canvas(40, 24);
    canvas.Fill(RGB(255, 0, 255));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = IDOK;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = button.hwnd();
    item.hDC = canvas.dc();
    item.rcItem = {0, 0, 40, 24};
    EXPECT_TRUE(::SendMessage(host.hwnd(), WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(canvas.At(0, 5), SysColour(COLOR_BTNHIGHLIGHT));
}

TEST_F(HoverButtonTest, MouseEnteringAFlatButtonHoversAndCapturesLeavingReleases) {
    MouseMove(5, 5);
    EXPECT_TRUE(button.hover());
    EXPECT_EQ(::GetCapture(), button.hwnd());

    MouseMove(6, 6);  // still on it
    EXPECT_TRUE(button.hover());
    EXPECT_EQ(::GetCapture(), button.hwnd());

    MouseMove(-400, -400);  // quickly onto another window, or none
    EXPECT_FALSE(button.hover());
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(HoverButtonTest, LeavingWithTheLeftButtonHeldKeepsTheCapture) {
    Hover();
    MouseMove(-400, -400, MK_LBUTTON);
    EXPECT_FALSE(button.hover());
    EXPECT_EQ(::GetCapture(), button.hwnd());
}

TEST_F(HoverButtonTest, DraggingOntoAFlatButtonDoesNotHoverIt) {
    MouseMove(5, 5, MK_LBUTTON);
    EXPECT_FALSE(button.hover());
    EXPECT_NE(::GetCapture(), button.hwnd());
}

TEST_F(HoverButtonTest, StandardLookNeverHovers) {
    button.SetFlatStyle(false);
    MouseMove(5, 5);
    EXPECT_FALSE(button.hover());
    EXPECT_NE(::GetCapture(), button.hwnd());
}

TEST_F(HoverButtonTest, LosingTheFocusEndsHovering) {
    ::SetFocus(button.hwnd());
    Hover();
    ::SetFocus(host.Item(IDC_ENTRY_NAME));
    EXPECT_FALSE(button.hover());
}

TEST_F(HoverButtonTest, CaptureTakenElsewhereKeepsTheBorderAndLeavesTheOtherWindowItsCapture) {
    Hover();
    HWND other = host.Item(IDC_ENTRY_NAME);
    ::SetCapture(other);
    EXPECT_TRUE(button.hover()) << "the border stays until the mouse moves again";
    EXPECT_EQ(::GetCapture(), other);
}

TEST_F(HoverButtonTest, QuickSecondClickCountsAsAClick) {
    const LPARAM inside = MAKELPARAM(5, 5);
    ::SendMessage(button.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessage(button.hwnd(), WM_LBUTTONUP, 0, inside);
    ::SendMessage(button.hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    ::SendMessage(button.hwnd(), WM_LBUTTONUP, 0, inside);
    test::Pump(&host);
    EXPECT_EQ(host.clicks, 2);
}

}  // namespace
}  // namespace pd
