// Helpers for the phonebook's window tests: the main window on a device that answers on LPT1,
// its phonebook page shown, entries put on the device or into the table, and the list read
// back row by row.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "UiTest.h"
#include "app/MainDlg.h"
#include "phonebook/EntryDlg.h"
#include "phonebook/PhonebookPage.h"
#include "win32/TextMode.h"

namespace pd::test {

inline constexpr int kPhonebookTab = 2;
inline constexpr int kRecordWidth = 67;

// A group-dial entry's number field as the device keeps it: the marker and its group data.
inline const std::string kGroupData = std::string("\xE0\x01\x02\x05", 4);

// The main window over a device on LPT1, with the phonebook storage allocated.
struct PhonebookWindow : Machine {
    PhonebookWindow() {
        context.link.UseLink(LinkKind::Lpt1);
        context.AllocatePhonebook();
    }
    ~PhonebookWindow() { main.Destroy(); }

    // The main window without the phonebook page shown yet.
    bool Open() {
        if (!main.Create(nullptr)) return false;
        Pump(&main);
        return true;
    }
    // Shows the phonebook page (its first showing reads the device).
    void ShowPhonebook() { SelectTab(kPhonebookTab); }
    void SelectTab(int tab) {
        PropSheet_SetCurSel(main.sheet(), nullptr, tab);
        Pump(&main);
    }

    CPhonebook& page() { return *main.phonebookPage(); }
    PhonebookTable& table() { return *context.phonebook; }
    HWND list() { return page().list(); }

    // An entry in the device's memory, as the panel writes it (FF behind the texts).
    void PutOnDevice(int position, const std::string& name, const std::string& number) {
        std::vector<std::uint8_t> record(kRecordWidth, 0xFF);
        record[0] = static_cast<std::uint8_t>(position + 1);
        std::copy(name.begin(), name.end(), record.begin() + 1);
        std::copy(number.begin(), number.end(), record.begin() + 21);
        std::copy(record.begin(), record.end(),
                  device.state.phonebook.begin() + position * kRecordWidth);
    }
    // The name and number of an entry as the device holds them, without the fill.
    std::string DeviceName(int position) const { return DeviceField(position, 1, 20); }
    std::string DeviceNumber(int position) const { return DeviceField(position, 21, 46); }

    // A button of the page clicked, or a command of the main window's menu chosen.
    void Click(int id) {
        ::SendMessage(page().Item(id), BM_CLICK, 0, 0);
        Pump(&main);
    }
    void MenuCommand(int id) {
        ::SendMessage(main.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump(&main);
    }

    void SelectRow(int row) {
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    void DoubleClickList() {
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = list();
        click.hdr.idFrom = IDC_PB_LIST;
        click.hdr.code = NM_DBLCLK;
        click.iItem = ListView_GetNextItem(list(), -1, LVNI_SELECTED);
        ::SendMessage(page().hwnd(), WM_NOTIFY, IDC_PB_LIST, reinterpret_cast<LPARAM>(&click));
    }

    int RowCount() { return ListView_GetItemCount(list()); }
    tstring Cell(int row, int column) {
        TCHAR text[128] = {};
        ListView_GetItemText(list(), row, column, text, 128);
        return text;
    }

    int Boxes() const { return ui.Count(UiEvent::Kind::MessageBox); }
    int Beeps() const { return ui.Count(UiEvent::Kind::Beep); }

    CMainDlg main{context, ui};

private:
    std::string DeviceField(int position, int offset, int width) const {
        const auto* start = device.state.phonebook.data() + position * kRecordWidth + offset;
        std::string text(start, start + width);
        return text.substr(0, text.find('\xFF'));
    }
};

inline int CaretOf(HWND edit) {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                  reinterpret_cast<LPARAM>(&end));
    return start == end ? static_cast<int>(start) : -1;
}

inline void PutCaretAt(HWND edit, int position) {
    ::SendMessage(edit, EM_SETSEL, position, position);
}

}  // namespace pd::test
