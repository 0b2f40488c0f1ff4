// Helpers for the tests of the device pages: a page shown as the only page of a real property
// sheet over a virtual device on the ECP route, and ways to press, pick, tick and type as a
// user would.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "UiTest.h"
#include "controls/PropertyPage.h"
#include "testing/FakeUi.h"
#include "win32/TextMode.h"

namespace pd::test {

// A modeless property sheet holding one page; the page's window is made (and the page reads
// the device) as the sheet opens.
class PageSheet {
public:
    PageSheet() = default;
    ~PageSheet() { Close(); }
    PageSheet(const PageSheet&) = delete;
    PageSheet& operator=(const PageSheet&) = delete;

    bool Open(CPropertyPage& page) {
        HPROPSHEETPAGE pages[] = {page.CreatePage()};
        if (pages[0] == nullptr) return false;
        PROPSHEETHEADER header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = TEXT("sheet");
        header.nPages = 1;
        header.phpage = pages;
        sheet_ = reinterpret_cast<HWND>(::PropertySheet(&header));
        Pump(&page);
        return sheet_ != nullptr && page.hwnd() != nullptr;
    }
    void Close() {
        if (sheet_ != nullptr) ::DestroyWindow(sheet_);
        sheet_ = nullptr;
    }
    HWND hwnd() const { return sheet_; }

private:
    HWND sheet_ = nullptr;
};

// A machine whose link is already chosen (the ECP route), as after start-up.
struct PageMachine : Machine {
    PageMachine() { context.link.UseLink(LinkKind::Ecp1); }

    std::size_t FrameCount() const { return device.ReceivedFrames().size(); }
    const sim::Bytes& LastFrame() const { return device.ReceivedFrames().back(); }
    std::vector<tstring> BoxTexts() const {
        std::vector<tstring> texts;
        for (const UiEvent& box : ui.EventsOf(UiEvent::Kind::MessageBox)) texts.push_back(box.text);
        return texts;
    }
    int Beeps() const { return ui.Count(UiEvent::Kind::Beep); }
    // The device's system block byte of reply offset `offset`.
    std::uint8_t& SystemByte(int offset) { return device.state.systemData.at(offset - 4); }
    // Writes `text` into the device's system block at reply offset `offset`, padded with
    // spaces to `width`.
    void PutSystemText(int offset, int width, std::string_view text) {
        for (int i = 0; i < width; ++i) {
            SystemByte(offset + i) =
                i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[i]) : ' ';
        }
    }
    // The device's fax setting `index` (0..16, in record order).
    std::uint8_t& FaxSetting(int index) { return device.state.faxSettings.at(6 + index); }
};

inline void Click(HWND dialog, int id) { ::SendMessage(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Picks list position `position` as the user would: the selection, then its notice.
inline void Pick(HWND dialog, int id, int position) {
    HWND list = ::GetDlgItem(dialog, id);
    ::SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    ::SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                  reinterpret_cast<LPARAM>(list));
}

inline int Selected(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0));
}

inline int Checked(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

inline tstring ItemText(HWND dialog, int id) { return Text(::GetDlgItem(dialog, id)); }

// Types characters into a dialog's control one by one, as the keyboard would deliver them.
inline void Type(HWND dialog, int id, tstring_view characters) {
    Type(::GetDlgItem(dialog, id), characters);
}

// Replaces an edit's whole text by typing, the way a user selects all and types over it.
inline void TypeOver(HWND dialog, int id, tstring_view characters) {
    ::SendDlgItemMessage(dialog, id, EM_SETSEL, 0, -1);
    Type(dialog, id, characters);
}

}  // namespace pd::test
