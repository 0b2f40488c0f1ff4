// The seam for everything the user interface does that blocks, waits for the user or leaves
// the program: message boxes, the beep, the file dialogs, the help viewer, the wait cursor
// and modal dialogs. Win32Ui is the real thing; FakeUi (tests) scripts the answers and
// records what the user would have seen.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win32/TextMode.h"

namespace pd {

class CDialog;

// What an open or save dialog is asked to show.
struct FileDialogOptions {
    // Pairs of description and pattern separated by '|' and ended by "||", for example
    // "Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||".
    tstring filter;
    tstring defaultExtension;  // without the dot; empty for none
    DWORD flags = 0;           // OFN_ options besides the ones every dialog gets
    tstring initialFolder;     // empty: the system's choice
    // When given, receives the pattern the user left chosen, from 1 (the dialog starts on the
    // first); a program that writes more than one format takes it from there.
    int* chosenFilter = nullptr;
};

class Ui {
public:
    virtual ~Ui() = default;

    // A message box: the pressed button's id (IDOK, IDRETRY, ...), 0 if it could not show.
    virtual int ShowMessage(HWND owner, const tstring& text, const tstring& caption,
                            UINT flags) = 0;
    // The system's simple beep, the answer to every refused user action.
    virtual void Beep() = 0;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<tstring> OpenFileName(HWND owner, const FileDialogOptions& options) = 0;
    virtual std::optional<tstring> SaveFileName(HWND owner, const FileDialogOptions& options) = 0;
    // The help viewer: a HELP_ command with its data (HELP_CONTEXT with the topic number).
    virtual void ShowHelp(HWND owner, const tstring& helpFile, UINT command, ULONG_PTR data) = 0;
    // A file opened by the program the system keeps for its kind (an HTML page: the user's
    // browser); the system tells the user itself when it cannot.
    virtual void OpenDocument(HWND owner, const tstring& path) = 0;
    // The hourglass while an exchange blocks the window; calls nest.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Runs the dialog modally over `owner` and returns how it ended.
    virtual INT_PTR RunModal(CDialog& dialog, HWND owner) = 0;

    // The main window once it exists: the owner of every later box.
    void SetMainWindow(HWND window) { mainWindow_ = window; }
    HWND MainWindow() const { return mainWindow_; }

    // A box with the text of a string-table entry and the window title as its caption.
    int ShowMessage(HWND owner, UINT textId, UINT flags);
    // The pages' error box: owned by the main window, error icon, OK only.
    int ShowErrorBox(UINT textId);

private:
    HWND mainWindow_ = nullptr;
};

// Shows the wait cursor for one scope.
class WaitCursor {
public:
    explicit WaitCursor(Ui& ui) : ui_(ui) { ui_.BeginWaitCursor(); }
    ~WaitCursor() { ui_.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Ui& ui_;
};

}  // namespace pd
