// The Ui seam on the real Win32 calls: what the product runs on.
#pragma once

#include "controls/Ui.h"
#include "win32/TextMode.h"

namespace pd {

class Win32Ui : public Ui {
public:
    int ShowMessage(HWND owner, const tstring& text, const tstring& caption, UINT flags) override;
    using Ui::ShowMessage;
    void Beep() override;
    std::optional<tstring> OpenFileName(HWND owner, const FileDialogOptions& options) override;
    std::optional<tstring> SaveFileName(HWND owner, const FileDialogOptions& options) override;
    void ShowHelp(HWND owner, const tstring& helpFile, UINT command, ULONG_PTR data) override;
    void OpenDocument(HWND owner, const tstring& path) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    INT_PTR RunModal(CDialog& dialog, HWND owner) override;

private:
    std::optional<tstring> RunFileDialog(HWND owner, const FileDialogOptions& options, bool save);

    int waitDepth_ = 0;
    HCURSOR cursorBeforeWait_ = nullptr;
};

// "A|*.a|B|*.b||" as the zero-separated, double-zero-ended list the file dialogs take.
tstring FileDialogFilter(const tstring& barSeparated);

}  // namespace pd
