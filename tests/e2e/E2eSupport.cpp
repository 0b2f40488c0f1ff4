#include "tests/e2e/E2eSupport.h"

#include <tlhelp32.h>

#include <cwctype>
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

// The Windows version whose link selection takes a parallel-port route.
const TCHAR* WindowsVersionFor(Route route) {
    return route == Route::Lpt ? TEXT("win98") : TEXT("nt40");
}

// A copy of the demo's panel and port arbiter, without the 9x USB library beside them.
bool PanelWithoutUsbLibrary(tstring* folder, std::string* error) {
    static ScratchFolder copy;
    for (const TCHAR* file : {TEXT("PanelDesk.exe"), TEXT("portgate.dll")}) {
        const tstring source = DemoFolder() + TEXT("\\") + file;
        if (!CopyFile(source.c_str(), copy.File(file).c_str(), FALSE)) {
            *error = "cannot copy " + pd::Utf8FromText(source) + " (error " +
                     std::to_string(GetLastError()) + ")";
            return false;
        }
    }
    *folder = copy.path();
    return true;
}

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
        route.route = name == TEXT("lpt") ? Route::Lpt : name == TEXT("ecp") ? Route::Ecp : Route::Usb;
        if (route.route != Route::Usb) route.portFolder = Environment(TEXT("PD_PORT_FOLDER"));
        return route;
    }();
    return tested;
}

bool StartPanel(ChildProcess& panel, std::string* error) {
    const Route route = TestedRoute().route;
    // USB is the route of the prefix's own Windows. The others' version stays for the run.
    static std::optional<ReportedWindowsVersion> version;
    if (route != Route::Usb && !version) {
        version.emplace(TEXT("PanelDesk.exe"), WindowsVersionFor(route));
        if (!version->ok()) {
            *error = "cannot choose the Windows version Wine reports to PanelDesk.exe";
            return false;
        }
    }
    tstring folder = DemoFolder();
    if (route == Route::Lpt && !PanelWithoutUsbLibrary(&folder, error)) return false;
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

ReportedWindowsVersion::ReportedWindowsVersion(const tstring& program,
                                               const tstring& version)
    : key_(TEXT("Software\\Wine\\AppDefaults\\") + program) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    ok_ = RegSetValueEx(key, TEXT("Version"), 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                         static_cast<DWORD>((version.size() + 1) * sizeof(TCHAR))) ==
          ERROR_SUCCESS;
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

bool ChildProcess::Start(const tstring& program, const tstring& arguments,
                         const tstring& folder, const tstring& outputFile,
                         std::string* error, const tstring& errorFile) {
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
        *error =
            "cannot start " + pd::Utf8FromText(program) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (HANDLE job = ChildJob()) AssignProcessToJobObject(job, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    process_.reset(started.hProcess);
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
    process_.reset();
    id_ = 0;
}

bool Simulator::Start(const tstring& options, std::string* error) {
    if (DemoPipesServed()) {
        *error = "another simulator already serves the demo pipes; stop it first";
        return false;
    }
    // --exit-with: should the job not end it, the simulator still ends with this test. The
    // tests bring their own phonebook contents, so the demo's sample stays out.
    tstring arguments = TEXT("--state \"") + StatePath() + TEXT("\" --empty-phonebook --exit-with ") +
                             ToTString(GetCurrentProcessId()) + TEXT(" ") + options;
    if (TestedRoute().route != Route::Usb) {
        if (TestedRoute().portFolder.empty()) {
            *error = "no port bridge: run this under scripts/port-bridge";
            return false;
        }
        arguments += TEXT(" --port \"") + TestedRoute().portFolder + TEXT("\"");
    }
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
    const bool overPipes = log.find("mf40sim: <- ") != std::string::npos;
    const bool overPort = log.find("mf40sim: port <- ") != std::string::npos;
    const bool onPort = TestedRoute().route != Route::Usb;
    if (onPort ? overPort && !overPipes : overPipes && !overPort) return {};
    return std::string("the device heard the panel ") + (overPipes ? "on the pipes" : "") +
           (overPipes && overPort ? " and " : "") + (overPort ? "on the parallel port" : "") +
           (!overPipes && !overPort ? "nowhere" : "") + ":\n" + log;
}

std::string Simulator::Output() const { return FileBytes(scratch_.File(TEXT("mf40sim.log"))); }

}  // namespace pd::e2e
