// The program's one top-level window: the menu, the property sheet with the five device
// pages, and the Exit and Help buttons. Closing it ends the program.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "controls/Dialog.h"
#include "controls/HoverButton.h"
#include "win32/Handles.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class Os;
class Ui;
class CSettings;
class CAdvanced;
class CPhonebook;
class CInfo;
class CFwUp;

inline constexpr int kPageCount = 5;
inline constexpr int kTabImageSize = 20;
inline constexpr COLORREF kTabImageTransparent = RGB(0, 0, 255);
// Where the sheet sits in the main window, and the text lines reserved besides it.
inline constexpr int kSheetMargin = 10;
// Room kept after the last tab, so that its right edge is not drawn against the sheet's.
inline constexpr int kTabRowSlack = 4;
inline constexpr int kReservedTextLines = 6;
// The help topic every help command opens.
inline constexpr ULONG_PTR kHelpContentsTopic = 1;

// The help file: the program's path with the extension ".HLP".
tstring HelpFilePath();
// The same help as one HTML page, which begins with the contents: the program's path with
// the extension ".htm".
tstring HtmlHelpPath();
// Whether this Windows has a viewer for the help file: every one up to XP and Server 2003.
// Vista and later have only a stub that says the format is no longer supported.
bool HasHelpFileViewer(Os& os);
// Opens the help at its contents: the help file where this Windows can show it, else the
// HTML page in the user's browser.
void ShowHelpContents(Ui& ui, Os& os, HWND owner);

class CMainDlg : public CDialog {
public:
    CMainDlg(PanelContext& context, Ui& ui);
    ~CMainDlg() override;

    HWND sheet() const { return sheet_; }
    HICON icon() const { return icon_; }
    CHoverButton& exitButton() { return exitButton_; }
    CHoverButton& helpButton() { return helpButton_; }
    // The pages, which exist while the window does.
    CSettings* settingsPage() { return settings_.get(); }
    CAdvanced* advancedPage() { return advanced_.get(); }
    CPhonebook* phonebookPage() { return phonebook_.get(); }
    CInfo* infoPage() { return info_.get(); }
    CFwUp* firmwarePage() { return firmware_.get(); }

protected:
    bool OnInit() override;
    bool OnButtonClicked(int id) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool PreTranslateMessage(MSG& message) override;
    void OnDestroy() override;

private:
    void CreatePages();
    bool CreateSheet();
    void ShowTabImages();
    int WidenTabsToFit();
    void FitToSheet(SIZE sheetClient);
    // The File menu's phonebook commands, which the phonebook page asks for while it shows
    // (kEnablePhonebookMenu).
    void EnablePhonebookCommands(bool enable);
    void PaintMinimised();
    void ShowAbout();
    bool SwitchPageByKey(WPARAM key);

    PanelContext& context_;
    Ui& ui_;
    HICON icon_;  // shared resource icon: never destroyed
    CHoverButton exitButton_;
    CHoverButton helpButton_;
    ScopedImageList tabImages_;
    std::unique_ptr<CSettings> settings_;
    std::unique_ptr<CAdvanced> advanced_;
    std::unique_ptr<CPhonebook> phonebook_;
    std::unique_ptr<CInfo> info_;
    std::unique_ptr<CFwUp> firmware_;
    HWND sheet_ = nullptr;
};

}  // namespace pd
