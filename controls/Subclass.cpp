#include "controls/Subclass.h"

namespace pd {

namespace {

// The object that handles the window's messages, and the procedure that ours replaced. The
// second outlives the first when ours cannot leave the chain.
constexpr const TCHAR* kObjectProperty = TEXT("PanelDesk.SubclassObject");
constexpr const TCHAR* kPreviousProperty = TEXT("PanelDesk.SubclassPrevious");

WNDPROC PreviousOf(HWND window) {
    return reinterpret_cast<WNDPROC>(::GetProp(window, kPreviousProperty));
}

}  // namespace

CSubclassedControl::~CSubclassedControl() { Unsubclass(); }

bool CSubclassedControl::Subclass(HWND control) {
    if (control == nullptr || hwnd_ != nullptr) return false;
    // A control that this program took over before keeps its first procedure: it is the one
    // the chain ends in.
    WNDPROC previous = PreviousOf(control);
    if (::GetProp(control, kObjectProperty) != nullptr) return false;
    if (!::SetProp(control, kObjectProperty, this)) return false;
    if (previous == nullptr) {
        previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtr(control, GWLP_WNDPROC));
        if (previous == nullptr ||
            !::SetProp(control, kPreviousProperty, reinterpret_cast<HANDLE>(previous))) {
            ::RemoveProp(control, kObjectProperty);
            return false;
        }
        if (::SetWindowLongPtr(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)) ==
            0) {
            ::RemoveProp(control, kPreviousProperty);
            ::RemoveProp(control, kObjectProperty);
            return false;
        }
    }
    hwnd_ = control;
    previous_ = previous;
    return true;
}

void CSubclassedControl::Unsubclass() {
    if (hwnd_ == nullptr) return;
    ::RemoveProp(hwnd_, kObjectProperty);
    if (::GetWindowLongPtr(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure)) {
        ::SetWindowLongPtr(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        ::RemoveProp(hwnd_, kPreviousProperty);
    }
    hwnd_ = nullptr;
    previous_ = nullptr;
}

LRESULT CSubclassedControl::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::CallWindowProc(previous_, hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK CSubclassedControl::Procedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    const WNDPROC previous = PreviousOf(window);
    auto* control = static_cast<CSubclassedControl*>(::GetProp(window, kObjectProperty));
    if (message == WM_NCDESTROY) {
        // The window's last message: the object lets go, and the procedure's properties go.
        if (control != nullptr) control->Unsubclass();
        ::RemoveProp(window, kPreviousProperty);
        return ::CallWindowProc(previous, window, message, wParam, lParam);
    }
    if (control == nullptr) return ::CallWindowProc(previous, window, message, wParam, lParam);
    try {
        return control->OnMessage(message, wParam, lParam);
    } catch (...) {
        return ::CallWindowProc(previous, window, message, wParam, lParam);
    }
}

}  // namespace pd
