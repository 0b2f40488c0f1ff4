#include "testing/FakeUi.h"

#include <algorithm>

#include "controls/Dialog.h"
#include "win32/TextMode.h"

namespace pd {

int FirstButtonOf(UINT flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        case MB_CANCELTRYCONTINUE:
            return IDCANCEL;
        default:
            return IDOK;
    }
}

std::vector<UiEvent> FakeUi::EventsOf(UiEvent::Kind kind) const {
    std::vector<UiEvent> found;
    std::copy_if(events_.begin(), events_.end(), std::back_inserter(found),
                 [kind](const UiEvent& event) { return event.kind == kind; });
    return found;
}

int FakeUi::Count(UiEvent::Kind kind) const {
    return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                          [kind](const UiEvent& e) { return e.kind == kind; }));
}

int FakeUi::ShowMessage(HWND owner, const tstring& text, const tstring& caption, UINT flags) {
    UiEvent event;
    event.kind = UiEvent::Kind::MessageBox;
    event.owner = owner;
    event.text = text;
    event.caption = caption;
    event.flags = flags;
    if (onMessageBox) onMessageBox(event);
    int answer = FirstButtonOf(flags);
    if (!boxAnswers_.empty()) {
        answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    }
    event.result = answer;
    events_.push_back(std::move(event));
    return answer;
}

void FakeUi::Beep() {
    UiEvent event;
    event.kind = UiEvent::Kind::Beep;
    events_.push_back(std::move(event));
}

std::optional<tstring> FakeUi::FileDialog(UiEvent::Kind kind, HWND owner,
                                          const FileDialogOptions& options) {
    std::optional<tstring> answer;
    if (!fileAnswers_.empty()) {
        answer = std::move(fileAnswers_.front().path);
        if (answer && options.chosenFilter != nullptr) {
            *options.chosenFilter = fileAnswers_.front().filter;
        }
        fileAnswers_.pop_front();
    }
    UiEvent event;
    event.kind = kind;
    event.owner = owner;
    event.file = options;
    event.file.chosenFilter = nullptr;  // the caller's, gone after the call
    event.text = answer.value_or(TEXT(""));
    event.result = answer ? IDOK : IDCANCEL;
    events_.push_back(std::move(event));
    return answer;
}

std::optional<tstring> FakeUi::OpenFileName(HWND owner, const FileDialogOptions& options) {
    return FileDialog(UiEvent::Kind::OpenFile, owner, options);
}

std::optional<tstring> FakeUi::SaveFileName(HWND owner, const FileDialogOptions& options) {
    return FileDialog(UiEvent::Kind::SaveFile, owner, options);
}

void FakeUi::ShowHelp(HWND owner, const tstring& helpFile, UINT command, ULONG_PTR data) {
    UiEvent event;
    event.kind = UiEvent::Kind::Help;
    event.owner = owner;
    event.text = helpFile;
    event.flags = command;
    event.data = data;
    events_.push_back(std::move(event));
}

void FakeUi::OpenDocument(HWND owner, const tstring& path) {
    UiEvent event;
    event.kind = UiEvent::Kind::Document;
    event.owner = owner;
    event.text = path;
    events_.push_back(std::move(event));
}

void FakeUi::BeginWaitCursor() {
    ++waitDepth_;
    UiEvent event;
    event.kind = UiEvent::Kind::WaitOn;
    events_.push_back(std::move(event));
}

void FakeUi::EndWaitCursor() {
    if (waitDepth_ > 0) --waitDepth_;
    UiEvent event;
    event.kind = UiEvent::Kind::WaitOff;
    events_.push_back(std::move(event));
}

INT_PTR FakeUi::RunModal(CDialog& dialog, HWND owner) {
    // Recorded before it runs, so that events of the dialog's own life follow it in order.
    const std::size_t index = events_.size();
    UiEvent event;
    event.kind = UiEvent::Kind::Modal;
    event.owner = owner;
    event.templateId = dialog.templateId();
    events_.push_back(std::move(event));
    const INT_PTR result = onModal ? onModal(dialog, owner) : modalResult;
    events_[index].result = result;
    return result;
}

}  // namespace pd
