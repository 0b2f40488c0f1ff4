// The Settings page on its real template, over the virtual device: reading on first showing
// and on "&Virkistä", the record following every change, limiting the numbers when a field is
// left, the arrows, power save, and "&Käytä" sending what the controls show.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "pages/SettingsPage.h"
#include "resources/resource.h"
#include "support/PageTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::Checked;
using test::Click;
using test::ItemText;
using test::Pick;
using test::Selected;
using test::TypeOver;
using Settings = std::array<std::uint8_t, 17>;

const sim::Bytes kSettingsRead = {0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x41};

// The device's factory settings, in record order.
constexpr Settings kFactory = {1, 1, 0, 2, 1, 5, 3, 1, 1, 0, 10, 3, 5, 2, 1, 1, 1};

constexpr std::array<std::uint8_t, 9> kWriteHeader = {0x1B, 0xA4, 0x00, 0x16, 0x50,
                                                      0xE0, 0x82, 0xC2, 0x41};

sim::Bytes WriteFrame(const Settings& settings) {
    sim::Bytes frame(kWriteHeader.size() + settings.size());
    std::copy(kWriteHeader.begin(), kWriteHeader.end(), frame.begin());
    std::copy(settings.begin(), settings.end(), frame.begin() + kWriteHeader.size());
    return frame;
}

// Indexes of the settings in record (and frame) order.
enum Field {
    kTrayPaperSize,
    kBypassPaperSize,
    kBypassPaperType,
    kSendConfirmation,
    kAutoJournal,
    kRemoteReceiveCode,
    kPowerSave,
    kEcmMode,
    kReceiveReduction,
    kHorizontalReduction,
    kDiscardLength,
    kRedialInterval,
    kRedialAttempts,
    kAnswerDelay,
    kSendFromMemory,
    kDeviceIdEnabled,
    kClockFormat,
};

class SettingsPageTest : public ::testing::Test, public test::PageMachine {
protected:
    void Open() { ASSERT_TRUE(sheet.Open(page)); }
    HWND hwnd() const { return page.hwnd(); }
    Settings Record() const {
        Settings bytes;
        std::memcpy(bytes.data(), &context.store.faxSettings, bytes.size());
        return bytes;
    }
    void SetDevice(const Settings& settings) {
        for (int i = 0; i < 17; ++i) FaxSetting(i) = settings[i];
    }
    bool MinutesEnabled() const {
        return ::IsWindowEnabled(page.Item(IDC_SET_POWER_SAVE_MINUTES)) != FALSE;
    }
    void Scroll(int arrowsId, int code) {
        ::SendMessage(hwnd(), WM_VSCROLL, MAKEWPARAM(code, 0),
                      reinterpret_cast<LPARAM>(page.Item(arrowsId)));
    }
    // Gives a field the focus and takes it away again, as tabbing through would.
    void Leave(int id) {
        ::SetFocus(page.Item(id));
        ASSERT_EQ(::GetFocus(), page.Item(id));
        ::SetFocus(page.Item(IDC_SET_APPLY));
    }

    CSettings page{context, ui};
    test::PageSheet sheet;
};

TEST_F(SettingsPageTest, FirstShowingReadsTheDeviceAndShowsEverySetting) {
    Open();

    EXPECT_EQ(device.ReceivedFrames(), std::vector<sim::Bytes>{kSettingsRead});
    const struct {
        int id;
        int position;
    } lists[] = {
        {IDC_SET_TRAY_PAPER_SIZE, 1},     {IDC_SET_BYPASS_PAPER_SIZE, 1},
        {IDC_SET_BYPASS_PAPER_TYPE, 0},   {IDC_SET_SEND_CONFIRMATION, 2},
        {IDC_SET_REMOTE_RECEIVE_CODE, 5}, {IDC_SET_CLOCK_FORMAT, 1},
        {IDC_SET_POWER_SAVE_MINUTES, 2},
    };
    for (const auto& list : lists) EXPECT_EQ(Selected(hwnd(), list.id), list.position) << list.id;
    const struct {
        int id;
        int state;
    } boxes[] = {
        {IDC_SET_AUTO_JOURNAL, 1},      {IDC_SET_DEVICE_ID, 1},
        {IDC_SET_RECEIVE_REDUCTION, 1}, {IDC_SET_HORIZONTAL_REDUCTION, 0},
        {IDC_SET_ECM_MODE, 1},          {IDC_SET_SEND_FROM_MEMORY, 1},
        {IDC_SET_POWER_SAVE_OFF, 0},    {IDC_SET_POWER_SAVE_ON, 1},
    };
    for (const auto& box : boxes) EXPECT_EQ(Checked(hwnd(), box.id), box.state) << box.id;
    const struct {
        int id;
        const TCHAR* text;
    } numbers[] = {
        {IDC_SET_DISCARD_LENGTH, TEXT("10")},
        {IDC_SET_REDIAL_INTERVAL, TEXT("3")},
        {IDC_SET_REDIAL_ATTEMPTS, TEXT("5")},
        {IDC_SET_ANSWER_DELAY, TEXT("2")},
    };
    for (const auto& number : numbers) {
        EXPECT_EQ(ItemText(hwnd(), number.id), number.text);
        EXPECT_EQ(::SendDlgItemMessage(hwnd(), number.id, EM_GETLIMITTEXT, 0, 0), 2);
    }
    EXPECT_TRUE(MinutesEnabled());
    EXPECT_EQ(Record(), kFactory);
    EXPECT_EQ(ui.Count(UiEvent::Kind::MessageBox), 0);
}

TEST_F(SettingsPageTest, ApplyAfterARefreshWithoutChangesSendsBackWhatWasRead) {
    Open();
    const std::uint64_t start = os.elapsed();
    Click(hwnd(), IDC_SET_APPLY);

    EXPECT_EQ(LastFrame(), WriteFrame(kFactory));
    EXPECT_EQ(FrameCount(), 2u) << "no read-back after the write";
    const std::uint64_t spent = os.elapsed() - start;
    EXPECT_GE(spent, 1000u) << "500 ms inside the write and 500 after it";
    EXPECT_LE(spent, 1010u);
    EXPECT_EQ(ui.Count(UiEvent::Kind::MessageBox), 0) << "success shows nothing";
}

// Each change the user makes copies the whole page into the record at once; "&Käytä" then
// sends the record.
TEST_F(SettingsPageTest, EveryChangeCopiesThePageIntoTheRecordAndApplySendsIt) {
    Open();
    Settings expected = kFactory;
    enum class Act { Pick, Click, Type };
    const struct {
        Act act;
        int id;
        int position;
        const TCHAR* typed;
        int field;
        std::uint8_t value;
    } steps[] = {
        {Act::Pick, IDC_SET_TRAY_PAPER_SIZE, 2, nullptr, kTrayPaperSize, 2},
        {Act::Pick, IDC_SET_BYPASS_PAPER_SIZE, 0, nullptr, kBypassPaperSize, 0},
        {Act::Pick, IDC_SET_BYPASS_PAPER_TYPE, 7, nullptr, kBypassPaperType, 7},
        {Act::Pick, IDC_SET_SEND_CONFIRMATION, 1, nullptr, kSendConfirmation, 1},
        {Act::Pick, IDC_SET_REMOTE_RECEIVE_CODE, 9, nullptr, kRemoteReceiveCode, 9},
        {Act::Pick, IDC_SET_CLOCK_FORMAT, 0, nullptr, kClockFormat, 0},
        {Act::Click, IDC_SET_AUTO_JOURNAL, 0, nullptr, kAutoJournal, 0},
        {Act::Click, IDC_SET_DEVICE_ID, 0, nullptr, kDeviceIdEnabled, 0},
        {Act::Click, IDC_SET_RECEIVE_REDUCTION, 0, nullptr, kReceiveReduction, 0},
        {Act::Click, IDC_SET_HORIZONTAL_REDUCTION, 0, nullptr, kHorizontalReduction, 1},
        {Act::Click, IDC_SET_ECM_MODE, 0, nullptr, kEcmMode, 0},
        {Act::Click, IDC_SET_SEND_FROM_MEMORY, 0, nullptr, kSendFromMemory, 0},
        {Act::Pick, IDC_SET_POWER_SAVE_MINUTES, 4, nullptr, kPowerSave, 5},
        {Act::Click, IDC_SET_POWER_SAVE_OFF, 0, nullptr, kPowerSave, 0},
        {Act::Click, IDC_SET_POWER_SAVE_ON, 0, nullptr, kPowerSave, 5},
        {Act::Type, IDC_SET_DISCARD_LENGTH, 0, TEXT("25"), kDiscardLength, 25},
        {Act::Type, IDC_SET_REDIAL_INTERVAL, 0, TEXT("9"), kRedialInterval, 9},
        {Act::Type, IDC_SET_REDIAL_ATTEMPTS, 0, TEXT("12"), kRedialAttempts, 12},
        // Stored at once as typed; limited only when the field is left.
        {Act::Type, IDC_SET_ANSWER_DELAY, 0, TEXT("9"), kAnswerDelay, 9},
    };
    for (const auto& step : steps) {
        switch (step.act) {
            case Act::Pick:
                Pick(hwnd(), step.id, step.position);
                break;
            case Act::Click:
                Click(hwnd(), step.id);
                break;
            case Act::Type:
                TypeOver(hwnd(), step.id, step.typed);
                break;
        }
        expected[step.field] = step.value;
        EXPECT_EQ(Record(), expected) << "after a change of " << step.id;
    }
    EXPECT_EQ(FrameCount(), 1u) << "changes send nothing";

    Click(hwnd(), IDC_SET_APPLY);
    EXPECT_EQ(LastFrame(), WriteFrame(expected));
    EXPECT_EQ(device.state.faxSettings[6 + kBypassPaperType], 7) << "the device took the frame";
}

// Values the lists do not hold show no selection. Filling the controls with them changes
// nothing in the record; the next change by the user stores 255 for such a list, and off for
// power save although "On" stays checked.
TEST_F(SettingsPageTest, ValuesBeyondTheListsSurviveUntilTheUsersNextChange) {
    Settings odd = kFactory;
    odd[kTrayPaperSize] = 7;
    odd[kClockFormat] = 2;
    odd[kPowerSave] = 6;
    odd[kDiscardLength] = 200;
    SetDevice(odd);
    Open();

    EXPECT_EQ(Selected(hwnd(), IDC_SET_TRAY_PAPER_SIZE), CB_ERR);
    EXPECT_EQ(Selected(hwnd(), IDC_SET_CLOCK_FORMAT), CB_ERR);
    EXPECT_EQ(Selected(hwnd(), IDC_SET_POWER_SAVE_MINUTES), CB_ERR);
    EXPECT_EQ(Checked(hwnd(), IDC_SET_POWER_SAVE_ON), BST_CHECKED);
    EXPECT_TRUE(MinutesEnabled());
    EXPECT_EQ(ItemText(hwnd(), IDC_SET_DISCARD_LENGTH), TEXT("200"));
    EXPECT_EQ(Record(), odd) << "the page's own filling is no change";

    Click(hwnd(), IDC_SET_HORIZONTAL_REDUCTION);
    Settings expected = odd;
    expected[kHorizontalReduction] = 1;
    expected[kTrayPaperSize] = 255;
    expected[kClockFormat] = 255;
    expected[kPowerSave] = 0;
    EXPECT_EQ(Record(), expected) << "200 is not limited until its field is left";
    EXPECT_EQ(Checked(hwnd(), IDC_SET_POWER_SAVE_ON), BST_CHECKED);

    Click(hwnd(), IDC_SET_APPLY);
    EXPECT_EQ(LastFrame(), WriteFrame(expected));
}

TEST_F(SettingsPageTest, PowerSaveChecksItsButtonAndEnablesTheMinutesOnlyWhileOn) {
    const struct {
        std::uint8_t powerSave;
        int checked;
        int minutes;
        bool enabled;
    } cases[] = {
        {0, IDC_SET_POWER_SAVE_OFF, 2, false},    {1, IDC_SET_POWER_SAVE_ON, 0, true},
        {3, IDC_SET_POWER_SAVE_ON, 2, true},      {5, IDC_SET_POWER_SAVE_ON, 4, true},
        {6, IDC_SET_POWER_SAVE_ON, CB_ERR, true}, {255, IDC_SET_POWER_SAVE_ON, CB_ERR, true},
    };
    Open();
    for (const auto& c : cases) {
        FaxSetting(kPowerSave) = c.powerSave;
        Click(hwnd(), IDC_SET_REFRESH);
        EXPECT_EQ(Checked(hwnd(), c.checked), BST_CHECKED) << int(c.powerSave);
        EXPECT_EQ(Selected(hwnd(), IDC_SET_POWER_SAVE_MINUTES), c.minutes) << int(c.powerSave);
        EXPECT_EQ(MinutesEnabled(), c.enabled) << int(c.powerSave);
    }

    // Off from the device shows "15"; turning power save on takes it.
    FaxSetting(kPowerSave) = 0;
    Click(hwnd(), IDC_SET_REFRESH);
    Click(hwnd(), IDC_SET_POWER_SAVE_ON);
    EXPECT_TRUE(MinutesEnabled());
    EXPECT_EQ(context.store.faxSettings.powerSave, 3);
    Click(hwnd(), IDC_SET_POWER_SAVE_OFF);
    EXPECT_FALSE(MinutesEnabled());
    EXPECT_EQ(context.store.faxSettings.powerSave, 0);
}

// Leaving any number field limits all four, in the order discard length, redial interval,
// answer delay, redial attempts; the fields are shown again only when one was limited.
TEST_F(SettingsPageTest, LeavingANumberFieldLimitsTheNumbersToTheirRanges) {
    const struct {
        int id;
        const TCHAR* typed;
        const TCHAR* shown;
        int field;
        std::uint8_t stored;
    } cases[] = {
        {IDC_SET_ANSWER_DELAY, TEXT("9"), TEXT("7"), kAnswerDelay, 7},
        {IDC_SET_ANSWER_DELAY, TEXT("0"), TEXT("1"), kAnswerDelay, 1},
        {IDC_SET_REDIAL_INTERVAL, TEXT("16"), TEXT("15"), kRedialInterval, 15},
        {IDC_SET_REDIAL_INTERVAL, TEXT("x"), TEXT("1"), kRedialInterval, 1},
        {IDC_SET_REDIAL_ATTEMPTS, TEXT("14"), TEXT("13"), kRedialAttempts, 13},
        {IDC_SET_REDIAL_ATTEMPTS, TEXT("-3"), TEXT("0"), kRedialAttempts, 0},
        {IDC_SET_DISCARD_LENGTH, TEXT("31"), TEXT("30"), kDiscardLength, 30},
        {IDC_SET_DISCARD_LENGTH, TEXT("ab"), TEXT("ab"), kDiscardLength, 0},
        {IDC_SET_DISCARD_LENGTH, TEXT("+8"), TEXT("+8"), kDiscardLength, 8},
        {IDC_SET_DISCARD_LENGTH, TEXT("\b"), TEXT(""), kDiscardLength, 0},
    };
    Open();
    for (const auto& c : cases) {
        Click(hwnd(), IDC_SET_REFRESH);
        TypeOver(hwnd(), c.id, c.typed);
        Leave(c.id);
        EXPECT_EQ(ItemText(hwnd(), c.id), c.shown) << "field " << c.id;
        EXPECT_EQ(Record()[c.field], c.stored) << "field " << c.id;
    }
}

TEST_F(SettingsPageTest, ANumberAboveItsRangeFromTheDeviceIsLimitedWhenAnyFieldIsLeft) {
    Settings odd = kFactory;
    odd[kDiscardLength] = 200;
    odd[kRedialAttempts] = 99;
    SetDevice(odd);
    Open();
    TypeOver(hwnd(), IDC_SET_ANSWER_DELAY, TEXT("3"));
    EXPECT_EQ(Record()[kDiscardLength], 200);

    Leave(IDC_SET_ANSWER_DELAY);
    EXPECT_EQ(ItemText(hwnd(), IDC_SET_DISCARD_LENGTH), TEXT("30"));
    EXPECT_EQ(ItemText(hwnd(), IDC_SET_REDIAL_ATTEMPTS), TEXT("13"));
    EXPECT_EQ(ItemText(hwnd(), IDC_SET_ANSWER_DELAY), TEXT("3"));
    Settings expected = odd;
    expected[kDiscardLength] = 30;
    expected[kRedialAttempts] = 13;
    expected[kAnswerDelay] = 3;
    EXPECT_EQ(Record(), expected);
}

// Each pair of arrows steps its own field within the field's range, then selects the field's
// text and gives it the focus; other scroll notices leave the number as it is.
TEST_F(SettingsPageTest, ArrowsStepTheirFieldWithinItsRange) {
    const struct Arrows {
        int arrows;
        int id;
        int field;
    } discard{IDC_SET_DISCARD_ARROWS, IDC_SET_DISCARD_LENGTH, kDiscardLength},
        answer{IDC_SET_ANSWER_DELAY_ARROWS, IDC_SET_ANSWER_DELAY, kAnswerDelay},
        interval{IDC_SET_REDIAL_INTERVAL_ARROWS, IDC_SET_REDIAL_INTERVAL, kRedialInterval},
        attempts{IDC_SET_REDIAL_ATTEMPTS_ARROWS, IDC_SET_REDIAL_ATTEMPTS, kRedialAttempts};
    const struct {
        Arrows arrows;
        const TCHAR* start;
        int code;
        const TCHAR* shown;
        std::uint8_t stored;
    } cases[] = {
        {discard, TEXT("7"), SB_LINEUP, TEXT("8"), 8},
        {discard, TEXT("0"), SB_LINEDOWN, TEXT("0"), 0},
        {discard, TEXT("30"), SB_LINEUP, TEXT("30"), 30},
        {discard, TEXT("200"), SB_LINEUP, TEXT("30"), 30},
        {discard, TEXT("200"), SB_LINEDOWN, TEXT("199"), 199},
        {answer, TEXT(""), SB_LINEUP, TEXT("1"), 1},
        {answer, TEXT(""), SB_LINEDOWN, TEXT("1"), 1},
        {answer, TEXT("6"), SB_LINEUP, TEXT("7"), 7},
        {answer, TEXT("7"), SB_LINEUP, TEXT("7"), 7},
        {interval, TEXT("15"), SB_LINEUP, TEXT("15"), 15},
        {interval, TEXT("2"), SB_LINEDOWN, TEXT("1"), 1},
        {interval, TEXT("1"), SB_LINEDOWN, TEXT("1"), 1},
        {attempts, TEXT("12"), SB_LINEUP, TEXT("13"), 13},
        {attempts, TEXT("13"), SB_LINEUP, TEXT("13"), 13},
        {attempts, TEXT("0"), SB_LINEDOWN, TEXT("0"), 0},
        {attempts, TEXT("04"), SB_ENDSCROLL, TEXT("4"), 4},
        {attempts, TEXT("9"), SB_THUMBPOSITION, TEXT("9"), 9},
    };
    Open();
    for (const auto& c : cases) {
        const int arrows = c.arrows.arrows;
        HWND field = page.Item(c.arrows.id);
        // Away from the field first: leaving it would limit the number before the arrow.
        ::SetFocus(page.Item(IDC_SET_REFRESH));
        ::SetWindowText(field, c.start);
        Scroll(arrows, c.code);
        EXPECT_EQ(test::Text(field), c.shown) << "arrows " << arrows << " from " << c.start;
        EXPECT_EQ(Record()[c.arrows.field], c.stored) << "arrows " << arrows;
        EXPECT_EQ(::GetFocus(), field) << "arrows " << arrows;
        DWORD from = 0, to = 0;
        ::SendMessage(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                      reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, tstring(c.shown).size()) << "the whole number is selected";
    }
}

TEST_F(SettingsPageTest, DeviceSilentAtFirstShowingLeavesTheInitialValuesWhichApplySendsAsZeros) {
    device.faults.silent = true;
    Open();
    EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
    for (int id : {IDC_SET_TRAY_PAPER_SIZE, IDC_SET_BYPASS_PAPER_SIZE, IDC_SET_BYPASS_PAPER_TYPE,
                   IDC_SET_SEND_CONFIRMATION, IDC_SET_REMOTE_RECEIVE_CODE, IDC_SET_CLOCK_FORMAT,
                   IDC_SET_POWER_SAVE_MINUTES}) {
        EXPECT_EQ(Selected(hwnd(), id), 0) << "list " << id;
    }
    for (int id : {IDC_SET_DISCARD_LENGTH, IDC_SET_REDIAL_INTERVAL, IDC_SET_REDIAL_ATTEMPTS,
                   IDC_SET_ANSWER_DELAY}) {
        EXPECT_EQ(ItemText(hwnd(), id), TEXT("")) << "field " << id;
    }
    EXPECT_EQ(Checked(hwnd(), IDC_SET_POWER_SAVE_OFF), BST_CHECKED);
    EXPECT_FALSE(MinutesEnabled());

    device.faults.silent = false;
    Click(hwnd(), IDC_SET_APPLY);
    EXPECT_EQ(LastFrame(), WriteFrame({}));
    Click(hwnd(), IDC_SET_ECM_MODE);
    Click(hwnd(), IDC_SET_APPLY);
    Settings expected{};
    expected[kEcmMode] = 1;
    EXPECT_EQ(LastFrame(), WriteFrame(expected));
}

// A read fails on no answer and on any reply short of the whole block, even one whose
// header agrees with what arrived; the record is then left alone, so the page and the record
// still agree.
TEST_F(SettingsPageTest, FailedRefreshKeepsTheControlsAndFailedApplyKeepsTheUsersValues) {
    Open();
    Pick(hwnd(), IDC_SET_BYPASS_PAPER_TYPE, 4);
    FaxSetting(kBypassPaperType) = 6;
    const struct {
        const char* what;
        std::size_t replyLimit;
        std::optional<std::uint16_t> headerLength;
    } faults[] = {
        {"no answer", 0, std::nullopt},
        {"20 of 27 bytes", 20, std::nullopt},
        {"14 bytes saying 10 follow", 14, 10},
        {"the header alone, saying nothing follows", 4, 0},
    };
    for (const auto& fault : faults) {
        device.faults = {};
        device.faults.replyLimit = fault.replyLimit;
        device.faults.replyHeaderLength = fault.headerLength;
        ui.Clear();
        Click(hwnd(), IDC_SET_REFRESH);
        EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")}) << fault.what;
        EXPECT_EQ(Selected(hwnd(), IDC_SET_BYPASS_PAPER_TYPE), 4) << fault.what;
        Settings expected = kFactory;
        expected[kBypassPaperType] = 4;
        EXPECT_EQ(Record(), expected) << fault.what << ": a failed read leaves the record alone";
    }
    ui.Clear();

    device.faults = {};
    device.faults.unplugged = true;
    Click(hwnd(), IDC_SET_APPLY);
    EXPECT_EQ(BoxTexts(), std::vector<tstring>{TEXT("Ei vastaa")});
    EXPECT_EQ(Record()[kBypassPaperType], 4);

    device.faults = {};
    Click(hwnd(), IDC_SET_APPLY);
    Settings expected = kFactory;
    expected[kBypassPaperType] = 4;
    EXPECT_EQ(LastFrame(), WriteFrame(expected)) << "pressing again sends the same values";
    EXPECT_EQ(BoxTexts().size(), 1u);
}

}  // namespace
}  // namespace pd
