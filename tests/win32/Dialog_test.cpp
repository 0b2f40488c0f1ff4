// The dialog foundation: the modal loop, the program's strings and the file dialogs' filter,
// on the program's real templates.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>

#include "controls/Dialog.h"
#include "controls/Strings.h"
#include "controls/Win32Ui.h"
#include "platform/WindowsPaths.h"
#include "resources/resource.h"
#include "support/DialogHost.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

using test::PageHost;

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
    EXPECT_EQ(LoadResString(IDS_TITLE),
              ShownText(L" Veltra Ostrex MF 40 PanelDesk - etäohjaustaulu"));
    EXPECT_EQ(
        LoadResString(IDS_DATA_WRITTEN),
        ShownText(L"Tiedot kirjoitettu. Älä sammuta laitetta, ennen kuin se on täysin alustettu."));
    EXPECT_EQ(LoadResString(3), TEXT(""));
}

TEST(Win32UiFilter, BarsBecomeTheZeroSeparatedListTheFileDialogsTake) {
    const tstring filter =
        FileDialogFilter(TEXT("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||"));
    static const TCHAR kExpected[] = TEXT("Phonebook Files(*.pbf)\0*.pbf\0All files (*.*)\0*.*\0");
    const tstring expected(kExpected, std::size(kExpected));  // with the closing zero
    EXPECT_EQ(filter.substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace pd
