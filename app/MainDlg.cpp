#include "app/MainDlg.h"

#include <commctrl.h>

#include <array>
#include <cstdint>

#include "app/AboutDlg.h"
#include "controls/Strings.h"
#include "controls/Ui.h"
#include "firmware/FirmwarePage.h"
#include "pages/AdvancedPage.h"
#include "pages/InfoPage.h"
#include "pages/SettingsPage.h"
#include "phonebook/PhonebookMenu.h"
#include "phonebook/PhonebookPage.h"
#include "platform/Os.h"
#include "platform/WindowsPaths.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

// The sheet's own buttons; an embedded sheet shows none of them.
constexpr int kSheetApplyButton = 0x3021;
constexpr std::array<int, 4> kSheetButtons = {IDOK, IDCANCEL, IDHELP, kSheetApplyButton};

// Offsets of the style fields in the extended dialog template (after dlgVer, signature and
// helpID).
constexpr std::size_t kTemplateExExStyle = 8;
constexpr std::size_t kTemplateExStyle = 12;
constexpr WORD kTemplateExSignature = 0xFFFF;
// The dialog-style bits of the sheet's template that survive its change into a child: all
// but the frame and the caption-bar help button.
constexpr DWORD kKeptSheetStyles = 0xFFFF & ~static_cast<DWORD>(DS_MODALFRAME | DS_CONTEXTHELP);

// Turns the sheet's template into one of a visible child window without extended styles.
int CALLBACK SheetCallback(HWND, UINT message, LPARAM lParam) {
    if (message != PSCB_PRECREATE || lParam == 0) return 0;
    auto* bytes = reinterpret_cast<BYTE*>(lParam);
    DWORD* style = nullptr;
    DWORD* exStyle = nullptr;
    if (reinterpret_cast<const WORD*>(bytes)[1] == kTemplateExSignature) {
        style = reinterpret_cast<DWORD*>(bytes + kTemplateExStyle);
        exStyle = reinterpret_cast<DWORD*>(bytes + kTemplateExExStyle);
    } else {
        auto* plain = reinterpret_cast<DLGTEMPLATE*>(lParam);
        style = &plain->style;
        exStyle = &plain->dwExtendedStyle;
    }
    *style = (*style & kKeptSheetStyles) | WS_CHILD | WS_VISIBLE;
    *exStyle = 0;
    return 0;
}

}  // namespace

tstring HelpFilePath() { return ReplaceExtension(ModulePath(), TEXT(".HLP")); }

tstring HtmlHelpPath() { return ReplaceExtension(ModulePath(), TEXT(".htm")); }

bool HasHelpFileViewer(Os& os) {
    constexpr std::uint32_t kVista = 6;
    OsVersion version;
    // A system that does not say which it is is taken for one of the old ones.
    return !os.GetVersion(&version) || version.platformId != kPlatformNt ||
           version.majorVersion < kVista;
}

void ShowHelpContents(Ui& ui, Os& os, HWND owner) {
    if (HasHelpFileViewer(os)) {
        ui.ShowHelp(owner, HelpFilePath(), HELP_CONTEXT, kHelpContentsTopic);
    } else {
        ui.OpenDocument(owner, HtmlHelpPath());
    }
}

CMainDlg::CMainDlg(PanelContext& context, Ui& ui)
    : CDialog(IDD_MAIN),
      context_(context),
      ui_(ui),
      icon_(::LoadIcon(ResourceModule(), MAKEINTRESOURCE(IDI_APP))) {}

CMainDlg::~CMainDlg() = default;

bool CMainDlg::OnInit() {
    CDialog::OnInit();
    ui_.SetMainWindow(hwnd());

    ::SendMessage(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessage(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    CenterWindow(nullptr);
    // A second copy of the program finds this one by this title.
    ::SetWindowText(hwnd(), LoadResString(IDS_TITLE).c_str());

    exitButton_.Attach(hwnd(), IDC_MAIN_EXIT);
    helpButton_.Attach(hwnd(), IDC_MAIN_HELP);
    exitButton_.LoadButtonIcon(IDI_EXIT, 0);
    helpButton_.LoadButtonIcon(IDI_HELP, 0);
    exitButton_.SetFlatStyle(false);
    helpButton_.SetFlatStyle(false);

    CreatePages();
    if (!CreateSheet()) return true;  // the window still opens, with its menu and buttons
    RECT client{};
    ::GetClientRect(sheet_, &client);
    ShowTabImages();
    const int overflow = WidenTabsToFit();
    FitToSheet({client.right - client.left + overflow, client.bottom - client.top});
    PropSheet_SetCurSel(sheet_, nullptr, 0);
    return true;
}

void CMainDlg::CreatePages() {
    phonebook_ = std::make_unique<CPhonebook>(context_, ui_);
    settings_ = std::make_unique<CSettings>(context_, ui_);
    firmware_ = std::make_unique<CFwUp>(context_, ui_);
    info_ = std::make_unique<CInfo>(context_, ui_);
    advanced_ = std::make_unique<CAdvanced>(context_, ui_);
}

bool CMainDlg::CreateSheet() {
    // Tab order: Settings, Advanced, Phonebook, Information, Firmware update.
    std::array<HPROPSHEETPAGE, kPageCount> pages = {
        settings_->CreatePage(), advanced_->CreatePage(), phonebook_->CreatePage(),
        info_->CreatePage(), firmware_->CreatePage()};
    for (HPROPSHEETPAGE page : pages) {
        if (page != nullptr) continue;
        for (HPROPSHEETPAGE made : pages) {
            if (made != nullptr) ::DestroyPropertySheetPage(made);
        }
        return false;
    }

    PROPSHEETHEADER header{};
    header.dwSize = PROPSHEETHEADERW_V1_SIZE;
    header.dwFlags = PSH_MODELESS | PSH_USECALLBACK | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hwndParent = hwnd();
    header.hInstance = ResourceModule();
    header.pszCaption = TEXT("");
    header.nPages = kPageCount;
    header.nStartPage = 0;
    header.phpage = pages.data();
    header.pfnCallback = SheetCallback;
    const INT_PTR created = ::PropertySheet(&header);
    if (created == 0 || created == -1) return false;
    sheet_ = reinterpret_cast<HWND>(created);

    // The embedded sheet has no buttons of its own: it ends where their row began.
    RECT sheetRect{};
    ::GetWindowRect(sheet_, &sheetRect);
    if (HWND ok = ::GetDlgItem(sheet_, IDOK)) {
        RECT button{};
        ::GetWindowRect(ok, &button);
        ::SetWindowPos(sheet_, nullptr, 0, 0, sheetRect.right - sheetRect.left,
                       button.top - sheetRect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (int id : kSheetButtons) {
        if (HWND button = ::GetDlgItem(sheet_, id)) {
            ::ShowWindow(button, SW_HIDE);
            ::EnableWindow(button, FALSE);
        }
    }

    // One row of tabs, never stacked.
    HWND tabs = PropSheet_GetTabControl(sheet_);
    ::SetWindowLong(tabs, GWL_STYLE, ::GetWindowLong(tabs, GWL_STYLE) & ~TCS_MULTILINE);

    // The keyboard moves between the sheet's controls and the window's buttons.
    ::SetWindowLong(sheet_, GWL_EXSTYLE,
                    ::GetWindowLong(sheet_, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    // Where the sheet's margin reaches under the buttons (fonts with larger dialog units make
    // the pages taller), the buttons stay on top.
    ::SetWindowLong(sheet_, GWL_STYLE,
                    ::GetWindowLong(sheet_, GWL_STYLE) | WS_TABSTOP | WS_CLIPSIBLINGS);
    return true;
}

void CMainDlg::ShowTabImages() {
    tabImages_.Reset(::ImageList_LoadImage(ResourceModule(), MAKEINTRESOURCE(IDB_TAB_IMAGES),
                                           kTabImageSize, 1, kTabImageTransparent, IMAGE_BITMAP,
                                           0));
    if (!tabImages_) return;
    HWND tabs = PropSheet_GetTabControl(sheet_);
    TabCtrl_SetImageList(tabs, tabImages_.get());
    for (int i = 0; i < kPageCount; ++i) {
        TCITEM item{};
        item.mask = TCIF_IMAGE;
        item.iImage = i;
        TabCtrl_SetItem(tabs, i, &item);
    }
}

int CMainDlg::WidenTabsToFit() {
    // The single row of tabs was laid out for the dialog font's usual width. A wider font (a
    // large-font system, or Wine's stand-in for the dialog font) makes the row longer than
    // the sheet, which would cut off the last tab behind scroll arrows; the tab control then
    // grows by what is missing, and the sheet and the window with it.
    HWND tabs = PropSheet_GetTabControl(sheet_);
    const int count = TabCtrl_GetItemCount(tabs);
    RECT last{};
    if (count <= 0 || !TabCtrl_GetItemRect(tabs, count - 1, &last)) return 0;
    RECT client{};
    ::GetClientRect(tabs, &client);
    const int overflow = last.right + kTabRowSlack - client.right;
    if (overflow <= 0) return 0;
    RECT frame{};
    ::GetWindowRect(tabs, &frame);
    ::SetWindowPos(tabs, nullptr, 0, 0, frame.right - frame.left + overflow,
                   frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return overflow;
}

void CMainDlg::FitToSheet(SIZE sheetClient) {
    const int captionHeight = ::GetSystemMetrics(SM_CYCAPTION);
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    int characterHeight = 0;
    {
        ClientDc dc(hwnd());
        SelectGuard font(dc.get(),
                         reinterpret_cast<HGDIOBJ>(::SendMessage(hwnd(), WM_GETFONT, 0, 0)));
        TEXTMETRIC metrics{};
        if (dc && ::GetTextMetrics(dc.get(), &metrics)) characterHeight = metrics.tmHeight;
    }
    ::SetWindowPos(sheet_, nullptr, kSheetMargin, kSheetMargin, sheetClient.cx + 2 * kSheetMargin,
                   sheetClient.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(
        hwnd(), nullptr, 0, 0, sheetClient.cx + 3 * kSheetMargin,
        kReservedTextLines * characterHeight + sheetClient.cy + menuHeight + captionHeight,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CMainDlg::OnButtonClicked(int id) {
    switch (id) {
        case IDC_MAIN_EXIT:
        case ID_FILE_EXIT:
            EndDialog(IDOK);
            return true;
        case IDC_MAIN_HELP:
        case ID_HELP_STANDARD:
        case ID_HELP_CONTENTS:
            ShowHelpContents(ui_, context_.os, hwnd());
            return true;
        case ID_HELP_ABOUT:
            ShowAbout();
            return true;
        case ID_FILE_OPEN_PHONEBOOK:
            if (phonebook_) phonebook_->OnOpenPhonebookCommand();
            return true;
        case ID_FILE_SAVE_PHONEBOOK:
            if (phonebook_) phonebook_->OnSavePhonebookCommand();
            return true;
        case ID_FILE_IMPORT_PHONEBOOK:
            if (phonebook_) phonebook_->OnImportCommand();
            return true;
        case ID_FILE_EXPORT_PHONEBOOK:
            if (phonebook_) phonebook_->OnExportCommand();
            return true;
        default:
            return false;
    }
}

void CMainDlg::ShowAbout() {
    CAboutDlg about;
    ui_.RunModal(about, hwnd());
}

bool CMainDlg::PreTranslateMessage(MSG& message) {
    if (message.message != WM_KEYDOWN || hwnd() == nullptr ||
        (message.hwnd != hwnd() && !::IsChild(hwnd(), message.hwnd))) {
        return false;
    }
    if (message.wParam == VK_F1) {
        ShowHelpContents(ui_, context_.os, hwnd());
        return false;  // the key goes on to its usual translation
    }
    return SwitchPageByKey(message.wParam);
}

bool CMainDlg::SwitchPageByKey(WPARAM key) {
    // The sheet lives inside this window, so the sheet's own handling of Ctrl+Tab and
    // Ctrl+Page Down/Up never sees these keys; without this the pages could not be changed
    // from the keyboard.
    if (sheet_ == nullptr || ::GetKeyState(VK_CONTROL) >= 0) return false;
    bool back = false;
    switch (key) {
        case VK_TAB:
            back = ::GetKeyState(VK_SHIFT) < 0;
            break;
        case VK_NEXT:
            break;
        case VK_PRIOR:
            back = true;
            break;
        default:
            return false;
    }
    HWND tabs = PropSheet_GetTabControl(sheet_);
    const int count = TabCtrl_GetItemCount(tabs);
    if (count <= 0) return false;
    const int current = TabCtrl_GetCurSel(tabs);
    PropSheet_SetCurSel(sheet_, nullptr, (current + (back ? count - 1 : 1)) % count);
    return true;
}

bool CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
        case WM_PAINT:
            if (!::IsIconic(hwnd())) return false;
            PaintMinimised();
            result = TRUE;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(icon_);
            return true;
        case WM_HELP:
            // F1 has already opened the help before its translation got here.
            result = TRUE;
            return true;
        case kEnablePhonebookMenu:
            EnablePhonebookCommands(wParam != 0);
            return true;
        default:
            return false;
    }
}

void CMainDlg::EnablePhonebookCommands(bool enable) {
    HMENU menu = ::GetMenu(hwnd());
    if (menu == nullptr) return;
    const UINT state = MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED);
    for (const UINT command : {ID_FILE_OPEN_PHONEBOOK, ID_FILE_SAVE_PHONEBOOK,
                               ID_FILE_IMPORT_PHONEBOOK, ID_FILE_EXPORT_PHONEBOOK}) {
        ::EnableMenuItem(menu, command, state);
    }
}

void CMainDlg::PaintMinimised() {
    PaintDc paint(hwnd());
    ::SendMessage(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(paint.get(), x, y, icon_);
}

void CMainDlg::OnDestroy() {
    // Where the help is a page in the browser, no viewer has anything to close; and the stub
    // that stands in for the viewer there would only say that it cannot show help files.
    if (HasHelpFileViewer(context_.os)) ui_.ShowHelp(hwnd(), HelpFilePath(), HELP_QUIT, 0);
    // The pages' windows go with the sheet while their objects still exist; then the
    // objects, then the tab images the sheet was using.
    if (sheet_ != nullptr) {
        ::DestroyWindow(sheet_);
        sheet_ = nullptr;
    }
    phonebook_.reset();
    settings_.reset();
    firmware_.reset();
    info_.reset();
    advanced_.reset();
    tabImages_.Reset();
    if (ui_.MainWindow() == hwnd()) ui_.SetMainWindow(nullptr);
}

}  // namespace pd
