// Times the Information, Settings and Advanced pages' exchanges with the real clock, next to
// the waits every exchange takes on purpose (refresh: 1000 ms inside the read and 500 after
// it; apply: 500 + 500 on the Settings page, 1000 + 500 on the Advanced page).
//
//   page_timing [--runs N]
//
// Each page is shown alone in a property sheet and its refresh and apply buttons are pressed
// N times (5 unless told), over three routes:
//   work    the virtual device in this process on the fake OS seam's virtual clock, so the
//           waits cost nothing: the real time is the page's and the protocol's own work;
//   memory  the same with the real tick counter, so the waits are real busy waits;
//   demo    the real OS seam, the stand-in usbpipe.dll from the demo folder and real pipes
//           to mf40sim.exe: the route the demo panel takes.
// It prints the fastest, median and slowest time of each exchange and the median's overhead
// beyond the waits. On a busy machine the busy waits themselves overshoot whenever the thread
// is not scheduled; the work route shows what the program adds of its own. A measuring tool,
// not a test: it judges no time.
#include <windows.h>
#include <commctrl.h>
#include <tchar.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/PropertyPage.h"
#include "pages/AdvancedPage.h"
#include "pages/InfoPage.h"
#include "pages/SettingsPage.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"
#include "testing/FakeOs.h"
#include "testing/FakeUi.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {
namespace {

// The virtual device in memory, but the waits spin on the real tick counter.
class RealClockFakeOs : public FakeOs {
public:
    using FakeOs::FakeOs;
    std::uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

// One page alone in a modeless property sheet; the page reads the device as the sheet opens.
class Sheet {
public:
    explicit Sheet(CPropertyPage& page) {
        HPROPSHEETPAGE pages[] = {page.CreatePage()};
        PROPSHEETHEADER header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
        header.pszCaption = TEXT("timing");
        header.nPages = 1;
        header.phpage = pages;
        window_ = reinterpret_cast<HWND>(PropertySheet(&header));
    }
    ~Sheet() {
        if (window_ != nullptr) DestroyWindow(window_);
    }
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;

private:
    HWND window_ = nullptr;
};

void Pump() {
    MSG message{};
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
}

struct Exchange {
    const char* page;
    const char* name;
    int button;
    double waitsMs;
};

constexpr Exchange kExchanges[] = {
    {"Information", "refresh", IDC_INFO_REFRESH, 1000 + 500},
    {"Settings", "refresh", IDC_SET_REFRESH, 1000 + 500},
    {"Settings", "apply", IDC_SET_APPLY, 500 + 500},
    {"Advanced", "refresh", IDC_ADV_REFRESH, 1000 + 500},
    {"Advanced", "apply", IDC_ADV_APPLY, 1000 + 500},
};

std::unique_ptr<CPropertyPage> MakePage(const char* name, PanelContext& context, Ui& ui) {
    const std::string page = name;
    if (page == "Information") return std::make_unique<CInfo>(context, ui);
    if (page == "Settings") return std::make_unique<CSettings>(context, ui);
    return std::make_unique<CAdvanced>(context, ui);
}

void PrintRow(const char* route, const char* page, const char* exchange, double waits,
              std::vector<double> times) {
    if (std::string(route) == "work") waits = 0;  // the virtual clock waits in no time
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%-7s %-12s %-14s %7.0f %9.1f %9.1f %9.1f %9.1f\n", route, page, exchange, waits,
                times.front(), median, times.back(), median - waits);
}

// Shows each page, times its first showing, then presses each of its buttons `runs` times.
// False when any exchange failed (the page would have shown "Ei vastaa").
bool MeasureRoute(const char* route, PanelContext& context, int runs) {
    FakeUi ui;
    const char* pages[] = {"Information", "Settings", "Advanced"};
    for (const char* name : pages) {
        std::unique_ptr<CPropertyPage> page = MakePage(name, context, ui);
        const double start = MillisecondsNow();
        Sheet sheet(*page);
        const double shown = MillisecondsNow() - start;
        Pump();
        PrintRow(route, name, "first showing", 1000 + 500, {shown});
        for (const Exchange& exchange : kExchanges) {
            if (std::string(exchange.page) != name) continue;
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                HWND button = GetDlgItem(page->hwnd(), exchange.button);
                const double pressed = MillisecondsNow();
                SendMessage(button, BM_CLICK, 0, 0);
                times.push_back(MillisecondsNow() - pressed);
                Pump();
            }
            PrintRow(route, name, exchange.name, exchange.waitsMs, times);
        }
    }
    const int boxes = ui.Count(UiEvent::Kind::MessageBox);
    if (boxes != 0) std::printf("%s: %d exchanges failed (\"Ei vastaa\")\n", route, boxes);
    return boxes == 0;
}

int Run(int runs) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::printf("%-7s %-12s %-14s %7s %9s %9s %9s %9s\n", "route", "page", "exchange", "waits",
                "fastest", "median", "slowest", "overhead");
    bool allAnswered = true;
    {
        sim::VirtualDevice device;
        FakeOs os(device);
        PanelContext context(os);
        context.link.UseLink(LinkKind::Ecp1);
        allAnswered = MeasureRoute("work", context, runs) && allAnswered;
    }
    {
        sim::VirtualDevice device;
        RealClockFakeOs os(device);
        PanelContext context(os);
        context.link.UseLink(LinkKind::Ecp1);
        allAnswered = MeasureRoute("memory", context, runs) && allAnswered;
    }
    {
        // The maker's libraries are found in the current folder: the demo's stand-ins.
        if (!SetCurrentDirectory(DemoFolder().c_str())) {
            std::printf("demo: no demo folder beside this program\n");
            return 1;
        }
        Simulator simulator;
        std::string error;
        if (!simulator.Start(TEXT(""), &error)) {
            std::printf("demo: the simulator did not start: %s\n", error.c_str());
            return 1;
        }
        Win32Os os;
        PanelContext context(os);
        context.link.DetectOsFamily();
        context.link.SelectLink();
        allAnswered = MeasureRoute("demo", context, runs) && allAnswered;
    }
    return allAnswered ? 0 : 1;
}

}  // namespace
}  // namespace pd::e2e

int _tmain(int argc, TCHAR** argv) {
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (pd::tstring(argv[i]) == TEXT("--runs")) runs = std::max(1, _ttoi(argv[i + 1]));
    }
    return pd::e2e::Run(runs);
}
