#include "pages/AdvancedPage.h"

#include <iterator>

#include "controls/DataExchange.h"
#include "controls/DeviceText.h"
#include "controls/FieldBinding.h"
#include "pages/PageExchange.h"
#include "protocol/FieldRules.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"

namespace pd {

namespace {

// The seven texts with their edits and rules, in the page's order. Each edit takes as many
// characters as its field is wide, so whatever it holds fits the record.
template <typename Visit>
void ForEachText(SystemRecord& r, Visit&& visit) {
    visit(IDC_ADV_DEVICE_ID_NAME, kDeviceIdNameRule, r.deviceIdName);
    visit(IDC_ADV_DEVICE_ID_NUMBER, kDeviceIdNumberRule, r.deviceIdNumber);
    visit(IDC_ADV_CUSTOMER_NAME, kCustomerNameRule, r.customerName);
    visit(IDC_ADV_CUSTOMER_NUMBER, kCustomerNumberRule, r.customerNumber);
    visit(IDC_ADV_SERVICE_NUMBER, kServiceNumberRule, r.serviceNumber);
    visit(IDC_ADV_SERIAL_NUMBER, kSerialNumberRule, r.serialNumber);
    visit(IDC_ADV_NUMBER_PREFIX, kNumberPrefixRule, r.numberPrefix);
}

// The drop-down lists: the byte is the position of the chosen item.
constexpr FieldBinding<SystemRecord> kLists[] = {
    {IDC_ADV_RECEIVE_MODE, &SystemRecord::receiveMode},
    {IDC_ADV_SPEAKER_MODE, &SystemRecord::speakerMode},
    {IDC_ADV_RING_VOLUME, &SystemRecord::ringVolume},
    {IDC_ADV_USB_MODE, &SystemRecord::usbMode},
    {IDC_ADV_DUPLEX_FAX, &SystemRecord::duplexFax},
    {IDC_ADV_LANGUAGE, &SystemRecord::language},
    {IDC_ADV_IMAGE_QUALITY, &SystemRecord::imageQuality},
};

// The check boxes: 1 ticked, 0 clear; a 2 from the device shows as the third state.
constexpr FieldBinding<SystemRecord> kChecks[] = {
    {IDC_ADV_ALARM_SOUND, &SystemRecord::alarmSound},
    {IDC_ADV_KEY_SOUND, &SystemRecord::keySound},
    {IDC_ADV_TONER_SAVE, &SystemRecord::tonerSave},
    {IDC_ADV_TONER_NOTICE, &SystemRecord::tonerNotice},
};

static_assert(std::size(kLists) == CAdvanced::kListCount);
static_assert(std::size(kChecks) == CAdvanced::kCheckCount);

}  // namespace

CAdvanced::CAdvanced(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_ADVANCED), context_(context), ui_(ui), edits_{CFilterEdit(ui),
                                                                      CFilterEdit(ui),
                                                                      CFilterEdit(ui),
                                                                      CFilterEdit(ui),
                                                                      CFilterEdit(ui),
                                                                      CFilterEdit(ui),
                                                                      CFilterEdit(ui)} {}

bool CAdvanced::OnInit() {
    CPropertyPage::OnInit();
    int index = 0;
    ForEachText(context_.store.system, [&](int id, const TextRule& rule, auto&) {
        CFilterEdit& edit = edits_[index++];
        edit.Attach(hwnd(), id);
        edit.SetLimit(rule.width);
        edit.SetFilterMode(FilterModeFor(rule.characters));
    });
    Refresh();
    return true;
}

void CAdvanced::DoDataExchange(DataExchange& exchange) {
    int index = 0;
    ForEachText(context_.store.system,
                [&](int id, const TextRule&, auto&) { exchange.Text(id, texts_[index++]); });
    for (int i = 0; i < kListCount; ++i) exchange.ComboPosition(kLists[i].id, lists_[i]);
    for (int i = 0; i < kCheckCount; ++i) exchange.Check(kChecks[i].id, checks_[i]);
}

bool CAdvanced::OnButtonClicked(int id) {
    if (id == IDC_ADV_REFRESH) {
        Refresh();
        return true;
    }
    if (id == IDC_ADV_APPLY) {
        Apply();
        return true;
    }
    if (Binds(kChecks, id)) {
        ToggleCheck(Item(id));
        UpdateData(true);
        return true;
    }
    return false;
}

bool CAdvanced::OnCommand(int code, int id, HWND control) {
    if (control == nullptr || code == BN_CLICKED) {
        return CPropertyPage::OnCommand(code, id, control);
    }
    if ((code == CBN_SELCHANGE && Binds(kLists, id)) || code == EN_CHANGE) {
        UpdateData(true);
        return true;
    }
    return false;
}

// The boxes can show a third state the device may send, but the user only ever ticks and
// clears them; a click on the third state ticks.
void CAdvanced::ToggleCheck(HWND box) {
    const LRESULT state = ::SendMessage(box, BM_GETCHECK, 0, 0);
    ::SendMessage(box, BM_SETCHECK, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
}

void CAdvanced::Refresh() {
    SystemRecord& record = context_.store.system;
    // A failed read still shows the record as it stands, so unsaved edits go either way.
    RunPageExchange(context_, ui_, [&] { return ReadSystemRecord(context_.link, record); });
    ShowFields(kLists, record, lists_);
    ShowFields(kChecks, record, checks_);
    int index = 0;
    ForEachText(record, [&](int, const TextRule&, auto& field) {
        TrimDeviceText(field);
        texts_[index++] = FromDeviceText(field);
    });
    UpdateData(false);
}

void CAdvanced::Apply() {
    UpdateData(true);
    SystemRecord& record = context_.store.system;
    StoreFields(kLists, lists_, record);
    StoreFields(kChecks, checks_, record);
    int index = 0;
    ForEachText(record, [&](int, const TextRule&, auto& field) {
        StoreDeviceText(field, texts_[index++]);
    });
    RunPageExchange(context_, ui_, [&] { return WriteAdvancedOptions(context_.link, record); });
}

}  // namespace pd
