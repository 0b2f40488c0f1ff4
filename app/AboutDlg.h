// The About box: the product picture with the product's texts painted over it and an OK
// button below. Sized from the picture, not from its template.
#pragma once

#include <windows.h>

#include "controls/Dialog.h"
#include "win32/Handles.h"

namespace pd {

// Where the picture and the texts go, in client pixels.
inline constexpr int kAboutPictureLeft = 10;
inline constexpr int kAboutPictureTop = 10;
inline constexpr int kAboutTextLeft = 20;
inline constexpr int kAboutTextRight = 530;
inline constexpr int kAboutWidthBeyondPicture = 25;
inline constexpr int kAboutHeightBeyondPicture = 70;
inline constexpr int kAboutFontHeight = 8;

// Draws `bitmap` at (x, y) through a compatible memory context. A width or height of -1
// means the bitmap's own; a larger one is cut to it. False when the context or the bitmap is
// missing or no memory context can be made; otherwise the block transfer's result.
bool DrawBitmapAt(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, DWORD rop);

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    HFONT textFont() const { return font_.get(); }
    HBITMAP picture() const { return picture_.get(); }
    // What a paint message draws in the client area.
    void PaintTo(HDC dc);

protected:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    ScopedFont font_;
    ScopedBitmap picture_;
};

}  // namespace pd
