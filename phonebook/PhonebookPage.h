// The Phonebook page: lists one section of the phonebook table, reads and writes the whole
// table on the device, edits and deletes single entries, and while it is the active page makes
// the File menu's phonebook commands available. It works on the shared table directly: there
// is no copy, no undo and no modified mark.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "controls/PropertyPage.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class PhonebookTable;
class Ui;

// The radio group's values.
inline constexpr int kOneTouchSection = 0;
inline constexpr int kSpeedDialSection = 1;

// The list's look.
inline constexpr TCHAR kListFontFace[] = TEXT("Arial");
inline constexpr int kListFontHeight = 15;
inline constexpr int kEntryColumnWidth = 40;
inline constexpr int kNameColumnWidth = 150;
// What the number column leaves for the other two columns and the list's edges.
inline constexpr int kNumberColumnMargin = 190;

// How long the page lets the device rest before its first read.
inline constexpr DWORD kFirstReadPauseMs = 1500;

class CPhonebook : public CPropertyPage {
public:
    CPhonebook(PanelContext& context, Ui& ui);
    ~CPhonebook() override;

    // The main window's File menu commands "&Avaa puhelinmuistio" and "Tallenna
    // &puhelinmuistio" land here; they are enabled only while this page is the active page.
    void OnOpenPhonebookCommand();
    void OnSavePhonebookCommand();
    // "&Tuo CSV- tai vCard-tiedostosta" and "&Vie CSV- tai vCard-tiedostoon": the phonebook
    // from and to the files of spreadsheets and address books. An import shows what it would
    // do and changes only the page's table, once the user agrees; the device gets it with
    // "Kirjoita" as always.
    void OnImportCommand();
    void OnExportCommand();

    // Rebuilds the list from the table: one row for every position of the chosen section.
    void FillEntryList();

    int sectionChoice() const { return sectionChoice_; }
    int sectionFirst() const { return sectionFirst_; }
    int sectionEnd() const { return sectionEnd_; }
    HWND list() const { return list_; }
    HFONT listFont() const { return listFont_.get(); }

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnButtonClicked(int id) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnSetActive() override;
    bool OnKillActive() override;

private:
    PhonebookTable* Table();
    void TakePageStyle();
    void SetRadioCaptions();
    void AddColumns();
    void ChooseSpeedDial();
    void ChooseOneTouch();

    void ReadFromDevice();
    void WriteToDevice();
    void EditSelected();
    void DeleteSelected();
    void DeleteAll();

    // The table position of the selected row when it may be changed; otherwise a beep and
    // nothing.
    std::optional<int> ChangeablePosition();
    int SelectedRow() const;
    void ShowEntryTexts(int row, int position);
    void SelectRow(int row);
    void SetCellText(int row, int column, const tstring& text);

    PanelContext& context_;
    Ui& ui_;
    int sectionChoice_ = kSpeedDialSection;
    int sectionFirst_ = 0;
    int sectionEnd_ = 0;
    HWND list_ = nullptr;
    ScopedFont listFont_;
};

}  // namespace pd
