// The entry editor: the small modal dialog in which the user changes the name and the number
// of one phonebook entry. Only permitted characters get in, the texts stay in capitals while
// the user types, and OK waits until the number looks like a number. The dialog never writes
// to the table: the page stores what it hands back.
#pragma once

#include <windows.h>

#include <string>

#include "controls/Dialog.h"
#include "controls/FilterEdit.h"
#include "controls/HoverButton.h"

namespace pd {

class PhonebookTable;
class Ui;

class CEntryDlg : public CDialog {
public:
    // Starts with the texts of the entry at `position`.
    CEntryDlg(const PhonebookTable& table, int position, Ui& ui);

    // Windows-1252 texts, as the table keeps them.
    const std::string& nameText() const { return nameText_; }
    const std::string& numberText() const { return numberText_; }
    int position() const { return position_; }

    CFilterEdit& nameEdit() { return nameEdit_; }
    CFilterEdit& numberEdit() { return numberEdit_; }
    CHoverButton& okButton() { return okButton_; }
    CHoverButton& cancelButton() { return cancelButton_; }

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int code, int id, HWND control) override;
    void OnOK() override;
    void OnDestroy() override;

private:
    void OnFieldChanged(int id);
    // A typed character below 128 was taken: the field turns to capitals.
    void TakeTypedCharacter(int id, std::string& field);
    // A character of 128 or above got in: the field goes back to what it held.
    void RefuseWideCharacter(int id, std::string& field);
    bool NumberLooksDialable() const;

    Ui& ui_;
    int position_;
    std::string nameText_;
    std::string numberText_;
    CFilterEdit nameEdit_;
    CFilterEdit numberEdit_;
    CHoverButton okButton_;
    CHoverButton cancelButton_;
};

}  // namespace pd
