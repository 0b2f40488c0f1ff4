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
#include "controls/Handles.h"
#include "controls/Strings.h"
#include "controls/Win32Ui.h"
#include "protocol/FieldRules.h"
#include "resources/resource.h"
#include "support/UiTest.h"

namespace pd {
namespace {

// A page template made as a child of a plain window, with its values exchanged by the test.
class PageHost {
public:
    PageHost() {
        parent_ = ::CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 600,
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

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

TEST(DialogLists, EveryDropDownListGetsItsTemplateItemsInOrder) {
    using Items = std::vector<std::wstring>;
    const struct {
        int templateId;
        int control;
        Items items;
    } lists[] = {
        {IDD_SETTINGS, IDC_SET_TRAY_PAPER_SIZE, {L"Letter", L"A4", L"Legal"}},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_SIZE, {L"Letter", L"A4", L"Legal"}},
        {IDD_SETTINGS, IDC_SET_BYPASS_PAPER_TYPE,
         {L"Tavallinen", L"Bond", L"Kalvo", L"Kartonki", L"Tarrat", L"Esipainettu",
          L"Värillinen", L"Kirjekuori"}},
        {IDD_SETTINGS, IDC_SET_POWER_SAVE_MINUTES, {L"5", L"10", L"15", L"30", L"45"}},
        {IDD_SETTINGS, IDC_SET_SEND_CONFIRMATION, {L"Ei", L"On", L"Kun virhe"}},
        {IDD_SETTINGS, IDC_SET_REMOTE_RECEIVE_CODE,
         {L"*0*", L"*1*", L"*2*", L"*3*", L"*4*", L"*5*", L"*6*", L"*7*", L"*8*", L"*9*"}},
        {IDD_SETTINGS, IDC_SET_CLOCK_FORMAT, {L"12 t", L"24 t"}},
        {IDD_ADVANCED, IDC_ADV_RECEIVE_MODE, {L"PUH", L"FAKSI", L"PUH/FAKSI", L"VAST/FAKSI"}},
        {IDD_ADVANCED, IDC_ADV_SPEAKER_MODE, {L"Ei", L"On", L"YHTEYS"}},
        {IDD_ADVANCED, IDC_ADV_RING_VOLUME,
         {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"}},
        {IDD_ADVANCED, IDC_ADV_USB_MODE, {L"Hidas", L"Nopea"}},
        {IDD_ADVANCED, IDC_ADV_DUPLEX_FAX, {L"Ei", L"Pitkä reuna", L"Lyhyt reuna"}},
        {IDD_ADVANCED, IDC_ADV_LANGUAGE,
         {L"English", L"Francais", L"Espanol", L"Portugues", L"Deutsch", L"Italiano",
          L"Nederlands", L"Dansk", L"Svenska", L"Suomi", L"Norsk"}},
        {IDD_ADVANCED, IDC_ADV_IMAGE_QUALITY,
         {L"Normaali", L"Tekstin parannus", L"Kuvan parannus"}},
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

std::wstring FromUtf8(const char* text) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

template <std::size_t Count>
std::vector<std::wstring> Items(const char* const (&items)[Count]) {
    std::vector<std::wstring> wide;
    for (const char* item : items) wide.push_back(FromUtf8(item));
    return wide;
}

std::vector<std::wstring> Items(NumberRange range) {
    std::vector<std::wstring> wide;
    for (int n = range.lowest; n <= range.highest; ++n) wide.push_back(std::to_wstring(n));
    return wide;
}

// The templates' lists are the pages' side of the field table that the companion reads too:
// an item changed in one place only would make the two name a device byte differently.
TEST(DialogLists, EveryTemplateListHoldsTheFieldTableItems) {
    const struct {
        int templateId;
        int control;
        std::vector<std::wstring> items;
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
            wchar_t className[32] = {};
            ::GetClassNameW(child, className, static_cast<int>(std::size(className)));
            if (_wcsicmp(className, L"ComboBox") == 0) combos.push_back(::GetDlgCtrlID(child));
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
    LRESULT Checked(int id) { return ::SendMessageW(page.Item(id), BM_GETCHECK, 0, 0); }
    LRESULT Selected(int id) { return ::SendMessageW(page.Item(id), CB_GETCURSEL, 0, 0); }

    PageHost host;
    ExchangeDialog page{IDD_SETTINGS};
};

TEST_F(Exchange, ComboPositionShowsAndTakesTheSelectedPosition) {
    int value = 4;
    page.exchange = [&](DataExchange& dx) { dx.ComboPosition(IDC_SET_POWER_SAVE_MINUTES, value); };
    page.UpdateData(false);
    EXPECT_EQ(Selected(IDC_SET_POWER_SAVE_MINUTES), 4);

    ::SendMessageW(page.Item(IDC_SET_POWER_SAVE_MINUTES), CB_SETCURSEL, 1, 0);
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

    ::SendMessageW(page.Item(IDC_SET_POWER_SAVE_ON), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(page.Item(IDC_SET_POWER_SAVE_OFF), BM_SETCHECK, BST_CHECKED, 0);
    page.UpdateData(true);
    EXPECT_EQ(value, 0);

    ::SendMessageW(page.Item(IDC_SET_POWER_SAVE_OFF), BM_SETCHECK, BST_UNCHECKED, 0);
    page.UpdateData(true);
    EXPECT_EQ(value, -1) << "no button checked";
}

TEST(ExchangeRadio, AHiddenFirstButtonStillCountsInTheGroup) {
    PageHost host;
    ExchangeDialog page(IDD_PHONEBOOK);
    ASSERT_TRUE(page.Create(host.get()));
    EXPECT_FALSE(::GetWindowLongW(page.Item(IDC_PB_ONE_TOUCH), GWL_STYLE) & WS_VISIBLE);
    int section = 1;
    page.exchange = [&](DataExchange& dx) { dx.Radio(IDC_PB_ONE_TOUCH, section); };
    page.UpdateData(false);
    EXPECT_EQ(::SendMessageW(page.Item(IDC_PB_SPEED_DIAL), BM_GETCHECK, 0, 0), BST_CHECKED);
    page.Destroy();
}

TEST_F(Exchange, TextGoesBothWays) {
    std::wstring text = L"12";
    page.exchange = [&](DataExchange& dx) { dx.Text(IDC_SET_DISCARD_LENGTH, text); };
    page.UpdateData(false);
    EXPECT_EQ(test::Text(page.Item(IDC_SET_DISCARD_LENGTH)), L"12");
    ::SetWindowTextW(page.Item(IDC_SET_DISCARD_LENGTH), L"7ä");
    page.UpdateData(true);
    EXPECT_EQ(text, L"7ä");
}

TEST_F(Exchange, ChangesMadeByThePageItselfNeverReachItsHandlers) {
    std::wstring text = L"5";
    page.exchange = [&](DataExchange& dx) { dx.Text(IDC_SET_ANSWER_DELAY, text); };
    page.UpdateData(false);
    EXPECT_TRUE(page.changeNotices.empty()) << "filling the controls is not a user change";

    ::SetWindowTextW(page.Item(IDC_SET_ANSWER_DELAY), L"9");  // as a user's typing would
    EXPECT_EQ(page.changeNotices, std::vector<int>{IDC_SET_ANSWER_DELAY});
    EXPECT_FALSE(page.filling());
}

TEST_F(Exchange, AFailingHandlerDoesNotTakeTheDialogDown) {
    page.throwOnCommand = true;
    ::SetWindowTextW(page.Item(IDC_SET_ANSWER_DELAY), L"1");
    page.throwOnCommand = false;
    ::SetWindowTextW(page.Item(IDC_SET_ANSWER_DELAY), L"2");
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
            ::PostMessageW(hwnd(), WM_APP, 0, 0);
            ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
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
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
}

TEST(Handles, NullAndInvalidHandleValueAreBothEmpty) {
    EXPECT_FALSE(ScopedHandle());
    EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE));
    ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();

    ScopedHandle moved(std::move(event));
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
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Ohjelmat\\PanelDesk.exe", L"C:\\Ohjelmat\\PanelDesk.HLP"},
        {L"C:\\Veltra.1\\PanelDesk", L"C:\\Veltra.1\\PanelDesk.HLP"},
        {L"PanelDesk.tar.exe", L"PanelDesk.tar.HLP"},
        {L"PanelDesk", L"PanelDesk.HLP"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.path, L".HLP"), c.expected);
}

TEST(Strings, LoadsTextsByIdAndNothingForUnknownIds) {
    EXPECT_EQ(LoadResString(IDS_TITLE), L" Veltra Ostrex MF 40 PanelDesk - etäohjaustaulu");
    EXPECT_EQ(LoadResString(IDS_DATA_WRITTEN),
              L"Tiedot kirjoitettu. Älä sammuta laitetta, ennen kuin se on täysin alustettu.");
    EXPECT_EQ(LoadResString(3), L"");
}

TEST(Win32UiFilter, BarsBecomeTheZeroSeparatedListTheFileDialogsTake) {
    const std::wstring filter = FileDialogFilter(L"Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||");
    static const wchar_t kExpected[] = L"Phonebook Files(*.pbf)\0*.pbf\0All files (*.*)\0*.*\0";
    const std::wstring expected(kExpected, std::size(kExpected));  // with the closing zero
    EXPECT_EQ(filter.substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace pd
