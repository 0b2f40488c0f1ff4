// The dialog foundation's modal loop, on the program's real templates.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/Dialog.h"
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

}  // namespace
}  // namespace pd
