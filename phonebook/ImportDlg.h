// The summary an import shows before it changes anything: the file, how many entries it
// would add and change on the page, and every row it refuses with its line and reason, in a
// list that scrolls. OK lets the page take the file's entries; Cancel leaves everything as
// it was. The dialog itself changes nothing.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/Dialog.h"
#include "controls/HoverButton.h"
#include "phonebook/RowProblem.h"
#include "win32/TextMode.h"

namespace pd {

class Ui;

// Why a row is refused, in the program's language: the fault's text from the string table
// with the problem's values in it.
tstring RowProblemText(const RowProblem& problem);

class CImportDlg : public CDialog {
public:
    CImportDlg(tstring fileName, int added, int changed, std::vector<RowProblem> problems, Ui& ui);

    // The list of refused rows: the line and the reason.
    HWND list() const;
    CHoverButton& okButton() { return okButton_; }
    CHoverButton& cancelButton() { return cancelButton_; }

protected:
    bool OnInit() override;
    void OnDestroy() override;

private:
    void AddColumns();
    void AddProblems();

    Ui& ui_;
    tstring fileName_;
    int added_;
    int changed_;
    std::vector<RowProblem> problems_;
    CHoverButton okButton_;
    CHoverButton cancelButton_;
};

}  // namespace pd
