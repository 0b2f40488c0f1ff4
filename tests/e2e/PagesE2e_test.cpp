// The device pages of PanelDesk.exe from the demo folder against the demo simulator, over the
// route under test (the pipes, or LPT1 or the ECP device through scripts/port-bridge) and
// the real clock, driven from this process as a user would: each page shows the device's
// data, and a change applied on the Settings and Advanced pages is still there after
// "&Virkistä" and after the panel is started again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "resources/resource.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"

namespace pd::e2e {
namespace {

const tstring kPanelTitle = ShownText(L" Veltra Ostrex MF 40 PanelDesk - et\u00e4ohjaustaulu");
constexpr DWORD kWindowWithinMs = 30000;
// A page's exchange is 1.5 s; anything far beyond means the panel hangs.
constexpr DWORD kExchangeWithinMs = 10000;
constexpr DWORD kExitWithinMs = 15000;
constexpr DWORD kPollMs = 100;

constexpr int kSettingsTab = 0;
constexpr int kAdvancedTab = 1;
constexpr int kInfoTab = 3;

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeout(window, message, wParam, lParam, SMTO_NORMAL, kExchangeWithinMs, &result);
    return static_cast<LRESULT>(result);
}

// Another process's window text, asked of the window itself.
tstring TextOf(HWND window) {
    TCHAR text[512] = {};
    Send(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

struct Found {
    DWORD processId;
    HWND main = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK FindTabs(HWND child, LPARAM tabs) {
    TCHAR name[64] = {};
    GetClassName(child, name, 64);
    if (tstring_view(name) != TEXT("SysTabControl32")) return TRUE;
    *reinterpret_cast<HWND*>(tabs) = child;
    return FALSE;
}

HWND TabsOf(HWND main) {
    HWND tabs = nullptr;
    EnumChildWindows(main, FindTabs, reinterpret_cast<LPARAM>(&tabs));
    return tabs;
}

BOOL CALLBACK Inspect(HWND window, LPARAM context) {
    auto& found = *reinterpret_cast<Found*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found.processId || !IsWindowVisible(window)) return TRUE;
    TCHAR title[128] = {};
    GetWindowText(window, title, 128);
    if (tstring_view(title) != kPanelTitle) return TRUE;
    (TabsOf(window) ? found.main : found.box) = window;
    return TRUE;
}

// The panel under test: started from the demo folder, its main window and sheet found.
class Panel {
public:
    void Start() {
        std::string error;
        ASSERT_TRUE(StartPanel(process_, &error)) << error;
        Found found{process_.id()};
        for (DWORD waited = 0; waited < kWindowWithinMs && !found.main && !found.box;
             waited += kPollMs) {
            Sleep(kPollMs);
            EnumWindows(Inspect, reinterpret_cast<LPARAM>(&found));
        }
        ASSERT_NE(found.main, nullptr) << (found.box ? "a message box came instead" : "no window");
        main_ = found.main;
        sheet_ = GetParent(TabsOf(main_));
        EXPECT_EQ(RouteChoiceProblems(process_.id()), "");
    }

    // Shows a tab (its page reads the device the first time) and returns its page.
    HWND ShowPage(int tab) {
        Send(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        return reinterpret_cast<HWND>(Send(sheet_, PSM_GETCURRENTPAGEHWND));
    }

    // True when the panel shows a message box ("Ei vastaa" on a failed exchange).
    bool ShowsABox() const {
        Found found{process_.id()};
        EnumWindows(Inspect, reinterpret_cast<LPARAM>(&found));
        return found.box != nullptr;
    }

    void Close() {
        PostMessage(main_, WM_CLOSE, 0, 0);
        ASSERT_TRUE(process_.WaitForExit(kExitWithinMs)) << "the panel did not end";
    }

private:
    ChildProcess process_;
    HWND main_ = nullptr;
    HWND sheet_ = nullptr;
};

tstring ItemText(HWND page, int id) { return TextOf(GetDlgItem(page, id)); }
int Selected(HWND page, int id) {
    return static_cast<int>(Send(GetDlgItem(page, id), CB_GETCURSEL));
}
int Checked(HWND page, int id) { return static_cast<int>(Send(GetDlgItem(page, id), BM_GETCHECK)); }
void Click(HWND page, int id) { Send(GetDlgItem(page, id), BM_CLICK); }
void Pick(HWND page, int id, int position) {
    HWND list = GetDlgItem(page, id);
    Send(list, CB_SETCURSEL, static_cast<WPARAM>(position));
    Send(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}
void TypeOver(HWND page, int id, tstring_view text) {
    HWND edit = GetDlgItem(page, id);
    Send(edit, EM_SETSEL, 0, -1);
    for (TCHAR c : text) Send(edit, WM_CHAR, CharacterCode(c), 1);
}

class PagesE2e : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(simulator_.Start(TEXT(""), &error)) << error;
    }

    // The changes made on the first run, as the pages should show them from then on.
    void ExpectChangedSettings(HWND page) {
        EXPECT_EQ(Selected(page, IDC_SET_BYPASS_PAPER_SIZE), 2);
        EXPECT_EQ(Checked(page, IDC_SET_HORIZONTAL_REDUCTION), BST_CHECKED);
        EXPECT_EQ(ItemText(page, IDC_SET_ANSWER_DELAY), TEXT("4"));
        EXPECT_EQ(ItemText(page, IDC_SET_DISCARD_LENGTH), TEXT("10")) << "unchanged";
    }
    void ExpectChangedAdvanced(HWND page) {
        EXPECT_EQ(ItemText(page, IDC_ADV_CUSTOMER_NAME), ShownText(L"ASIAKAS \u00c4\u00d6"));
        EXPECT_EQ(Selected(page, IDC_ADV_LANGUAGE), 0);
        EXPECT_EQ(Checked(page, IDC_ADV_TONER_SAVE), BST_CHECKED);
        EXPECT_EQ(ItemText(page, IDC_ADV_SERIAL_NUMBER), TEXT("OMF40-0012345")) << "unchanged";
    }

    Simulator simulator_;
};

TEST_F(PagesE2e, PagesShowTheDeviceAndAppliedChangesOutliveRefreshAndRestart) {
    Panel panel;
    ASSERT_NO_FATAL_FAILURE(panel.Start());

    // The device as the simulator starts it.
    HWND settings = panel.ShowPage(kSettingsTab);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(Selected(settings, IDC_SET_BYPASS_PAPER_SIZE), 1);
    EXPECT_EQ(Checked(settings, IDC_SET_HORIZONTAL_REDUCTION), BST_UNCHECKED);
    EXPECT_EQ(ItemText(settings, IDC_SET_ANSWER_DELAY), TEXT("2"));
    EXPECT_EQ(ItemText(settings, IDC_SET_DISCARD_LENGTH), TEXT("10"));
    EXPECT_EQ(Checked(settings, IDC_SET_POWER_SAVE_ON), BST_CHECKED);
    EXPECT_EQ(Selected(settings, IDC_SET_POWER_SAVE_MINUTES), 2);

    HWND advanced = panel.ShowPage(kAdvancedTab);
    ASSERT_NE(advanced, nullptr);
    EXPECT_EQ(ItemText(advanced, IDC_ADV_DEVICE_ID_NAME), TEXT("VELTRA"));
    EXPECT_EQ(ItemText(advanced, IDC_ADV_DEVICE_ID_NUMBER), TEXT("0981234567"));
    EXPECT_EQ(ItemText(advanced, IDC_ADV_CUSTOMER_NAME), TEXT(""));
    EXPECT_EQ(Selected(advanced, IDC_ADV_LANGUAGE), 9);

    HWND info = panel.ShowPage(kInfoTab);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(ItemText(info, IDC_INFO_MODEL), TEXT("Ostrex MF 40") + tstring(20, TEXT(' ')));
    EXPECT_EQ(ItemText(info, IDC_INFO_FIRMWARE_VERSION), TEXT("1.12 "));
    EXPECT_EQ(ItemText(info, IDC_INFO_FREE_MEMORY), TEXT(" 87 % "));
    EXPECT_EQ(ItemText(info, IDC_INFO_PRINTS), TEXT("12874"));
    EXPECT_FALSE(panel.ShowsABox());

    // Changes on the Settings and Advanced pages, applied, then read back by refresh.
    settings = panel.ShowPage(kSettingsTab);
    Pick(settings, IDC_SET_BYPASS_PAPER_SIZE, 2);
    Click(settings, IDC_SET_HORIZONTAL_REDUCTION);
    TypeOver(settings, IDC_SET_ANSWER_DELAY, TEXT("4"));
    Click(settings, IDC_SET_APPLY);
    Click(settings, IDC_SET_REFRESH);
    ExpectChangedSettings(settings);

    advanced = panel.ShowPage(kAdvancedTab);
    TypeOver(advanced, IDC_ADV_CUSTOMER_NAME, ShownText(L"asiakas \u00e4\u00f6"));
    Pick(advanced, IDC_ADV_LANGUAGE, 0);
    Click(advanced, IDC_ADV_TONER_SAVE);
    Click(advanced, IDC_ADV_APPLY);
    Click(advanced, IDC_ADV_REFRESH);
    ExpectChangedAdvanced(advanced);
    EXPECT_FALSE(panel.ShowsABox());
    ASSERT_NO_FATAL_FAILURE(panel.Close());

    // A new panel reads the device afresh.
    Panel again;
    ASSERT_NO_FATAL_FAILURE(again.Start());
    ExpectChangedSettings(again.ShowPage(kSettingsTab));
    ExpectChangedAdvanced(again.ShowPage(kAdvancedTab));
    EXPECT_FALSE(again.ShowsABox()) << simulator_.Output();
    ASSERT_NO_FATAL_FAILURE(again.Close());
    EXPECT_EQ(simulator_.TrafficOffRoute(), "");
}

}  // namespace
}  // namespace pd::e2e
