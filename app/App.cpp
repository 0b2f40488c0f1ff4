#include "app/App.h"

#include <windows.h>
#include <commctrl.h>

#include "app/MainDlg.h"
#include "controls/Strings.h"
#include "controls/Ui.h"
#include "protocol/Connect.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

CPanelApp::CPanelApp(Os& os, Ui& ui) : ui_(ui), context_(os) {}

namespace {

// The start-up's side of the connect: the wait cursor while the device is probed, and the
// user's Abort, Retry or Ignore when it stays silent.
class StartUpHooks : public ConnectHooks {
public:
    explicit StartUpHooks(Ui& ui) : ui_(ui) {}

    void BeginProbes() override { ui_.BeginWaitCursor(); }
    void EndProbes() override { ui_.EndWaitCursor(); }
    SilentDevice OnSilence() override {
        switch (ui_.ShowMessage(nullptr, IDS_NO_RESPONSE, MB_ABORTRETRYIGNORE | MB_ICONERROR)) {
            case IDRETRY:
                return SilentDevice::Retry;
            case IDIGNORE:
                return SilentDevice::Ignore;
            default:
                return SilentDevice::Abort;
        }
    }

private:
    Ui& ui_;
};

}  // namespace

int CPanelApp::Run() {
    {
        // Given back as the run ends, however the start-up or the main window ended.
        PortReservation reservation(context_.link);
        outcome_ = StartUp(reservation);
    }
    context_.phonebook.reset();
    return 0;
}

CPanelApp::Outcome CPanelApp::StartUp(PortReservation& reservation) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    if (ActivateRunningCopy()) return Outcome::OtherCopyActivated;

    StartUpHooks hooks(ui_);
    switch (ConnectToDevice(context_, reservation, std::nullopt, hooks)) {
        case ConnectOutcome::PortReserved:
            ui_.ShowMessage(nullptr, IDS_PORT_RESERVED, MB_OK | MB_ICONERROR);
            return Outcome::PortReserved;
        case ConnectOutcome::Aborted:
        case ConnectOutcome::NoUsbRoute:
            return Outcome::Aborted;
        case ConnectOutcome::Connected:
        case ConnectOutcome::Ignored:
            break;
    }

    CMainDlg main(context_, ui_);
    ui_.RunModal(main, nullptr);
    return Outcome::MainWindowClosed;
}

bool CPanelApp::ActivateRunningCopy() {
    // Any top-level window with the title counts, whatever its class: a start-up message
    // box of the other copy bears the same title and is brought forward like its main window.
    const tstring title = LoadResString(IDS_TITLE);
    HWND other = ::FindWindow(nullptr, title.c_str());
    if (other == nullptr) return false;
    if (::IsIconic(other)) {
        ::ShowWindow(other, SW_RESTORE);
    } else {
        ::SetForegroundWindow(other);
    }
    return true;
}

}  // namespace pd
