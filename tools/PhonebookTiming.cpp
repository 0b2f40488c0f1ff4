// How long the phonebook page's exchanges take with the real clock: the virtual device answers
// at once, so what is measured is the waits themselves and the work around them. It prints
// the times beside the waits each exchange takes on purpose, and judges none of them:
//
//   phonebook_timing
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
#include "tests/win32/support/UiTest.h"

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

// A failed exchange takes other waits than a good one: its line is marked.
void Check(bool exchanged) {
    if (!exchanged) std::printf("  the exchange below failed, so its time is not its own\n");
}

int Fail(const char* what) {
    std::printf("failed: %s\n", what);
    return 1;
}

int Run() {
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
    if (!WritePhonebook(context.link, *context.phonebook)) return Fail("filling the device");

    std::printf("%-44s %9s %9s\n", "exchange", "real ms", "waits ms");
    const auto report = [](const char* what, double ms, int waits) {
        std::printf("%-44s %9.1f %9d\n", what, ms, waits);
    };
    for (int run = 0; run < 3; ++run) {
        report("ReadPhonebook (core)",
               Milliseconds([&] { Check(ReadPhonebook(context.link, *context.phonebook)); }),
               1000 + 1000);
        report("WritePhonebook (core)",
               Milliseconds([&] { Check(WritePhonebook(context.link, *context.phonebook)); }),
               1000);
    }

    CMainDlg main(context, ui);
    if (!main.Create(nullptr)) return Fail("creating the main window");
    test::Pump(&main);
    report("first showing of the page (pause and read)", Milliseconds([&] {
               PropSheet_SetCurSel(main.sheet(), nullptr, 2);
               test::Pump(&main);
           }),
           1500 + 1000 + 1000);
    CPhonebook& page = *main.phonebookPage();
    for (int run = 0; run < 3; ++run) {
        report("read button (read, settle, refill)",
               Milliseconds([&] { ::SendMessage(page.Item(IDC_PB_READ), BM_CLICK, 0, 0); }),
               1000 + 1000 + 500);
        report("write button (write, settle)",
               Milliseconds([&] { ::SendMessage(page.Item(IDC_PB_WRITE), BM_CLICK, 0, 0); }),
               1000 + 500);
    }
    const int boxes = ui.Count(UiEvent::Kind::MessageBox);
    main.Destroy();
    // A box means an exchange failed, so its time is not the exchange's.
    if (boxes != 0) return Fail("the page showed a message box");
    return 0;
}

}  // namespace
}  // namespace pd

int main() { return pd::Run(); }
