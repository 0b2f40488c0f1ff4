#include "tests/e2e/E2eSupport.h"

#include <tlhelp32.h>

#include <cwctype>

#include "sim/DemoPipes.h"

namespace pd::e2e {

namespace {

constexpr DWORD kSimulatorStartMs = 20000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kKillWaitMs = 5000;

// One job for every child of this process: closing its last handle, which the system does
// when this process ends in any way, ends them too.
HANDLE ChildJob() {
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (created == nullptr) return created;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

OwnedHandle InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return OwnedHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::wstring ProgramFolder() {
    const std::wstring path = pd::ModulePath();
    return path.substr(0, path.find_last_of(L"\\/"));
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

std::wstring DemoFolder() {
    // The build gives the demo folder's place relative to this program's.
    std::wstring relative = pd::WidenUtf8(PD_DEMO_FROM_TESTS);
    for (wchar_t& c : relative) {
        if (c == L'/') c = L'\\';
    }
    const std::wstring joined = ProgramFolder() + L"\\" + relative;
    std::wstring full(MAX_PATH * 2, L'\0');
    const DWORD length =
        GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return joined;
    full.resize(length);
    return full;
}

bool DemoPipesServed() {
    // Asks for a free instance without taking it; false at once when no pipe exists.
    return WaitNamedPipeW(sim::kDemoCommandPipe, 1) != FALSE || GetLastError() == ERROR_SEM_TIMEOUT;
}

std::string FileBytes(const std::wstring& path) {
    const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
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

bool PutFileBytes(const std::wstring& path, std::string_view bytes) {
    const OwnedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::optional<std::vector<std::wstring>> LoadedModules(DWORD processId) {
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    if (!snapshot) return std::nullopt;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    std::vector<std::wstring> names;
    for (BOOL more = Module32FirstW(snapshot.get(), &module); more;
         more = Module32NextW(snapshot.get(), &module)) {
        std::wstring name = module.szModule;
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
        names.push_back(std::move(name));
    }
    if (names.empty()) return std::nullopt;
    return names;
}

ReportedWindowsVersion::ReportedWindowsVersion(const std::wstring& program,
                                               const std::wstring& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + program) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    ok_ = RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                         static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))) ==
          ERROR_SUCCESS;
    RegCloseKey(key);
}

ReportedWindowsVersion::~ReportedWindowsVersion() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Version");
        RegCloseKey(key);
    }
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    path_ = std::wstring(temp) + L"pd-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter));
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW(File(found.cFileName).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& folder, const std::wstring& outputFile,
                         std::string* error, const std::wstring& errorFile) {
    Kill();
    // The child's standard handles are files of our choosing, so that it never holds on to
    // the test runner's output and keeps it waiting.
    const OwnedHandle input = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    const OwnedHandle output = outputFile.empty()
                                   ? InheritableFile(L"NUL", GENERIC_WRITE, OPEN_EXISTING)
                                   : InheritableFile(outputFile, GENERIC_WRITE, CREATE_ALWAYS);
    const OwnedHandle errors = errorFile.empty()
                                   ? OwnedHandle()
                                   : InheritableFile(errorFile, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors ? errors.get() : output.get();

    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, folder.c_str(), &startup,
                        &started)) {
        *error =
            "cannot start " + pd::NarrowToUtf8(program) + " (error " + std::to_string(GetLastError()) + ")";
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

bool Simulator::Start(const std::wstring& options, std::string* error) {
    if (DemoPipesServed()) {
        *error = "another simulator already serves the demo pipes; stop it first";
        return false;
    }
    // --exit-with: should the job not end it, the simulator still ends with this test. The
    // tests bring their own phonebook contents, so the demo's sample stays out.
    const std::wstring arguments = L"--state \"" + scratch_.File(L"mf40sim.state") +
                                   L"\" --empty-phonebook --exit-with " +
                                   std::to_wstring(GetCurrentProcessId()) + L" " + options;
    if (!process_.Start(DemoFolder() + L"\\mf40sim.exe", arguments, scratch_.path(),
                        scratch_.File(L"mf40sim.log"), error)) {
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

std::string Simulator::Output() const { return FileBytes(scratch_.File(L"mf40sim.log")); }

}  // namespace pd::e2e
