#include "controls/PropertyPage.h"

#include "controls/Strings.h"

namespace pd {

HPROPSHEETPAGE CPropertyPage::CreatePage() {
    PROPSHEETPAGE page{};
    // The first layout of the structure: every comctl32 version takes it.
    page.dwSize = PROPSHEETPAGEW_V1_SIZE;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ResourceModule();
    page.pszTemplate = MAKEINTRESOURCE(templateId());
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return ::CreatePropertySheetPage(&page);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CPropertyPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        // The sheet hands over (its copy of) the page structure that names the object.
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGE*>(lParam);
        page = sheetPage ? reinterpret_cast<CPropertyPage*>(sheetPage->lParam) : nullptr;
        if (page != nullptr) page->AttachWindow(window);
    } else {
        page = reinterpret_cast<CPropertyPage*>(::GetWindowLongPtr(window, DWLP_USER));
    }
    return Route(page, window, message, wParam, lParam);
}

bool CPropertyPage::OnNotify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
        case PSN_SETACTIVE:
            result = OnSetActive() ? 0 : -1;
            return true;
        case PSN_KILLACTIVE:
            result = OnKillActive() ? FALSE : TRUE;
            return true;
        default:
            return false;
    }
}

}  // namespace pd
