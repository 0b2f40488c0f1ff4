#include "phonebook/EntryDlg.h"

#include <algorithm>

#include "controls/DataExchange.h"
#include "controls/DeviceText.h"
#include "controls/Strings.h"
#include "controls/Ui.h"
#include "protocol/FieldRules.h"
#include "protocol/PhonebookTable.h"
#include "protocol/Windows1252.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

void ExchangeEntryText(DataExchange& exchange, int id, std::string& text) {
    tstring shown = FromDeviceBytes(text);
    exchange.Text(id, shown);
    if (exchange.saving()) text = DeviceBytesFor(shown, text);
}

int SelectionStart(HWND edit) {
    DWORD start = 0;
    ::SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void PutCaret(HWND edit, int position) {
    const int at = std::max(position, 0);
    ::SendMessage(edit, EM_SETSEL, static_cast<WPARAM>(at), static_cast<LPARAM>(at));
}

}  // namespace

CEntryDlg::CEntryDlg(const PhonebookTable& table, int position, Ui& ui)
    : CDialog(IDD_ENTRY),
      ui_(ui),
      position_(position),
      nameText_(table.Name(position)),
      numberText_(table.Number(position)),
      nameEdit_(ui),
      numberEdit_(ui) {}

void CEntryDlg::DoDataExchange(DataExchange& exchange) {
    ExchangeEntryText(exchange, IDC_ENTRY_NAME, nameText_);
    ExchangeEntryText(exchange, IDC_ENTRY_NUMBER, numberText_);
}

bool CEntryDlg::OnInit() {
    nameEdit_.Attach(hwnd(), IDC_ENTRY_NAME);
    numberEdit_.Attach(hwnd(), IDC_ENTRY_NUMBER);
    okButton_.Attach(hwnd(), IDOK);
    cancelButton_.Attach(hwnd(), IDCANCEL);
    CDialog::OnInit();

    // The two fields hold what the entry's fields hold.
    nameEdit_.SetLimit(kEntryNameRule.width);
    nameEdit_.SetFilterMode(FilterMode::Name);
    numberEdit_.SetLimit(kEntryNumberRule.width);
    numberEdit_.SetFilterMode(FilterMode::PhonebookNumber);

    okButton_.LoadButtonIcon(IDI_OK, 0);
    cancelButton_.LoadButtonIcon(IDI_CANCEL, 0);
    okButton_.SetFlatFocusRect(true, false);
    cancelButton_.SetFlatFocusRect(true, false);

    ::SetWindowText(hwnd(), LoadResString(IDS_EDIT_CAPTION).c_str());

    // Made without an owner of its own, the editor sits over the main window.
    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    CenterWindow(owner != nullptr ? owner : ui_.MainWindow());
    return true;  // the focus goes to the name, first in tab order
}

void CEntryDlg::OnDestroy() {
    nameEdit_.Detach();
    numberEdit_.Detach();
    okButton_.Detach();
    cancelButton_.Detach();
}

bool CEntryDlg::OnCommand(int code, int id, HWND control) {
    // Changes the dialog makes itself never get here (see filling()): only the user's do.
    if (code == EN_CHANGE && (id == IDC_ENTRY_NAME || id == IDC_ENTRY_NUMBER)) {
        OnFieldChanged(id);
        return true;
    }
    return CDialog::OnCommand(code, id, control);
}

void CEntryDlg::OnFieldChanged(int id) {
    std::string& field = id == IDC_ENTRY_NAME ? nameText_ : numberText_;
    if (CFilterEdit::LastCharacterNotAscii()) {
        RefuseWideCharacter(id, field);
    } else {
        TakeTypedCharacter(id, field);
    }
}

void CEntryDlg::TakeTypedCharacter(int id, std::string& field) {
    UpdateData(true);
    const int caret = SelectionStart(Item(id));
    field = UpperWindows1252(field);
    UpdateData(false);
    PutCaret(Item(id), caret);
}

void CEntryDlg::RefuseWideCharacter(int id, std::string& field) {
    const int caret = SelectionStart(Item(id));
    // What the edit shows now holds the new character; the field still holds the text of
    // the last accepted change, and that is what comes back, without such characters.
    const auto wide = [](char byte) { return static_cast<unsigned char>(byte) >= kFirstNonAscii; };
    const auto kept = std::remove_if(field.begin(), field.end(), wide);
    const int removed = static_cast<int>(field.end() - kept);
    field.erase(kept, field.end());
    UpdateData(false);
    PutCaret(Item(id), caret - removed);
    ui_.Beep();
}

bool CEntryDlg::NumberLooksDialable() const { return IsDialableNumber(numberText_); }

void CEntryDlg::OnOK() {
    if (!NumberLooksDialable()) {
        ui_.Beep();
        return;
    }
    UpdateData(true);
    EndDialog(IDOK);
}

}  // namespace pd
