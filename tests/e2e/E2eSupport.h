// What the end-to-end tests share: finding the demo folder, the route to the device under
// test, starting the demo's programs for it as child processes that never outlive the test,
// and a scratch folder for their files.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/Handles.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {

// The folder this program runs from, and the demo folder beside it in the build tree.
tstring ProgramFolder();
tstring DemoFolder();

// The high-resolution counter in milliseconds, for the measuring tools.
double MillisecondsNow();

// True when some simulator serves the demo's pipes right now.
bool DemoPipesServed();

// The bytes of a file; empty when it cannot be read. It may be open for writing elsewhere.
std::string FileBytes(const tstring& path);
// Creates or replaces a file with `bytes`; false when it cannot be written whole.
bool PutFileBytes(const tstring& path, std::string_view bytes);
// The file names, in lower case, of the modules loaded in a running process; nothing when the
// system cannot list them.
std::optional<std::vector<tstring>> LoadedModules(DWORD processId);

// Makes Wine report another Windows to every program of one file name (e.g. PanelDesk.exe)
// started while the object lives: Wine's own setting for the program, in the prefix's
// registry. `version` is one of Wine's names: "win95", "win98", "nt40", "win2k", "winxp".
// The program's own version query and everything that depends on it then run as on that
// Windows. The setting goes with the object.
class ReportedWindowsVersion {
public:
    ReportedWindowsVersion(const tstring& program, const tstring& version);
    ReportedWindowsVersion(const ReportedWindowsVersion&) = delete;
    ReportedWindowsVersion& operator=(const ReportedWindowsVersion&) = delete;
    ~ReportedWindowsVersion();

    // False when the setting could not be made.
    bool ok() const { return ok_; }

private:
    tstring key_;
    bool ok_ = false;
};

// The road to the device this run takes. scripts/port-bridge names the port it bridges to
// the programs it runs (PD_PORT_ROUTE, PD_PORT_FOLDER); PD_PORT_ROUTE=usb98 takes the 9x
// family's USB pipes, and PD_PORT_ROUTE=direct the port registers of Windows 95, which the
// test port arbiter emulates for the 32-bit panel (PD_EMULATED_PORT); without either, the
// demo's USB pipes of Windows 2000 and later.
enum class Route { Usb, Lpt, Ecp, Usb9x, Direct };
struct RouteUnderTest {
    Route route = Route::Usb;
    tstring portFolder;  // the bridge's FIFOs, for mf40sim --port
};
const RouteUnderTest& TestedRoute();
// LPT1 and the ECP device, which reach the simulator through scripts/port-bridge.
bool UsesPortBridge(Route route);

// The maker's USB libraries, of the 9x family and of Windows 2000 and later; the demo folder
// holds stand-ins of both.
inline constexpr const TCHAR* kUsbLibrary9x = TEXT("usbnames.dll");
inline constexpr const TCHAR* kUsbLibraryNt5 = TEXT("usbpipe.dll");

// The folder the panel starts from to take `route` as its system would: the demo folder, or a
// copy of the demo's panel with the maker's libraries that system has: without usbnames.dll
// for LPT1 (Windows 98 without the maker's USB library), and with the test port arbiter
// alone for the port registers (Windows 95). With PD_STANDIN_CALLS=cdecl (32-bit builds) the
// libraries are the ones whose entry points are __cdecl.
bool PanelFolder(Route route, tstring* folder, std::string* error);

// A Windows version as the system reports it to a program (Wine's per-program setting
// included): platform 1 is the 9x family, 2 the NT family.
struct SeenWindowsVersion {
    DWORD platformId = 0;
    DWORD major = 0;
    DWORD minor = 0;
    bool operator==(const SeenWindowsVersion&) const = default;
};
// Empty when a running process sees `expected`, read from the process itself; otherwise
// what it sees, or that this cannot be read.
std::string SeenVersionProblem(DWORD processId, const SeenWindowsVersion& expected);

// Empty when the running panel took the route under test as its system would: it saw that
// route's Windows version and loaded the USB library of that route and no other. Otherwise
// what differs.
std::string RouteChoiceProblems(DWORD panelProcessId);

// A folder of its own for one run; removed with its files when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const tstring& path() const { return path_; }
    tstring File(const TCHAR* name) const { return path_ + TEXT("\\") + name; }

private:
    tstring path_;
};

// A program this test started. It belongs to a job that ends it if the test itself dies, and
// it is ended, if still running, when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = default;
    ~ChildProcess() { Kill(); }

    // Starts `program` with `arguments` in `folder`; its output goes to `outputFile` (or
    // nowhere when empty), its error output to `errorFile` (or with the output when empty).
    // False, with `error` set, when it cannot be started.
    bool Start(const tstring& program, const tstring& arguments, const tstring& folder,
               const tstring& outputFile, std::string* error, const tstring& errorFile = {});

    bool running() const;
    DWORD id() const { return id_; }
    // True when the process ended within `milliseconds`.
    bool WaitForExit(DWORD milliseconds) const;
    // The exit code once the process has ended.
    std::optional<DWORD> ExitCode() const;
    void Kill();

private:
    OwnedHandle process_;
    DWORD id_ = 0;
};

// Starts PanelDesk.exe under the Windows version whose route is under test, from its
// PanelFolder: the prefix's own version for USB, Windows NT 4.0 for the ECP device, Windows 98
// for LPT1 and the 9x USB pipes, Windows 95 for the port registers. The version stays set
// until the run ends.
bool StartPanel(ChildProcess& panel, std::string* error);

// mf40sim.exe from the demo folder, with its state and output in a scratch folder, serving
// the route under test too; serving once Start returns true, stopped when the object goes.
class Simulator {
public:
    // `options` as on the simulator's command line, e.g. TEXT("--silent").
    bool Start(const tstring& options, std::string* error);
    void Stop();
    // What the simulator printed so far, for failure messages.
    std::string Output() const;
    // The device's memory on disk, which the simulator rewrites soon after every change.
    tstring StatePath() const { return scratch_.File(TEXT("mf40sim.state")); }
    // Empty when the device heard the panel over the route under test and no other way;
    // otherwise what it heard over which.
    std::string TrafficOffRoute() const;

private:
    ScratchFolder scratch_;
    ChildProcess process_;
};

}  // namespace pd::e2e
