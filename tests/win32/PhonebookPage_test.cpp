// The phonebook page, shown in the real main window over a virtual device and driven with
// real messages: its list, its device exchanges, and editing and deleting entries.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>

#include "controls/Strings.h"
#include "resources/resource.h"
#include "support/PhonebookUi.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using Kind = UiEvent::Kind;
using test::Pump;

class PhonebookPage : public ::testing::Test, public test::PhonebookWindow {
protected:
    void SetUp() override { ASSERT_TRUE(Open()); }

    // The device's frames since the page was shown, and the UI's events since it was cleared.
    std::size_t FramesSent() const { return device.ReceivedFrames().size(); }

    // Runs the editor for real: made over its owner, fed by `drive`, ended by it.
    void EditWith(std::function<void(CEntryDlg&)> drive) {
        ui.onModal = [this, drive](CDialog& dialog, HWND owner) -> INT_PTR {
            editorOwner = owner;
            auto& editor = static_cast<CEntryDlg&>(dialog);
            if (!editor.Create(owner)) return -1;
            drive(editor);
            const INT_PTR result = editor.ended() ? editor.result() : IDCANCEL;
            editor.Destroy();
            return result;
        };
    }

    HWND editorOwner = nullptr;
};

TEST_F(PhonebookPage, FirstShowingReadsTheDeviceAndListsEveryPositionInNumberedRows) {
    PutOnDevice(0, "ALICE", "0401234567");
    PutOnDevice(41, "BOB SMITH", "*#P12");
    PutOnDevice(79, "ZED", "999");
    ShowPhonebook();

    EXPECT_EQ(Boxes(), 0);
    ASSERT_EQ(RowCount(), 80);
    EXPECT_EQ(Cell(0, 0), TEXT("  1"));
    EXPECT_EQ(Cell(0, 1), TEXT("ALICE"));
    EXPECT_EQ(Cell(0, 2), TEXT("0401234567"));
    EXPECT_EQ(Cell(8, 0), TEXT("  9"));
    EXPECT_EQ(Cell(9, 0), TEXT(" 10"));
    EXPECT_EQ(Cell(41, 0), TEXT(" 42"));
    EXPECT_EQ(Cell(41, 1), TEXT("BOB SMITH"));
    EXPECT_EQ(Cell(41, 2), TEXT("*#P12"));
    EXPECT_EQ(Cell(79, 0), TEXT(" 80"));
    EXPECT_EQ(Cell(79, 1), TEXT("ZED"));
    EXPECT_EQ(Cell(79, 2), TEXT("999"));
    for (int row : {1, 40, 78}) {
        EXPECT_EQ(Cell(row, 1), TEXT("")) << "blank entry in row " << row;
        EXPECT_EQ(Cell(row, 2), TEXT("")) << "blank entry in row " << row;
    }
    EXPECT_EQ(table().Name(41), "BOB SMITH");
}

TEST_F(PhonebookPage, FirstReadWaitsUnderTheWaitCursorBeforeAsking) {
    os.ClearCalls();
    ui.Clear();
    const auto before = os.elapsed();
    ShowPhonebook();

    const auto& calls = os.calls();
    const auto pause = std::find(calls.begin(), calls.end(), "Sleep 1500");
    ASSERT_NE(pause, calls.end());
    const auto firstWrite = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("WriteFile LPT1", 0) == 0;
    });
    EXPECT_LT(pause, firstWrite) << "the pause comes before the read command";
    // 1500 ms pause, 1000 ms exchange delay, 1000 ms before the records; no settle wait.
    EXPECT_GE(os.elapsed() - before, 3500u);
    EXPECT_LT(os.elapsed() - before, 4000u);
    EXPECT_EQ(ui.Count(Kind::WaitOn), 1);
    EXPECT_EQ(ui.Count(Kind::WaitOff), 1);
    EXPECT_EQ(ui.waitDepth(), 0);
}

TEST_F(PhonebookPage, FailedFirstReadShowsNoResponseOnceAndTheBlankTableStillOpens) {
    device.faults.silent = true;
    ui.Clear();
    int waitDepthAtBox = -1;
    ui.onMessageBox = [&](const UiEvent&) { waitDepthAtBox = ui.waitDepth(); };
    ShowPhonebook();

    const auto boxes = ui.EventsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    EXPECT_EQ(boxes[0].caption, LoadResString(IDS_TITLE));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[0].owner, main.hwnd());
    EXPECT_EQ(waitDepthAtBox, 0) << "the cursor is back before the box shows";
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(main.sheet()), page().hwnd()) << "the page opens";
    ASSERT_EQ(RowCount(), 80);
    EXPECT_EQ(Cell(0, 0), TEXT("  1"));
    EXPECT_EQ(Cell(79, 0), TEXT(" 80"));
    EXPECT_EQ(Cell(79, 1), TEXT(""));
    EXPECT_EQ(Cell(79, 2), TEXT(""));
}

TEST_F(PhonebookPage, ListLooksAsDesigned) {
    ShowPhonebook();
    HWND view = list();

    const struct {
        const TCHAR* header;
        int format;
    } columns[] = {{TEXT("Nro"), LVCFMT_RIGHT},
                   {TEXT("Nimi"), LVCFMT_LEFT},
                   {TEXT("Puhelinnumero"), LVCFMT_LEFT}};
    // With its 80 rows the list scrolls; the three columns then fill exactly what the scroll
    // bar leaves of it.
    ASSERT_TRUE(::GetWindowLong(view, GWL_STYLE) & WS_VSCROLL);
    RECT client{};
    ::GetClientRect(view, &client);
    const int widths[] = {40, 150, client.right - 190};
    for (int i = 0; i < 3; ++i) {
        TCHAR header[64] = {};
        LVCOLUMN column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = header;
        column.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(view, i, &column)) << "column " << i;
        EXPECT_STREQ(header, columns[i].header);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format) << "column " << i;
        EXPECT_EQ(column.cx, widths[i]) << "column " << i;
    }
    EXPECT_EQ(ListView_GetExtendedListViewStyle(view), static_cast<DWORD>(LVS_EX_FULLROWSELECT));

    HFONT font = reinterpret_cast<HFONT>(::SendMessage(view, WM_GETFONT, 0, 0));
    ASSERT_EQ(font, page().listFont());
    LOGFONT shape{};
    ASSERT_TRUE(::GetObject(font, sizeof shape, &shape));
    EXPECT_STREQ(shape.lfFaceName, TEXT("Arial"));
    EXPECT_EQ(shape.lfHeight, 15);
    EXPECT_EQ(shape.lfWeight, FW_NORMAL);
    EXPECT_FALSE(shape.lfItalic || shape.lfUnderline || shape.lfStrikeOut);
}

TEST_F(PhonebookPage, SectionButtonsNameTheirCountsAndOnlySpeedDialShows) {
    ShowPhonebook();
    HWND oneTouch = page().Item(IDC_PB_ONE_TOUCH);
    HWND speedDial = page().Item(IDC_PB_SPEED_DIAL);
    EXPECT_EQ(test::Text(oneTouch), TEXT("One Touch Dial ( 1 ~ 0 )"));
    EXPECT_EQ(test::Text(speedDial), TEXT("Lyhytvalinta ( 1 ~ 80 )"));
    EXPECT_FALSE(::IsWindowVisible(oneTouch));
    EXPECT_TRUE(::IsWindowVisible(speedDial));
    EXPECT_EQ(::SendMessage(speedDial, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessage(oneTouch, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(page().sectionChoice(), kSpeedDialSection);

    const LONG style = ::GetWindowLong(page().hwnd(), GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0) << "the page has no caption bar of its own";
    EXPECT_EQ(style & (WS_GROUP | WS_TABSTOP), WS_GROUP | WS_TABSTOP);
}

TEST_F(PhonebookPage, OneTouchSectionIsEmptyAndSpeedDialOnlySetsTheRange) {
    ShowPhonebook();
    ::SendMessage(page().hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PB_ONE_TOUCH, BN_CLICKED),
                  reinterpret_cast<LPARAM>(page().Item(IDC_PB_ONE_TOUCH)));
    EXPECT_EQ(page().sectionChoice(), kOneTouchSection);
    EXPECT_EQ(page().sectionFirst(), 80);
    EXPECT_EQ(page().sectionEnd(), 80);
    EXPECT_EQ(RowCount(), 0);

    Click(IDC_PB_SPEED_DIAL);
    EXPECT_EQ(page().sectionChoice(), kSpeedDialSection);
    EXPECT_EQ(page().sectionFirst(), 0);
    EXPECT_EQ(page().sectionEnd(), 80);
}

TEST_F(PhonebookPage, ReadButtonRefillsTheListFromTheDevice) {
    ShowPhonebook();
    PutOnDevice(4, "NEW ONE", "5551234");
    ui.Clear();
    os.ClearCalls();
    const auto before = os.elapsed();
    Click(IDC_PB_READ);

    EXPECT_EQ(Boxes(), 0);
    EXPECT_EQ(Cell(4, 1), TEXT("NEW ONE"));
    EXPECT_EQ(Cell(4, 2), TEXT("5551234"));
    EXPECT_EQ(RowCount(), 80);
    // 1000 ms exchange delay, 1000 ms before the records, 500 ms settling; no first pause.
    EXPECT_GE(os.elapsed() - before, 2500u);
    EXPECT_LT(os.elapsed() - before, 3000u);
    EXPECT_EQ(os.CountCalls("Sleep 1500"), 0);
    const auto events = ui.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front().kind, Kind::WaitOn);
    EXPECT_EQ(events.back().kind, Kind::WaitOff);
}

TEST_F(PhonebookPage, FailedReadShowsNoResponseAndKeepsListAndTable) {
    PutOnDevice(0, "KEEP", "123");
    ShowPhonebook();
    PutOnDevice(0, "CHANGED", "456");
    device.faults.silent = true;
    ui.Clear();
    Click(IDC_PB_READ);

    const auto boxes = ui.EventsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    EXPECT_EQ(boxes[0].owner, main.hwnd());
    EXPECT_EQ(Cell(0, 1), TEXT("KEEP"));
    EXPECT_EQ(table().Name(0), "KEEP");
    EXPECT_EQ(RowCount(), 80);
}

TEST_F(PhonebookPage, WriteButtonSendsTheWholeTableAndLeavesTheList) {
    PutOnDevice(3, "OLD", "111");
    ShowPhonebook();
    table().SetEntry(3, "FRESH", "222");
    table().SetEntry(70, "LATE", "7070");
    ui.Clear();
    const auto before = os.elapsed();
    const std::size_t frames = FramesSent();
    Click(IDC_PB_WRITE);

    EXPECT_EQ(Boxes(), 0);
    ASSERT_EQ(FramesSent(), frames + 1);
    EXPECT_EQ(device.ReceivedFrames().back().size(), 5370u);
    EXPECT_EQ(DeviceName(3), "FRESH");
    EXPECT_EQ(DeviceNumber(3), "222");
    EXPECT_EQ(DeviceName(70), "LATE");
    // The list shows what it showed: the table was changed behind its back.
    EXPECT_EQ(Cell(3, 1), TEXT("OLD"));
    EXPECT_EQ(Cell(70, 1), TEXT(""));
    // 1000 ms before the acknowledgement, 500 ms settling.
    EXPECT_GE(os.elapsed() - before, 1500u);
    EXPECT_LT(os.elapsed() - before, 2000u);
    EXPECT_EQ(ui.Count(Kind::WaitOn), 1);
    EXPECT_EQ(ui.waitDepth(), 0);
}

TEST_F(PhonebookPage, FailedWriteShowsNoResponse) {
    ShowPhonebook();
    device.faults.silent = true;  // takes the frame, never acknowledges
    ui.Clear();
    Click(IDC_PB_WRITE);
    const auto boxes = ui.EventsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    EXPECT_EQ(RowCount(), 80);
}

TEST_F(PhonebookPage, EditAndDeleteBeepWithoutSelectionOrOnGroupDialRows) {
    PutOnDevice(2, "GROUP", test::kGroupData);
    PutOnDevice(3, "PLAIN", "123");
    ShowPhonebook();
    ASSERT_TRUE(table().IsGroupDial(2));
    ASSERT_EQ(Cell(2, 2), TEXT("*GROUP DIAL*"));
    const std::string groupEntry(table().Entry(2).begin(), table().Entry(2).end());

    const struct {
        const char* what;
        int selectedRow;  // -1: none
        std::function<void()> act;
    } cases[] = {
        {"edit, nothing selected", -1, [this] { Click(IDC_PB_EDIT); }},
        {"delete, nothing selected", -1, [this] { Click(IDC_PB_DELETE); }},
        {"double click, nothing selected", -1, [this] { DoubleClickList(); }},
        {"edit, group dial", 2, [this] { Click(IDC_PB_EDIT); }},
        {"delete, group dial", 2, [this] { Click(IDC_PB_DELETE); }},
        {"double click, group dial", 2, [this] { DoubleClickList(); }},
    };
    for (const auto& c : cases) {
        ListView_SetItemState(list(), -1, 0, LVIS_SELECTED);
        if (c.selectedRow >= 0) SelectRow(c.selectedRow);
        ui.Clear();
        c.act();
        EXPECT_EQ(Beeps(), 1) << c.what;
        EXPECT_EQ(ui.Count(Kind::Modal), 0) << c.what;
        EXPECT_EQ(Boxes(), 0) << c.what;
        EXPECT_EQ(std::string(table().Entry(2).begin(), table().Entry(2).end()), groupEntry)
            << c.what;
        EXPECT_EQ(Cell(2, 2), TEXT("*GROUP DIAL*")) << c.what;
        EXPECT_EQ(Cell(3, 1), TEXT("PLAIN")) << c.what;
    }
}

TEST_F(PhonebookPage, EditorOpensOverTheMainWindowForTheSelectedEntryAndOkStoresItsTexts) {
    PutOnDevice(5, "ANNA", "123");
    ShowPhonebook();
    const std::size_t frames = FramesSent();
    SelectRow(5);
    int editedPosition = -1;
    EditWith([&](CEntryDlg& editor) {
        editedPosition = editor.position();
        HWND name = editor.Item(IDC_ENTRY_NAME);
        test::PutCaretAt(name, 4);
        test::Type(name, TEXT(" k"));
        HWND number = editor.Item(IDC_ENTRY_NUMBER);
        test::PutCaretAt(number, 3);
        test::Type(number, TEXT("4p"));
        ::SendMessage(editor.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(editor.Item(IDOK)));
    });
    Click(IDC_PB_EDIT);

    const auto modal = ui.EventsOf(Kind::Modal);
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_EQ(modal[0].templateId, IDD_ENTRY);
    EXPECT_EQ(modal[0].result, IDOK);
    EXPECT_EQ(editorOwner, main.hwnd());
    EXPECT_EQ(editedPosition, 5);
    EXPECT_EQ(table().Name(5), "ANNA K");
    EXPECT_EQ(table().Number(5), "1234P");
    EXPECT_EQ(Cell(5, 0), TEXT("  6"));
    EXPECT_EQ(Cell(5, 1), TEXT("ANNA K"));
    EXPECT_EQ(Cell(5, 2), TEXT("1234P"));
    EXPECT_EQ(::GetFocus(), list()) << "the keyboard goes back to the list";
    EXPECT_EQ(FramesSent(), frames) << "the entry goes to the device only with a write";
}

TEST_F(PhonebookPage, DoubleClickEditsTheSelectedEntry) {
    ShowPhonebook();
    SelectRow(10);
    EditWith([](CEntryDlg& editor) {
        test::Type(editor.Item(IDC_ENTRY_NUMBER), TEXT("555"));
        ::SendMessage(editor.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    DoubleClickList();
    EXPECT_EQ(ui.Count(Kind::Modal), 1);
    EXPECT_EQ(table().Name(10), "") << "an empty name is accepted";
    EXPECT_EQ(table().Number(10), "555");
    EXPECT_EQ(Cell(10, 2), TEXT("555"));
}

TEST_F(PhonebookPage, CancelledEditorLeavesEntryAndRow) {
    PutOnDevice(7, "STAY", "777");
    ShowPhonebook();
    const std::string before(table().Entry(7).begin(), table().Entry(7).end());
    SelectRow(7);
    EditWith([](CEntryDlg& editor) {
        test::Type(editor.Item(IDC_ENTRY_NAME), TEXT("xyz"));
        test::Type(editor.Item(IDC_ENTRY_NUMBER), TEXT("12"));
        ::SendMessage(editor.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    Click(IDC_PB_EDIT);
    EXPECT_EQ(ui.EventsOf(Kind::Modal).at(0).result, IDCANCEL);
    EXPECT_EQ(std::string(table().Entry(7).begin(), table().Entry(7).end()), before);
    EXPECT_EQ(Cell(7, 1), TEXT("STAY"));
    EXPECT_EQ(Cell(7, 2), TEXT("777"));
    EXPECT_EQ(::GetFocus(), list());
}

TEST_F(PhonebookPage, DeleteClearsTheEntryButKeepsItsNumberedRow) {
    PutOnDevice(12, "GONE", "12121212");
    PutOnDevice(13, "NEXT", "131313");
    ShowPhonebook();
    SelectRow(12);
    ui.Clear();
    const std::size_t frames = FramesSent();
    Click(IDC_PB_DELETE);

    EXPECT_EQ(Beeps(), 0);
    EXPECT_EQ(Boxes(), 0) << "no question is asked";
    EXPECT_EQ(RowCount(), 80);
    EXPECT_EQ(Cell(12, 0), TEXT(" 13"));
    EXPECT_EQ(Cell(12, 1), TEXT(""));
    EXPECT_EQ(Cell(12, 2), TEXT(""));
    EXPECT_EQ(Cell(13, 1), TEXT("NEXT"));
    EXPECT_EQ(table().Name(12), "");
    EXPECT_EQ(table().Number(12), "");
    EXPECT_EQ(::GetFocus(), list());
    EXPECT_EQ(FramesSent(), frames) << "the device hears of it only with the next write";
    EXPECT_EQ(DeviceName(12), "GONE");
}

TEST_F(PhonebookPage, DeleteAllKeepsGroupDialEntriesAndEveryRow) {
    PutOnDevice(0, "A", "1001");
    PutOnDevice(20, "TEAM", test::kGroupData);
    PutOnDevice(79, "Z", "1079");
    ShowPhonebook();
    ui.Clear();
    Click(IDC_PB_DELETE_ALL);

    EXPECT_EQ(Beeps(), 0);
    EXPECT_EQ(Boxes(), 0);
    ASSERT_EQ(RowCount(), 80);
    for (int row : {0, 79}) {
        EXPECT_EQ(Cell(row, 1), TEXT("")) << row;
        EXPECT_EQ(Cell(row, 2), TEXT("")) << row;
        EXPECT_EQ(table().Number(row), "") << row;
    }
    EXPECT_EQ(Cell(20, 1), TEXT("TEAM"));
    EXPECT_EQ(Cell(20, 2), TEXT("*GROUP DIAL*"));
    EXPECT_TRUE(table().IsGroupDial(20));
    EXPECT_EQ(Cell(79, 0), TEXT(" 80"));
}

TEST_F(PhonebookPage, EntryTextsAreWindows1252AndShownOnlyWithinTheirFields) {
    PutOnDevice(0, "M\xDCLLER \xC5SA", "123");  // MÜLLER ÅSA
    ShowPhonebook();
    EXPECT_EQ(Cell(0, 1), ShownText(L"M\u00DCLLER \u00C5SA"));

    // Terminator bytes that hold something (as a file may have them) never run into the
    // next field or entry.
    auto entry = table().Entry(1);
    std::fill(entry.begin(), entry.end(), static_cast<std::uint8_t>('X'));
    table().Entry(2)[0] = 'Y';
    main.phonebookPage()->FillEntryList();
    EXPECT_EQ(Cell(1, 1), tstring(20, TEXT('X')));
    EXPECT_EQ(Cell(1, 2), tstring(46, TEXT('X')));
}

TEST_F(PhonebookPage, LeavingAndComingBackDoesNotReadAgain) {
    ShowPhonebook();
    const std::size_t frames = FramesSent();
    SelectTab(0);  // the Settings page, already read when the window opened
    ShowPhonebook();
    EXPECT_EQ(FramesSent(), frames);
    EXPECT_EQ(Boxes(), 0);
}

}  // namespace
}  // namespace pd
