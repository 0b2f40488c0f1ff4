#include "pages/SettingsPage.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <iterator>

#include "controls/DataExchange.h"
#include "controls/FieldBinding.h"
#include "pages/PageExchange.h"
#include "protocol/FaxSettings.h"
#include "protocol/FieldRules.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

using Setting = std::uint8_t FaxSettingsRecord::*;

// The drop-down lists whose position is the setting's byte.
constexpr FieldBinding<FaxSettingsRecord> kLists[] = {
    {IDC_SET_TRAY_PAPER_SIZE, &FaxSettingsRecord::trayPaperSize},
    {IDC_SET_BYPASS_PAPER_SIZE, &FaxSettingsRecord::bypassPaperSize},
    {IDC_SET_BYPASS_PAPER_TYPE, &FaxSettingsRecord::bypassPaperType},
    {IDC_SET_SEND_CONFIRMATION, &FaxSettingsRecord::sendConfirmation},
    {IDC_SET_REMOTE_RECEIVE_CODE, &FaxSettingsRecord::remoteReceiveCode},
    {IDC_SET_CLOCK_FORMAT, &FaxSettingsRecord::clockFormat},
};

// The check boxes: ticked is 1.
constexpr FieldBinding<FaxSettingsRecord> kChecks[] = {
    {IDC_SET_AUTO_JOURNAL, &FaxSettingsRecord::autoJournal},
    {IDC_SET_DEVICE_ID, &FaxSettingsRecord::deviceIdEnabled},
    {IDC_SET_RECEIVE_REDUCTION, &FaxSettingsRecord::receiveReduction},
    {IDC_SET_HORIZONTAL_REDUCTION, &FaxSettingsRecord::horizontalReduction},
    {IDC_SET_ECM_MODE, &FaxSettingsRecord::ecmMode},
    {IDC_SET_SEND_FROM_MEMORY, &FaxSettingsRecord::sendFromMemory},
};

struct NumberBinding {
    int id;
    int arrowsId;
    NumberRange range;
    Setting setting;
};

// The number fields with their arrows and ranges, in the order they are limited when one of
// them loses the focus.
constexpr NumberBinding kNumbers[] = {
    {IDC_SET_DISCARD_LENGTH, IDC_SET_DISCARD_ARROWS, kDiscardLengthRange,
     &FaxSettingsRecord::discardLength},
    {IDC_SET_REDIAL_INTERVAL, IDC_SET_REDIAL_INTERVAL_ARROWS, kRedialIntervalRange,
     &FaxSettingsRecord::redialInterval},
    {IDC_SET_ANSWER_DELAY, IDC_SET_ANSWER_DELAY_ARROWS, kAnswerDelayRange,
     &FaxSettingsRecord::answerDelay},
    {IDC_SET_REDIAL_ATTEMPTS, IDC_SET_REDIAL_ATTEMPTS_ARROWS, kRedialAttemptsRange,
     &FaxSettingsRecord::redialAttempts},
};

static_assert(std::size(kLists) == CSettings::kListCount);
static_assert(std::size(kChecks) == CSettings::kCheckCount);
static_assert(std::size(kNumbers) == CSettings::kNumberCount);

// A number field takes two characters; the device's own values may be longer.
constexpr int kNumberFieldLimit = 2;

// The power-save radio pair and its minutes list ("5", "10", "15", "30", "45").
constexpr int kPowerSaveOff = 0;
constexpr int kPowerSaveOn = 1;
// Shown while power save is off: "15".
constexpr int kPowerSaveOffMinutes = 2;

// The number at the start of a field's text: blanks skipped, an optional sign, then digits;
// 0 when there is none. Held well inside an int however many digits follow.
int LeadingNumber(const tstring& text) {
    constexpr int kCeiling = 1'000'000;
    auto at = text.begin();
    while (at != text.end() && std::iswspace(*at)) ++at;
    bool negative = false;
    if (at != text.end() && (*at == TEXT('+') || *at == TEXT('-'))) {
        negative = *at == TEXT('-');
        ++at;
    }
    int value = 0;
    for (; at != text.end() && *at >= TEXT('0') && *at <= TEXT('9'); ++at) {
        value = std::min(value * 10 + (*at - TEXT('0')), kCeiling);
    }
    return negative ? -value : value;
}

// The record keeps the low byte of whatever the page holds.
std::uint8_t LowByte(int value) { return static_cast<std::uint8_t>(value); }

}  // namespace

CSettings::CSettings(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_SETTINGS), context_(context), ui_(ui) {}

bool CSettings::OnInit() {
    CPropertyPage::OnInit();
    for (const NumberBinding& number : kNumbers) {
        ::SendDlgItemMessage(hwnd(), number.id, EM_LIMITTEXT, kNumberFieldLimit, 0);
    }
    EnableMinutesList();
    Refresh();
    return true;
}

void CSettings::DoDataExchange(DataExchange& exchange) {
    for (int i = 0; i < kListCount; ++i) exchange.ComboPosition(kLists[i].id, lists_[i]);
    for (int i = 0; i < kCheckCount; ++i) exchange.Check(kChecks[i].id, checks_[i]);
    exchange.Radio(IDC_SET_POWER_SAVE_OFF, powerSaveRadio_);
    exchange.ComboPosition(IDC_SET_POWER_SAVE_MINUTES, powerSaveMinutes_);
    for (int i = 0; i < kNumberCount; ++i) exchange.Text(kNumbers[i].id, numbers_[i]);
}

bool CSettings::OnButtonClicked(int id) {
    if (id == IDC_SET_REFRESH) {
        Refresh();
    } else if (id == IDC_SET_APPLY) {
        Apply();
    } else if (id == IDC_SET_POWER_SAVE_OFF || id == IDC_SET_POWER_SAVE_ON || Binds(kChecks, id)) {
        CopyPageToRecord();
    } else {
        return false;
    }
    return true;
}

bool CSettings::OnCommand(int code, int id, HWND control) {
    if (control == nullptr || code == BN_CLICKED) {
        return CPropertyPage::OnCommand(code, id, control);
    }
    const auto isThis = [id](const NumberBinding& binding) { return binding.id == id; };
    switch (code) {
        case CBN_SELCHANGE:
            if (id == IDC_SET_POWER_SAVE_MINUTES || Binds(kLists, id)) {
                CopyPageToRecord();
                return true;
            }
            return false;
        case EN_CHANGE:
            if (!std::ranges::any_of(kNumbers, isThis)) return false;
            CopyPageToRecord();
            return true;
        case EN_KILLFOCUS:
            if (!std::ranges::any_of(kNumbers, isThis)) return false;
            ClampNumbers();
            return true;
        default:
            return false;
    }
}

bool CSettings::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message != WM_VSCROLL || lParam == 0) return false;
    const int arrowsId = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (std::ranges::find(kNumbers, arrowsId, &NumberBinding::arrowsId) == std::end(kNumbers)) {
        return false;
    }
    StepNumber(arrowsId, LOWORD(wParam));
    result = 0;
    return true;
}

void CSettings::Refresh() {
    if (!RunPageExchange(context_, ui_, [&] {
            return ReadFaxSettings(context_.link, context_.store.faxSettings);
        })) {
        return;
    }
    ShowRecord();
}

void CSettings::Apply() {
    RunPageExchange(context_, ui_,
                    [&] { return WriteFaxSettings(context_.link, context_.store.faxSettings); });
}

void CSettings::ShowRecord() {
    const FaxSettingsRecord& record = context_.store.faxSettings;
    ShowFields(kLists, record, lists_);
    ShowFields(kChecks, record, checks_);
    for (int i = 0; i < kNumberCount; ++i) {
        numbers_[i] = ToTString(record.*kNumbers[i].setting);
    }
    if (record.powerSave == 0) {
        powerSaveRadio_ = kPowerSaveOff;
        powerSaveMinutes_ = kPowerSaveOffMinutes;
    } else {
        powerSaveRadio_ = kPowerSaveOn;
        powerSaveMinutes_ = record.powerSave - 1;
    }
    UpdateData(false);
    EnableMinutesList();
}

void CSettings::CopyPageToRecord() {
    UpdateData(true);
    FaxSettingsRecord& record = context_.store.faxSettings;
    StoreFields(kLists, lists_, record);
    StoreFields(kChecks, checks_, record);
    // With no minutes chosen (the device sent a delay the list lacks) this gives 0, off,
    // though "On" stays checked.
    record.powerSave = powerSaveRadio_ == kPowerSaveOff ? 0 : LowByte(powerSaveMinutes_ + 1);
    for (int i = 0; i < kNumberCount; ++i) {
        record.*kNumbers[i].setting = LowByte(LeadingNumber(numbers_[i]));
    }
    EnableMinutesList();
}

void CSettings::ClampNumbers() {
    UpdateData(true);
    FaxSettingsRecord& record = context_.store.faxSettings;
    bool limited = false;
    for (int i = 0; i < kNumberCount; ++i) {
        const NumberBinding& number = kNumbers[i];
        const int value = LeadingNumber(numbers_[i]);
        const int kept = std::clamp(value, number.range.lowest, number.range.highest);
        limited = limited || kept != value;
        record.*number.setting = LowByte(kept);
        numbers_[i] = ToTString(kept);
    }
    if (limited) UpdateData(false);
}

void CSettings::StepNumber(int arrowsId, int scrollCode) {
    UpdateData(true);
    const auto found = std::ranges::find(kNumbers, arrowsId, &NumberBinding::arrowsId);
    const auto index = static_cast<std::size_t>(found - std::begin(kNumbers));
    const NumberBinding& number = *found;
    int value = LeadingNumber(numbers_[index]);
    // Only the arrows move the number; the end-of-scroll notice after each click does not.
    if (scrollCode == SB_LINEUP) {
        value = std::min(value + 1, number.range.highest);
    } else if (scrollCode == SB_LINEDOWN) {
        value = std::max(value - 1, number.range.lowest);
    }
    numbers_[index] = ToTString(value);
    UpdateData(false);

    HWND field = Item(number.id);
    ::SendMessage(field, EM_SETSEL, 0, -1);
    ::SendMessage(field, EM_SCROLLCARET, 0, 0);
    ::SetFocus(field);
    CopyPageToRecord();
}

void CSettings::EnableMinutesList() {
    ::EnableWindow(Item(IDC_SET_POWER_SAVE_MINUTES), powerSaveRadio_ == kPowerSaveOn);
}

}  // namespace pd
