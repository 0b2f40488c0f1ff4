#include "controls/DataExchange.h"

#include <vector>

namespace pd {

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void DataExchange::Text(int id, std::wstring& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        value = WindowText(control);
    } else {
        ::SetWindowTextW(control, value.c_str());
    }
}

void DataExchange::Check(int id, int& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        const int shown = value >= BST_UNCHECKED && value <= BST_INDETERMINATE ? value : 0;
        ::SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(shown), 0);
    }
}

namespace {

bool IsRadioButton(HWND control) {
    return (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
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
                if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) value = position;
            } else {
                ::SendMessageW(control, BM_SETCHECK, position == value ? BST_CHECKED : BST_UNCHECKED,
                               0);
            }
            ++position;
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    } while (control != nullptr && (::GetWindowLongW(control, GWL_STYLE) & WS_GROUP) == 0);
}

void DataExchange::ComboPosition(int id, int& value) {
    HWND control = ::GetDlgItem(dialog_, id);
    if (control == nullptr) return;
    if (saving_) {
        const LRESULT selected = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
        value = selected == CB_ERR ? -1 : static_cast<int>(selected);
    } else {
        const LRESULT count = ::SendMessageW(control, CB_GETCOUNT, 0, 0);
        const bool inList = value >= 0 && value < count;
        ::SendMessageW(control, CB_SETCURSEL, inList ? static_cast<WPARAM>(value) : static_cast<WPARAM>(-1), 0);
    }
}

}  // namespace pd
