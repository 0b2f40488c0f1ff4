// Data exchange between a page's controls and its values, and the filling rule, on the
// program's real templates.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "controls/DataExchange.h"
#include "resources/resource.h"
#include "support/DialogHost.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::ExchangeDialog;
using test::PageHost;

class Exchange : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(page.Create(host.get())); }
    void TearDown() override { page.Destroy(); }
    LRESULT Checked(int id) { return ::SendMessage(page.Item(id), BM_GETCHECK, 0, 0); }
    LRESULT Selected(int id) { return ::SendMessage(page.Item(id), CB_GETCURSEL, 0, 0); }

    PageHost host;
    ExchangeDialog page{IDD_SETTINGS};
};

TEST_F(Exchange, ComboPositionShowsAndTakesTheSelectedPosition) {
    int value = 4;
    page.exchange = [&](DataExchange& dx) { dx.ComboPosition(IDC_SET_POWER_SAVE_MINUTES, value); };
    page.UpdateData(false);
    EXPECT_EQ(Selected(IDC_SET_POWER_SAVE_MINUTES), 4);

    ::SendMessage(page.Item(IDC_SET_POWER_SAVE_MINUTES), CB_SETCURSEL, 1, 0);
    page.UpdateData(true);
    EXPECT_EQ(value, 1);
}

TEST_F(Exchange, ComboPositionBeyondTheListShowsNoSelectionAndReadsBackMinusOne) {
    for (int outside : {5, 6, 255, -1}) {
        int value = 2;
        page.exchange = [&](DataExchange& dx) {
            dx.ComboPosition(IDC_SET_POWER_SAVE_MINUTES, value);
        };
        page.UpdateData(false);
        value = outside;
        page.UpdateData(false);
        EXPECT_EQ(Selected(IDC_SET_POWER_SAVE_MINUTES), CB_ERR) << outside;
        page.UpdateData(true);
        EXPECT_EQ(value, -1) << outside;
    }
}

TEST_F(Exchange, CheckShowsZeroOneAndTakesTheBoxState) {
    const struct {
        int shown;
        LRESULT state;
    } cases[] = {{1, BST_CHECKED}, {0, BST_UNCHECKED}, {3, BST_UNCHECKED}, {-1, BST_UNCHECKED}};
    for (const auto& c : cases) {
        int value = c.shown;
        page.exchange = [&](DataExchange& dx) { dx.Check(IDC_SET_ECM_MODE, value); };
        page.UpdateData(false);
        EXPECT_EQ(Checked(IDC_SET_ECM_MODE), c.state) << "shown " << c.shown;
        page.UpdateData(true);
        EXPECT_EQ(value, static_cast<int>(c.state)) << "shown " << c.shown;
    }
}

TEST_F(Exchange, RadioIsThePositionOfTheCheckedButtonInItsGroup) {
    int value = 1;
    page.exchange = [&](DataExchange& dx) { dx.Radio(IDC_SET_POWER_SAVE_OFF, value); };
    page.UpdateData(false);
    EXPECT_EQ(Checked(IDC_SET_POWER_SAVE_OFF), BST_UNCHECKED);
    EXPECT_EQ(Checked(IDC_SET_POWER_SAVE_ON), BST_CHECKED);

    ::SendMessage(page.Item(IDC_SET_POWER_SAVE_ON), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessage(page.Item(IDC_SET_POWER_SAVE_OFF), BM_SETCHECK, BST_CHECKED, 0);
    page.UpdateData(true);
    EXPECT_EQ(value, 0);

    ::SendMessage(page.Item(IDC_SET_POWER_SAVE_OFF), BM_SETCHECK, BST_UNCHECKED, 0);
    page.UpdateData(true);
    EXPECT_EQ(value, -1) << "no button checked";
}

TEST(ExchangeRadio, AHiddenFirstButtonStillCountsInTheGroup) {
    PageHost host;
    ExchangeDialog page(IDD_PHONEBOOK);
    ASSERT_TRUE(page.Create(host.get()));
    EXPECT_FALSE(::GetWindowLong(page.Item(IDC_PB_ONE_TOUCH), GWL_STYLE) & WS_VISIBLE);
    int section = 1;
    page.exchange = [&](DataExchange& dx) { dx.Radio(IDC_PB_ONE_TOUCH, section); };
    page.UpdateData(false);
    EXPECT_EQ(::SendMessage(page.Item(IDC_PB_SPEED_DIAL), BM_GETCHECK, 0, 0), BST_CHECKED);
    page.Destroy();
}

TEST_F(Exchange, TextGoesBothWays) {
    tstring text = TEXT("12");
    page.exchange = [&](DataExchange& dx) { dx.Text(IDC_SET_DISCARD_LENGTH, text); };
    page.UpdateData(false);
    EXPECT_EQ(test::Text(page.Item(IDC_SET_DISCARD_LENGTH)), TEXT("12"));
    ::SetWindowText(page.Item(IDC_SET_DISCARD_LENGTH), ShownText(L"7ä").c_str());
    page.UpdateData(true);
    EXPECT_EQ(text, ShownText(L"7ä"));
}

TEST_F(Exchange, ChangesMadeByThePageItselfNeverReachItsHandlers) {
    tstring text = TEXT("5");
    page.exchange = [&](DataExchange& dx) { dx.Text(IDC_SET_ANSWER_DELAY, text); };
    page.UpdateData(false);
    EXPECT_TRUE(page.changeNotices.empty()) << "filling the controls is not a user change";

    ::SetWindowText(page.Item(IDC_SET_ANSWER_DELAY), TEXT("9"));  // as a user's typing would
    EXPECT_EQ(page.changeNotices, std::vector<int>{IDC_SET_ANSWER_DELAY});
    EXPECT_FALSE(page.filling());
}

TEST_F(Exchange, AFailingHandlerDoesNotTakeTheDialogDown) {
    page.throwOnCommand = true;
    ::SetWindowText(page.Item(IDC_SET_ANSWER_DELAY), TEXT("1"));
    page.throwOnCommand = false;
    ::SetWindowText(page.Item(IDC_SET_ANSWER_DELAY), TEXT("2"));
    EXPECT_EQ(page.changeNotices, std::vector<int>{IDC_SET_ANSWER_DELAY});
}

}  // namespace
}  // namespace pd
