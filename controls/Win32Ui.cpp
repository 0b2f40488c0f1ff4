#include "controls/Win32Ui.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "controls/Dialog.h"
#include "win32/SystemFunction.h"
#include "win32/TextMode.h"

namespace pd {

int Win32Ui::ShowMessage(HWND owner, const tstring& text, const tstring& caption, UINT flags) {
    return ::MessageBox(owner, text.c_str(), caption.c_str(), flags);
}

void Win32Ui::Beep() { ::MessageBeep(static_cast<UINT>(-1)); }

tstring FileDialogFilter(const tstring& barSeparated) {
    tstring filter = barSeparated;
    for (TCHAR& c : filter) {
        if (c == TEXT('|')) c = TEXT('\0');
    }
    // The list must end in two zeros even when the text forgot its closing "||".
    filter.push_back(TEXT('\0'));
    filter.push_back(TEXT('\0'));
    return filter;
}

std::optional<tstring> Win32Ui::RunFileDialog(HWND owner, const FileDialogOptions& options,
                                              bool save) {
    const tstring filter = FileDialogFilter(options.filter);
    std::vector<TCHAR> path(4096, TEXT('\0'));
    OPENFILENAME request{};
    // Windows 2000 brought a larger block (for the places bar), which NT 4.0 refuses outright:
    // there the dialog would never open. Older systems get the block they know.
    const bool windows2000OrLater = LOBYTE(LOWORD(::GetVersion())) >= 5;
    request.lStructSize = windows2000OrLater ? sizeof request : OPENFILENAME_SIZE_VERSION_400;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrInitialDir =
        options.initialFolder.empty() ? nullptr : options.initialFolder.c_str();
    request.lpstrDefExt =
        options.defaultExtension.empty() ? nullptr : options.defaultExtension.c_str();
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | options.flags;
    const BOOL chosen = save ? ::GetSaveFileName(&request) : ::GetOpenFileName(&request);
    if (!chosen) return std::nullopt;
    if (options.chosenFilter != nullptr) {
        *options.chosenFilter = static_cast<int>(request.nFilterIndex);
    }
    return tstring(path.data());
}

std::optional<tstring> Win32Ui::OpenFileName(HWND owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, false);
}

std::optional<tstring> Win32Ui::SaveFileName(HWND owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, true);
}

void Win32Ui::ShowHelp(HWND owner, const tstring& helpFile, UINT command, ULONG_PTR data) {
    ::WinHelp(owner, helpFile.c_str(), command, data);
}

void Win32Ui::OpenDocument(HWND owner, const tstring& path) {
    // The program the system keeps for the file may be one the shell reaches through COM (as
    // Windows 10's first browser was), which wants this thread in an apartment. COM's library
    // is loaded only here, where a document is opened, so nothing imports it.
    const Ole32Functions& com = Ole32();
    const bool joined =
        com.CoInitialize && com.CoUninitialize && SUCCEEDED(com.CoInitialize(nullptr));
    ::ShellExecute(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (joined) com.CoUninitialize();
}

void Win32Ui::BeginWaitCursor() {
    HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    if (waitDepth_++ == 0) cursorBeforeWait_ = previous;
}

void Win32Ui::EndWaitCursor() {
    if (waitDepth_ == 0) return;
    if (--waitDepth_ == 0) {
        ::SetCursor(cursorBeforeWait_ ? cursorBeforeWait_ : ::LoadCursor(nullptr, IDC_ARROW));
    }
}

INT_PTR Win32Ui::RunModal(CDialog& dialog, HWND owner) { return dialog.DoModal(owner); }

}  // namespace pd
