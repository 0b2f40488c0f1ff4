#include "phonebook/PhonebookPage.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cwchar>
#include <string>

#include "controls/DataExchange.h"
#include "controls/DeviceText.h"
#include "controls/Strings.h"
#include "controls/Ui.h"
#include "pages/PageExchange.h"
#include "phonebook/EntryDlg.h"
#include "phonebook/ImportDlg.h"
#include "phonebook/PhonebookFile.h"
#include "phonebook/PhonebookImport.h"
#include "phonebook/PhonebookMenu.h"
#include "phonebook/PhonebookRows.h"
#include "phonebook/PhonebookText.h"
#include "platform/ScopedFile.h"
#include "platform/WholeFile.h"
#include "platform/WindowsPaths.h"
#include "protocol/PanelContext.h"
#include "protocol/PhonebookTransfer.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

// The page is a child of the sheet: no caption bar of its own, and a stop for the keyboard.
constexpr LONG kPageCaptionStyles = 0x00C00000;   // WS_CAPTION
constexpr LONG kPageKeyboardStyles = 0x00030000;  // WS_GROUP | WS_TABSTOP

enum Column { kEntryColumn = 0, kNameColumn = 1, kNumberColumn = 2 };

// The room the section name has in a radio caption, "NAME ( 1 ~ COUNT )".
constexpr std::size_t kSectionNameRoom = 31;
// Row numbers are padded to three places: the list draws its first column left-aligned
// whatever its format says, so the spaces are what line the numbers up.
constexpr std::size_t kRowNumberPlaces = 3;
// The current folder as the file dialogs get it.
constexpr DWORD kFolderBufferSize = 256;

tstring SectionCaption(UINT nameId, int count) {
    tstring name = LoadResString(nameId);
    if (name.size() > kSectionNameRoom) name.resize(kSectionNameRoom);
    return TextFromUtf8(FillPlaceholders(Utf8FromText(LoadResString(IDS_SECTION_CAPTION)),
                                         {Utf8FromText(name), std::to_string(count)}));
}

tstring RowNumber(int row) {
    const tstring digits = ToTString(row + 1);
    const std::size_t pad = kRowNumberPlaces > digits.size() ? kRowNumberPlaces - digits.size() : 0;
    return tstring(pad, TEXT(' ')) + digits;
}

// The process's current folder, or nothing when it does not fit the dialogs' buffer.
tstring CurrentFolder() {
    std::array<TCHAR, kFolderBufferSize> folder{};
    const DWORD length = ::GetCurrentDirectory(kFolderBufferSize, folder.data());
    if (length == 0 || length >= kFolderBufferSize) return {};
    return folder.data();
}

FileDialogOptions PhonebookFileDialog(const TCHAR* defaultExtension, DWORD flags) {
    FileDialogOptions options;
    options.filter = LoadResString(IDS_PHONEBOOK_FILE_FILTER);
    options.defaultExtension = defaultExtension;
    options.flags = flags;
    options.initialFolder = CurrentFolder();
    return options;
}

// The dialog's choice as the file operations take it, with ".PBF" when it names no extension.
std::string PhonebookPath(const tstring& chosen) {
    return WithPhonebookExtension(Utf8FromText(chosen));
}

// The text files' dialogs: the two formats, in the order of PhonebookTextFormat, and no
// extension of the dialog's own, so that the one the user's chosen format gives is added.
FileDialogOptions TextFileDialog(DWORD flags, int* chosenFilter) {
    FileDialogOptions options;
    options.filter = LoadResString(IDS_TEXT_FILE_FILTER);
    options.flags = flags;
    options.initialFolder = CurrentFolder();
    options.chosenFilter = chosenFilter;
    return options;
}

PhonebookTextFormat FormatOfFilter(int filter) {
    return filter == 2 ? PhonebookTextFormat::Vcard : PhonebookTextFormat::Csv;
}

// Whether something of that name is there: a file that cannot be opened for another reason
// than its absence is there all the same.
bool IsThere(Os& os, const std::string& path) {
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead | share::kWrite,
                                    disposition::kOpenExisting, attributes::kNormal));
    return file || os.LastFileError() != FileError::NotFound;
}

}  // namespace

CPhonebook::CPhonebook(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_PHONEBOOK),
      context_(context),
      ui_(ui),
      sectionEnd_(context.store.speedDialCount),
      listFont_(::CreateFont(kListFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kListFontFace)) {}

CPhonebook::~CPhonebook() {
    // The list may still be drawing with the font: the window goes before the font does.
    if (list_ != nullptr && ::IsWindow(list_)) {
        ::SendMessage(list_, WM_SETFONT, 0, FALSE);
    }
}

PhonebookTable* CPhonebook::Table() { return context_.phonebook.get(); }

void CPhonebook::DoDataExchange(DataExchange& exchange) {
    exchange.Radio(IDC_PB_ONE_TOUCH, sectionChoice_);
}

bool CPhonebook::OnInit() {
    TakePageStyle();
    list_ = Item(IDC_PB_LIST);
    CPropertyPage::OnInit();

    bool read = false;
    {
        WaitCursor wait(ui_);
        context_.os.Sleep(kFirstReadPauseMs);
        if (PhonebookTable* table = Table()) read = ReadPhonebook(context_.link, *table);
    }
    if (!read) ui_.ShowErrorBox(IDS_NO_RESPONSE);  // the page opens all the same

    SetRadioCaptions();
    ::ShowWindow(Item(IDC_PB_ONE_TOUCH), SW_HIDE);
    ::ShowWindow(Item(IDC_PB_SPEED_DIAL), SW_SHOW);

    ::SendMessage(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), TRUE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    AddColumns();

    ChooseSpeedDial();
    FillEntryList();
    return true;
}

void CPhonebook::TakePageStyle() {
    const LONG style = ::GetWindowLong(hwnd(), GWL_STYLE);
    ::SetWindowLong(hwnd(), GWL_STYLE, (style & ~kPageCaptionStyles) | kPageKeyboardStyles);
}

void CPhonebook::SetRadioCaptions() {
    ::SetWindowText(Item(IDC_PB_ONE_TOUCH),
                    SectionCaption(IDS_ONE_TOUCH_DIAL, context_.store.oneTouchCount).c_str());
    ::SetWindowText(Item(IDC_PB_SPEED_DIAL),
                    SectionCaption(IDS_SPEED_DIAL, context_.store.speedDialCount).c_str());
}

void CPhonebook::AddColumns() {
    RECT client{};
    ::GetClientRect(list_, &client);
    const int numberWidth =
        (client.right - client.left) - ::GetSystemMetrics(SM_CXVSCROLL) - kNumberColumnMargin;
    const struct {
        UINT headerId;
        int format;
        int width;
    } columns[] = {
        {IDS_COLUMN_ENTRY, LVCFMT_RIGHT, kEntryColumnWidth},
        {IDS_COLUMN_NAME, LVCFMT_LEFT, kNameColumnWidth},
        {IDS_COLUMN_NUMBER, LVCFMT_LEFT, numberWidth},
    };
    int index = 0;
    for (const auto& column : columns) {
        tstring header = LoadResString(column.headerId);
        LVCOLUMN item{};
        item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        item.fmt = column.format;
        item.cx = column.width;
        item.pszText = header.data();
        item.iSubItem = index;
        ListView_InsertColumn(list_, index, &item);
        ++index;
    }
}

void CPhonebook::ChooseSpeedDial() {
    sectionChoice_ = kSpeedDialSection;
    sectionFirst_ = 0;
    sectionEnd_ = context_.store.speedDialCount;
}

void CPhonebook::ChooseOneTouch() {
    sectionChoice_ = kOneTouchSection;
    sectionFirst_ = context_.store.speedDialCount;
    sectionEnd_ = context_.store.speedDialCount + context_.store.oneTouchCount;
}

void CPhonebook::FillEntryList() {
    if (list_ == nullptr) return;
    // One redraw at the end instead of one for every cell.
    ::SendMessage(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    if (const PhonebookTable* table = Table()) {
        for (int position = sectionFirst_; position < sectionEnd_ && table->Contains(position);
             ++position) {
            const int row = position - sectionFirst_;
            tstring number = RowNumber(row);
            LVITEM item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = number.data();
            ListView_InsertItem(list_, &item);
            ShowEntryTexts(row, position);
        }
    }
    ::SendMessage(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
}

void CPhonebook::ShowEntryTexts(int row, int position) {
    const PhonebookTable* table = Table();
    if (table == nullptr) return;
    SetCellText(row, kNameColumn, FromDeviceBytes(table->Name(position)));
    SetCellText(row, kNumberColumn,
                table->IsGroupDial(position) ? LoadResString(IDS_GROUP_DIAL)
                                             : FromDeviceBytes(table->Number(position)));
}

void CPhonebook::SelectRow(int row) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
}

void CPhonebook::SetCellText(int row, int column, const tstring& text) {
    tstring copy = text;
    ListView_SetItemText(list_, row, column, copy.data());
}

bool CPhonebook::OnButtonClicked(int id) {
    switch (id) {
        case IDC_PB_READ:
            ReadFromDevice();
            return true;
        case IDC_PB_WRITE:
            WriteToDevice();
            return true;
        case IDC_PB_EDIT:
            EditSelected();
            return true;
        case IDC_PB_DELETE:
            DeleteSelected();
            return true;
        case IDC_PB_DELETE_ALL:
            DeleteAll();
            return true;
        case IDC_PB_SPEED_DIAL:
            // The speed-dial section is the one the list shows already.
            ChooseSpeedDial();
            return true;
        case IDC_PB_ONE_TOUCH:
            ChooseOneTouch();
            FillEntryList();
            return true;
        default:
            return false;
    }
}

bool CPhonebook::OnNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom == IDC_PB_LIST && header.code == NM_DBLCLK) {
        EditSelected();
        result = 0;
        return true;
    }
    return CPropertyPage::OnNotify(header, result);
}

bool CPhonebook::OnSetActive() {
    EnablePhonebookMenu(hwnd(), true);
    return true;
}

bool CPhonebook::OnKillActive() {
    EnablePhonebookMenu(hwnd(), false);
    return true;
}

void CPhonebook::ReadFromDevice() {
    PhonebookTable* table = Table();
    if (RunPageExchange(context_, ui_,
                        [&] { return table != nullptr && ReadPhonebook(context_.link, *table); })) {
        FillEntryList();
    }
}

void CPhonebook::WriteToDevice() {
    const PhonebookTable* table = Table();
    RunPageExchange(context_, ui_,
                    [&] { return table != nullptr && WritePhonebook(context_.link, *table); });
}

int CPhonebook::SelectedRow() const {
    return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1;
}

std::optional<int> CPhonebook::ChangeablePosition() {
    const int row = SelectedRow();
    const PhonebookTable* table = Table();
    const int position = sectionFirst_ + row;
    // Group-dial entries belong to the device's group settings: the panel cannot make them.
    if (row < 0 || table == nullptr || !table->Contains(position) || table->IsGroupDial(position)) {
        ui_.Beep();
        return std::nullopt;
    }
    return position;
}

void CPhonebook::EditSelected() {
    const std::optional<int> position = ChangeablePosition();
    if (!position) return;
    PhonebookTable& table = *Table();
    const int row = *position - sectionFirst_;
    {
        CEntryDlg editor(table, *position, ui_);
        // No owner of its own: the editor sits over the main window, as every box does.
        if (ui_.RunModal(editor, ui_.MainWindow()) == IDOK) {
            table.SetEntry(*position, editor.nameText(), editor.numberText());
            ShowEntryTexts(row, *position);
        }
    }
    ::SetFocus(list_);
}

void CPhonebook::DeleteSelected() {
    const std::optional<int> position = ChangeablePosition();
    if (!position) return;
    Table()->ClearEntry(*position);
    // The row keeps its place and number: blank entries are positions too.
    ShowEntryTexts(*position - sectionFirst_, *position);
    ::SetFocus(list_);
}

void CPhonebook::DeleteAll() {
    if (PhonebookTable* table = Table()) table->ClearAllEntries();
    FillEntryList();
}

void CPhonebook::OnOpenPhonebookCommand() {
    const std::optional<tstring> chosen =
        ui_.OpenFileName(ui_.MainWindow(), PhonebookFileDialog(TEXT(""), 0));
    PhonebookTable* table = Table();
    if (!chosen || table == nullptr) return;
    // A file that is not a phonebook is refused without a word: the list stays as it was.
    if (LoadPhonebookFile(context_.os, PhonebookPath(*chosen), *table)) FillEntryList();
}

void CPhonebook::OnSavePhonebookCommand() {
    const std::optional<tstring> chosen = ui_.SaveFileName(
        ui_.MainWindow(),
        PhonebookFileDialog(TextFromUtf8(kPhonebookDefaultExtension).c_str(), OFN_OVERWRITEPROMPT));
    const PhonebookTable* table = Table();
    if (!chosen || table == nullptr) return;
    // A save that fails leaves any earlier file as it was; the user has to know it did not
    // happen.
    if (!SavePhonebookFile(context_.os, PhonebookPath(*chosen), *table)) {
        ui_.ShowErrorBox(IDS_WRITE_FAILED);
    }
}

void CPhonebook::OnImportCommand() {
    int filter = 1;
    const std::optional<tstring> chosen = ui_.OpenFileName(
        ui_.MainWindow(), TextFileDialog(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, &filter));
    PhonebookTable* table = Table();
    if (!chosen || table == nullptr) return;
    const std::string path = Utf8FromText(*chosen);
    // The name's extension says what the file is; a name without one is what the user chose.
    const PhonebookTextFormat format = PhonebookTextFormatOf(path).value_or(FormatOfFilter(filter));

    FileError error = FileError::None;
    const std::optional<std::string> bytes =
        ReadWholeFile(context_.os, path, kLargestImportFile, &error);
    if (!bytes) {
        ui_.ShowErrorBox(error == FileError::TooLarge ? IDS_FILE_TOO_LARGE : IDS_FILE_NOT_READ);
        return;
    }
    const PhonebookRows rows = ReadPhonebookText(format, *bytes);
    if (!rows.problems.empty() && rows.problems.front().fault == RowFault::Utf16Text) {
        ui_.ShowErrorBox(IDS_ROW_FAULT_FIRST + static_cast<UINT>(RowFault::Utf16Text));
        return;
    }
    ImportPlan plan = PlanImport(*table, rows, ImportMode::Merge);
    const ImportChanges changes = ChangesOf(*table, plan.table);
    {
        CImportDlg summary(TextFromUtf8(path.substr(WindowsFolderLength(path))),
                           static_cast<int>(changes.added.size()),
                           static_cast<int>(changes.changed.size()), plan.problems, ui_);
        if (ui_.RunModal(summary, ui_.MainWindow()) != IDOK) return;
    }
    *table = std::move(plan.table);
    FillEntryList();
    // The first entry the file brought, so that the user sees where the change is.
    int first = table->size();
    for (const int position : changes.added) first = std::min(first, position);
    for (const int position : changes.changed) first = std::min(first, position);
    if (first >= sectionFirst_ && first < sectionEnd_) SelectRow(first - sectionFirst_);
}

void CPhonebook::OnExportCommand() {
    int filter = 1;
    const std::optional<tstring> chosen = ui_.SaveFileName(
        ui_.MainWindow(), TextFileDialog(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, &filter));
    const PhonebookTable* table = Table();
    if (!chosen || table == nullptr) return;
    const PhonebookTextFormat format = FormatOfFilter(filter);
    const std::string typed = Utf8FromText(*chosen);
    const std::string path = WithDefaultExtension(typed, PhonebookTextExtension(format));
    // The dialog asked about the name as typed; the extension added here makes another one.
    if (path != typed && IsThere(context_.os, path)) {
        const std::string question = FillPlaceholders(Utf8FromText(LoadResString(IDS_FILE_EXISTS)),
                                                      {path.substr(WindowsFolderLength(path))});
        const int answer =
            ui_.ShowMessage(ui_.MainWindow(), TextFromUtf8(question), LoadResString(IDS_TITLE),
                            MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
        if (answer != IDYES) return;
    }
    if (!SavePhonebookText(context_.os, path, format, *table)) ui_.ShowErrorBox(IDS_WRITE_FAILED);
}

}  // namespace pd
