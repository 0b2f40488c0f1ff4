#include "controls/DataExchange.h"
#include "win32/TextMode.h"

#include <vector>

namespace pd {

tstring WindowText(HWND window) {
    const int length = ::GetWindowTextLength(window);
    if (length <= 0) return {};
    std::vector<TCHAR> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowText(window, buffer.data(), length + 1);
    return tstring(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void DataExchange::Text(int id, tstring& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        value = WindowText(control);
    } else {
        ::SetWindowText(control, value.c_str());
    }
}

void DataExchange::Check(int id, int& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        value = static_cast<int>(::SendMessage(control, BM_GETCHECK, 0, 0));
    } else {
        const int shown = value >= BST_UNCHECKED && value <= BST_INDETERMINATE ? value : 0;
        ::SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(shown), 0);
    }
}

namespace {

bool IsRadioButton(HWND control) {
    return (::SendMessage(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

}  // namespace

void DataExchange::Radio(int firstId, int& value) {
    HWND control = ::GetDlgItem(dialog_, firstId);
    if (control == nullptr) return;
    if (saving_) value = -1;
    int position = 0;
    do {
        if (IsRadioButton(control)) {
            if (saving_) {
                if (::SendMessage(control, BM_GETCHECK, 0, 0) == BST_CHECKED) value = position;
            } else {
                ::SendMessage(control, BM_SETCHECK, position == value ? BST_CHECKED : BST_UNCHECKED,
                              0);
            }
            ++position;
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    } while (control != nullptr && (::GetWindowLong(control, GWL_STYLE) & WS_GROUP) == 0);
}

void DataExchange::ComboPosition(int id, int& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        const LRESULT selected = ::SendMessage(control, CB_GETCURSEL, 0, 0);
        value = selected == CB_ERR ? -1 : static_cast<int>(selected);
    } else {
        const LRESULT count = ::SendMessage(control, CB_GETCOUNT, 0, 0);
        const bool inList = value >= 0 && value < count;
        ::SendMessage(control, CB_SETCURSEL,
                      inList ? static_cast<WPARAM>(value) : static_cast<WPARAM>(-1), 0);
    }
}

}  // namespace pd
