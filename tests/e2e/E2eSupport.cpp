#include "tests/e2e/E2eSupport.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>

#include "sim/DemoPipes.h"
#include "win32/TextMode.h"

namespace pd::e2e {

namespace {

constexpr DWORD kSimulatorStartMs = 20000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kKillWaitMs = 5000;

// One job for every child of this process: closing its last handle, which the system does
// when this process ends in any way, ends them too.
HANDLE ChildJob() {
    static const HANDLE job = [] {
        HANDLE created = CreateJobObject(nullptr, nullptr);
        if (created == nullptr) return created;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

tstring Environment(const TCHAR* name) {
    TCHAR value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariable(name, value, static_cast<DWORD>(std::size(value)));
    return length > 0 && length < std::size(value) ? tstring(value, length) : tstring();
}

// The Windows whose link selection takes each route: Wine's name for it, and the version
// the panel then sees. USB of Windows 2000 and later is the prefix's own Windows.
struct RouteWindows {
    Route route;
    const TCHAR* wineName;
    SeenWindowsVersion seen;
};
constexpr RouteWindows kRouteWindows[] = {
    {Route::Lpt, TEXT("win98"), {VER_PLATFORM_WIN32_WINDOWS, 4, 10}},
    {Route::Usb9x, TEXT("win98"), {VER_PLATFORM_WIN32_WINDOWS, 4, 10}},
    {Route::Ecp, TEXT("nt40"), {VER_PLATFORM_WIN32_NT, 4, 0}},
    {Route::Direct, TEXT("win95"), {VER_PLATFORM_WIN32_WINDOWS, 4, 0}},
};

const RouteWindows* WindowsFor(Route route) {
    for (const RouteWindows& windows : kRouteWindows) {
        if (windows.route == route) return &windows;
    }
    return nullptr;
}

}  // namespace

bool PanelFolder(Route route, tstring* folder, std::string* error) {
    // Beside the demo folder in the build tree: the stand-ins with __cdecl entry points, and
    // the test port arbiter of either convention.
    const bool cdeclCalls = Environment(TEXT("PD_STANDIN_CALLS")) == TEXT("cdecl");
    const tstring demo = DemoFolder();
    const tstring libraries = demo + (cdeclCalls ? TEXT("\\..\\standin-cdecl") : TEXT(""));
    const tstring arbiter =
        demo + (cdeclCalls ? TEXT("\\..\\port-arbiter-cdecl") : TEXT("\\..\\port-arbiter-stdcall"));
    struct Copied {
        tstring from;
        const TCHAR* name;
    };
    std::vector<Copied> files = {{demo, TEXT("PanelDesk.exe")}};
    if (route == Route::Direct) {
        files.push_back({arbiter, TEXT("portgate.dll")});
    } else if (route == Route::Lpt) {
        files.push_back({libraries, TEXT("portgate.dll")});
    } else if (cdeclCalls) {
        for (const TCHAR* name : {kUsbLibraryNt5, kUsbLibrary9x, TEXT("portgate.dll")}) {
            files.push_back({libraries, name});
        }
    } else {
        *folder = demo;
        return true;
    }
    // One copy a route for the run; a panel started from it may still be running.
    static std::map<Route, std::unique_ptr<ScratchFolder>> copies;
    std::unique_ptr<ScratchFolder>& copy = copies[route];
    if (copy) {
        *folder = copy->path();
        return true;
    }
    copy = std::make_unique<ScratchFolder>();
    for (const Copied& file : files) {
        const tstring source = file.from + TEXT("\\") + file.name;
        if (!CopyFile(source.c_str(), copy->File(file.name).c_str(), FALSE)) {
            *error = "cannot copy " + pd::Utf8FromText(source) + " (error " +
                     std::to_string(GetLastError()) + ")";
            copy.reset();
            return false;
        }
    }
    *folder = copy->path();
    return true;
}

namespace {

OwnedHandle InheritableFile(const tstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return OwnedHandle(CreateFile(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

tstring ProgramFolder() {
    const tstring path = pd::ModulePath();
    return path.substr(0, path.find_last_of(TEXT("\\/")));
}

double MillisecondsNow() {
    static const double frequency = [] {
        LARGE_INTEGER ticks{};
        QueryPerformanceFrequency(&ticks);
        return static_cast<double>(ticks.QuadPart);
    }();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

tstring DemoFolder() {
    // The build gives the demo folder's place relative to this program's.
    tstring relative = pd::TextFromUtf8(PD_DEMO_FROM_TESTS);
    for (TCHAR& c : relative) {
        if (c == TEXT('/')) c = TEXT('\\');
    }
    const tstring joined = ProgramFolder() + TEXT("\\") + relative;
    tstring full(MAX_PATH * 2, TEXT('\0'));
    const DWORD length =
        GetFullPathName(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return joined;
    full.resize(length);
    return full;
}

bool DemoPipesServed() {
    // Asks for a free instance without taking it; false at once when no pipe exists.
    return WaitNamedPipe(sim::kDemoCommandPipe, 1) != FALSE || GetLastError() == ERROR_SEM_TIMEOUT;
}

const RouteUnderTest& TestedRoute() {
    static const RouteUnderTest tested = [] {
        const tstring name = Environment(TEXT("PD_PORT_ROUTE"));
        RouteUnderTest route;
        route.route = name == TEXT("lpt")      ? Route::Lpt
                      : name == TEXT("ecp")    ? Route::Ecp
                      : name == TEXT("usb98")  ? Route::Usb9x
                      : name == TEXT("direct") ? Route::Direct
                                               : Route::Usb;
        if (UsesPortBridge(route.route)) route.portFolder = Environment(TEXT("PD_PORT_FOLDER"));
        return route;
    }();
    return tested;
}

bool UsesPortBridge(Route route) { return route == Route::Lpt || route == Route::Ecp; }

bool StartPanel(ChildProcess& panel, std::string* error) {
    const Route route = TestedRoute().route;
    // USB is the route of the prefix's own Windows. The others' version stays for the run.
    static std::optional<ReportedWindowsVersion> version;
    if (route != Route::Usb && !version) {
        version.emplace(TEXT("PanelDesk.exe"), WindowsFor(route)->wineName);
        if (!version->ok()) {
            *error = "cannot choose the Windows version Wine reports to PanelDesk.exe";
            return false;
        }
    }
    tstring folder;
    if (!PanelFolder(route, &folder, error)) return false;
    return panel.Start(folder + TEXT("\\PanelDesk.exe"), TEXT(""), folder, TEXT(""), error);
}

std::string FileBytes(const tstring& path) {
    const OwnedHandle file(CreateFile(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (file && ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

bool PutFileBytes(const tstring& path, std::string_view bytes) {
    const OwnedHandle file(CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::optional<std::vector<tstring>> LoadedModules(DWORD processId) {
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) return std::nullopt;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    std::vector<tstring> names;
    for (BOOL more = Module32First(snapshot.get(), &module); more;
         more = Module32Next(snapshot.get(), &module)) {
        tstring name = module.szModule;
        for (TCHAR& c : name) c = static_cast<TCHAR>(std::towlower(c));
        names.push_back(std::move(name));
    }
    if (names.empty()) return std::nullopt;
    return names;
}

ReportedWindowsVersion::ReportedWindowsVersion(const tstring& program, const tstring& version)
    : key_(TEXT("Software\\Wine\\AppDefaults\\") + program) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                       nullptr) != ERROR_SUCCESS) {
        return;
    }
    ok_ = RegSetValueEx(key, TEXT("Version"), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(version.c_str()),
                        static_cast<DWORD>((version.size() + 1) * sizeof(TCHAR))) == ERROR_SUCCESS;
    RegCloseKey(key);
}

ReportedWindowsVersion::~ReportedWindowsVersion() {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValue(key, TEXT("Version"));
        RegCloseKey(key);
    }
}

ScratchFolder::ScratchFolder() {
    TCHAR temp[MAX_PATH + 1] = {};
    GetTempPath(MAX_PATH, temp);
    static LONG counter = 0;
    path_ = tstring(temp) + TEXT("pd-e2e-") + ToTString(GetCurrentProcessId()) + TEXT("-") +
            ToTString(InterlockedIncrement(&counter));
    CreateDirectory(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATA found{};
    const HANDLE search = FindFirstFile((path_ + TEXT("\\*")).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFile(File(found.cFileName).c_str());
            }
        } while (FindNextFile(search, &found));
        FindClose(search);
    }
    RemoveDirectory(path_.c_str());
}

bool ChildProcess::Start(const tstring& program, const tstring& arguments, const tstring& folder,
                         const tstring& outputFile, std::string* error, const tstring& errorFile) {
    Kill();
    // The child's standard handles are files of our choosing, so that it never holds on to
    // the test runner's output and keeps it waiting.
    const OwnedHandle input = InheritableFile(TEXT("NUL"), GENERIC_READ, OPEN_EXISTING);
    const OwnedHandle output = outputFile.empty()
                                   ? InheritableFile(TEXT("NUL"), GENERIC_WRITE, OPEN_EXISTING)
                                   : InheritableFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
    const OwnedHandle errors = errorFile.empty()
                                   ? OwnedHandle()
                                   : InheritableFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFO startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors ? errors.get() : output.get();

    tstring commandLine = TEXT("\"") + program + TEXT("\" ") + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcess(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, folder.c_str(), &startup,
                       &started)) {
        *error = "cannot start " + pd::Utf8FromText(program) + " (error " +
                 std::to_string(GetLastError()) + ")";
        return false;
    }
    if (HANDLE job = ChildJob()) AssignProcessToJobObject(job, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    process_.Reset(started.hProcess);
    id_ = started.dwProcessId;
    return true;
}

bool ChildProcess::running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD milliseconds) const {
    return !process_ || WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

std::optional<DWORD> ChildProcess::ExitCode() const {
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_.get(), &code) || code == STILL_ACTIVE) {
        return std::nullopt;
    }
    return code;
}

void ChildProcess::Kill() {
    if (!process_) return;
    if (running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), kKillWaitMs);
    }
    process_.Reset();
    id_ = 0;
}

bool Simulator::Start(const tstring& options, std::string* error) {
    if (DemoPipesServed()) {
        *error = "another simulator already serves the demo pipes; stop it first";
        return false;
    }
    // --exit-with: should the job not end it, the simulator still ends with this test. The
    // tests bring their own phonebook contents, so the demo's sample stays out.
    tstring arguments = TEXT("--state \"") + StatePath() +
                        TEXT("\" --empty-phonebook --exit-with ") +
                        ToTString(GetCurrentProcessId()) + TEXT(" ") + options;
    if (UsesPortBridge(TestedRoute().route)) {
        if (TestedRoute().portFolder.empty()) {
            *error = "no port bridge: run this under scripts/port-bridge";
            return false;
        }
        arguments += TEXT(" --port \"") + TestedRoute().portFolder + TEXT("\"");
    }
    if (TestedRoute().route == Route::Direct) arguments += TEXT(" --port-registers");
    if (!process_.Start(DemoFolder() + TEXT("\\mf40sim.exe"), arguments, scratch_.path(),
                        scratch_.File(TEXT("mf40sim.log")), error)) {
        return false;
    }
    for (DWORD waited = 0; waited < kSimulatorStartMs; waited += kPollMs) {
        if (DemoPipesServed()) return true;
        if (!process_.running()) {
            *error = "the simulator ended before serving:\n" + Output();
            return false;
        }
        Sleep(kPollMs);
    }
    *error = "the simulator did not serve its pipes in time:\n" + Output();
    return false;
}

void Simulator::Stop() { process_.Kill(); }

std::string Simulator::TrafficOffRoute() const {
    const std::string log = Output();
    // What the device heard and said on each of its links, by the lines the simulator wrote.
    struct Link {
        const char* prefix;
        const char* name;
        bool expected;
    };
    const Route route = TestedRoute().route;
    const Link links[] = {
        {"mf40sim: ", "on the pipes", route == Route::Usb},
        {"mf40sim: usb9x ", "on the 9x pipes", route == Route::Usb9x},
        {"mf40sim: port ", "on the parallel port", UsesPortBridge(route) || route == Route::Direct},
    };
    std::string problems;
    for (const Link& link : links) {
        for (const char* direction : {"<- ", "-> "}) {
            const bool heard = log.find(std::string(link.prefix) + direction) != std::string::npos;
            if (heard == link.expected) continue;
            problems +=
                std::string(heard ? "traffic " : "no traffic ") + direction + link.name + "\n";
        }
    }
    return problems.empty() ? problems : problems + log;
}

std::string Simulator::Output() const { return FileBytes(scratch_.File(TEXT("mf40sim.log"))); }

namespace {

std::optional<SeenWindowsVersion> WindowsVersionSeenBy(DWORD processId) {
    // The process's own environment block holds the version its system calls report.
    using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int kProcessBasicInformation = 0;
    struct BasicInformation {
        void* exitStatus;
        const BYTE* environmentBlock;
        void* rest[4];
    };
#if defined(_WIN64)
    constexpr std::size_t kVersionOffset = 0x118;
#else
    constexpr std::size_t kVersionOffset = 0xA4;
#endif
    struct VersionFields {
        ULONG major;
        ULONG minor;
        USHORT build;
        USHORT servicePack;
        ULONG platformId;
    };
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandle(TEXT("ntdll.dll")), "NtQueryInformationProcess")));
    const OwnedHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    BasicInformation basic{};
    if (!query || !process ||
        query(process.get(), kProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        return std::nullopt;
    }
    VersionFields fields{};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process.get(), basic.environmentBlock + kVersionOffset, &fields,
                           sizeof fields, &got) ||
        got != sizeof fields) {
        return std::nullopt;
    }
    return SeenWindowsVersion{fields.platformId, fields.major, fields.minor};
}

}  // namespace

std::string SeenVersionProblem(DWORD processId, const SeenWindowsVersion& expected) {
    const std::optional<SeenWindowsVersion> seen = WindowsVersionSeenBy(processId);
    if (!seen) return "the version the process sees cannot be read";
    if (*seen == expected) return {};
    return "it sees platform " + std::to_string(seen->platformId) + ", version " +
           std::to_string(seen->major) + "." + std::to_string(seen->minor);
}

std::string RouteChoiceProblems(DWORD panelProcessId) {
    const Route route = TestedRoute().route;
    std::string problems;
    if (const RouteWindows* windows = WindowsFor(route)) {
        const std::string version = SeenVersionProblem(panelProcessId, windows->seen);
        if (!version.empty()) problems += "the panel: " + version + "\n";
    }
    const auto modules = LoadedModules(panelProcessId);
    if (!modules) return problems + "the panel's modules cannot be listed\n";
    const struct {
        const TCHAR* name;
        bool expected;
    } libraries[] = {
        {kUsbLibrary9x, route == Route::Usb9x},
        {kUsbLibraryNt5, route == Route::Usb},
    };
    for (const auto& library : libraries) {
        const bool loaded =
            std::find(modules->begin(), modules->end(), library.name) != modules->end();
        if (loaded == library.expected) continue;
        problems += pd::Utf8FromText(library.name) + (loaded ? " is loaded\n" : " is not loaded\n");
    }
    return problems;
}

}  // namespace pd::e2e
