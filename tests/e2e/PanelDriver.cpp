// Drives PanelDesk.exe from the demo folder the way a user would, against the demo simulator,
// with the real clock:
//
//   panel_driver e2e
//       the end-to-end checks: the panel opens its window when the device answers, also when
//       Wine reports Windows 2000 or XP to it, reaching the device through usbpipe.dll; when
//       the device does not answer, it offers Abort/Retry/Ignore with "Ei vastaa" and ends on
//       Abort; reported Windows NT 4.0, it takes the ECP route without loading usbpipe.dll
//       and comes to the same box although the device would answer over USB;
//   panel_driver e2e-win95
//       reported Windows 95 and without the 9x USB library, the panel takes the port
//       registers, finds no device there (it cannot read the BIOS area that names them) and
//       offers Abort/Retry/Ignore, with nothing on any pipe; on Abort it gives the port back
//       and ends with code 0;
//   panel_driver e2e-help
//       the panel's help: reported Windows XP, F1, the Help button and the help menu's
//       contents command open the help viewer with the help's title and no error box, and
//       closing the panel closes the viewer;
//       reported Windows 7, which has no viewer for help files, F1 opens the help's HTML page
//       with the program the system keeps for such pages (here one that notes what it was
//       asked to open);
//   panel_driver wait-window [--desktop NAME] [--timeout SECONDS]
//       waits for the panel's main window (for the demo's screenshot): exit code 0 when it
//       appeared, 3 when one of the panel's message boxes appeared instead, 1 on time-out;
//   panel_driver close-window [--desktop NAME]
//       closes the panel as a user would: its window, or Abort or OK on its message box;
//   panel_driver wait-page INDEX [--desktop NAME] [--timeout SECONDS]
//       waits until the page INDEX (0 = the first tab) is shown and has done what showing it
//       does, such as reading the device (for the demo's pictures): exit code 0 when it has,
//       3 when that left one of the panel's message boxes up, 1 on time-out;
//   panel_driver wait-box CAPTION [--desktop NAME] [--timeout SECONDS]
//       waits until the panel shows a window with the caption CAPTION (the About box);
//   panel_driver window-rect [--desktop NAME]
//       prints WIDTHxHEIGHT+X+Y of the smallest rectangle around the panel's windows;
//   panel_driver wait-help [--desktop NAME] [--timeout SECONDS]
//       waits until the help viewer shows the panel's help and prints its window's rectangle
//       as WIDTHxHEIGHT+X+Y;
//   panel_driver no-answer PROGRAM
//       starts PROGRAM (an installed PanelDesk.exe, with no device and no simulator) from its
//       own folder and checks that it offers Abort/Retry/Ignore with "Ei vastaa" and ends on
//       Abort;
//   panel_driver note-opened NOTE PATH
//       writes PATH into the file NOTE (the e2e-help checks' stand-in for a browser).
//
// Everything it starts is ended before it returns, whatever happens.
#include <windows.h>
#include <commctrl.h>
#include <tchar.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"

namespace pd::e2e {
namespace {

// The panel's window title, which is also the caption of all its message boxes.
const tstring kPanelTitle = ShownText(L" Veltra Ostrex MF 40 PanelDesk - et\u00e4ohjaustaulu");
constexpr const TCHAR* kNoAnswerText = TEXT("Ei vastaa");

constexpr DWORD kPollMs = 100;
constexpr DWORD kWindowWithinMs = 30000;
// Link selection and four probes of 1.5 s each (two on USB, two on the fallback route).
constexpr DWORD kNoAnswerBoxWithinMs = 40000;
// The first page reads the fax settings as the window opens: a 1 s exchange and 0.5 s settle.
constexpr DWORD kFirstPageMs = 2500;
constexpr DWORD kExitWithinMs = 15000;

// The panel's own top-level windows: its main window (the one with the page tabs) and any
// message box bearing its caption.
struct PanelWindows {
    HWND main = nullptr;
    HWND box = nullptr;
    tstring boxText;
};

tstring TextOf(HWND window) {
    TCHAR text[512] = {};
    GetWindowText(window, text, static_cast<int>(std::size(text)));
    return text;
}

tstring ClassOf(HWND window) {
    TCHAR name[128] = {};
    GetClassName(window, name, static_cast<int>(std::size(name)));
    return name;
}

BOOL CALLBACK VisitWindow(HWND child, LPARAM context) {
    (*reinterpret_cast<const std::function<void(HWND)>*>(context))(child);
    return TRUE;
}

void ForEachChild(HWND parent, const std::function<void(HWND)>& visit) {
    EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

struct Search {
    DWORD processId;  // 0: any process
    PanelWindows found;
};

BOOL CALLBACK Inspect(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || TextOf(window) != kPanelTitle) return TRUE;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search.processId != 0 && owner != search.processId) return TRUE;

    bool hasTabs = false;
    tstring statics;
    ForEachChild(window, [&](HWND child) {
        const tstring name = ClassOf(child);
        if (name == TEXT("SysTabControl32")) hasTabs = true;
        if (name == TEXT("Static") && GetWindowTextLength(child) > 0) statics += TextOf(child);
    });
    if (hasTabs) {
        search.found.main = window;
    } else {
        search.found.box = window;
        search.found.boxText = statics;
    }
    return TRUE;
}

PanelWindows FindPanelWindows(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(Inspect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// --- The end-to-end checks --------------------------------------------------------------

class Checks {
public:
    void Pass(const std::string& what) { Report(true, what, ""); }
    void Fail(const std::string& what, const std::string& why) { Report(false, what, why); }
    int Finish() const {
        std::printf("%d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    void Report(bool ok, const std::string& what, const std::string& why) {
        std::printf("[%s] %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(), why.empty() ? "" : ": ",
                    why.c_str());
        std::fflush(stdout);
        (ok ? passed_ : failed_)++;
    }
    int passed_ = 0;
    int failed_ = 0;
};

// A panel already running would take over the one about to start.
bool NoPanelRunning(std::string* error) {
    if (!FindPanelWindows(0).main && !FindPanelWindows(0).box) return true;
    *error = "a panel is already running; it would take over the new one";
    return false;
}

// Starts `program` from its own folder, as its shortcut would.
bool StartInstalledPanel(ChildProcess& panel, const tstring& program, std::string* error) {
    if (!NoPanelRunning(error)) return false;
    const tstring folder = program.substr(0, program.find_last_of(TEXT("\\/")));
    return panel.Start(program, TEXT(""), folder, TEXT(""), error);
}

// The demo's panel, for the route under test.
bool StartDemoPanel(ChildProcess& panel, std::string* error) {
    return NoPanelRunning(error) && StartPanel(panel, error);
}

// Polls until `done` says so or the time is up; false on time-out.
bool PollFor(DWORD milliseconds, const std::function<bool()>& done) {
    for (DWORD waited = 0; waited < milliseconds; waited += kPollMs) {
        if (done()) return true;
        Sleep(kPollMs);
    }
    return done();
}

// "As Windows 2000: " for Wine's name of a Windows, nothing for Wine's own.
std::string AsWindows(const tstring& version) {
    return version.empty() ? "" : "as " + pd::Utf8FromText(version) + ": ";
}

bool HasLoaded(DWORD processId, const TCHAR* module, std::string* error) {
    const auto modules = LoadedModules(processId);
    if (!modules) {
        *error = "the panel's modules cannot be listed";
        return false;
    }
    return std::find(modules->begin(), modules->end(), module) != modules->end();
}

// `version`: the Windows that Wine reports to the panel (empty: Wine's own).
void CheckPanelOpensWhenDeviceAnswers(Checks& checks, const tstring& version) {
    const std::string as = AsWindows(version);
    const std::string what = as + "the panel opens its window when the device answers";
    std::optional<ReportedWindowsVersion> reported;
    if (!version.empty() && !reported.emplace(TEXT("PanelDesk.exe"), version).ok()) {
        checks.Fail(what, "Wine's Windows version for the panel cannot be set");
        return;
    }
    Simulator simulator;
    ChildProcess panel;
    std::string error;
    if (!simulator.Start(TEXT(""), &error) || !StartDemoPanel(panel, &error)) {
        checks.Fail(what, error);
        return;
    }

    PanelWindows windows;
    PollFor(kWindowWithinMs, [&] {
        windows = FindPanelWindows(panel.id());
        return windows.main || windows.box || !panel.running();
    });
    if (!windows.main) {
        checks.Fail(what, windows.box
                              ? "it showed \"" + pd::Utf8FromText(windows.boxText) + "\" instead"
                          : panel.running() ? "no window within the time-out"
                                            : "it ended without a window");
        return;
    }
    checks.Pass(what);

    const std::string usb = as + "the panel reaches the device through usbpipe.dll";
    if (HasLoaded(panel.id(), kUsbLibraryNt5, &error)) {
        checks.Pass(usb);
    } else {
        checks.Fail(usb, error.empty() ? "usbpipe.dll is not loaded" : error);
    }

    const std::string firstPage = as + "the panel reads its first page without an error box";
    Sleep(kFirstPageMs);
    windows = FindPanelWindows(panel.id());
    if (windows.box) {
        checks.Fail(firstPage, "it showed \"" + pd::Utf8FromText(windows.boxText) + "\"\n" +
                                   simulator.Output());
        PostMessage(windows.box, WM_COMMAND, IDOK, 0);
    } else {
        checks.Pass(firstPage);
    }

    const std::string closes = as + "the panel ends when its window is closed";
    PostMessage(windows.main, WM_CLOSE, 0, 0);
    if (panel.WaitForExit(kExitWithinMs)) {
        checks.Pass(closes);
    } else {
        checks.Fail(closes, "still running after the time-out");
    }
}

// The panel has just been started where no device answers: it must offer Abort, Retry and
// Ignore with "Ei vastaa", and Abort must end it without its window. `whileOffered` runs
// while the box waits for the answer.
void CheckAbortWhenNothingAnswers(Checks& checks, const std::string& what, ChildProcess& panel,
                                  const std::function<void()>& whileOffered = {}) {
    PanelWindows windows;
    PollFor(kNoAnswerBoxWithinMs, [&] {
        windows = FindPanelWindows(panel.id());
        return windows.main || windows.box || !panel.running();
    });
    const HWND abort = windows.box ? GetDlgItem(windows.box, IDABORT) : nullptr;
    if (windows.main || !windows.box || windows.boxText != kNoAnswerText || !abort ||
        !GetDlgItem(windows.box, IDRETRY) || !GetDlgItem(windows.box, IDIGNORE)) {
        checks.Fail(what, windows.main  ? "the main window opened"
                          : windows.box ? "the box said \"" + pd::Utf8FromText(windows.boxText) +
                                              "\" without all three choices"
                          : panel.running() ? "no box within the time-out"
                                            : "the panel ended without a box");
        return;
    }
    checks.Pass(what);
    if (whileOffered) whileOffered();

    const std::string ends = "Abort ends the panel without its window";
    PostMessage(windows.box, WM_COMMAND, MAKEWPARAM(IDABORT, BN_CLICKED),
                reinterpret_cast<LPARAM>(abort));
    bool windowOpened = false;
    const bool ended = PollFor(kExitWithinMs, [&] {
        windowOpened = windowOpened || FindPanelWindows(panel.id()).main != nullptr;
        return !panel.running();
    });
    if (ended && !windowOpened) {
        checks.Pass(ends);
    } else {
        checks.Fail(ends, windowOpened ? "the main window opened" : "still running");
    }
}

void CheckAbortWhenDeviceSilent(Checks& checks) {
    const std::string what = "a silent device gets Abort/Retry/Ignore with \"Ei vastaa\"";
    Simulator simulator;
    ChildProcess panel;
    std::string error;
    if (!simulator.Start(TEXT("--silent"), &error) || !StartDemoPanel(panel, &error)) {
        checks.Fail(what, error);
        return;
    }
    CheckAbortWhenNothingAnswers(checks, what, panel);
}

// A panel that Wine tells it runs on `version`, started from the folder of `route` beside a
// simulator that answers over USB only.
struct PanelAsWindows {
    explicit PanelAsWindows(const TCHAR* version) : reported(TEXT("PanelDesk.exe"), version) {}

    // False, with the reason, when the version cannot be set or a program cannot start.
    bool Start(Route route, std::string* error) {
        if (!reported.ok()) {
            *error = "Wine's Windows version for the panel cannot be set";
            return false;
        }
        tstring folder;
        return simulator.Start(TEXT(""), error) && PanelFolder(route, &folder, error) &&
               NoPanelRunning(error) &&
               panel.Start(folder + TEXT("\\PanelDesk.exe"), TEXT(""), folder, TEXT(""), error);
    }

    ReportedWindowsVersion reported;
    Simulator simulator;
    ChildProcess panel;
};

// Reported Windows NT 4.0, the panel's own version query leads it to the ECP route at once:
// no USB library is loaded and the device, which answers over USB only, is never heard from.
void CheckNt4TakesTheEcpRoute(Checks& checks) {
    const std::string what =
        "as nt40: the panel finds no device on the ECP route and offers Abort/Retry/Ignore";
    PanelAsWindows nt4(TEXT("nt40"));
    std::string error;
    if (!nt4.Start(TestedRoute().route, &error)) {
        checks.Fail(what, error);
        return;
    }
    ChildProcess& panel = nt4.panel;
    Simulator& simulator = nt4.simulator;
    const double started = MillisecondsNow();
    CheckAbortWhenNothingAnswers(checks, what, panel, [&] {
        std::printf("       (the box came %.1f s after the start)\n",
                    (MillisecondsNow() - started) / 1000.0);
        const std::string noUsb = "as nt40: the panel never loads usbpipe.dll";
        if (HasLoaded(panel.id(), kUsbLibraryNt5, &error) || !error.empty()) {
            checks.Fail(noUsb, error.empty() ? "usbpipe.dll is loaded" : error);
        } else {
            checks.Pass(noUsb);
        }
        // Every command the device hears shows in the simulator's output as a "<-" line.
        const std::string silent = "as nt40: nothing reaches the device over USB";
        const std::string heard = simulator.Output();
        if (heard.find("mf40sim: <-") == std::string::npos) {
            checks.Pass(silent);
        } else {
            checks.Fail(silent, "the simulator heard:\n" + heard);
        }
    });
}

// Reported Windows 95, the panel sends everything to the port registers. Under Wine, as on
// any Windows NT, the BIOS data area that names them cannot be read, so it finds no device: no
// USB library (Windows 95 has none) and not a byte on any pipe, although the device would
// answer there. It must survive the read, give the port back and end cleanly on Abort.
void CheckWin95TakesTheDirectRoute(Checks& checks) {
    const std::string what =
        "as win95: the panel finds no device on the port registers and offers Abort/Retry/Ignore";
    // The test port arbiter says what the panel asked of it, and answers no port.
    ScratchFolder scratch;
    const tstring arbiterLog = scratch.File(TEXT("port-arbiter.log"));
    SetEnvironmentVariable(TEXT("PD_PORT_ARBITER_LOG"), arbiterLog.c_str());
    SetEnvironmentVariable(TEXT("PD_EMULATED_PORT"), nullptr);
    PanelAsWindows win95(TEXT("win95"));
    std::string error;
    if (!win95.Start(Route::Direct, &error)) {
        checks.Fail(what, error);
        return;
    }
    ChildProcess& panel = win95.panel;
    Simulator& simulator = win95.simulator;
    CheckAbortWhenNothingAnswers(checks, what, panel, [&] {
        const std::string saw = "as win95: the panel sees platform 1, version 4.0";
        const std::string version =
            SeenVersionProblem(panel.id(), {VER_PLATFORM_WIN32_WINDOWS, 4, 0});
        if (version.empty()) {
            checks.Pass(saw);
        } else {
            checks.Fail(saw, version);
        }
        const std::string noUsb = "as win95: the panel loads no USB library";
        const bool usb = HasLoaded(panel.id(), kUsbLibraryNt5, &error) ||
                         HasLoaded(panel.id(), kUsbLibrary9x, &error);
        if (usb || !error.empty()) {
            checks.Fail(noUsb, error.empty() ? "a USB library is loaded" : error);
        } else {
            checks.Pass(noUsb);
        }
        // The simulator writes a line for every transfer on any of its pipes.
        const std::string silent = "as win95: nothing moves on any pipe";
        const std::string heard = simulator.Output();
        if (heard.find("<- ") == std::string::npos && heard.find("-> ") == std::string::npos) {
            checks.Pass(silent);
        } else {
            checks.Fail(silent, "the simulator heard:\n" + heard);
        }
    });
    if (panel.running()) return;  // Abort failed; said above

    const std::string clean = "as win95: the panel gives the port back and ends with code 0";
    const std::string asked = FileBytes(arbiterLog);
    const std::optional<DWORD> code = panel.ExitCode();
    if (asked == "acquire\r\nrelease\r\n" && code == 0u) {
        checks.Pass(clean);
    } else {
        checks.Fail(clean, "it asked the port arbiter for \"" + asked + "\" and ended with code " +
                               (code ? std::to_string(*code) : std::string("?")));
    }
}

// An installed panel has neither the simulator nor the stand-in libraries: with no device
// cabled it must come to the same box.
int RunNoAnswerCheck(const tstring& program) {
    Checks checks;
    const std::string what = "with no device, " + pd::Utf8FromText(program) +
                             " offers Abort/Retry/Ignore with \"Ei vastaa\"";
    ChildProcess panel;
    std::string error;
    if (StartInstalledPanel(panel, program, &error)) {
        CheckAbortWhenNothingAnswers(checks, what, panel);
    } else {
        checks.Fail(what, error);
    }
    return checks.Finish();
}

int RunChecks() {
    Checks checks;
    // Wine's own Windows, and the oldest two that the USB library serves.
    for (const TCHAR* version : {TEXT(""), TEXT("win2k"), TEXT("winxp")}) {
        CheckPanelOpensWhenDeviceAnswers(checks, version);
    }
    CheckAbortWhenDeviceSilent(checks);
    CheckNt4TakesTheEcpRoute(checks);
    return checks.Finish();
}

// --- The help ----------------------------------------------------------------------------------

// The help's title (help/PanelDesk.txt), which the help viewer shows in its caption.
const tstring kHelpTitle = TEXT("Veltra Ostrex MF 40 PanelDesk - ohje");
constexpr DWORD kHelpWithinMs = 20000;
constexpr int kHelpButton = 1042;
constexpr int kHelpContentsCommand = 32772;

struct HelpWindows {
    HWND viewer = nullptr;  // the help viewer's window showing the panel's help
    tstring boxes;          // the texts of every message box on the screen
};

HelpWindows FindHelpWindows() {
    HelpWindows found;
    const HWND panel = FindPanelWindows(0).main;  // a dialog too, but no box
    const std::function<void(HWND)> visit = [&](HWND window) {
        if (!IsWindowVisible(window) || window == panel) return;
        const tstring name = ClassOf(window);
        if (name == TEXT("MS_WINHELP") && TextOf(window).rfind(kHelpTitle, 0) == 0) {
            found.viewer = window;
        } else if (name == TEXT("#32770")) {
            found.boxes += TEXT("[") + TextOf(window) + TEXT("] ");
            ForEachChild(window, [&](HWND child) {
                if (ClassOf(child) == TEXT("Static")) found.boxes += TextOf(child) + TEXT(" ");
            });
        }
    };
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
    return found;
}

// "class: title" of every visible top-level window, for failure messages.
std::string ScreenWindows() {
    std::string list;
    const std::function<void(HWND)> visit = [&](HWND window) {
        if (IsWindowVisible(window)) {
            list += "\n       " + pd::Utf8FromText(ClassOf(window) + TEXT(": ") + TextOf(window));
        }
    };
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
    return list;
}

// Starts the simulator and the demo's panel and waits for the panel's window.
HWND OpenDemoPanel(Simulator& simulator, ChildProcess& panel, std::string* error) {
    if (!simulator.Start(TEXT(""), error) || !StartDemoPanel(panel, error)) return nullptr;
    PanelWindows windows;
    PollFor(kWindowWithinMs, [&] {
        windows = FindPanelWindows(panel.id());
        return windows.main || windows.box || !panel.running();
    });
    if (!windows.main) {
        *error = windows.box ? "it showed \"" + pd::Utf8FromText(windows.boxText) + "\""
                             : "no window within the time-out";
        return nullptr;
    }
    // The first page reads the device as the window opens; the keys wait for that.
    Sleep(kFirstPageMs);
    return windows.main;
}

// Ends the help viewer the panel started, with any box it shows, when a check is over:
// its windows must not meet the next check.
struct HelpViewerEnded {
    HelpViewerEnded() = default;
    HelpViewerEnded(const HelpViewerEnded&) = delete;
    HelpViewerEnded& operator=(const HelpViewerEnded&) = delete;
    ~HelpViewerEnded() {
        HWND viewer = nullptr;
        while ((viewer = FindWindowEx(nullptr, viewer, TEXT("MS_WINHELP"), nullptr)) != nullptr) {
            DWORD processId = 0;
            GetWindowThreadProcessId(viewer, &processId);
            const OwnedHandle process(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
            if (process && TerminateProcess(process.get(), 0)) {
                WaitForSingleObject(process.get(), kExitWithinMs);
            }
        }
    }
};

void PressF1(HWND window) {
    PostMessage(window, WM_KEYDOWN, VK_F1, 0x003B0001);
    PostMessage(window, WM_KEYUP, VK_F1, 0xC03B0001);
}

// Waits for the viewer with the help; fails `what` unless it came without any message box.
bool CheckViewerShowsTheHelp(Checks& checks, const std::string& what) {
    HelpWindows help;
    PollFor(kHelpWithinMs, [&] {
        help = FindHelpWindows();
        return help.viewer || !help.boxes.empty();
    });
    if (help.viewer && help.boxes.empty()) {
        checks.Pass(what);
        return true;
    }
    checks.Fail(what, help.viewer ? "with a message box: " + pd::Utf8FromText(help.boxes)
                      : help.boxes.empty()
                          ? "no help viewer within the time-out; the "
                            "windows:" +
                                ScreenWindows()
                          : "a message box instead: " + pd::Utf8FromText(help.boxes));
    return false;
}

void CheckHelpFileOpensUpToXp(Checks& checks) {
    const std::string what = "as winxp: F1 opens the help viewer with the help's title";
    ReportedWindowsVersion xp(TEXT("PanelDesk.exe"), TEXT("winxp"));
    HelpViewerEnded afterwards;
    Simulator simulator;
    ChildProcess panel;
    std::string error;
    const HWND main = xp.ok() ? OpenDemoPanel(simulator, panel, &error) : nullptr;
    if (!main) {
        checks.Fail(what, xp.ok() ? error : "Wine's Windows version for the panel cannot be set");
        return;
    }
    PressF1(main);
    if (!CheckViewerShowsTheHelp(checks, what)) return;

    // The other two ways, each after the viewer was closed.
    const struct {
        const char* what;
        int command;
        HWND control;
    } ways[] = {
        {"as winxp: the Help button opens it again", kHelpButton, GetDlgItem(main, kHelpButton)},
        {"as winxp: so does the help menu's contents command", kHelpContentsCommand, nullptr}};
    for (const auto& way : ways) {
        // The next request must find no viewer at all: a viewer that has hidden its window
        // but not yet ended would still take it, and end without showing it.
        const HWND viewer = FindHelpWindows().viewer;
        DWORD processId = 0;
        GetWindowThreadProcessId(viewer, &processId);
        const OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        PostMessage(viewer, WM_CLOSE, 0, 0);
        if (process) WaitForSingleObject(process.get(), kHelpWithinMs);
        PollFor(kHelpWithinMs, [] { return FindHelpWindows().viewer == nullptr; });
        PostMessage(main, WM_COMMAND, MAKEWPARAM(way.command, BN_CLICKED),
                    reinterpret_cast<LPARAM>(way.control));
        if (!CheckViewerShowsTheHelp(checks, way.what)) return;
    }

    const std::string closes = "as winxp: closing the panel closes its help";
    PostMessage(main, WM_CLOSE, 0, 0);
    const bool ended = panel.WaitForExit(kExitWithinMs);
    if (ended && PollFor(kHelpWithinMs, [] { return FindHelpWindows().viewer == nullptr; })) {
        checks.Pass(closes);
    } else {
        checks.Fail(closes, ended ? "the help viewer stays" : "the panel is still running");
    }
}

// While it lives, the system opens HTML pages (".htm") with this program's note-opened,
// which writes the page's path into `note`. Wine keeps the file kinds of all users in the
// machine's part of the registry; the kind's earlier program comes back afterwards.
class HtmlPagesNoted {
public:
    explicit HtmlPagesNoted(const tstring& note) {
        TCHAR self[MAX_PATH] = {};
        GetModuleFileName(nullptr, self, MAX_PATH);
        HKEY kind = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kKind, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &kind,
                           &disposition) != ERROR_SUCCESS) {
            return;
        }
        madeKind_ = disposition == REG_CREATED_NEW_KEY;
        TCHAR before[256] = {};
        DWORD size = sizeof before - sizeof(TCHAR);
        hadProgram_ = RegQueryValueEx(kind, nullptr, nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(before), &size) == ERROR_SUCCESS;
        program_ = before;
        const tstring command =
            TEXT("\"") + tstring(self) + TEXT("\" note-opened \"") + note + TEXT("\" \"%1\"");
        ok_ = SetDefault(kind, kProgram) && SetKeyDefault(kCommandKey, command);
        RegCloseKey(kind);
    }
    HtmlPagesNoted(const HtmlPagesNoted&) = delete;
    HtmlPagesNoted& operator=(const HtmlPagesNoted&) = delete;
    ~HtmlPagesNoted() {
        HKEY kind = nullptr;
        if (madeKind_) {
            RegDeleteKey(HKEY_LOCAL_MACHINE, kKind);
        } else if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKind, 0, KEY_SET_VALUE, &kind) ==
                   ERROR_SUCCESS) {
            if (hadProgram_) {
                SetDefault(kind, program_);
            } else {
                RegDeleteValue(kind, nullptr);
            }
            RegCloseKey(kind);
        }
        // The program's keys, innermost first.
        tstring key = kCommandKey;
        while (key.size() > std::size(kClasses) - 1) {
            RegDeleteKey(HKEY_LOCAL_MACHINE, key.c_str());
            key.erase(key.find_last_of(TEXT('\\')));
        }
    }
    bool ok() const { return ok_; }

private:
    static constexpr TCHAR kClasses[] = TEXT("Software\\Classes");
    static constexpr const TCHAR* kKind = TEXT("Software\\Classes\\.htm");
    static constexpr const TCHAR* kProgram = TEXT("PanelDeskHelpCheck");
    static constexpr const TCHAR* kCommandKey =
        TEXT("Software\\Classes\\PanelDeskHelpCheck\\shell\\open\\command");

    static bool SetDefault(HKEY key, const tstring& value) {
        return RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(TCHAR))) ==
               ERROR_SUCCESS;
    }
    static bool SetKeyDefault(const TCHAR* path, const tstring& value) {
        HKEY key = nullptr;
        if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                           nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const bool set = SetDefault(key, value);
        RegCloseKey(key);
        return set;
    }

    bool ok_ = false;
    bool madeKind_ = false;
    bool hadProgram_ = false;
    tstring program_;
};

void CheckHtmlPageOpensFromVistaOn(Checks& checks) {
    const std::string what = "as win7: F1 opens the help's HTML page beside the panel";
    ScratchFolder scratch;
    const tstring note = scratch.File(TEXT("opened.txt"));
    ReportedWindowsVersion seven(TEXT("PanelDesk.exe"), TEXT("win7"));
    HtmlPagesNoted pages(note);
    HelpViewerEnded afterwards;
    Simulator simulator;
    ChildProcess panel;
    std::string error;
    if (!seven.ok() || !pages.ok()) {
        checks.Fail(what, "the Windows version or the program for HTML pages cannot be set");
        return;
    }
    const HWND main = OpenDemoPanel(simulator, panel, &error);
    if (!main) {
        checks.Fail(what, error);
        return;
    }
    PressF1(main);
    std::string opened;
    PollFor(kHelpWithinMs, [&] {
        opened = FileBytes(note);
        return !opened.empty();
    });
    const tstring page = DemoFolder() + TEXT("\\PanelDesk.htm");
    const tstring openedPage = pd::TextFromUtf8(opened);
    if (lstrcmpi(openedPage.c_str(), page.c_str()) == 0 &&
        GetFileAttributes(openedPage.c_str()) != INVALID_FILE_ATTRIBUTES) {
        checks.Pass(what);
    } else {
        checks.Fail(what, opened.empty() ? "nothing was opened" : "it opened " + opened);
    }
    const std::string noViewer = "as win7: no help viewer and no message box";
    const HelpWindows help = FindHelpWindows();
    const PanelWindows windows = FindPanelWindows(panel.id());
    if (!help.viewer && help.boxes.empty() && !windows.box) {
        checks.Pass(noViewer);
    } else {
        checks.Fail(noViewer, help.viewer ? "a help viewer opened"
                                          : "a box: " + pd::Utf8FromText(help.boxes));
    }
    PostMessage(main, WM_CLOSE, 0, 0);
    panel.WaitForExit(kExitWithinMs);
}

int NoteOpened(const tstring& note, const tstring& path) {
    return PutFileBytes(note, pd::Utf8FromText(path)) ? 0 : 1;
}

// --- Waiting for the window, for the demo ----------------------------------------------------

constexpr int kWindowAppeared = 0;
constexpr int kTimedOut = 1;
constexpr int kUsage = 2;
constexpr int kBoxAppeared = 3;

// The panel's windows on the named desktop (the current one when the name is empty); the
// desktop itself may not exist yet. Windows of another desktop show as hidden to a thread
// outside it, so this thread moves there first.
PanelWindows FindOnDesktop(const tstring& desktopName) {
    static HDESK joined = nullptr;  // kept for the life of the process, as the thread uses it
    if (!desktopName.empty() && joined == nullptr) {
        const HDESK desktop =
            OpenDesktop(desktopName.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
        if (desktop == nullptr) return {};
        if (!SetThreadDesktop(desktop)) {
            CloseDesktop(desktop);
            return {};
        }
        joined = desktop;
    }
    return FindPanelWindows(0);
}

int WaitForWindow(const tstring& desktopName, DWORD milliseconds) {
    PanelWindows windows;
    PollFor(milliseconds, [&] {
        windows = FindOnDesktop(desktopName);
        return windows.main || windows.box;
    });
    if (windows.main) {
        std::printf("the panel's window is open\n");
        return kWindowAppeared;
    }
    if (windows.box) {
        std::printf("the panel shows a message box instead of its window: \"%s\"\n",
                    pd::Utf8FromText(windows.boxText).c_str());
        return kBoxAppeared;
    }
    std::printf("the panel's window did not appear\n");
    return kTimedOut;
}

// The panel's thread does its device exchanges between its messages, so a message it answers
// after the page has changed is answered only once the page's exchange is over.
bool WaitUntilAnswering(HWND window, DWORD milliseconds) {
    DWORD_PTR result = 0;
    return SendMessageTimeout(window, WM_NULL, 0, 0, SMTO_NORMAL, milliseconds, &result) != 0;
}

int WaitForPage(const tstring& desktopName, int index, DWORD milliseconds) {
    HWND tabs = nullptr;
    HWND main = nullptr;
    const bool shown = PollFor(milliseconds, [&] {
        main = FindOnDesktop(desktopName).main;
        tabs = nullptr;
        if (main) {
            ForEachChild(main, [&](HWND child) {
                if (ClassOf(child) == TEXT("SysTabControl32")) tabs = child;
            });
        }
        DWORD_PTR selected = 0;
        return tabs &&
               SendMessageTimeout(tabs, TCM_GETCURSEL, 0, 0, SMTO_NORMAL, milliseconds,
                                  &selected) != 0 &&
               static_cast<int>(selected) == index;
    });
    if (!shown || !WaitUntilAnswering(main, milliseconds)) {
        std::printf("page %d was not shown in time\n", index);
        return kTimedOut;
    }
    // Showing it went wrong when it left one of the panel's boxes up ("Ei vastaa").
    if (FindOnDesktop(desktopName).box) {
        std::printf("page %d showed a message box\n", index);
        return kBoxAppeared;
    }
    return kWindowAppeared;
}

// The visible top-level windows of the process that owns the panel's main window.
std::vector<HWND> PanelProcessWindows(const tstring& desktopName) {
    const PanelWindows panel = FindOnDesktop(desktopName);
    const HWND any = panel.main ? panel.main : panel.box;
    std::vector<HWND> found;
    if (any == nullptr) return found;
    DWORD processId = 0;
    GetWindowThreadProcessId(any, &processId);
    const std::function<void(HWND)> visit = [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) found.push_back(window);
    };
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
    return found;
}

int WaitForBox(const tstring& desktopName, const tstring& caption, DWORD milliseconds) {
    HWND box = nullptr;
    PollFor(milliseconds, [&] {
        for (HWND window : PanelProcessWindows(desktopName)) {
            if (TextOf(window) == caption) box = window;
        }
        return box != nullptr;
    });
    if (box == nullptr || !WaitUntilAnswering(box, milliseconds)) {
        std::printf("no window \"%s\" appeared in time\n", pd::Utf8FromText(caption).c_str());
        return kTimedOut;
    }
    return kWindowAppeared;
}

int PrintWindowRect(const tstring& desktopName) {
    RECT all{};
    for (HWND window : PanelProcessWindows(desktopName)) {
        RECT one{};
        GetWindowRect(window, &one);
        UnionRect(&all, &all, &one);
    }
    if (IsRectEmpty(&all)) {
        std::printf("the panel has no window\n");
        return kTimedOut;
    }
    std::printf("%ldx%ld+%ld+%ld\n", all.right - all.left, all.bottom - all.top, all.left, all.top);
    return kWindowAppeared;
}

int WaitForHelp(const tstring& desktopName, DWORD milliseconds) {
    HWND viewer = nullptr;
    PollFor(milliseconds, [&] {
        FindOnDesktop(desktopName);  // joins the desktop, whose windows the search then sees
        viewer = FindHelpWindows().viewer;
        return viewer != nullptr;
    });
    if (viewer == nullptr || !WaitUntilAnswering(viewer, milliseconds)) {
        std::printf("the help viewer did not show the help in time\n");
        return kTimedOut;
    }
    RECT rect{};
    GetWindowRect(viewer, &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
                rect.top);
    return kWindowAppeared;
}

int ClosePanel(const tstring& desktopName) {
    const PanelWindows windows = FindOnDesktop(desktopName);
    if (windows.box) {
        const int answer = GetDlgItem(windows.box, IDABORT) ? IDABORT : IDOK;
        PostMessage(windows.box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(windows.box, answer)));
    }
    if (windows.main) PostMessage(windows.main, WM_CLOSE, 0, 0);
    return windows.main || windows.box ? 0 : kTimedOut;
}

int Usage() {
    std::fputs(
        "usage: panel_driver e2e\n"
        "       panel_driver e2e-win95\n"
        "       panel_driver wait-window [--desktop NAME] [--timeout SECONDS]\n"
        "       panel_driver close-window [--desktop NAME]\n"
        "       panel_driver wait-page INDEX [--desktop NAME] [--timeout SECONDS]\n"
        "       panel_driver wait-box CAPTION [--desktop NAME] [--timeout SECONDS]\n"
        "       panel_driver window-rect [--desktop NAME]\n"
        "       panel_driver wait-help [--desktop NAME] [--timeout SECONDS]\n"
        "       panel_driver no-answer PROGRAM\n"
        "       panel_driver e2e-help\n"
        "       panel_driver note-opened NOTE PATH\n",
        stderr);
    return kUsage;
}

int Main(const std::vector<tstring>& arguments) {
    if (arguments.size() == 1 && arguments[0] == TEXT("e2e")) return RunChecks();
    if (arguments.size() == 1 && arguments[0] == TEXT("e2e-win95")) {
        Checks checks;
        CheckWin95TakesTheDirectRoute(checks);
        return checks.Finish();
    }
    if (arguments.size() == 2 && arguments[0] == TEXT("no-answer")) {
        return RunNoAnswerCheck(arguments[1]);
    }
    if (arguments.size() == 1 && arguments[0] == TEXT("e2e-help")) {
        Checks checks;
        CheckHelpFileOpensUpToXp(checks);
        CheckHtmlPageOpensFromVistaOn(checks);
        return checks.Finish();
    }
    if (arguments.size() == 3 && arguments[0] == TEXT("note-opened")) {
        return NoteOpened(arguments[1], arguments[2]);
    }
    if (arguments.empty()) return Usage();
    const tstring& command = arguments[0];

    tstring desktop;
    DWORD timeoutMs = kWindowWithinMs;
    std::vector<tstring> words;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == TEXT("--desktop") && i + 1 < arguments.size()) {
            desktop = arguments[++i];
        } else if (arguments[i] == TEXT("--timeout") && i + 1 < arguments.size()) {
            timeoutMs = static_cast<DWORD>(_ttoi(arguments[++i].c_str())) * 1000;
        } else if (arguments[i].rfind(TEXT("--"), 0) == 0) {
            return Usage();
        } else {
            words.push_back(arguments[i]);
        }
    }
    if (command == TEXT("wait-window") && words.empty()) return WaitForWindow(desktop, timeoutMs);
    if (command == TEXT("close-window") && words.empty()) return ClosePanel(desktop);
    if (command == TEXT("window-rect") && words.empty()) return PrintWindowRect(desktop);
    if (command == TEXT("wait-help") && words.empty()) return WaitForHelp(desktop, timeoutMs);
    if (command == TEXT("wait-page") && words.size() == 1) {
        return WaitForPage(desktop, _ttoi(words[0].c_str()), timeoutMs);
    }
    if (command == TEXT("wait-box") && words.size() == 1) {
        return WaitForBox(desktop, words[0], timeoutMs);
    }
    return Usage();
}

}  // namespace
}  // namespace pd::e2e

int _tmain(int argc, TCHAR** argv) {
    return pd::e2e::Main(std::vector<pd::tstring>(argv + 1, argv + argc));
}
