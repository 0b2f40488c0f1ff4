#include "app/AboutDlg.h"

#include <algorithm>
#include <array>
#include <string>

#include "controls/Strings.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

struct AboutLine {
    UINT stringId;
    int top;
    int bottom;
};

constexpr std::array<AboutLine, 4> kAboutLines = {{
    {IDS_ABOUT_MODEL, 145, 165},
    {IDS_ABOUT_VERSION, 165, 185},
    {IDS_ABOUT_COPYRIGHT, 225, 245},
    {IDS_ABOUT_RIGHTS, 245, 265},
}};

constexpr COLORREF kAboutTextColour = RGB(255, 255, 255);

}  // namespace

bool DrawBitmapAt(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, DWORD rop) {
    if (dc == nullptr || bitmap == nullptr) return false;
    BITMAP info{};
    if (::GetObject(bitmap, sizeof info, &info) == 0) return false;
    if (width == -1 || width > info.bmWidth) width = info.bmWidth;
    if (height == -1 || height > info.bmHeight) height = info.bmHeight;
    MemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory) return false;
    SelectGuard selected(memory.get(), bitmap);
    return ::BitBlt(dc, x, y, width, height, memory.get(), 0, 0, rop) != FALSE;
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT) {}

bool CAboutDlg::OnInit() {
    CDialog::OnInit();
    const int captionHeight = ::GetSystemMetrics(SM_CYCAPTION);
    font_.Reset(::CreateFont(kAboutFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, TEXT("MS Sans Serif")));
    picture_.Reset(
        static_cast<HBITMAP>(::LoadImage(ResourceModule(), MAKEINTRESOURCE(IDB_ABOUT_PICTURE),
                                         IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    BITMAP info{};
    if (picture_) ::GetObject(picture_.get(), sizeof info, &info);
    const int pictureWidth = info.bmWidth;
    const int pictureHeight = info.bmHeight;

    ::MoveWindow(hwnd(), 0, 0, pictureWidth + kAboutWidthBeyondPicture,
                 pictureHeight + captionHeight + kAboutHeightBeyondPicture, TRUE);

    if (HWND ok = Item(IDOK)) {
        RECT button{};
        ::GetWindowRect(ok, &button);
        const int width = button.right - button.left;
        const int height = button.bottom - button.top;
        ::MoveWindow(ok, (pictureWidth + kAboutWidthBeyondPicture - width) / 2,
                     pictureHeight + height, width, height, TRUE);
    }

    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    CenterWindow(owner);
    return true;
}

bool CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    if (message != WM_PAINT) return false;
    PaintDc paint(hwnd());
    PaintTo(paint.get());
    result = TRUE;
    return true;
}

void CAboutDlg::PaintTo(HDC dc) {
    // Without a memory context the picture is left out; the texts and the button remain.
    DrawBitmapAt(dc, kAboutPictureLeft, kAboutPictureTop, -1, -1, picture_.get(), SRCCOPY);

    SelectGuard font(dc, font_.get());
    ::SetTextColor(dc, kAboutTextColour);
    ::SetBkMode(dc, TRANSPARENT);
    for (const AboutLine& line : kAboutLines) {
        const tstring text = LoadResString(line.stringId);
        RECT area{kAboutTextLeft, line.top, kAboutTextRight, line.bottom};
        UINT format = DT_CENTER | DT_TOP;
        if (text.find(TEXT('\n')) == tstring::npos) format |= DT_SINGLELINE;
        ::DrawText(dc, text.c_str(), -1, &area, format);
    }
}

}  // namespace pd
