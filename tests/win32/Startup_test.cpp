// The run of the program from start-up to shutdown, on a virtual device and a scripted user.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/App.h"
#include "controls/Strings.h"
#include "resources/resource.h"
#include "support/UiTest.h"

namespace pd {
namespace {

using test::Machine;
using Kind = UiEvent::Kind;

constexpr const char* kReleaseLine = "OMF 40 RCP: Port Release - TRUE\n";

struct StartupRun : Machine {
    CPanelApp app{os, ui};
    int exitCode = -1;
    // Observed while the main window would be showing.
    bool sawMainWindow = false;
    int releasesWhileMainWindowOpen = -1;
    int phonebookSizeWhileOpen = -1;
    LinkKind linkWhileOpen = LinkKind::Usb;

    StartupRun() {
        ui.onModal = [this](CDialog& dialog, HWND) {
            sawMainWindow = dialog.templateId() == IDD_MAIN;
            releasesWhileMainWindowOpen = os.CountCalls("PortRelease");
            const PanelContext& running = app.context();
            phonebookSizeWhileOpen = running.phonebook ? running.phonebook->size() : -1;
            linkWhileOpen = running.link.state().linkIndex;
            return static_cast<INT_PTR>(IDOK);
        };
    }

    void Go() { exitCode = app.Run(); }

    std::vector<UiEvent> Boxes() const { return ui.EventsOf(Kind::MessageBox); }
    bool Released() const {
        const auto lines = os.DebugLines();
        return std::find(lines.begin(), lines.end(), kReleaseLine) != lines.end();
    }
};

void ExpectOwnerlessErrorBox(const UiEvent& box, UINT textId, UINT buttons) {
    EXPECT_EQ(box.owner, nullptr) << "boxes before the main window have no owner";
    EXPECT_EQ(box.text, LoadResString(textId));
    EXPECT_EQ(box.caption, LoadResString(IDS_TITLE));
    EXPECT_EQ(box.flags, buttons | MB_ICONERROR);
}

// A top-level window bearing the program's title, as a running first copy would have.
class FirstCopy {
public:
    FirstCopy() {
        window_ = ::CreateWindowEx(0, TEXT("STATIC"), LoadResString(IDS_TITLE).c_str(),
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                                   nullptr, nullptr, nullptr);
    }
    ~FirstCopy() { ::DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

TEST(Startup, DeviceAnsweringOverUsb_OpensMainWindowThenReleasesPort) {
    StartupRun run;
    run.Go();

    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::MainWindowClosed);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.sawMainWindow);
    EXPECT_TRUE(run.Boxes().empty());
    EXPECT_EQ(run.device.probeCount(), 1u) << "the first probe answered";
    EXPECT_EQ(run.linkWhileOpen, LinkKind::Usb);
    EXPECT_EQ(run.releasesWhileMainWindowOpen, 0) << "the port is held while the window runs";
    EXPECT_TRUE(run.Released());
}

TEST(Startup, PhonebookStorageLivesExactlyWhileTheMainWindowRuns) {
    StartupRun run;
    run.Go();
    EXPECT_EQ(run.phonebookSizeWhileOpen, kSpeedDialCount + kOneTouchCount);
    EXPECT_EQ(run.app.context().phonebook, nullptr) << "freed at shutdown";
}

TEST(Startup, DeviceDataStoreIsClearedBeforeTheDeviceIsReached) {
    StartupRun run;
    DeviceDataStore& store = run.app.context().store;
    store.speedDialCount = 3;
    store.oneTouchCount = 9;
    std::fill_n(reinterpret_cast<std::uint8_t*>(&store.system), sizeof store.system, 0xAB);
    run.Go();

    EXPECT_EQ(store.speedDialCount, kSpeedDialCount);
    EXPECT_EQ(store.oneTouchCount, kOneTouchCount);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&store.system);
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof store.system, [](auto b) { return b == 0; }));
}

TEST(Startup, SecondCopy_RestoresMinimisedFirstCopyAndEndsSilently) {
    FirstCopy first;
    ::ShowWindow(first.get(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(first.get()));

    StartupRun run;
    run.Go();

    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::OtherCopyActivated);
    EXPECT_FALSE(::IsIconic(first.get())) << "the first copy is restored";
    EXPECT_TRUE(run.ui.events().empty()) << "no box, no wait cursor, no main window";
    EXPECT_EQ(run.os.CountCalls("LoadLibrary"), 0) << "the port is never reserved";
    EXPECT_EQ(run.device.probeCount(), 0u);
}

TEST(Startup, SecondCopy_BringsVisibleFirstCopyForward) {
    FirstCopy first;
    HWND other = ::CreateWindowEx(0, TEXT("STATIC"), TEXT("another program"),
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);

    StartupRun run;
    run.Go();

    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::OtherCopyActivated);
    EXPECT_EQ(::GetForegroundWindow(), first.get());
    EXPECT_TRUE(run.ui.events().empty());
    ::DestroyWindow(other);
}

TEST(Startup, PortReservedElsewhere_ShowsPortBoxAndStillReleases) {
    StartupRun run;
    run.os.SetPortAcquireResult(0);
    run.Go();

    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::PortReserved);
    ASSERT_EQ(run.Boxes().size(), 1u);
    ExpectOwnerlessErrorBox(run.Boxes()[0], IDS_PORT_RESERVED, MB_OK);
    EXPECT_FALSE(run.sawMainWindow);
    EXPECT_EQ(run.device.probeCount(), 0u);
    EXPECT_EQ(run.os.CountCalls("PortRelease"), 1) << "the shutdown release reaches the library";
    EXPECT_EQ(run.os.CountCalls("FreeLibrary portgate.dll"), 1);
}

TEST(Startup, SilentDeviceOnWindows98_ProbesUsbTwiceThenLptTwiceBeforeAsking) {
    StartupRun run;
    run.os.SetVersion(kPlatformWin9x, 4, 10);
    run.device.faults.silent = true;
    std::size_t probesAtBox = 0;
    LinkKind linkAtBox = LinkKind::Usb;
    run.ui.onMessageBox = [&](const UiEvent&) {
        probesAtBox = run.device.probeCount();
        linkAtBox = run.app.context().link.state().linkIndex;
    };
    run.ui.AnswerMessageBox(IDABORT);
    run.Go();

    EXPECT_EQ(probesAtBox, 4u);
    EXPECT_EQ(linkAtBox, LinkKind::Lpt1);
    EXPECT_EQ(run.os.CountCalls("LoadLibrary usbnames.dll"), 1) << "the link is not reselected";
    ASSERT_EQ(run.Boxes().size(), 1u);
    ExpectOwnerlessErrorBox(run.Boxes()[0], IDS_NO_RESPONSE, MB_ABORTRETRYIGNORE);
    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::Aborted);
    EXPECT_FALSE(run.sawMainWindow);
    EXPECT_TRUE(run.Released());
}

TEST(Startup, SilentDeviceOnWindows2000WithoutUsbLibrary_ProbesEcpTwiceBeforeAsking) {
    StartupRun run;
    run.os.SetVersion(kPlatformNt, 5, 0);
    run.os.RemoveLibrary("usbpipe.dll");
    run.device.faults.silent = true;
    LinkKind linkAtBox = LinkKind::Usb;
    run.ui.onMessageBox = [&](const UiEvent&) {
        linkAtBox = run.app.context().link.state().linkIndex;
    };
    run.Go();  // an unanswered box answers Abort

    EXPECT_EQ(run.device.probeCount(), 2u);
    EXPECT_EQ(linkAtBox, LinkKind::Ecp1);
    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::Aborted);
}

TEST(Startup, ProbesRunUnderTheWaitCursorAndTheBoxShowsWithoutIt) {
    StartupRun run;
    run.device.faults.silent = true;
    int waitDepthAtBox = -1;
    run.ui.onMessageBox = [&](const UiEvent&) { waitDepthAtBox = run.ui.waitDepth(); };
    run.Go();

    EXPECT_EQ(waitDepthAtBox, 0);
    // USB pair, then the fallback's pair: each pair under its own wait cursor.
    std::vector<Kind> kinds;
    for (const UiEvent& event : run.ui.events()) kinds.push_back(event.kind);
    EXPECT_EQ(kinds, (std::vector<Kind>{Kind::WaitOn, Kind::WaitOff, Kind::WaitOn, Kind::WaitOff,
                                        Kind::MessageBox}));
}

TEST(Startup, RetryAfterPluggingIn_SelectsTheLinkAgainAndCanChooseUsb) {
    StartupRun run;
    run.device.faults.unplugged = true;  // the USB pipe does not open: ECP at once
    run.ui.onMessageBox = [&](const UiEvent&) { run.device.faults.unplugged = false; };
    run.ui.AnswerMessageBox(IDRETRY);
    run.Go();

    ASSERT_EQ(run.Boxes().size(), 1u);
    EXPECT_EQ(run.linkWhileOpen, LinkKind::Usb) << "the second selection found the pipe";
    EXPECT_EQ(run.os.CountCalls("GetControlPortName"), 2) << "the link was selected twice";
    EXPECT_EQ(run.os.CountCalls("LoadLibrary usbpipe.dll"), 1) << "the USB library stays loaded";
    EXPECT_TRUE(run.sawMainWindow);
    EXPECT_TRUE(run.Released());
}

TEST(Startup, RetryWhileStillSilent_AsksAgain) {
    StartupRun run;
    run.device.faults.silent = true;
    run.ui.AnswerMessageBox(IDRETRY);
    run.ui.AnswerMessageBox(IDABORT);
    run.Go();

    EXPECT_EQ(run.Boxes().size(), 2u);
    EXPECT_EQ(run.device.probeCount(), 8u) << "each selection: USB pair, then ECP pair";
    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::Aborted);
    EXPECT_TRUE(run.Released());
}

TEST(Startup, IgnoreOpensMainWindowWithoutConfirmedDevice) {
    StartupRun run;
    run.device.faults.silent = true;
    run.ui.AnswerMessageBox(IDIGNORE);
    run.Go();

    EXPECT_TRUE(run.sawMainWindow);
    EXPECT_EQ(run.linkWhileOpen, LinkKind::Ecp1);
    EXPECT_EQ(run.app.outcome(), CPanelApp::Outcome::MainWindowClosed);
    EXPECT_TRUE(run.Released());
}

TEST(Startup, ReleasesThePortOnEveryWayOut) {
    struct Case {
        const char* name;
        int acquireResult;
        bool silent;
        int answer;
        CPanelApp::Outcome outcome;
    };
    const Case cases[] = {
        {"main window closed", 1, false, 0, CPanelApp::Outcome::MainWindowClosed},
        {"abort", 1, true, IDABORT, CPanelApp::Outcome::Aborted},
        {"ignore", 1, true, IDIGNORE, CPanelApp::Outcome::MainWindowClosed},
        {"port reserved", 0, false, 0, CPanelApp::Outcome::PortReserved},
    };
    for (const Case& c : cases) {
        StartupRun run;
        run.os.SetPortAcquireResult(c.acquireResult);
        run.device.faults.silent = c.silent;
        if (c.answer != 0) run.ui.AnswerMessageBox(c.answer);
        run.Go();
        EXPECT_EQ(run.app.outcome(), c.outcome) << c.name;
        EXPECT_EQ(run.os.CountCalls("PortRelease 8"), 1) << c.name;
        EXPECT_EQ(run.os.CountCalls("FreeLibrary portgate.dll"), 1) << c.name;
    }
}

}  // namespace
}  // namespace pd
