#include "controls/Win32Ui.h"

#include <commdlg.h>

#include <vector>

#include "controls/Dialog.h"

namespace pd {

int Win32Ui::ShowMessage(HWND owner, const std::wstring& text, const std::wstring& caption,
                         UINT flags) {
    return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void Win32Ui::Beep() { ::MessageBeep(static_cast<UINT>(-1)); }

std::wstring FileDialogFilter(const std::wstring& barSeparated) {
    std::wstring filter = barSeparated;
    for (wchar_t& c : filter) {
        if (c == L'|') c = L'\0';
    }
    // The list must end in two zeros even when the text forgot its closing "||".
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

std::optional<std::wstring> Win32Ui::RunFileDialog(HWND owner, const FileDialogOptions& options,
                                                   bool save) {
    const std::wstring filter = FileDialogFilter(options.filter);
    std::vector<wchar_t> path(4096, L'\0');
    OPENFILENAMEW request{};
    // Windows 2000 brought a larger block (for the places bar), which NT 4.0 refuses outright:
    // there the dialog would never open. Older systems get the block they know.
    const bool windows2000OrLater = LOBYTE(LOWORD(::GetVersion())) >= 5;
    request.lStructSize = windows2000OrLater ? sizeof request : OPENFILENAME_SIZE_VERSION_400W;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrInitialDir = options.initialFolder.empty() ? nullptr : options.initialFolder.c_str();
    request.lpstrDefExt = options.defaultExtension.empty() ? nullptr : options.defaultExtension.c_str();
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | options.flags;
    const BOOL chosen = save ? ::GetSaveFileNameW(&request) : ::GetOpenFileNameW(&request);
    if (!chosen) return std::nullopt;
    return std::wstring(path.data());
}

std::optional<std::wstring> Win32Ui::OpenFileName(HWND owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, false);
}

std::optional<std::wstring> Win32Ui::SaveFileName(HWND owner, const FileDialogOptions& options) {
    return RunFileDialog(owner, options, true);
}

void Win32Ui::ShowHelp(HWND owner, const std::wstring& helpFile, UINT command, ULONG_PTR data) {
    ::WinHelpW(owner, helpFile.c_str(), command, data);
}

void Win32Ui::BeginWaitCursor() {
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    if (waitDepth_++ == 0) cursorBeforeWait_ = previous;
}

void Win32Ui::EndWaitCursor() {
    if (waitDepth_ == 0) return;
    if (--waitDepth_ == 0) {
        ::SetCursor(cursorBeforeWait_ ? cursorBeforeWait_ : ::LoadCursorW(nullptr, IDC_ARROW));
    }
}

INT_PTR Win32Ui::RunModal(CDialog& dialog, HWND owner) { return dialog.DoModal(owner); }

}  // namespace pd
