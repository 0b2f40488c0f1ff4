// The base of the main window's pages. A page is a dialog the property sheet creates the
// first time its tab is shown; the sheet's page notifications become virtual calls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "controls/Dialog.h"

namespace pd {

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(int templateId) : CDialog(templateId) {}

    // The page in the form the property sheet takes: its template and this object. The
    // sheet owns the returned handle once it is added to a sheet.
    HPROPSHEETPAGE CreatePage();

protected:
    // The page is about to become the active page; false refuses.
    virtual bool OnSetActive() { return true; }
    // The page is about to stop being the active page; false keeps it.
    virtual bool OnKillActive() { return true; }

    // Handles the page notifications; a page that handles others calls this first.
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pd
