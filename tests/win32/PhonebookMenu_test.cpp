// The File menu's phonebook commands, chosen in the real main window with the phonebook page
// showing: the file dialogs they ask for, the files they write and read, the import's
// summary, and what the user is told.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/Strings.h"
#include "phonebook/ImportDlg.h"
#include "phonebook/PhonebookFile.h"
#include "resources/resource.h"
#include "support/PhonebookUi.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = UiEvent::Kind;

constexpr TCHAR kFilter[] = TEXT("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||");
constexpr TCHAR kTextFilter[] = TEXT("CSV-tiedostot (*.csv)|*.csv|vCard-tiedostot (*.vcf)|*.vcf||");

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

tstring CurrentFolder() {
    TCHAR folder[MAX_PATH] = {};
    ::GetCurrentDirectory(MAX_PATH, folder);
    return folder;
}

// A phonebook file made by the panel itself from a table holding `entries`.
Bytes PhonebookFileOf(
    std::initializer_list<std::pair<int, std::pair<const char*, const char*>>> entries) {
    sim::VirtualDevice device;
    FakeOs scratch(device);
    PhonebookTable source(80, 0);
    for (const auto& [position, texts] : entries) {
        source.SetEntry(position, texts.first, texts.second);
    }
    SavePhonebookFile(scratch, "made.PBF", source);
    return *scratch.FileContents("made.PBF");
}

class PhonebookMenu : public ::testing::Test, public test::PhonebookWindow {
protected:
    void SetUp() override {
        ASSERT_TRUE(Open());
        ShowPhonebook();
        ui.Clear();
    }

    UiEvent OnlyFileDialog(Kind kind) {
        const auto dialogs = ui.EventsOf(kind);
        EXPECT_EQ(dialogs.size(), 1u);
        return dialogs.empty() ? UiEvent{} : dialogs[0];
    }
    Bytes TableBytes() { return Bytes(table().Bytes().begin(), table().Bytes().end()); }
};

TEST_F(PhonebookMenu, SaveAsksWhereAndWritesTheWholePhonebook) {
    table().SetEntry(0, "ALICE", "0401234567");
    table().SetEntry(79, "ZED", "999");
    ui.AnswerFileDialog(TEXT("C:\\books\\office.PBF"));
    MenuCommand(ID_FILE_SAVE_PHONEBOOK);

    const UiEvent dialog = OnlyFileDialog(Kind::SaveFile);
    EXPECT_EQ(dialog.owner, main.hwnd());
    EXPECT_EQ(dialog.file.filter, kFilter);
    EXPECT_EQ(dialog.file.defaultExtension, TEXT("PBF"));
    EXPECT_EQ(dialog.file.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT));
    EXPECT_EQ(dialog.file.initialFolder, CurrentFolder());

    const auto saved = os.FileContents("C:\\books\\office.PBF");
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->size(), 5480u);
    EXPECT_EQ(Bytes(saved->begin(), saved->begin() + 40),
              Bytes(kPhonebookFileHeader.begin(), kPhonebookFileHeader.end()));
    EXPECT_EQ(Bytes(saved->begin() + 40, saved->end()), TableBytes());
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
    EXPECT_EQ(ui.Count(Kind::Beep), 0);
}

TEST_F(PhonebookMenu, ChosenNameWithoutExtensionGetsPbf) {
    const struct {
        const TCHAR* chosen;
        const char* written;
    } cases[] = {
        {TEXT("C:\\books\\office"), "C:\\books\\office.PBF"},
        {TEXT("C:\\books\\office.dat"), "C:\\books\\office.dat"},
        {TEXT("C:\\my.books\\office"), "C:\\my.books\\office.PBF"},
    };
    for (const auto& c : cases) {
        ui.AnswerFileDialog(c.chosen);
        MenuCommand(ID_FILE_SAVE_PHONEBOOK);
        EXPECT_TRUE(os.FileExists(c.written)) << c.written;
    }
    EXPECT_EQ(os.FileNames().size(), 3u);
}

TEST_F(PhonebookMenu, CancelledDialogsDoNothing) {
    const Bytes before = TableBytes();
    for (const int command : {ID_FILE_SAVE_PHONEBOOK, ID_FILE_OPEN_PHONEBOOK,
                              ID_FILE_EXPORT_PHONEBOOK, ID_FILE_IMPORT_PHONEBOOK}) {
        MenuCommand(command);
    }
    EXPECT_EQ(ui.Count(Kind::SaveFile), 2);
    EXPECT_EQ(ui.Count(Kind::OpenFile), 2);
    EXPECT_TRUE(os.FileNames().empty());
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
    EXPECT_EQ(ui.Count(Kind::Modal), 0);
}

TEST_F(PhonebookMenu, FailedSaveSaysSoAndLeavesTheEarlierFileAsItWas) {
    const Bytes earlier = PhonebookFileOf({{0, {"EARLIER", "111"}}});
    const struct {
        const char* what;
        std::function<void(FakeOs&)> fault;
    } cases[] = {
        {"folder cannot be written", [](FakeOs& o) { o.FailOpensUnder("C:\\locked\\"); }},
        {"disk fills up", [](FakeOs& o) { o.SetDiskSpace(1000); }},
        {"replacing fails", [](FakeOs& o) { o.FailReplace(true); }},
    };
    for (const auto& c : cases) {
        test::PhonebookWindow window;
        ASSERT_TRUE(window.Open());
        window.ShowPhonebook();
        window.table().SetEntry(0, "NEWER", "222");
        window.os.PutFile("C:\\locked\\book.PBF", earlier);
        c.fault(window.os);
        window.ui.Clear();
        window.ui.AnswerFileDialog(TEXT("C:\\locked\\book"));
        window.MenuCommand(ID_FILE_SAVE_PHONEBOOK);

        const auto boxes = window.ui.EventsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].text, TEXT("Tietojen kirjoittaminen ei onnistunut.")) << c.what;
        EXPECT_EQ(boxes[0].caption, LoadResString(IDS_TITLE)) << c.what;
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR)) << c.what;
        EXPECT_EQ(boxes[0].owner, window.main.hwnd()) << c.what;
        EXPECT_EQ(window.os.FileContents("C:\\locked\\book.PBF"), earlier) << c.what;
        EXPECT_EQ(window.os.FileNames(), std::vector<std::string>{"C:\\locked\\book.PBF"})
            << c.what << ": nothing half-written is left behind";
    }
}

TEST_F(PhonebookMenu, OpenLoadsTheChosenFileAndRefillsTheList) {
    os.PutFile("C:\\books\\home.PBF",
               PhonebookFileOf({{0, {"MOTHER", "0201234"}}, {55, {"WORK", "P9876"}}}));
    ui.AnswerFileDialog(TEXT("C:\\books\\home"));
    MenuCommand(ID_FILE_OPEN_PHONEBOOK);

    const UiEvent dialog = OnlyFileDialog(Kind::OpenFile);
    EXPECT_EQ(dialog.owner, main.hwnd());
    EXPECT_EQ(dialog.file.filter, kFilter);
    EXPECT_EQ(dialog.file.defaultExtension, TEXT(""));
    EXPECT_EQ(dialog.file.flags, 0u);
    EXPECT_EQ(dialog.file.initialFolder, CurrentFolder());

    EXPECT_EQ(table().Name(55), "WORK");
    EXPECT_EQ(Cell(0, 1), TEXT("MOTHER"));
    EXPECT_EQ(Cell(0, 2), TEXT("0201234"));
    EXPECT_EQ(Cell(55, 0), TEXT(" 56"));
    EXPECT_EQ(Cell(55, 1), TEXT("WORK"));
    EXPECT_EQ(RowCount(), 80);
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
}

TEST_F(PhonebookMenu, OpenTakesAFileWithAnotherExtensionAsItIs) {
    os.PutFile("C:\\books\\book.txt", PhonebookFileOf({{3, {"TEXT", "333"}}}));
    ui.AnswerFileDialog(TEXT("C:\\books\\book.txt"));
    MenuCommand(ID_FILE_OPEN_PHONEBOOK);
    EXPECT_EQ(Cell(3, 1), TEXT("TEXT"));
}

TEST_F(PhonebookMenu, RefusedOpenShowsNothingAndKeepsTableAndList) {
    table().SetEntry(0, "STAYS", "123");
    page().FillEntryList();
    Bytes notAPhonebook(5480, 0);
    std::copy_n("QTR FAX-RCP Phonebook!", 22, notAPhonebook.begin());
    os.PutFile("C:\\books\\other.PBF", notAPhonebook);
    const Bytes before = TableBytes();
    for (const TCHAR* chosen : {TEXT("C:\\books\\other.PBF"), TEXT("C:\\books\\missing.PBF")}) {
        ui.AnswerFileDialog(chosen);
        MenuCommand(ID_FILE_OPEN_PHONEBOOK);
    }
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(Cell(0, 1), TEXT("STAYS"));
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
    EXPECT_EQ(ui.Count(Kind::Beep), 0);
}

TEST_F(PhonebookMenu, SavedFileLoadsBackAfterDeleteAll) {
    table().SetEntry(9, "ROUND", "TRIP1");  // the table takes any bytes; the file keeps them
    ui.AnswerFileDialog(TEXT("C:\\books\\trip"));
    MenuCommand(ID_FILE_SAVE_PHONEBOOK);
    Click(IDC_PB_DELETE_ALL);
    ASSERT_EQ(Cell(9, 1), TEXT(""));
    ui.AnswerFileDialog(TEXT("C:\\books\\trip"));
    MenuCommand(ID_FILE_OPEN_PHONEBOOK);
    EXPECT_EQ(Cell(9, 1), TEXT("ROUND"));
    EXPECT_EQ(Cell(9, 2), TEXT("TRIP1"));
}

// What the import's summary showed, read from its window while it was open.
struct Summary {
    tstring caption, file, added, changed, refused;
    std::vector<std::pair<tstring, tstring>> rows;  // line, reason
};

class PhonebookImport : public PhonebookMenu {
protected:
    // Opens the summary for real, reads it, and ends it with `button` as a click would.
    void AnswerSummaryWith(int button) {
        ui.onModal = [this, button](CDialog& dialog, HWND owner) -> INT_PTR {
            auto& import = static_cast<CImportDlg&>(dialog);
            if (!import.Create(owner)) return -1;
            shown.caption = test::Text(import.hwnd());
            shown.file = test::Text(import.Item(IDC_IMPORT_FILE));
            shown.added = test::Text(import.Item(IDC_IMPORT_ADDED));
            shown.changed = test::Text(import.Item(IDC_IMPORT_CHANGED));
            shown.refused = test::Text(import.Item(IDC_IMPORT_REFUSED));
            shown.rows.clear();
            for (int row = 0; row < ListView_GetItemCount(import.list()); ++row) {
                TCHAR line[16] = {}, reason[256] = {};
                ListView_GetItemText(import.list(), row, 0, line, 16);
                ListView_GetItemText(import.list(), row, 1, reason, 256);
                shown.rows.emplace_back(line, reason);
            }
            ::SendMessage(import.Item(button), BM_CLICK, 0, 0);
            const INT_PTR result = import.ended() ? import.result() : -1;
            import.Destroy();
            return result;
        };
    }

    Summary shown;
};

// A spreadsheet's file as Windows 98 writes it (Windows-1252): one entry changed, one added,
// and three rows the device could not take, each with its line and reason. Cancel leaves the
// page as it was; OK puts the file's entries on the page, and nothing on the device.
TEST_F(PhonebookImport, SummaryShowsWhatTheFileWouldDoAndOnlyOkTakesIt) {
    table().SetEntry(0, "OLD", "111");
    table().SetEntry(1, "KEEP", "222");
    table().SetEntry(4, "GROUP", test::kGroupData);
    page().FillEntryList();
    os.PutFile("C:\\books\\contacts.csv",
               BytesOf("Nro;Nimi;Puhelinnumero\r\n1;Uusi nimi;0401\r\n3;M\xE4ki;050 1\r\n"
                       "5;X;123\r\n81;Y;123\r\n7;Z;+358 1\r\n"));
    const Bytes before = TableBytes();
    const Summary expected{
        ShownText(L"Tuo puhelinmuistio"),
        TEXT("contacts.csv"),
        TEXT("1"),
        TEXT("1"),
        TEXT("3"),
        {{TEXT("4"), ShownText(L"Merkint\u00e4 5 on ryhm\u00e4valinta, eik\u00e4 sit\u00e4 "
                               L"koskaan korvata.")},
         {TEXT("5"), ShownText(L"Nro 81 ei ole v\u00e4lill\u00e4 1\u201380.")},
         {TEXT("6"), ShownText(L"Numerossa ei voi olla merkki\u00e4 '+'; kirjoita sen tilalle "
                               L"ulkomaan etuliite (esimerkiksi 00).")}}};

    for (const int button : {IDCANCEL, IDOK}) {
        ui.Clear();
        AnswerSummaryWith(button);
        ui.AnswerFileDialog(TEXT("C:\\books\\contacts.csv"));
        MenuCommand(ID_FILE_IMPORT_PHONEBOOK);

        const UiEvent dialog = OnlyFileDialog(Kind::OpenFile);
        EXPECT_EQ(dialog.owner, main.hwnd());
        EXPECT_EQ(dialog.file.filter, kTextFilter);
        EXPECT_EQ(dialog.file.flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST));
        EXPECT_EQ(dialog.file.initialFolder, CurrentFolder());
        EXPECT_EQ(shown.caption, expected.caption);
        EXPECT_EQ(shown.file, expected.file);
        EXPECT_EQ(shown.added, expected.added);
        EXPECT_EQ(shown.changed, expected.changed);
        EXPECT_EQ(shown.refused, expected.refused);
        EXPECT_EQ(shown.rows, expected.rows);
        EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
        if (button == IDCANCEL) {
            EXPECT_EQ(TableBytes(), before) << "Cancel changes nothing";
            EXPECT_EQ(Cell(0, 1), TEXT("OLD"));
        }
    }
    EXPECT_EQ(table().Name(0), "Uusi nimi");
    EXPECT_EQ(table().Name(1), "KEEP");
    EXPECT_EQ(table().Name(2), "M\xE4ki");
    EXPECT_EQ(table().Number(2), "0501");
    EXPECT_EQ(table().Number(4), test::kGroupData);
    EXPECT_EQ(Cell(0, 1), TEXT("Uusi nimi"));
    EXPECT_EQ(Cell(2, 1), ShownText(L"M\u00e4ki"));
    EXPECT_EQ(ListView_GetNextItem(list(), -1, LVNI_SELECTED), 0) << "the first change is shown";
    EXPECT_EQ(DeviceName(0), "") << "the device gets it only with Kirjoita";
}

// A name without an extension is read in the format of the pattern the user chose.
TEST_F(PhonebookImport, ChosenPatternDecidesForANameWithoutExtension) {
    os.PutFile("C:\\books\\cards",
               BytesOf("BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Anna\r\nTEL;WORK;FAX:09 2\r\n"
                       "END:VCARD\r\n"));
    ui.AnswerFileDialog(TEXT("C:\\books\\cards"), 2);
    MenuCommand(ID_FILE_IMPORT_PHONEBOOK);  // the summary, unseen, answers OK
    EXPECT_EQ(ui.Count(Kind::Modal), 1);
    EXPECT_EQ(table().Name(0), "Anna");
    EXPECT_EQ(table().Number(0), "092");
}

TEST_F(PhonebookImport, FileItCannotTakeIsRefusedWithAReasonAndNoSummary) {
    os.PutFile("C:\\books\\wide.csv", BytesOf(std::string("\xFF\xFEN\0r\0o\0", 8)));
    os.PutFile("C:\\books\\huge.csv", Bytes((1u << 20) + 1, 'x'));
    const struct {
        const TCHAR* chosen;
        tstring box;
    } cases[] = {
        {TEXT("C:\\books\\missing.csv"), TEXT("Tiedostoa ei voitu lukea.")},
        {TEXT("C:\\books\\huge.csv"), TEXT("Tiedosto on liian suuri puhelinmuistioksi.")},
        {TEXT("C:\\books\\wide.csv"),
         ShownText(L"Tiedosto on UTF-16-muodossa tai siin\u00e4 on nollatavuja. Tallenna se "
                   L"UTF-8-muodossa ja yrit\u00e4 uudelleen.")},
    };
    const Bytes before = TableBytes();
    for (const auto& c : cases) {
        ui.Clear();
        ui.AnswerFileDialog(c.chosen);
        MenuCommand(ID_FILE_IMPORT_PHONEBOOK);
        const auto boxes = ui.EventsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u) << Utf8FromText(c.chosen);
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(ui.Count(Kind::Modal), 0);
    }
    EXPECT_EQ(TableBytes(), before);
}

// The chosen pattern decides the format; a name without an extension gets the pattern's.
// Both formats are UTF-8, the spreadsheet's with its mark.
TEST_F(PhonebookMenu, ExportWritesTheFormatOfTheChosenPattern) {
    table().SetEntry(0, "M\xC4KI", "0401");
    table().SetEntry(4, "GROUP", test::kGroupData);
    const struct {
        const TCHAR* chosen;
        int filter;
        const char* written;
        std::string start;
    } cases[] = {
        {TEXT("C:\\out\\book"), 1, "C:\\out\\book.csv",
         "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n1;M\xC3\x84KI;0401\r\n5;GROUP;*GROUP DIAL*\r\n"},
        {TEXT("C:\\out\\book"), 2, "C:\\out\\book.vcf",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:M\xC3\x84KI\r\n"},
        {TEXT("C:\\out\\book.txt"), 2, "C:\\out\\book.txt", "BEGIN:VCARD\r\n"},
    };
    for (const auto& c : cases) {
        ui.Clear();
        ui.AnswerFileDialog(c.chosen, c.filter);
        MenuCommand(ID_FILE_EXPORT_PHONEBOOK);
        const UiEvent dialog = OnlyFileDialog(Kind::SaveFile);
        EXPECT_EQ(dialog.file.filter, kTextFilter);
        EXPECT_EQ(dialog.file.defaultExtension, TEXT(""));
        EXPECT_EQ(dialog.file.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST));
        const auto saved = os.FileContents(c.written);
        ASSERT_TRUE(saved.has_value()) << c.written;
        EXPECT_EQ(std::string(saved->begin(), saved->end()).substr(0, c.start.size()), c.start);
        EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
    }
    EXPECT_EQ(os.FileNames().size(), 3u);
}

// The dialog asked about the name the user typed; the name with the extension added is
// asked about here, and No keeps it. A save that fails says so and keeps the old file.
TEST_F(PhonebookMenu, ExportAsksBeforeReplacingUnderTheAddedNameAndSaysWhenItFails) {
    table().SetEntry(0, "NEW", "0401");
    const Bytes earlier = BytesOf("earlier");
    os.PutFile("C:\\out\\book.csv", earlier);
    for (const int answer : {IDNO, IDYES}) {
        ui.Clear();
        ui.AnswerMessageBox(answer);
        ui.AnswerFileDialog(TEXT("C:\\out\\book"));
        MenuCommand(ID_FILE_EXPORT_PHONEBOOK);
        const auto boxes = ui.EventsOf(Kind::MessageBox);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, TEXT("Tiedosto book.csv on jo olemassa.\nHaluatko korvata sen?"));
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
        EXPECT_EQ(os.FileContents("C:\\out\\book.csv") == earlier, answer == IDNO);
    }
    ui.Clear();
    os.FailOpensUnder("C:\\locked\\");
    ui.AnswerFileDialog(TEXT("C:\\locked\\book.vcf"), 2);
    MenuCommand(ID_FILE_EXPORT_PHONEBOOK);
    const auto boxes = ui.EventsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Tietojen kirjoittaminen ei onnistunut."));
}

}  // namespace
}  // namespace pd
