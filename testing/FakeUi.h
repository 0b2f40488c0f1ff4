// The Ui seam for tests: every call is recorded, and the answers the user would give are
// scripted in advance. Nothing blocks: boxes and file dialogs return their scripted answers,
// and modal dialogs run through `onModal` (by default they are not shown at all).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/Ui.h"
#include "win32/TextMode.h"

namespace pd {

struct UiEvent {
    enum class Kind {
        MessageBox,
        Beep,
        OpenFile,
        SaveFile,
        Help,
        Document,
        WaitOn,
        WaitOff,
        Modal
    };

    Kind kind = Kind::Beep;
    HWND owner = nullptr;
    tstring text;        // box text; help file; document
    tstring caption;     // box caption
    UINT flags = 0;      // box flags; help command
    ULONG_PTR data = 0;  // help data
    FileDialogOptions file;
    int templateId = 0;  // modal dialog's template
    INT_PTR result = 0;  // what the call returned
};

class FakeUi : public Ui {
public:
    // --- Scripting -------------------------------------------------------------------------
    // The answer of the next unanswered message box; without one a box answers with its
    // first button (IDOK, IDABORT, IDYES, IDRETRY).
    void AnswerMessageBox(int answer) { boxAnswers_.push_back(answer); }
    // The next file dialog's answer: a path, or nothing for cancel (the default), and the
    // pattern the user left chosen (from 1).
    void AnswerFileDialog(std::optional<tstring> path, int filter = 1) {
        fileAnswers_.push_back({std::move(path), filter});
    }
    // Runs for every message box after it is recorded, before the scripted answer is taken;
    // lets a test look at the program's state while the box would be showing.
    std::function<void(const UiEvent&)> onMessageBox;
    // Runs a modal dialog; by default the dialog is not created and `modalResult` returned.
    std::function<INT_PTR(CDialog&, HWND owner)> onModal;
    INT_PTR modalResult = IDOK;

    // --- Reading ---------------------------------------------------------------------------
    const std::vector<UiEvent>& events() const { return events_; }
    std::vector<UiEvent> EventsOf(UiEvent::Kind kind) const;
    int Count(UiEvent::Kind kind) const;
    int waitDepth() const { return waitDepth_; }
    void Clear() { events_.clear(); }

    // --- Ui --------------------------------------------------------------------------------
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
    std::optional<tstring> FileDialog(UiEvent::Kind kind, HWND owner,
                                      const FileDialogOptions& options);

    std::vector<UiEvent> events_;
    std::deque<int> boxAnswers_;
    struct FileAnswer {
        std::optional<tstring> path;
        int filter = 1;
    };
    std::deque<FileAnswer> fileAnswers_;
    int waitDepth_ = 0;
};

// The answer a message box of these flags gives when the first button is pressed.
int FirstButtonOf(UINT flags);

}  // namespace pd
