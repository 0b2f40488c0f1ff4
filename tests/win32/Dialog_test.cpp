// The dialog foundation: template lists, data exchange, the filling rule, the modal loop and
// the handle owners, on the program's real templates.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/DataExchange.h"
#include "controls/Dialog.h"
#include "controls/DialogLists.h"
#include "controls/Strings.h"
#include "controls/Win32Ui.h"
#include "protocol/FieldRules.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

// A page template made as a child of a plain window, with its values exchanged by the test.
class PageHost {
public:
    PageHost() {
        parent_ = ::CreateWindowEx(0, TEXT("STATIC"), TEXT("host"), WS_OVERLAPPEDWINDOW, 0, 0, 700, 600,
                                    nullptr, nullptr, nullptr, nullptr);
    }
    ~PageHost() { ::DestroyWindow(parent_); }
    HWND get() const { return parent_; }

private:
    HWND parent_;
};

class ExchangeDialog : public CDialog {
public:
    using CDialog::CDialog;
    std::function<void(DataExchange&)> exchange;
    std::vector<int> changeNotices;  // ids whose change reached OnCommand
    bool throwOnCommand = false;

protected:
    void DoDataExchange(DataExchange& dx) override {
        if (exchange) exchange(dx);
    }
    bool OnCommand(int code, int id, HWND control) override {
        if (throwOnCommand) throw std::runtime_error("handler failed");
        if (code == EN_CHANGE) changeNotices.push_back(id);
        return CDialog::OnCommand(code, id, control);
    }
};

std::vector<tstring> ComboItems(HWND combo) {
    std::vector<tstring> items;
    const int count = static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCHAR text[64] = {};
        ::SendMessage(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

TEST(DialogLists, EveryDropDownListGetsItsTemplateItemsInOrder) {
    using Items = std::vector<tstring>;
    const struct {
        int templateId;
        int control;
        Items items;
    } lists[] = {
        {IDD_SETTINGS, IDC_SET_TRAY_PAPER_SIZE, {TEXT("Letter"), TEXT("A4"), TEXT("Legal")}},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_SIZE, {TEXT("Letter"), TEXT("A4"), TEXT("Legal")}},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_TYPE,
         {TEXT("Tavallinen"), TEXT("Bond"), TEXT("Kalvo"), TEXT("Kartonki"), TEXT("Tarrat"), TEXT("Esipainettu"),
          ShownText(L"Värillinen"), TEXT("Kirjekuori")}},
        {IDD_SETTINGS, IDC_SET_POWER_SAVE_MINUTES, {TEXT("5"), TEXT("10"), TEXT("15"), TEXT("30"), TEXT("45")}},
        {IDD_SETTINGS, IDC_SET_SEND_CONFIRMATION, {TEXT("Ei"), TEXT("On"), TEXT("Kun virhe")}},
        {IDD_SETTINGS, IDC_SET_REMOTE_RECEIVE_CODE,
         {TEXT("*0*"), TEXT("*1*"), TEXT("*2*"), TEXT("*3*"), TEXT("*4*"), TEXT("*5*"), TEXT("*6*"), TEXT("*7*"), TEXT("*8*"), TEXT("*9*")}},
        {IDD_SETTINGS, IDC_SET_CLOCK_FORMAT, {TEXT("12 t"), TEXT("24 t")}},
        {IDD_ADVANCED, IDC_ADV_RECEIVE_MODE, {TEXT("PUH"), TEXT("FAKSI"), TEXT("PUH/FAKSI"), TEXT("VAST/FAKSI")}},
        {IDD_ADVANCED, IDC_ADV_SPEAKER_MODE, {TEXT("Ei"), TEXT("On"), TEXT("YHTEYS")}},
        {IDD_ADVANCED, IDC_ADV_RING_VOLUME,
         {TEXT("0"), TEXT("1"), TEXT("2"), TEXT("3"), TEXT("4"), TEXT("5"), TEXT("6"), TEXT("7"), TEXT("8"), TEXT("9"), TEXT("10")}},
        {IDD_ADVANCED, IDC_ADV_USB_MODE, {TEXT("Hidas"), TEXT("Nopea")}},
        {IDD_ADVANCED, IDC_ADV_DUPLEX_FAX, {TEXT("Ei"), ShownText(L"Pitkä reuna"), TEXT("Lyhyt reuna")}},
        {IDD_ADVANCED, IDC_ADV_LANGUAGE,
         {TEXT("English"), TEXT("Francais"), TEXT("Espanol"), TEXT("Portugues"), TEXT("Deutsch"), TEXT("Italiano"),
          TEXT("Nederlands"), TEXT("Dansk"), TEXT("Svenska"), TEXT("Suomi"), TEXT("Norsk")}},
        {IDD_ADVANCED, IDC_ADV_IMAGE_QUALITY,
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
        page.exchange = [&](DataExchange& dx) { dx.ComboPosition(IDC_SET_POWER_SAVE_MINUTES, value); };
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

// A dialog that ends itself from inside its own modal loop.
class SelfEndingDialog : public CDialog {
public:
    explicit SelfEndingDialog(HWND owner) : CDialog(IDD_ABOUT), owner_(owner) {}
    bool ownerDisabledWhileRunning = false;
    int pretranslated = 0;
    bool quitInstead = false;

protected:
    bool OnInit() override {
        if (quitInstead) {
            ::PostQuitMessage(3);
        } else {
            ::PostMessage(hwnd(), WM_APP, 0, 0);
            ::PostMessage(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        return CDialog::OnInit();
    }
    bool PreTranslateMessage(MSG& message) override {
        if (message.message == WM_APP) ++pretranslated;
        return false;
    }
    bool OnCommand(int code, int id, HWND control) override {
        ownerDisabledWhileRunning = !::IsWindowEnabled(owner_);
        return CDialog::OnCommand(code, id, control);
    }

private:
    HWND owner_;
};

TEST(ModalLoop, RunsUntilEndDialogWithTheOwnerDisabledAndGivesItBack) {
    PageHost owner;
    ::ShowWindow(owner.get(), SW_SHOW);
    SelfEndingDialog dialog(owner.get());
    EXPECT_EQ(dialog.DoModal(owner.get()), IDCANCEL);
    EXPECT_TRUE(dialog.ownerDisabledWhileRunning);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_EQ(dialog.pretranslated, 1) << "the loop offers every message for pre-translation";
    EXPECT_EQ(dialog.hwnd(), nullptr) << "the window is gone";
}

TEST(ModalLoop, QuitRequestEndsTheLoopAndIsPassedOn) {
    PageHost owner;
    SelfEndingDialog dialog(owner.get());
    dialog.quitInstead = true;
    dialog.DoModal(owner.get());
    MSG message{};
    ASSERT_TRUE(::PeekMessage(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
}

TEST(Handles, NullAndInvalidHandleValueAreBothEmpty) {
    EXPECT_FALSE(OwnedHandle());
    EXPECT_FALSE(OwnedHandle(INVALID_HANDLE_VALUE));
    OwnedHandle event(::CreateEvent(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();

    OwnedHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    moved.Reset();
    EXPECT_EQ(::WaitForSingleObject(raw, 0), WAIT_FAILED) << "closed by Reset";
}

TEST(Handles, SelectGuardPutsThePreviousObjectBack) {
    test::Canvas canvas(2, 2);
    HGDIOBJ before = ::GetCurrentObject(canvas.dc(), OBJ_PEN);
    ScopedPen pen(::CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
    {
        SelectGuard selected(canvas.dc(), pen.get());
        EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_PEN), pen.get());
    }
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_PEN), before);
}

TEST(Strings, ReplaceExtensionSwapsOnlyTheFileNamesExtension) {
    const struct {
        const TCHAR* path;
        const TCHAR* expected;
    } cases[] = {
        {TEXT("C:\\Ohjelmat\\PanelDesk.exe"), TEXT("C:\\Ohjelmat\\PanelDesk.HLP")},
        {TEXT("C:\\Veltra.1\\PanelDesk"), TEXT("C:\\Veltra.1\\PanelDesk.HLP")},
        {TEXT("PanelDesk.tar.exe"), TEXT("PanelDesk.tar.HLP")},
        {TEXT("PanelDesk"), TEXT("PanelDesk.HLP")},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.path, TEXT(".HLP")), c.expected);
}

TEST(Strings, LoadsTextsByIdAndNothingForUnknownIds) {
    EXPECT_EQ(LoadResString(IDS_TITLE), ShownText(L" Veltra Ostrex MF 40 PanelDesk - etäohjaustaulu"));
    EXPECT_EQ(LoadResString(IDS_DATA_WRITTEN),
              ShownText(L"Tiedot kirjoitettu. Älä sammuta laitetta, ennen kuin se on täysin alustettu."));
    EXPECT_EQ(LoadResString(3), TEXT(""));
}

TEST(Win32UiFilter, BarsBecomeTheZeroSeparatedListTheFileDialogsTake) {
    const tstring filter = FileDialogFilter(TEXT("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||"));
    static const TCHAR kExpected[] = TEXT("Phonebook Files(*.pbf)\0*.pbf\0All files (*.*)\0*.*\0");
    const tstring expected(kExpected, std::size(kExpected));  // with the closing zero
    EXPECT_EQ(filter.substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace pd
