// PanelDesk.exe: the product's entry point, on the real OS and user interface.
#include <windows.h>

#include "app/App.h"
#include "platform/Win32Os.h"
#include "platform/Win32Ui.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The maker's libraries are loaded by name; the current directory must never be able to
    // supply them.
    ::SetDllDirectoryW(L"");

    pd::Win32Os os;
    pd::Win32Ui ui;
    pd::CPanelApp app(os, ui);
    return app.Run();
}
