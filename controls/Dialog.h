// The dialog base of the program's windows: one static dialog procedure finds the C++ object
// of a dialog window (stored when the window is initialised) and forwards to its virtual
// handlers. Nothing thrown in a handler crosses into the system: the procedure catches it.
#pragma once

#include <windows.h>

namespace pd {

class DataExchange;

// Owner-drawn controls get their WM_DRAWITEM back from the dialog as this message (the
// reflected-message range), so that a control class can draw itself.
inline constexpr UINT kReflectedDrawItem = WM_USER + 0x1C00 + WM_DRAWITEM;

class CDialog {
public:
    explicit CDialog(int templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog over `owner` (held disabled meanwhile) in a message loop of its own,
    // which gives PreTranslateMessage every message first. Returns what EndDialog was given,
    // or -1 when the window could not be made.
    INT_PTR DoModal(HWND owner);
    // Makes the window and returns at once; false when it could not be made.
    bool Create(HWND owner);
    // Destroys the window of a dialog made with Create.
    void Destroy();

    // Ends a modal run with `result`; for a modeless dialog only records it.
    void EndDialog(INT_PTR result);
    bool ended() const { return ended_; }
    INT_PTR result() const { return result_; }

    // One message of a loop that runs this dialog: pre-translation, the dialog keys (Tab,
    // Enter, Escape, mnemonics), then translation and dispatch.
    void ProcessMessage(MSG& message);

    HWND hwnd() const { return hwnd_; }
    int templateId() const { return templateId_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

    // Moves the dialog's values into its controls (false) or out of them (true).
    void UpdateData(bool saveAndValidate);
    // True while the dialog itself is putting values into its controls: the change
    // notifications that causes are not the user's and never reach OnCommand.
    bool filling() const { return fillDepth_ > 0; }

protected:
    // Marks a stretch of code in which the dialog fills its own controls.
    class FillScope {
    public:
        explicit FillScope(CDialog& dialog) : dialog_(dialog) { ++dialog_.fillDepth_; }
        ~FillScope() { --dialog_.fillDepth_; }
        FillScope(const FillScope&) = delete;
        FillScope& operator=(const FillScope&) = delete;

    private:
        CDialog& dialog_;
    };

    // The standard initialisation shows the dialog's values; true lets the system give the
    // focus to the first control. The template's list items are already loaded by then.
    virtual bool OnInit();
    virtual void DoDataExchange(DataExchange& exchange);
    // A command from a control (code is its notification) or from a menu (control null).
    // The default hands a click (a menu command arrives as one too) to OnButtonClicked, then
    // ends the dialog on IDOK and IDCANCEL.
    virtual bool OnCommand(int code, int id, HWND control);
    // A button or menu item `id` was clicked; true when the dialog acted on it.
    virtual bool OnButtonClicked(int id);
    virtual bool OnNotify(NMHDR& header, LRESULT& result);
    // Any other message; returns true when handled, with the dialog procedure's result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // Sees every message of the modal loop first; true swallows it.
    virtual bool PreTranslateMessage(MSG& message);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}

    // Centres the window over `other`, or on the screen's work area when it is null.
    void CenterWindow(HWND other);

    // Routes one message of `dialog`'s window to its handlers.
    static INT_PTR Route(CDialog* dialog, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void AttachWindow(HWND window);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    int templateId_;
    bool inModalLoop_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
    int fillDepth_ = 0;
};

}  // namespace pd
