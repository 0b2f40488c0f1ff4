// A push button that draws itself: an icon at the left and the caption centred in the rest,
// on the button face, with a raised 3-D border in the standard look, or in the flat look no
// border until the mouse rests on it (thin raised) or presses it (thin sunken). Hover is
// followed by capturing the mouse when it enters and releasing it when it leaves.
//
// Attached to an existing button of a dialog template; the dialog base hands the owner-draw
// request back to it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls/Subclass.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"

namespace pd {

class CHoverButton : public CSubclassedControl {
public:
    CHoverButton();

    // Takes over control `id` of `dialog`: notes whether its template made it the default
    // button and turns it into an owner-drawn button. False when there is no such control.
    bool Attach(HWND dialog, int id);
    void Detach() { Unsubclass(); }

    // Loads the icon drawn normally and the one drawn while hovered or pressed (0: the same
    // icon), then repaints at once.
    void LoadButtonIcon(int iconId, int hoverIconId);
    void SetFlatStyle(bool flat);
    // Whether a focused flat button shows the focus rectangle; repaints only on request.
    void SetFlatFocusRect(bool show, bool repaint);

    // Draws the button as the owner-draw request describes.
    void DrawItem(const DRAWITEMSTRUCT& item);

    bool flat() const { return flat_; }
    bool hover() const { return hover_; }
    bool flatFocus() const { return flatFocus_; }
    bool isDefault() const { return isDefault_; }
    HICON icon() const { return icon_.get(); }
    HICON hoverIcon() const { return hoverIcon_; }
    int iconWidth() const { return iconWidth_; }
    int iconHeight() const { return iconHeight_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(WPARAM keys, LPARAM position);
    void Invalidate();
    // How the button looks in one drawing, from the owner-draw state.
    struct Look {
        bool pressed;
        bool focused;
        bool disabled;
        bool active;  // hovered or pressed: the active colours and the hover icon
    };

    void Paint(HDC dc, const RECT& item, UINT state);
    // The default frame, the face and its edges; returns the face, inside the frame.
    RECT PaintFrame(HDC dc, const RECT& item, const Look& look) const;
    // The icon, if any; returns the area left to the caption.
    RECT PaintImage(HDC dc, const RECT& item, bool captioned, const Look& look) const;
    // The caption centred in `area`.
    void PaintCaption(HDC dc, const RECT& area, const tstring& caption, const Look& look) const;

    bool flat_ = true;
    bool hover_ = false;
    bool flatFocus_ = false;
    bool isDefault_ = false;
    ScopedIcon icon_;
    ScopedIcon ownHoverIcon_;  // only when a second icon was given
    HICON hoverIcon_ = nullptr;
    std::uint8_t iconWidth_ = 0;
    std::uint8_t iconHeight_ = 0;
    // Read once at construction; later changes of the system colours are not followed.
    COLORREF normalBackground_;
    COLORREF normalText_;
    COLORREF activeBackground_;
    COLORREF activeText_;
};

}  // namespace pd
