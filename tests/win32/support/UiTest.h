// Helpers for the Win32 tests: a machine with a virtual device and scripted user, and ways to
// drive real windows without ever entering a modal loop.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "controls/Dialog.h"
#include "protocol/PanelContext.h"
#include "testing/FakeOs.h"
#include "testing/FakeUi.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"

namespace pd::test {

// Hands every waiting message of this thread to `dialog`'s loop step (or dispatches it
// plainly when there is no dialog), as the modal loop would.
inline void Pump(CDialog* dialog = nullptr) {
    MSG message{};
    while (::PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr) {
            dialog->ProcessMessage(message);
        } else {
            ::TranslateMessage(&message);
            ::DispatchMessage(&message);
        }
    }
}

// Types characters into a control one by one, as the keyboard would deliver them.
inline void Type(HWND control, tstring_view characters) {
    for (TCHAR c : characters) ::SendMessage(control, WM_CHAR, CharacterCode(c), 1);
}

// A pixel canvas: a memory context with a bitmap of its own selected.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        ClientDc screen(nullptr);
        dc_.Reset(::CreateCompatibleDC(screen.get()));
        bitmap_.Reset(::CreateCompatibleBitmap(screen.get(), width, height));
        previous_ = ::SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { ::SelectObject(dc_.get(), previous_); }

    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF At(int x, int y) const { return ::GetPixel(dc_.get(), x, y); }
    void Fill(COLORREF colour) {
        ScopedBrush brush(::CreateSolidBrush(colour));
        RECT all{0, 0, width_, height_};
        ::FillRect(dc_.get(), &all, brush.get());
    }

private:
    int width_;
    int height_;
    MemoryDc dc_;
    ScopedBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// The system colour as the screen stores it (what GetPixel gives back for it).
inline COLORREF ScreenColour(COLORREF colour) {
    ClientDc screen(nullptr);
    return ::GetNearestColor(screen.get(), colour);
}

inline COLORREF SysColour(int index) { return ScreenColour(::GetSysColor(index)); }

// Everything that lives for a run, over a virtual device.
struct Machine {
    sim::VirtualDevice device;
    FakeOs os{device};
    FakeUi ui;
    PanelContext context{os};
};

// Dialog units of `dialog` in pixels.
inline RECT DialogUnits(HWND dialog, int x, int y, int width, int height) {
    RECT rect{x, y, x + width, y + height};
    ::MapDialogRect(dialog, &rect);
    return rect;
}

// A window's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline tstring Text(HWND window) {
    TCHAR buffer[512] = {};
    ::GetWindowText(window, buffer, 512);
    return buffer;
}

}  // namespace pd::test
