// The main window, made from its real template and driven with real messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "app/MainDlg.h"
#include "controls/Strings.h"
#include "pages/SettingsPage.h"
#include "phonebook/PhonebookMenu.h"
#include "platform/WindowsPaths.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd {
namespace {

using test::Pump;
using Kind = UiEvent::Kind;

class MainWindow : public ::testing::Test, public test::Machine {
protected:
    void SetUp() override {
        context.AllocatePhonebook();
        // As after start-up: a route to the device is chosen, so the pages' reads succeed.
        context.link.UseLink(LinkKind::Ecp1);
        ASSERT_TRUE(main.Create(nullptr));
        Pump(&main);
        tabs = PropSheet_GetTabControl(main.sheet());
        ASSERT_NE(tabs, nullptr);
    }
    void TearDown() override { main.Destroy(); }

    void SelectTab(int index) {
        PropSheet_SetCurSel(main.sheet(), nullptr, index);
        Pump(&main);
    }
    void Command(int id, int code = BN_CLICKED) {
        ::SendMessage(main.hwnd(), WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    UINT MenuState(int id) const {
        return ::GetMenuState(::GetMenu(main.hwnd()), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
    }
    std::vector<UiEvent> HelpCalls() const { return ui.EventsOf(Kind::Help); }

    CMainDlg main{context, ui};
    HWND tabs = nullptr;
};

TEST_F(MainWindow, TakesTheProgramTitleAndIcon) {
    EXPECT_EQ(test::Text(main.hwnd()), LoadResString(IDS_TITLE));
    ASSERT_NE(main.icon(), nullptr);
    EXPECT_EQ(::SendMessage(main.hwnd(), WM_GETICON, ICON_BIG, 0),
              reinterpret_cast<LRESULT>(main.icon()));
    EXPECT_EQ(::SendMessage(main.hwnd(), WM_GETICON, ICON_SMALL, 0),
              reinterpret_cast<LRESULT>(main.icon()));
    EXPECT_EQ(::SendMessage(main.hwnd(), WM_QUERYDRAGICON, 0, 0),
              reinterpret_cast<LRESULT>(main.icon()));
    EXPECT_EQ(ui.MainWindow(), main.hwnd()) << "boxes from now on are owned by it";
}

TEST_F(MainWindow, PagesErrorBoxIsOwnedByItWithTheTitleAsCaption) {
    ui.ShowErrorBox(IDS_NO_RESPONSE);
    const auto boxes = ui.EventsOf(Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, main.hwnd());
    EXPECT_EQ(boxes[0].text, TEXT("Ei vastaa"));
    EXPECT_EQ(boxes[0].caption, LoadResString(IDS_TITLE));
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(MainWindow, SheetShowsTheFivePagesInTabOrderWithTheirImages) {
    const tstring captions[] = {TEXT("Asetukset"), ShownText(L"Lisävalinnat"),
                                TEXT(" Puhelinmuistio"), TEXT("Tietoja"),
                                ShownText(L"Laiteohjelmiston päivitys")};
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), kPageCount);
    for (int i = 0; i < kPageCount; ++i) {
        TCHAR text[64] = {};
        TCITEM item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = 64;
        ASSERT_TRUE(TabCtrl_GetItem(tabs, i, &item));
        EXPECT_EQ(text, captions[i]) << "tab " << i;
        EXPECT_EQ(item.iImage, i) << "tab " << i;
    }
    HIMAGELIST images = TabCtrl_GetImageList(tabs);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), kPageCount);
    int width = 0, height = 0;
    ImageList_GetIconSize(images, &width, &height);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 20);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(main.sheet()), main.settingsPage()->hwnd())
        << "Settings is the active page";
}

TEST_F(MainWindow, SheetIsAnEmbeddedChildWithoutButtonsAndWithOneTabRow) {
    HWND sheet = main.sheet();
    EXPECT_EQ(::GetParent(sheet), main.hwnd());
    const LONG style = ::GetWindowLong(sheet, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_TRUE(::GetWindowLong(sheet, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(::GetWindowLong(tabs, GWL_STYLE) & TCS_MULTILINE);
    for (int id : {IDOK, IDCANCEL}) {
        HWND button = ::GetDlgItem(sheet, id);
        if (button != nullptr) {
            EXPECT_FALSE(::IsWindowVisible(button)) << "sheet button " << id;
        }
    }
}

TEST_F(MainWindow, FitsItselfToTheSheet) {
    RECT sheet = test::RectInParent(main.sheet());
    EXPECT_EQ(sheet.left, 10);
    EXPECT_EQ(sheet.top, 10);

    // The sheet is 20 pixels wider than its content, the window 10 more.
    RECT window{};
    ::GetWindowRect(main.hwnd(), &window);
    const int sheetWidth = sheet.right - sheet.left;
    const int sheetHeight = sheet.bottom - sheet.top;
    EXPECT_EQ(window.right - window.left, sheetWidth + 10);

    // Six lines of the dialog font besides the sheet, the menu bar and the caption.
    test::Canvas probe(1, 1);
    HFONT font = reinterpret_cast<HFONT>(::SendMessage(main.hwnd(), WM_GETFONT, 0, 0));
    HGDIOBJ previous = ::SelectObject(probe.dc(), font);
    TEXTMETRIC metrics{};
    ::GetTextMetrics(probe.dc(), &metrics);
    ::SelectObject(probe.dc(), previous);
    EXPECT_EQ(window.bottom - window.top, 6 * metrics.tmHeight + sheetHeight +
                                              ::GetSystemMetrics(SM_CYMENU) +
                                              ::GetSystemMetrics(SM_CYCAPTION));
}

TEST_F(MainWindow, EveryTabShowsWholeInItsOneRow) {
    // Wine's dialog font is wider than the one the pages were laid out for, so this holds
    // only because the sheet grows to fit its tabs.
    RECT client{};
    ::GetClientRect(tabs, &client);
    const int count = TabCtrl_GetItemCount(tabs);
    ASSERT_EQ(count, 5);
    for (int i = 0; i < count; ++i) {
        RECT item{};
        ASSERT_TRUE(TabCtrl_GetItemRect(tabs, i, &item));
        EXPECT_LE(item.right, client.right) << "tab " << i << " is cut off";
    }
}

TEST_F(MainWindow, ExitAndHelpAreStandardLookHoverButtonsWithIconsAtTemplatePlaces) {
    struct Case {
        CHoverButton& button;
        int id;
        int left;
    };
    for (const Case& c : {Case{main.exitButton(), IDC_MAIN_EXIT, 195},
                          Case{main.helpButton(), IDC_MAIN_HELP, 272}}) {
        ASSERT_EQ(c.button.hwnd(), main.Item(c.id));
        EXPECT_FALSE(c.button.flat());
        EXPECT_EQ(c.button.iconWidth(), 32);
        EXPECT_EQ(c.button.iconHeight(), 32);
        EXPECT_EQ(::GetWindowLong(c.button.hwnd(), GWL_STYLE) & 0x0F, BS_OWNERDRAW);
        const RECT expected = test::DialogUnits(main.hwnd(), c.left, 289, 57, 21);
        const RECT actual = test::RectInParent(c.button.hwnd());
        EXPECT_EQ(actual.left, expected.left) << c.id;
        EXPECT_EQ(actual.top, expected.top) << c.id;
    }
}

TEST_F(MainWindow, PhonebookFileCommandsAreAvailableExactlyWhileThePhonebookPageShows) {
    const int commands[] = {ID_FILE_OPEN_PHONEBOOK, ID_FILE_SAVE_PHONEBOOK,
                            ID_FILE_IMPORT_PHONEBOOK, ID_FILE_EXPORT_PHONEBOOK};
    for (const int command : commands) {
        EXPECT_EQ(MenuState(command), static_cast<UINT>(MF_GRAYED)) << command << " at start";
    }
    const struct {
        int tab;
        bool enabled;
    } steps[] = {{1, false}, {3, false}, {4, false}, {2, true}, {0, false},
                 {2, true},  {3, false}, {2, true},  {4, false}};
    for (const auto& step : steps) {
        SelectTab(step.tab);
        const UINT expected = step.enabled ? 0u : static_cast<UINT>(MF_GRAYED);
        for (const int command : commands) {
            EXPECT_EQ(MenuState(command), expected) << command << " after tab " << step.tab;
        }
    }
}

TEST_F(MainWindow, F1AnywhereOpensHelpAtContextOneOnce) {
    SelectTab(3);
    HWND page = PropSheet_GetCurrentPageHwnd(main.sheet());
    const HWND targets[] = {main.hwnd(), main.exitButton().hwnd(), main.sheet(),
                            ::GetDlgItem(page, IDC_INFO_REFRESH)};
    for (HWND target : targets) {
        ui.Clear();
        ::SetFocus(target);
        ::PostMessage(target, WM_KEYDOWN, VK_F1, 0x003B0001);
        ::PostMessage(target, WM_KEYUP, VK_F1, 0xC03B0001);
        Pump(&main);
        const auto calls = HelpCalls();
        ASSERT_EQ(calls.size(), 1u) << "F1 on window " << target;
        EXPECT_EQ(calls[0].flags, static_cast<UINT>(HELP_CONTEXT));
        EXPECT_EQ(calls[0].data, 1u);
        EXPECT_EQ(calls[0].owner, main.hwnd());
    }
}

TEST_F(MainWindow, CtrlTabAndCtrlPageKeysChangeThePageAndWrapAround) {
    // Each step: the keys held, the key pressed, and the tab shown after it.
    const struct {
        bool shift;
        WPARAM key;
        int tab;
    } steps[] = {
        {false, VK_TAB, 1},   {false, VK_NEXT, 2}, {true, VK_TAB, 1}, {false, VK_PRIOR, 0},
        {false, VK_PRIOR, 4}, {false, VK_TAB, 0},  {true, VK_TAB, 4},
    };
    SelectTab(0);
    BYTE keys[256] = {};
    for (const auto& step : steps) {
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        keys[VK_SHIFT] = step.shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        // Into the page shown, where the keyboard focus usually is.
        ::PostMessage(PropSheet_GetCurrentPageHwnd(main.sheet()), WM_KEYDOWN, step.key, 1);
        Pump(&main);
        EXPECT_EQ(TabCtrl_GetCurSel(tabs), step.tab) << "after key " << step.key;
    }
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);

    // Without Ctrl the keys keep their usual meaning.
    ::PostMessage(main.hwnd(), WM_KEYDOWN, VK_NEXT, 1);
    Pump(&main);
    EXPECT_EQ(TabCtrl_GetCurSel(tabs), 4);
}

TEST_F(MainWindow, HelpButtonStandardHelpAndContentsMenuOpenTheSameTopic) {
    const tstring expectedFile = ReplaceExtension(ModulePath(), TEXT(".HLP"));
    for (int id : {IDC_MAIN_HELP, ID_HELP_STANDARD, ID_HELP_CONTENTS}) {
        ui.Clear();
        Command(id);
        const auto calls = HelpCalls();
        ASSERT_EQ(calls.size(), 1u) << id;
        EXPECT_EQ(calls[0].text, expectedFile) << id;
        EXPECT_EQ(calls[0].flags, static_cast<UINT>(HELP_CONTEXT)) << id;
        EXPECT_EQ(calls[0].data, 1u) << id;
    }
    EXPECT_EQ(expectedFile.substr(expectedFile.size() - 4), TEXT(".HLP"));
}

TEST_F(MainWindow, HelpIsTheHelpFileUpToXpAndTheHtmlPageFromVistaOn) {
    const struct {
        const char* windows;
        std::uint32_t platform, major, minor;
        bool helpFile;
    } systems[] = {
        {"95", kPlatformWin9x, 4, 0, true},  {"ME", kPlatformWin9x, 4, 90, true},
        {"NT 4.0", kPlatformNt, 4, 0, true}, {"XP", kPlatformNt, 5, 1, true},
        {"2003", kPlatformNt, 5, 2, true},   {"Vista", kPlatformNt, 6, 0, false},
        {"7", kPlatformNt, 6, 1, false},     {"10", kPlatformNt, 10, 0, false},
    };
    const tstring page = ReplaceExtension(ModulePath(), TEXT(".htm"));
    for (const auto& system : systems) {
        os.SetVersion(system.platform, system.major, system.minor);
        ui.Clear();
        ::PostMessage(main.hwnd(), WM_KEYDOWN, VK_F1, 0x003B0001);
        Pump(&main);
        Command(IDC_MAIN_HELP);
        const auto documents = ui.EventsOf(Kind::Document);
        EXPECT_EQ(HelpCalls().size(), system.helpFile ? 2u : 0u) << "Windows " << system.windows;
        ASSERT_EQ(documents.size(), system.helpFile ? 0u : 2u) << "Windows " << system.windows;
        for (const UiEvent& document : documents) {
            EXPECT_EQ(document.text, page);
            EXPECT_EQ(document.owner, main.hwnd());
        }
    }

    // Closing the window where the help is a page leaves the help viewer alone.
    ui.Clear();
    main.Destroy();
    EXPECT_TRUE(ui.events().empty());
}

TEST_F(MainWindow, HelpButtonClickReachesTheHelpViewer) {
    ::SendMessage(main.helpButton().hwnd(), BM_CLICK, 0, 0);
    Pump(&main);
    EXPECT_EQ(HelpCalls().size(), 1u);
}

TEST_F(MainWindow, ExitMenuExitButtonEnterEscapeAndCloseEndTheWindow) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"exit button", WM_COMMAND, MAKEWPARAM(IDC_MAIN_EXIT, BN_CLICKED)},
        {"menu Lopeta", WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0)},
        {"Enter", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)},
        {"Escape", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)},
        {"Close", WM_CLOSE, 0},
    };
    for (const Case& c : cases) {
        test::Machine machine;
        CMainDlg window(machine.context, machine.ui);
        ASSERT_TRUE(window.Create(nullptr));
        EXPECT_FALSE(window.ended());
        ::SendMessage(window.hwnd(), c.message, c.wParam, 0);
        Pump(&window);  // Close arrives as a posted cancel command
        EXPECT_TRUE(window.ended()) << c.name;
        EXPECT_EQ(window.result() == IDOK || window.result() == IDCANCEL, true) << c.name;
        window.Destroy();
    }
}

TEST_F(MainWindow, AboutCommandRunsTheAboutBoxOverTheMainWindow) {
    Command(ID_HELP_ABOUT, 0);
    const auto modal = ui.EventsOf(Kind::Modal);
    ASSERT_EQ(modal.size(), 1u);
    EXPECT_EQ(modal[0].templateId, IDD_ABOUT);
    EXPECT_EQ(modal[0].owner, main.hwnd());
}

TEST_F(MainWindow, DestructionTellsTheHelpViewerAndForgetsTheMainWindow) {
    HWND window = main.hwnd();
    main.Destroy();
    const auto calls = HelpCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(HELP_QUIT));
    EXPECT_EQ(calls[0].owner, window);
    EXPECT_EQ(ui.MainWindow(), nullptr);
    EXPECT_EQ(main.settingsPage(), nullptr) << "the pages go with the window";
}

TEST(EnablePhonebookMenu, FindsTheMenuOfTheWindowThatHoldsThePage) {
    test::Machine machine;
    CMainDlg window(machine.context, machine.ui);
    ASSERT_TRUE(window.Create(nullptr));
    HWND deepInside = ::GetDlgItem(PropSheet_GetCurrentPageHwnd(window.sheet()), IDC_SET_APPLY);
    ASSERT_NE(deepInside, nullptr);
    EnablePhonebookMenu(deepInside, true);
    EXPECT_EQ(
        ::GetMenuState(::GetMenu(window.hwnd()), ID_FILE_SAVE_PHONEBOOK, MF_BYCOMMAND) & MF_GRAYED,
        0u);
    EnablePhonebookMenu(nullptr, true);  // no window: nothing to do, nothing breaks
    window.Destroy();
}

}  // namespace
}  // namespace pd
