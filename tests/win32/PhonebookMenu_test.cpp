// The File menu's phonebook commands, chosen in the real main window with the phonebook page
// showing: the file dialogs they ask for, the files they write and read, and what the user
// is told.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/Strings.h"
#include "phonebook/PhonebookFile.h"
#include "resources/resource.h"
#include "support/PhonebookUi.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = UiEvent::Kind;

constexpr TCHAR kFilter[] = TEXT("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||");

tstring CurrentFolder() {
    TCHAR folder[MAX_PATH] = {};
    ::GetCurrentDirectory(MAX_PATH, folder);
    return folder;
}

// A phonebook file made by the panel itself from a table holding `entries`.
Bytes PhonebookFileOf(std::initializer_list<std::pair<int, std::pair<const char*, const char*>>>
                          entries) {
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
    MenuCommand(ID_FILE_SAVE_PHONEBOOK);
    MenuCommand(ID_FILE_OPEN_PHONEBOOK);
    EXPECT_EQ(ui.Count(Kind::SaveFile), 1);
    EXPECT_EQ(ui.Count(Kind::OpenFile), 1);
    EXPECT_TRUE(os.FileNames().empty());
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(ui.Count(Kind::MessageBox), 0);
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

}  // namespace
}  // namespace pd
