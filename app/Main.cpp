// PanelDesk.exe: the product's entry point, on the real OS and user interface.
#include <windows.h>
#include <tchar.h>

#include "app/App.h"
#include "controls/Win32Ui.h"
#include "win32/SystemFunction.h"
#include "win32/Win32Os.h"

namespace {

void PrepareProcess() {
    // The maker's libraries are loaded by name; the current directory must never be able to
    // supply them. Windows before XP SP1 lack this call and search the current directory
    // (NT 4 and 2000 even before the system folders, unless 2000 SP4's safe search order is
    // on). There the program's own start protects it: the installed shortcut starts it in its
    // own folder under Program Files, which only administrators may write to.
    if (const auto setDllDirectory = pd::Kernel32().SetDllDirectory) {
        setDllDirectory(TEXT(""));
    }
    // After a firmware download the window takes no input for 40 s while the device settles,
    // and a window that takes none for 5 s becomes a "not responding" ghost that the user
    // could close in the middle of the update. Without ghosting it stays as it is.
    if (const auto disableGhosting = pd::User32().DisableProcessWindowsGhosting) {
        disableGhosting();
    }
}

}  // namespace

int WINAPI _tWinMain(HINSTANCE, HINSTANCE, PTSTR, int) {
    PrepareProcess();

    pd::Win32Os os;
    pd::Win32Ui ui;
    pd::CPanelApp app(os, ui);
    return app.Run();
}
