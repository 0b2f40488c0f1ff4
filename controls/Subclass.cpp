#include "controls/Subclass.h"

namespace pd {

namespace {

// The object that handles the window's messages, and the procedure that ours replaced. The
// second outlives the first when ours cannot leave the chain.
constexpr const wchar_t* kObjectProperty = L"PanelDesk.SubclassObject";
constexpr const wchar_t* kPreviousProperty = L"PanelDesk.SubclassPrevious";

WNDPROC PreviousOf(HWND window) {
    return reinterpret_cast<WNDPROC>(::GetPropW(window, kPreviousProperty));
}

}  // namespace

CSubclassedControl::~CSubclassedControl() { Unsubclass(); }

bool CSubclassedControl::Subclass(HWND control) {
    if (control == nullptr || hwnd_ != nullptr) return false;
    // A control that this program took over before keeps its first procedure: it is the one
    // the chain ends in.
    WNDPROC previous = PreviousOf(control);
    if (::GetPropW(control, kObjectProperty) != nullptr) return false;
    if (!::SetPropW(control, kObjectProperty, this)) return false;
    if (previous == nullptr) {
        previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC));
        if (previous == nullptr ||
            !::SetPropW(control, kPreviousProperty, reinterpret_cast<HANDLE>(previous))) {
            ::RemovePropW(control, kObjectProperty);
            return false;
        }
        if (::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)) ==
            0) {
            ::RemovePropW(control, kPreviousProperty);
            ::RemovePropW(control, kObjectProperty);
            return false;
        }
    }
    hwnd_ = control;
    previous_ = previous;
    return true;
}

void CSubclassedControl::Unsubclass() {
    if (hwnd_ == nullptr) return;
    ::RemovePropW(hwnd_, kObjectProperty);
    if (::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        ::RemovePropW(hwnd_, kPreviousProperty);
    }
    hwnd_ = nullptr;
    previous_ = nullptr;
}

LRESULT CSubclassedControl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::CallWindowProcW(previous_, hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::Procedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    const WNDPROC previous = PreviousOf(window);
    auto* control = static_cast<CSubclassedControl*>(::GetPropW(window, kObjectProperty));
    if (message == WM_NCDESTROY) {
        // The window's last message: the object lets go, and the procedure's properties go.
        if (control != nullptr) control->Unsubclass();
        ::RemovePropW(window, kPreviousProperty);
        return ::CallWindowProcW(previous, window, message, wParam, lParam);
    }
    if (control == nullptr) return ::CallWindowProcW(previous, window, message, wParam, lParam);
    try {
        return control->OnMessage(message, wParam, lParam);
    } catch (...) {
        return ::CallWindowProcW(previous, window, message, wParam, lParam);
    }
}

}  // namespace pd
