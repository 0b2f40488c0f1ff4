#include "controls/HoverButton.h"

#include <windowsx.h>

#include "controls/DataExchange.h"
#include "controls/Dialog.h"
#include "controls/Strings.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

constexpr LONG kButtonTypeMask = 0x0F;
constexpr int kIconLeft = 20;    // icon's distance from the left edge with a caption
constexpr int kIconTextGap = 3;  // between the icon and the caption's area
constexpr int kFocusInset = 3;

// Draws the lines of one polyline in a solid one-pixel pen of a system colour; the last point
// itself stays undrawn, as with any line.
void Polyline3(HDC dc, int colourIndex, POINT a, POINT b, POINT c) {
    ScopedPen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(colourIndex)));
    SelectGuard selected(dc, pen.get());
    ::MoveToEx(dc, a.x, a.y, nullptr);
    ::LineTo(dc, b.x, b.y);
    ::LineTo(dc, c.x, c.y);
}

void FillWith(HDC dc, const RECT& area, COLORREF colour) {
    ScopedBrush brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &area, brush.get());
}

void FrameWith(HDC dc, const RECT& area, COLORREF colour) {
    ScopedBrush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &area, brush.get());
}

}  // namespace

CHoverButton::CHoverButton()
    : normalBackground_(::GetSysColor(COLOR_BTNFACE)),
      normalText_(::GetSysColor(COLOR_BTNTEXT)),
      activeBackground_(::GetSysColor(COLOR_BTNFACE)),
      activeText_(::GetSysColor(COLOR_BTNTEXT)) {}

bool CHoverButton::Attach(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    if (control == nullptr || hwnd() != nullptr) return false;
    const LONG style = ::GetWindowLong(control, GWL_STYLE);
    isDefault_ = (style & 0xFF & BS_DEFPUSHBUTTON) != 0;
    if (!Subclass(control)) return false;
    ::SendMessage(control, BM_SETSTYLE, static_cast<WPARAM>((style & 0xFF) | BS_OWNERDRAW), TRUE);
    return true;
}

void CHoverButton::LoadButtonIcon(int iconId, int hoverIconId) {
    icon_.Reset(static_cast<HICON>(
        ::LoadImage(ResourceModule(), MAKEINTRESOURCE(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR)));
    ownHoverIcon_.Reset();
    if (hoverIconId != 0) {
        ownHoverIcon_.Reset(static_cast<HICON>(::LoadImage(
            ResourceModule(), MAKEINTRESOURCE(hoverIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR)));
    }
    hoverIcon_ = ownHoverIcon_ ? ownHoverIcon_.get() : icon_.get();

    iconWidth_ = iconHeight_ = 0;
    ICONINFO info{};
    if (icon_ && ::GetIconInfo(icon_.get(), &info)) {
        // The call hands out copies of the icon's two bitmaps; they are ours to delete.
        ScopedBitmap mask(info.hbmMask);
        ScopedBitmap colour(info.hbmColor);
        iconWidth_ = static_cast<std::uint8_t>(info.xHotspot * 2);
        iconHeight_ = static_cast<std::uint8_t>(info.yHotspot * 2);
    }
    if (hwnd() != nullptr) {
        ::InvalidateRect(hwnd(), nullptr, TRUE);
        ::UpdateWindow(hwnd());
    }
}

void CHoverButton::SetFlatStyle(bool flat) {
    flat_ = flat;
    Invalidate();
}

void CHoverButton::SetFlatFocusRect(bool show, bool repaint) {
    flatFocus_ = show;
    if (repaint) Invalidate();
}

void CHoverButton::Invalidate() {
    if (hwnd() != nullptr) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT CHoverButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = hwnd();
    switch (message) {
        case kReflectedDrawItem:
            DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;

        case WM_MOUSEMOVE:
            CallPrevious(message, wParam, lParam);
            OnMouseMove(wParam, lParam);
            return 0;

        case WM_KILLFOCUS: {
            const LRESULT result = CallPrevious(message, wParam, lParam);
            if (flat_ && hover_) {
                hover_ = false;
                Invalidate();
            }
            return result;
        }

        case WM_CAPTURECHANGED:
            // The border stays until the mouse moves again. The capture is given back only
            // if it is still ours: by now it may belong to the window that took it, and
            // releasing that one would break its own mouse tracking.
            if (hover_) {
                if (::GetCapture() == window) ::ReleaseCapture();
                Invalidate();
            }
            return CallPrevious(message, wParam, lParam);

        case WM_LBUTTONDBLCLK:
            // A quick second click is a click like the first, not a double-click.
            return CallPrevious(WM_LBUTTONDOWN, wParam, lParam);

        case BM_SETSTYLE:
            // The dialog manager restyles push buttons as the default moves between them;
            // the button stays owner-drawn whatever type it is given.
            return CallPrevious(
                message, (wParam & ~static_cast<WPARAM>(kButtonTypeMask)) | BS_OWNERDRAW, lParam);

        default:
            return CallPrevious(message, wParam, lParam);
    }
}

void CHoverButton::OnMouseMove(WPARAM keys, LPARAM position) {
    const bool leftHeld = (keys & MK_LBUTTON) != 0;
    // Dragging onto the button with the left button held does not hover it.
    if (leftHeld && !hover_) return;
    if (!flat_) return;

    HWND active = ::GetActiveWindow();
    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    if (owner == nullptr) owner = ::GetParent(hwnd());
    if (::GetCapture() != hwnd() && active != nullptr && owner != nullptr) {
        hover_ = true;
        ::SetCapture(hwnd());
        Invalidate();
        return;
    }

    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ::ClientToScreen(hwnd(), &point);
    if (::WindowFromPoint(point) == hwnd()) return;

    // The pointer has left the button.
    if (hover_) {
        hover_ = false;
        Invalidate();
    }
    if (!leftHeld) ::ReleaseCapture();
}

void CHoverButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC target = item.hDC;
    // A printer gets the drawing directly; the screen gets it in one transfer, so hover
    // changes never flicker.
    if (::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) {
        Paint(target, item.rcItem, item.itemState);
        return;
    }
    RECT clip{};
    ::GetClipBox(target, &clip);
    const int width = clip.right - clip.left;
    const int height = clip.bottom - clip.top;
    MemoryDc memory(::CreateCompatibleDC(target));
    ScopedBitmap canvas(memory && width > 0 && height > 0
                            ? ::CreateCompatibleBitmap(target, width, height)
                            : nullptr);
    if (!memory || !canvas) {
        Paint(target, item.rcItem, item.itemState);
        return;
    }
    {
        SelectGuard selected(memory.get(), canvas.get());
        ::SetWindowOrgEx(memory.get(), clip.left, clip.top, nullptr);
        Paint(memory.get(), item.rcItem, item.itemState);
        ::BitBlt(target, clip.left, clip.top, width, height, memory.get(), clip.left, clip.top,
                 SRCCOPY);
    }
}

void CHoverButton::Paint(HDC dc, const RECT& item, UINT state) {
    const Look look{(state & ODS_SELECTED) != 0, (state & ODS_FOCUS) != 0,
                    (state & ODS_DISABLED) != 0, hover_ || (state & ODS_SELECTED) != 0};
    const RECT face = PaintFrame(dc, item, look);
    const tstring caption = WindowText(hwnd());
    const RECT captionArea = PaintImage(dc, item, !caption.empty(), look);
    if (!caption.empty()) PaintCaption(dc, captionArea, caption, look);

    if (look.focused && (!flat_ || flatFocus_)) {
        RECT focusRect = face;
        ::InflateRect(&focusRect, -kFocusInset, -kFocusInset);
        ::DrawFocusRect(dc, &focusRect);
    }
}

RECT CHoverButton::PaintFrame(HDC dc, const RECT& item, const Look& look) const {
    RECT face = item;
    if (!flat_ && (look.focused || isDefault_)) {
        FrameWith(dc, face, RGB(0, 0, 0));
        ::InflateRect(&face, -1, -1);
    }
    FillWith(dc, face, look.active ? activeBackground_ : normalBackground_);

    const LONG l = face.left, t = face.top, r = face.right, bm = face.bottom;
    if (look.pressed && flat_) {
        Polyline3(dc, COLOR_BTNSHADOW, {l, bm - 1}, {l, t}, {r, t});
        Polyline3(dc, COLOR_BTNHIGHLIGHT, {l, bm - 1}, {r - 1, bm - 1}, {r - 1, t - 1});
    } else if (look.pressed) {
        FrameWith(dc, face, ::GetSysColor(COLOR_BTNSHADOW));
    } else if (!flat_) {
        Polyline3(dc, COLOR_BTNHIGHLIGHT, {l, bm - 1}, {l, t}, {r, t});
        Polyline3(dc, COLOR_3DLIGHT, {l + 1, bm - 1}, {l + 1, t + 1}, {r, t + 1});
        Polyline3(dc, COLOR_3DDKSHADOW, {l, bm - 1}, {r - 1, bm - 1}, {r - 1, t - 1});
        Polyline3(dc, COLOR_BTNSHADOW, {l + 1, bm - 2}, {r - 2, bm - 2}, {r - 2, t});
    } else if (hover_) {
        Polyline3(dc, COLOR_BTNHIGHLIGHT, {l, bm - 1}, {l, t}, {r, t});
        Polyline3(dc, COLOR_BTNSHADOW, {l, bm - 1}, {r - 1, bm - 1}, {r - 1, t - 1});
    }
    return face;
}

RECT CHoverButton::PaintImage(HDC dc, const RECT& item, bool captioned, const Look& look) const {
    RECT captionArea = item;
    if (!icon_) return captionArea;

    // With a caption the icon keeps to the left and the caption has the rest; alone it is
    // centred.
    RECT iconAt = item;
    if (captioned) {
        iconAt.left = item.left + kIconLeft;
        captionArea.left += iconWidth_ + kIconTextGap;
    } else {
        iconAt.left = item.left + (item.right - iconWidth_ - item.left) / 2;
    }
    iconAt.top = item.top + (item.bottom - iconHeight_ - item.top) / 2;
    if (look.pressed) ::OffsetRect(&iconAt, 1, 1);
    HICON shown = look.active ? hoverIcon_ : icon_.get();
    ::DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(shown), 0, iconAt.left, iconAt.top,
                0, 0, DST_ICON | (look.disabled ? DSS_DISABLED : DSS_NORMAL));
    return captionArea;
}

void CHoverButton::PaintCaption(HDC dc, const RECT& area, const tstring& caption,
                                const Look& look) const {
    RECT shifted = area;
    if (look.pressed) ::OffsetRect(&shifted, 1, 1);
    auto font = reinterpret_cast<HFONT>(::SendMessage(hwnd(), WM_GETFONT, 0, 0));
    SelectGuard selected(dc, font);
    ::SetTextColor(dc, look.active ? activeText_ : normalText_);
    ::SetBkColor(dc, look.active ? activeBackground_ : normalBackground_);
    RECT text = shifted;
    ::DrawText(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_CALCRECT);
    ::OffsetRect(&text, ((shifted.right - shifted.left) - (text.right - text.left)) / 2,
                 ((shifted.bottom - shifted.top) - (text.bottom - text.top)) / 2);
    ::SetBkMode(dc, TRANSPARENT);
    if (look.disabled) {
        ::DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()),
                    static_cast<WPARAM>(caption.size()), text.left, text.top,
                    text.right - text.left, text.bottom - text.top, DST_PREFIXTEXT | DSS_DISABLED);
    } else {
        ::DrawText(dc, caption.c_str(), -1, &text, DT_SINGLELINE);
    }
}

}  // namespace pd
