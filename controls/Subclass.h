// Takes over a control's window procedure the classic way, which every version of Windows
// and of the common controls has: the control's procedure is swapped for ours and kept, and
// every message the control class does not handle itself goes on to it.
//
// The window finds its object through a window property. Letting go while another
// procedure has been put over ours leaves ours in the chain, forwarding everything, as
// taking it out would cut that other procedure off.
#pragma once

#include <windows.h>

namespace pd {

class CSubclassedControl {
public:
    CSubclassedControl() = default;
    virtual ~CSubclassedControl();
    CSubclassedControl(const CSubclassedControl&) = delete;
    CSubclassedControl& operator=(const CSubclassedControl&) = delete;

    HWND hwnd() const { return hwnd_; }

protected:
    // Takes over `control`; false when it is null or this object already holds a control.
    bool Subclass(HWND control);
    // Gives the control its own procedure back. The control's destruction does this by itself.
    void Unsubclass();

    // Every message of the control but its last (WM_NCDESTROY), on its way to the procedure
    // kept; nothing thrown here reaches the system.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The control's own processing of a message (which may differ from the one received).
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC previous_ = nullptr;
};

}  // namespace pd
