#include "phonebook/ImportDlg.h"

#include <commctrl.h>

#include <utility>

#include "controls/Strings.h"
#include "controls/Ui.h"
#include "resources/resource.h"

namespace pd {

namespace {

enum Column { kLineColumn = 0, kReasonColumn = 1 };
constexpr int kLineColumnWidth = 40;

}  // namespace

tstring RowProblemText(const RowProblem& problem) {
    const tstring pattern = LoadResString(IDS_ROW_FAULT_FIRST + static_cast<UINT>(problem.fault));
    return TextFromUtf8(FillRowProblem(Utf8FromText(pattern), problem));
}

CImportDlg::CImportDlg(tstring fileName, int added, int changed, std::vector<RowProblem> problems,
                       Ui& ui)
    : CDialog(IDD_IMPORT),
      ui_(ui),
      fileName_(std::move(fileName)),
      added_(added),
      changed_(changed),
      problems_(std::move(problems)) {}

HWND CImportDlg::list() const { return Item(IDC_IMPORT_PROBLEMS); }

bool CImportDlg::OnInit() {
    okButton_.Attach(hwnd(), IDOK);
    cancelButton_.Attach(hwnd(), IDCANCEL);
    CDialog::OnInit();
    okButton_.LoadButtonIcon(IDI_OK, 0);
    cancelButton_.LoadButtonIcon(IDI_CANCEL, 0);
    okButton_.SetFlatFocusRect(true, false);
    cancelButton_.SetFlatFocusRect(true, false);

    ::SetWindowText(Item(IDC_IMPORT_FILE), fileName_.c_str());
    ::SetWindowText(Item(IDC_IMPORT_ADDED), ToTString(added_).c_str());
    ::SetWindowText(Item(IDC_IMPORT_CHANGED), ToTString(changed_).c_str());
    ::SetWindowText(Item(IDC_IMPORT_REFUSED),
                    ToTString(static_cast<long long>(problems_.size())).c_str());
    ListView_SetExtendedListViewStyle(list(), LVS_EX_FULLROWSELECT);
    AddColumns();
    AddProblems();

    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    CenterWindow(owner != nullptr ? owner : ui_.MainWindow());
    ::SetFocus(Item(IDOK));
    return false;  // the focus is set: OK, so that Enter takes the file and Escape does not
}

void CImportDlg::OnDestroy() {
    okButton_.Detach();
    cancelButton_.Detach();
}

void CImportDlg::AddColumns() {
    RECT client{};
    ::GetClientRect(list(), &client);
    const struct {
        UINT headerId;
        int width;
    } columns[] = {
        {IDS_COLUMN_LINE, kLineColumnWidth},
        {IDS_COLUMN_REASON,
         (client.right - client.left) - ::GetSystemMetrics(SM_CXVSCROLL) - kLineColumnWidth},
    };
    int index = 0;
    for (const auto& column : columns) {
        tstring header = LoadResString(column.headerId);
        LVCOLUMN item{};
        item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        item.fmt = LVCFMT_LEFT;
        item.cx = column.width;
        item.pszText = header.data();
        item.iSubItem = index;
        ListView_InsertColumn(list(), index, &item);
        ++index;
    }
}

void CImportDlg::AddProblems() {
    int row = 0;
    for (const RowProblem& problem : problems_) {
        // A problem of the file as a whole has no line of its own.
        tstring line = problem.line > 0 ? ToTString(problem.line) : tstring();
        LVITEM item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = line.data();
        ListView_InsertItem(list(), &item);
        tstring reason = RowProblemText(problem);
        ListView_SetItemText(list(), row, kReasonColumn, reason.data());
        ++row;
    }
    // A reason wider than the list can be scrolled to; never narrower than the list.
    const int fitted = ListView_GetColumnWidth(list(), kReasonColumn);
    ListView_SetColumnWidth(list(), kReasonColumn, LVSCW_AUTOSIZE);
    if (ListView_GetColumnWidth(list(), kReasonColumn) < fitted) {
        ListView_SetColumnWidth(list(), kReasonColumn, fitted);
    }
}

}  // namespace pd
