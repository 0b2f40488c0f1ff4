// A plain window to hold dialog templates as child pages, a page whose values each test
// exchanges itself, and the items of a drop-down list: for the tests of the dialog framework.
#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "controls/DataExchange.h"
#include "controls/Dialog.h"
#include "win32/TextMode.h"

namespace pd::test {

// A page template made as a child of a plain window, with its values exchanged by the test.
class PageHost {
public:
    PageHost() {
        parent_ = ::CreateWindowEx(0, TEXT("STATIC"), TEXT("host"), WS_OVERLAPPEDWINDOW, 0, 0, 700,
                                   600, nullptr, nullptr, nullptr, nullptr);
    }
    ~PageHost() { ::DestroyWindow(parent_); }
    HWND get() const { return parent_; }

private:
    HWND parent_;
};

class ExchangeDialog : public CDialog {
public:
    using CDialog::CDialog;
    std::function<void(DataExchange&)> exchange;
    std::vector<int> changeNotices;  // ids whose change reached OnCommand
    bool throwOnCommand = false;

protected:
    void DoDataExchange(DataExchange& dx) override {
        if (exchange) exchange(dx);
    }
    bool OnCommand(int code, int id, HWND control) override {
        if (throwOnCommand) throw std::runtime_error("handler failed");
        if (code == EN_CHANGE) changeNotices.push_back(id);
        return CDialog::OnCommand(code, id, control);
    }
};

inline std::vector<tstring> ComboItems(HWND combo) {
    std::vector<tstring> items;
    const int count = static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCHAR text[64] = {};
        ::SendMessage(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

}  // namespace pd::test
