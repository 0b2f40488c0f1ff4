#include "app/App.h"

#include <windows.h>
#include <commctrl.h>

#include "app/MainDlg.h"
#include "controls/Strings.h"
#include "platform/Ui.h"
#include "protocol/Probe.h"
#include "resources/resource.h"

namespace pd {

CPanelApp::CPanelApp(Os& os, Ui& ui) : ui_(ui), context_(os) {}

int CPanelApp::Run() {
    outcome_ = StartUp();
    return ShutDown();
}

CPanelApp::Outcome CPanelApp::StartUp() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    if (ActivateRunningCopy()) return Outcome::OtherCopyActivated;

    ResetDeviceDataStore(context_.store);
    if (!context_.link.AcquireSharedPort(kReservedPort)) {
        ui_.ShowMessage(nullptr, IDS_PORT_RESERVED, MB_OK | MB_ICONERROR);
        return Outcome::PortReserved;
    }
    context_.AllocatePhonebook();
    context_.link.DetectOsFamily();
    if (!FindDevice()) return Outcome::Aborted;

    CMainDlg main(context_, ui_);
    ui_.RunModal(main, nullptr);
    return Outcome::MainWindowClosed;
}

bool CPanelApp::ActivateRunningCopy() {
    // Any top-level window with the title counts, whatever its class: a start-up message
    // box of the other copy bears the same title and is brought forward like its main window.
    const std::wstring title = LoadResString(IDS_TITLE);
    HWND other = ::FindWindowW(nullptr, title.c_str());
    if (other == nullptr) return false;
    if (::IsIconic(other)) {
        ::ShowWindow(other, SW_RESTORE);
    } else {
        ::SetForegroundWindow(other);
    }
    return true;
}

bool CPanelApp::ProbeTwice() {
    WaitCursor wait(ui_);
    return ProbeDevice(context_.link) || ProbeDevice(context_.link);
}

bool CPanelApp::FindDevice() {
    DeviceLink& link = context_.link;
    for (;;) {
        link.SelectLink();
        for (;;) {
            if (ProbeTwice()) return true;
            if (link.state().linkIndex != LinkKind::Usb) break;
            // A silent USB route falls back to the family's parallel route as it is, without
            // choosing the link again.
            link.UseLink(link.FamilyFallback());
        }
        switch (ui_.ShowMessage(nullptr, IDS_NO_RESPONSE, MB_ABORTRETRYIGNORE | MB_ICONERROR)) {
            case IDRETRY:
                continue;
            case IDIGNORE:
                return true;
            default:
                return false;
        }
    }
}

int CPanelApp::ShutDown() {
    context_.link.ReleaseSharedPort(kReservedPort);
    context_.phonebook.reset();
    return 0;
}

}  // namespace pd
