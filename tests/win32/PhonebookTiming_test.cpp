// How long the phonebook page's exchanges take with the real clock: the virtual device answers
// at once, so what is measured is the waits themselves and the work around them. It prints
// and asserts nothing; run it by hand:
//   win32_tests.exe --gtest_also_run_disabled_tests --gtest_filter=*PhonebookTiming*
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/MainDlg.h"
#include "phonebook/PhonebookPage.h"
#include "platform/ForwardingOs.h"
#include "protocol/PhonebookTransfer.h"
#include "resources/resource.h"
#include "support/UiTest.h"

namespace pd {
namespace {

// The fake machine with the real tick counter and real sleeps.
class RealClockOs : public ForwardingOs {
public:
    using ForwardingOs::ForwardingOs;

    std::uint32_t TickCount() override { return ::GetTickCount(); }
    void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
};

double Milliseconds(const std::function<void()>& action) {
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    action();
    ::QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

TEST(PhonebookTiming, DISABLED_PrintsTheRealTimesOfThePagesExchanges) {
    sim::VirtualDevice device;
    FakeOs fake(device);
    RealClockOs os(fake);
    FakeUi ui;
    PanelContext context(os);
    context.link.UseLink(LinkKind::Lpt1);
    context.AllocatePhonebook();
    for (int position = 0; position < 80; ++position) {
        context.phonebook->SetEntry(position, "ENTRY " + std::to_string(position),
                                    std::to_string(4000000 + position));
    }
    ASSERT_TRUE(WritePhonebook(context.link, *context.phonebook));  // a full device

    std::printf("%-44s %9s %9s\n", "exchange", "real ms", "waits ms");
    const auto report = [](const char* what, double ms, int waits) {
        std::printf("%-44s %9.1f %9d\n", what, ms, waits);
    };
    for (int run = 0; run < 3; ++run) {
        report("ReadPhonebook (core)",
               Milliseconds([&] { EXPECT_TRUE(ReadPhonebook(context.link, *context.phonebook)); }),
               1000 + 1000);
        report("WritePhonebook (core)",
               Milliseconds([&] { EXPECT_TRUE(WritePhonebook(context.link, *context.phonebook)); }),
               1000);
    }

    CMainDlg main(context, ui);
    ASSERT_TRUE(main.Create(nullptr));
    test::Pump(&main);
    report("first showing of the page (pause and read)", Milliseconds([&] {
               PropSheet_SetCurSel(main.sheet(), nullptr, 2);
               test::Pump(&main);
           }),
           1500 + 1000 + 1000);
    CPhonebook& page = *main.phonebookPage();
    for (int run = 0; run < 3; ++run) {
        report("read button (read, settle, refill)", Milliseconds([&] {
                   ::SendMessageW(page.Item(IDC_PB_READ), BM_CLICK, 0, 0);
               }),
               1000 + 1000 + 500);
        report("write button (write, settle)", Milliseconds([&] {
                   ::SendMessageW(page.Item(IDC_PB_WRITE), BM_CLICK, 0, 0);
               }),
               1000 + 500);
    }
    EXPECT_EQ(ui.Count(UiEvent::Kind::MessageBox), 0);
    main.Destroy();
}

}  // namespace
}  // namespace pd
