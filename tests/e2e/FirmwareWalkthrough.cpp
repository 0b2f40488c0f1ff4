// Walks through a firmware update in the running demo as a user would: opens the Firmware
// update tab, chooses an image in the file dialog, presses "Päivitä", watches the bar and
// texts move, answers the completion box, and then reads the simulator's state file to see
// whether the device holds the image.
//
//   firmware_walkthrough --image PATH --state FILE [--desktop NAME] [--shots PREFIX]
//   firmware_walkthrough e2e
//
// PATH is the image as the file dialog should be given it (a Windows path), FILE the
// simulator's state file. With --shots, pictures of the screen are saved as PREFIX-*.bmp at
// each step. The panel and the simulator must be running already (./run starts them).
//
// With e2e it is an end-to-end check: it starts a simulator and a panel of its own for the
// route under test, walks through the update with the demo's sample image, and checks that
// the device took the route's own start command and holds the image afterwards.
#include <windows.h>
#include <commctrl.h>
#include <tchar.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/Frames.h"
#include "sim/DeviceStateFile.h"
#include "sim/VirtualDevice.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {
namespace {

const tstring kPanelTitle = ShownText(L" Veltra Ostrex MF 40 PanelDesk - et\u00e4ohjaustaulu");
constexpr int kFirmwareTab = 4;
constexpr int kUpdateId = 1000;
constexpr int kFileNameId = 1004;
constexpr int kFileSizeId = 1007;
constexpr int kBrowseId = 1023;
constexpr int kMessageId = 1075;
constexpr int kPercentId = 1076;
// The common file dialog's file name box: an edit, or a combo box with an edit in it.
constexpr int kDialogFileNameEdit = 1152;
constexpr int kDialogFileNameCombo = 1148;
constexpr DWORD kStepMs = 30000;
constexpr DWORD kDownloadMs = 120000;

tstring ClassOf(HWND window) {
    TCHAR name[128] = {};
    GetClassName(window, name, static_cast<int>(std::size(name)));
    return name;
}

// The text as the window keeps it, read without a message: the panel takes none while it
// downloads.
tstring StoredText(HWND window) {
    wchar_t text[512] = {};  // the call has only a wide form
    InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
    return TextFromWide(text);
}

struct WindowSearch {
    const std::function<bool(HWND)>* wanted;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    if (search.visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (!(*search.wanted)(window)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND FindChild(HWND parent, const std::function<bool(HWND)>& wanted) {
    WindowSearch search{&wanted, false, nullptr};
    EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevel(const std::function<bool(HWND)>& wanted) {
    WindowSearch search{&wanted, true, nullptr};
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Await(DWORD milliseconds, const std::function<HWND()>& find) {
    for (DWORD waited = 0;; waited += 50) {
        if (HWND found = find()) return found;
        if (waited >= milliseconds) return nullptr;
        Sleep(50);
    }
}

bool JoinDesktop(const tstring& name) {
    if (name.empty()) return true;
    const HDESK desktop = OpenDesktop(name.c_str(), 0, FALSE, GENERIC_ALL);
    return desktop != nullptr && SetThreadDesktop(desktop);
}

// The whole screen as a 24-bit BMP file.
void Shot(const tstring& prefix, const char* name) {
    if (prefix.empty()) return;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    const tstring path = prefix + TEXT("-") + pd::TextFromUtf8(name) + TEXT(".bmp");
    HANDLE out = CreateFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &info, sizeof info, &written, nullptr);
    WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    std::printf("  picture: %s\n", pd::Utf8FromText(path).c_str());
}

void Say(const char* format, const tstring& text = TEXT("")) {
    std::printf(format, pd::Utf8FromText(text).c_str());
    std::printf("\n");
    std::fflush(stdout);
}

int Fail(const char* what) {
    Say(what);
    return 1;
}

int Walk(const tstring& image, const tstring& statePath, const tstring& shots) {
    const HWND main = Await(kStepMs, [] {
        return FindTopLevel([](HWND w) {
            return StoredText(w) == kPanelTitle &&
                   FindChild(w, [](HWND c) { return ClassOf(c) == WC_TABCONTROL; }) != nullptr;
        });
    });
    if (main == nullptr) return Fail("no panel window");
    const HWND tabs = FindChild(main, [](HWND c) { return ClassOf(c) == WC_TABCONTROL; });
    const HWND sheet = GetParent(tabs);

    // Showing the tab creates the page, which reads the versions from the device.
    SendMessage(sheet, PSM_SETCURSEL, kFirmwareTab, 0);
    const HWND page = Await(kStepMs, [&] {
        return FindChild(sheet, [](HWND c) { return GetDlgCtrlID(c) == kBrowseId; });
    });
    if (page == nullptr) return Fail("no firmware page");
    const HWND fwPage = GetParent(page);
    const auto text = [&](int id) { return StoredText(GetDlgItem(fwPage, id)); };
    Sleep(500);
    Say("firmware page: model '%s'", text(1003));
    Say("               firmware version '%s'", text(1065));
    Say("               message '%s'", text(kMessageId));
    Shot(shots, "1-page");

    PostMessage(fwPage, WM_COMMAND, MAKEWPARAM(kBrowseId, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(fwPage, kBrowseId)));
    const HWND dialog = Await(kStepMs, [&] {
        return FindTopLevel([&](HWND w) {
            return GetWindow(w, GW_OWNER) == main &&
                   (GetDlgItem(w, kDialogFileNameEdit) || GetDlgItem(w, kDialogFileNameCombo));
        });
    });
    if (dialog == nullptr) return Fail("no file dialog");
    Say("file dialog: '%s'", StoredText(dialog));
    Sleep(500);
    Shot(shots, "2-dialog");
    HWND nameBox = GetDlgItem(dialog, kDialogFileNameEdit);
    if (nameBox == nullptr) nameBox = GetDlgItem(dialog, kDialogFileNameCombo);
    SendMessage(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(image.c_str()));
    PostMessage(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const bool chosen = Await(kStepMs, [&]() -> HWND {
                            return text(kFileNameId).empty() ? nullptr : fwPage;
                        }) != nullptr;
    if (!chosen) return Fail("no file chosen");
    Sleep(300);
    Say("chosen: '%s'", text(kFileNameId));
    Say("        size '%s'", text(kFileSizeId));
    Say("        update enabled: %s", IsWindowEnabled(GetDlgItem(fwPage, kUpdateId))
                                          ? tstring(TEXT("yes"))
                                          : tstring(TEXT("no")));
    Shot(shots, "3-chosen");

    PostMessage(fwPage, WM_COMMAND, MAKEWPARAM(kUpdateId, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(fwPage, kUpdateId)));
    const DWORD clicked = GetTickCount();
    tstring lastPercent;
    DWORD firstBlock = 0;
    DWORD lastBlock = 0;
    bool midShot = false;
    bool waitShot = false;
    HWND box = nullptr;
    while (box == nullptr && GetTickCount() - clicked < kDownloadMs) {
        const tstring percent = text(kPercentId);
        if (percent != lastPercent && !percent.empty()) {
            const DWORD at = GetTickCount() - clicked;
            if (firstBlock == 0) firstBlock = at;
            if (percent == TEXT("100 %")) lastBlock = at;
            std::printf("  %6lu ms: %s, %s\n", static_cast<unsigned long>(at),
                        pd::Utf8FromText(percent).c_str(),
                        pd::Utf8FromText(text(kMessageId)).c_str());
            if (!midShot && percent != TEXT("100 %")) {
                Shot(shots, "4-progress");
                midShot = true;
            }
            lastPercent = percent;
        }
        if (!waitShot && lastBlock != 0 && GetTickCount() - clicked > lastBlock + 1000) {
            Say("during the long wait: '%s'", text(kMessageId));
            Shot(shots, "5-written");
            waitShot = true;
        }
        // Looking for the box costs time the panel would rather have while blocks go out.
        const bool lookForBox = lastBlock != 0 || (GetTickCount() - clicked) % 500 < 5;
        if (lookForBox) {
            box = FindTopLevel([&](HWND w) {
                return GetWindow(w, GW_OWNER) == main && w != dialog &&
                       FindChild(w, [](HWND c) {
                           return StoredText(c).find(TEXT("valmis")) != tstring::npos;
                       }) != nullptr;
            });
        }
        Sleep(1);
    }
    if (box == nullptr) return Fail("no completion box");
    const DWORD boxAt = GetTickCount() - clicked;
    std::printf(
        "  first block shown %lu ms, last %lu ms after the click (%lu ms apart); box "
        "after %lu ms\n",
        static_cast<unsigned long>(firstBlock), static_cast<unsigned long>(lastBlock),
        static_cast<unsigned long>(lastBlock - firstBlock), static_cast<unsigned long>(boxAt));
    Say("completion box: caption '%s'", StoredText(box));
    const HWND boxText =
        FindChild(box, [](HWND c) { return StoredText(c).find(TEXT("valmis")) != tstring::npos; });
    Say("                text '%s'", StoredText(boxText));
    Sleep(300);
    Shot(shots, "6-box");
    PostMessage(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    Sleep(1000);
    Say("after the box: message '%s'", text(kMessageId));
    Say("               file name '%s'", text(kFileNameId));
    Say("               percent '%s'", text(kPercentId));
    Say("               update enabled: %s", IsWindowEnabled(GetDlgItem(fwPage, kUpdateId))
                                                 ? tstring(TEXT("yes"))
                                                 : tstring(TEXT("no")));
    Shot(shots, "7-cleared");

    Win32Os os;
    const sim::LoadedDeviceState saved = sim::LoadDeviceState(os, pd::Utf8FromText(statePath));
    const std::string sent = FileBytes(image);
    const std::string kept(saved.state.firmwareImage.begin(), saved.state.firmwareImage.end());
    const bool same = !sent.empty() && kept == sent;
    std::printf("device state file: firmware image of %zu bytes, %s the chosen file (%zu bytes)\n",
                saved.state.firmwareImage.size(), same ? "identical to" : "NOT the same as",
                sent.size());
    return same ? 0 : 1;
}

// Empty when the simulator's log shows the download's start as the route sends it: the
// channel form with its 9-byte answer on USB and LPT1, the parallel form and no answer on
// the ECP device and the port registers.
std::string StartOffRoute(const std::string& log) {
    const Route route = TestedRoute().route;
    const bool parallelStart = route == Route::Ecp || route == Route::Direct;
    const std::string start =
        "<- 8 bytes: " + sim::Hex(parallelStart ? kFirmwareStartParallel : kFirmwareStartChannel);
    const std::size_t sent = log.find(start);
    if (sent == std::string::npos) return "no start command " + start + " in:\n" + log;
    const std::size_t lineEnd = std::min(log.find('\n', sent), log.size());
    const std::string nextLine = log.substr(lineEnd, log.find('\n', lineEnd + 1) - lineEnd);
    const bool answered = nextLine.find("-> 9 bytes") != std::string::npos;
    if (answered == !parallelStart) return {};
    return std::string(parallelStart ? "the device answered the start" : "no answer to the start") +
           ":\n" + log;
}

int RunE2e() {
    Simulator simulator;
    ChildProcess panel;
    std::string error;
    if (!simulator.Start(TEXT(""), &error) || !StartPanel(panel, &error)) {
        std::printf("FAIL: %s\n", error.c_str());
        return 1;
    }
    const int walked =
        Walk(DemoFolder() + TEXT("\\sample-firmware.img"), simulator.StatePath(), TEXT(""));
    const std::string log = simulator.Output();
    std::string wrong = StartOffRoute(log);
    if (wrong.empty()) wrong = simulator.TrafficOffRoute();
    std::printf("%s\n", wrong.empty() ? "the start took the route under test, and nothing else did"
                                      : ("FAIL: " + wrong).c_str());
    return walked == 0 && wrong.empty() ? 0 : 1;
}

}  // namespace
}  // namespace pd::e2e

int _tmain(int argc, TCHAR** argv) {
    if (argc == 2 && pd::tstring(argv[1]) == TEXT("e2e")) return pd::e2e::RunE2e();
    pd::tstring image, state, desktop, shots;
    for (int i = 1; i + 1 < argc; i += 2) {
        const pd::tstring option = argv[i];
        if (option == TEXT("--image")) image = argv[i + 1];
        if (option == TEXT("--state")) state = argv[i + 1];
        if (option == TEXT("--desktop")) desktop = argv[i + 1];
        if (option == TEXT("--shots")) shots = argv[i + 1];
    }
    if (image.empty() || state.empty()) {
        std::printf(
            "usage: firmware_walkthrough --image PATH --state FILE [--desktop NAME] "
            "[--shots PREFIX]\n"
            "       firmware_walkthrough e2e\n");
        return 2;
    }
    if (!pd::e2e::JoinDesktop(desktop)) {
        std::printf("cannot join desktop %s\n", pd::Utf8FromText(desktop).c_str());
        return 1;
    }
    return pd::e2e::Walk(image, state, shots);
}
