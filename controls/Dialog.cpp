#include "controls/Dialog.h"

#include <algorithm>

#include "controls/DataExchange.h"
#include "controls/DialogLists.h"
#include "controls/Strings.h"

namespace pd {

CDialog::CDialog(int templateId) : templateId_(templateId) {}

CDialog::~CDialog() {
    if (hwnd_ != nullptr) {
        // The object is going: the window must not reach it any more.
        HWND window = hwnd_;
        ::SetWindowLongPtr(window, DWLP_USER, 0);
        hwnd_ = nullptr;
        ::DestroyWindow(window);
    }
}

void CDialog::AttachWindow(HWND window) {
    hwnd_ = window;
    ::SetWindowLongPtr(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (dialog != nullptr) dialog->AttachWindow(window);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtr(window, DWLP_USER));
    }
    return Route(dialog, window, message, wParam, lParam);
}

INT_PTR CDialog::Route(CDialog* dialog, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog == nullptr || dialog->hwnd_ != window) return FALSE;
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // A failing handler leaves the message to the system's default handling.
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            LoadDialogLists(hwnd_, templateId_);
            return OnInit() ? TRUE : FALSE;

        case WM_COMMAND: {
            const auto control = reinterpret_cast<HWND>(lParam);
            if (control != nullptr && filling()) return TRUE;
            return OnCommand(HIWORD(wParam), LOWORD(wParam), control) ? TRUE : FALSE;
        }

        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
            ::SetWindowLongPtr(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }

        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_MENU && item->hwndItem != nullptr &&
                ::SendMessage(item->hwndItem, kReflectedDrawItem, wParam, lParam)) {
                ::SetWindowLongPtr(hwnd_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            break;
        }

        case WM_DESTROY:
            OnDestroy();
            return FALSE;

        case WM_NCDESTROY:
            ::SetWindowLongPtr(hwnd_, DWLP_USER, 0);
            hwnd_ = nullptr;
            return FALSE;

        default:
            break;
    }
    INT_PTR result = FALSE;
    return OnMessage(message, wParam, lParam, result) ? result : FALSE;
}

bool CDialog::OnInit() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(DataExchange&) {}

void CDialog::UpdateData(bool saveAndValidate) {
    FillScope filling(*this);
    DataExchange exchange(hwnd_, saveAndValidate);
    DoDataExchange(exchange);
}

bool CDialog::OnCommand(int code, int id, HWND) {
    if (code == BN_CLICKED && OnButtonClicked(id)) return true;
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool CDialog::OnButtonClicked(int) { return false; }

bool CDialog::OnNotify(NMHDR&, LRESULT&) { return false; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

bool CDialog::PreTranslateMessage(MSG&) { return false; }

bool CDialog::Create(HWND owner) {
    if (hwnd_ != nullptr) return false;
    ended_ = false;
    result_ = 0;
    const HWND window = ::CreateDialogParam(ResourceModule(), MAKEINTRESOURCE(templateId_), owner,
                                            DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::Destroy() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

INT_PTR CDialog::DoModal(HWND owner) {
    if (!Create(owner)) return -1;

    const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (disableOwner) ::EnableWindow(owner, FALSE);
    if (hwnd_ != nullptr && !ended_ && !::IsWindowVisible(hwnd_)) ::ShowWindow(hwnd_, SW_SHOW);

    inModalLoop_ = true;
    MSG message{};
    while (!ended_ && hwnd_ != nullptr) {
        const BOOL got = ::GetMessage(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program is quitting: pass the request on to the loop outside this one.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1) break;
        ProcessMessage(message);
    }
    inModalLoop_ = false;

    // The owner comes back first, so that activation returns to it as the dialog hides.
    if (disableOwner) ::EnableWindow(owner, TRUE);
    if (hwnd_ != nullptr) {
        ::ShowWindow(hwnd_, SW_HIDE);
        ::DestroyWindow(hwnd_);
    }
    return result_;
}

void CDialog::ProcessMessage(MSG& message) {
    if (PreTranslateMessage(message)) return;
    if (hwnd_ != nullptr && ::IsDialogMessage(hwnd_, &message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessage(&message);
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // Wakes the modal loop in case the call came from outside any message.
    if (inModalLoop_ && hwnd_ != nullptr) ::PostMessage(hwnd_, WM_NULL, 0, 0);
}

void CDialog::CenterWindow(HWND other) {
    RECT area{};
    ::SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    RECT over = area;
    if (other != nullptr && ::IsWindowVisible(other) && !::IsIconic(other)) {
        ::GetWindowRect(other, &over);
    }
    RECT own{};
    ::GetWindowRect(hwnd_, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = over.left + ((over.right - over.left) - width) / 2;
    int y = over.top + ((over.bottom - over.top) - height) / 2;
    // Never let the caption leave the work area.
    x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - width));
    y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - height));
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pd
