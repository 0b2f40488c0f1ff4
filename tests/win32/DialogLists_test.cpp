// The lists of the dialog templates: their items, the field table's, loaded once.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "controls/DialogLists.h"
#include "protocol/FieldRules.h"
#include "resources/resource.h"
#include "support/DialogHost.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::ComboItems;
using test::ExchangeDialog;
using test::PageHost;

TEST(DialogLists, EveryDropDownListGetsItsTemplateItemsInOrder) {
    using Items = std::vector<tstring>;
    const struct {
        int templateId;
        int control;
        Items items;
    } lists[] = {
        {IDD_SETTINGS, IDC_SET_TRAY_PAPER_SIZE, {TEXT("Letter"), TEXT("A4"), TEXT("Legal")}},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_SIZE, {TEXT("Letter"), TEXT("A4"), TEXT("Legal")}},
        {IDD_SETTINGS,
         IDC_SET_BYPASS_PAPER_TYPE,
         {TEXT("Tavallinen"), TEXT("Bond"), TEXT("Kalvo"), TEXT("Kartonki"), TEXT("Tarrat"),
          TEXT("Esipainettu"), ShownText(L"Värillinen"), TEXT("Kirjekuori")}},
        {IDD_SETTINGS,
         IDC_SET_POWER_SAVE_MINUTES,
         {TEXT("5"), TEXT("10"), TEXT("15"), TEXT("30"), TEXT("45")}},
        {IDD_SETTINGS, IDC_SET_SEND_CONFIRMATION, {TEXT("Ei"), TEXT("On"), TEXT("Kun virhe")}},
        {IDD_SETTINGS,
         IDC_SET_REMOTE_RECEIVE_CODE,
         {TEXT("*0*"), TEXT("*1*"), TEXT("*2*"), TEXT("*3*"), TEXT("*4*"), TEXT("*5*"), TEXT("*6*"),
          TEXT("*7*"), TEXT("*8*"), TEXT("*9*")}},
        {IDD_SETTINGS, IDC_SET_CLOCK_FORMAT, {TEXT("12 t"), TEXT("24 t")}},
        {IDD_ADVANCED,
         IDC_ADV_RECEIVE_MODE,
         {TEXT("PUH"), TEXT("FAKSI"), TEXT("PUH/FAKSI"), TEXT("VAST/FAKSI")}},
        {IDD_ADVANCED, IDC_ADV_SPEAKER_MODE, {TEXT("Ei"), TEXT("On"), TEXT("YHTEYS")}},
        {IDD_ADVANCED,
         IDC_ADV_RING_VOLUME,
         {TEXT("0"), TEXT("1"), TEXT("2"), TEXT("3"), TEXT("4"), TEXT("5"), TEXT("6"), TEXT("7"),
          TEXT("8"), TEXT("9"), TEXT("10")}},
        {IDD_ADVANCED, IDC_ADV_USB_MODE, {TEXT("Hidas"), TEXT("Nopea")}},
        {IDD_ADVANCED,
         IDC_ADV_DUPLEX_FAX,
         {TEXT("Ei"), ShownText(L"Pitkä reuna"), TEXT("Lyhyt reuna")}},
        {IDD_ADVANCED,
         IDC_ADV_LANGUAGE,
         {TEXT("English"), TEXT("Francais"), TEXT("Espanol"), TEXT("Portugues"), TEXT("Deutsch"),
          TEXT("Italiano"), TEXT("Nederlands"), TEXT("Dansk"), TEXT("Svenska"), TEXT("Suomi"),
          TEXT("Norsk")}},
        {IDD_ADVANCED,
         IDC_ADV_IMAGE_QUALITY,
         {TEXT("Normaali"), TEXT("Tekstin parannus"), TEXT("Kuvan parannus")}},
    };
    PageHost host;
    for (int templateId : {IDD_SETTINGS, IDD_ADVANCED}) {
        ExchangeDialog page(templateId);
        ASSERT_TRUE(page.Create(host.get()));
        for (const auto& list : lists) {
            if (list.templateId != templateId) continue;
            EXPECT_EQ(ComboItems(page.Item(list.control)), list.items) << "list " << list.control;
        }
        page.Destroy();
    }
}

template <std::size_t Count>
std::vector<tstring> Items(const char* const (&items)[Count]) {
    std::vector<tstring> wide;
    for (const char* item : items) wide.push_back(TextFromUtf8(item));
    return wide;
}

std::vector<tstring> Items(NumberRange range) {
    std::vector<tstring> wide;
    for (int n = range.lowest; n <= range.highest; ++n) wide.push_back(ToTString(n));
    return wide;
}

// The templates' lists are the pages' side of the field table that the companion reads too:
// an item changed in one place only would make the two name a device byte differently.
TEST(DialogLists, EveryTemplateListHoldsTheFieldTableItems) {
    const struct {
        int templateId;
        int control;
        std::vector<tstring> items;
    } lists[] = {
        {IDD_SETTINGS, IDC_SET_TRAY_PAPER_SIZE, Items(kPaperSizeItems)},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_SIZE, Items(kPaperSizeItems)},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_TYPE, Items(kPaperTypeItems)},
        {IDD_SETTINGS, IDC_SET_POWER_SAVE_MINUTES, Items(kPowerSaveMinuteItems)},
        {IDD_SETTINGS, IDC_SET_SEND_CONFIRMATION, Items(kSendConfirmationItems)},
        {IDD_SETTINGS, IDC_SET_REMOTE_RECEIVE_CODE, Items(kRemoteReceiveCodeItems)},
        {IDD_SETTINGS, IDC_SET_CLOCK_FORMAT, Items(kClockFormatItems)},
        {IDD_ADVANCED, IDC_ADV_RECEIVE_MODE, Items(kReceiveModeItems)},
        {IDD_ADVANCED, IDC_ADV_SPEAKER_MODE, Items(kSpeakerModeItems)},
        {IDD_ADVANCED, IDC_ADV_RING_VOLUME, Items(kRingVolumeRange)},
        {IDD_ADVANCED, IDC_ADV_USB_MODE, Items(kUsbModeItems)},
        {IDD_ADVANCED, IDC_ADV_DUPLEX_FAX, Items(kDuplexFaxItems)},
        {IDD_ADVANCED, IDC_ADV_LANGUAGE, Items(kLanguageItems)},
        {IDD_ADVANCED, IDC_ADV_IMAGE_QUALITY, Items(kImageQualityItems)},
    };
    PageHost host;
    for (int templateId : {IDD_SETTINGS, IDD_ADVANCED}) {
        ExchangeDialog page(templateId);
        ASSERT_TRUE(page.Create(host.get()));
        std::vector<int> combos;
        for (HWND child = ::GetWindow(page.hwnd(), GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            TCHAR className[32] = {};
            ::GetClassName(child, className, static_cast<int>(std::size(className)));
            if (_tcsicmp(className, TEXT("ComboBox")) == 0) combos.push_back(::GetDlgCtrlID(child));
        }
        for (int control : combos) {
            const auto list = std::find_if(std::begin(lists), std::end(lists), [&](const auto& l) {
                return l.templateId == templateId && l.control == control;
            });
            ASSERT_NE(list, std::end(lists)) << "list " << control << " is not in the table";
            EXPECT_EQ(ComboItems(page.Item(control)), list->items) << "list " << control;
        }
        EXPECT_EQ(combos.size(), static_cast<std::size_t>(std::count_if(
                                     std::begin(lists), std::end(lists),
                                     [&](const auto& l) { return l.templateId == templateId; })));
        page.Destroy();
    }
}

TEST(DialogLists, TemplatesWithoutListsLoadNothingAndListsAreNotLoadedTwice) {
    PageHost host;
    ExchangeDialog info(IDD_INFO);
    ASSERT_TRUE(info.Create(host.get()));
    EXPECT_EQ(LoadDialogLists(info.hwnd(), IDD_INFO), 0);
    info.Destroy();

    ExchangeDialog settings(IDD_SETTINGS);
    ASSERT_TRUE(settings.Create(host.get()));
    EXPECT_EQ(ComboItems(settings.Item(IDC_SET_CLOCK_FORMAT)).size(), 2u);
    settings.Destroy();
}

}  // namespace
}  // namespace pd
