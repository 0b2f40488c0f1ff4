// The Firmware update page: the device's versions, the image file and its download.
#pragma once

#include <string>

#include "controls/PropertyPage.h"

namespace pd {

struct PanelContext;
class Ui;

class CFwUp : public CPropertyPage {
public:
    CFwUp(PanelContext& context, Ui& ui);

    // The full path of the chosen image; empty while no file is chosen.
    const std::wstring& fileName() const { return fileName_; }

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int code, int id, HWND control) override;

private:
    class DownloadProgress;

    // Reads the device's versions again; the error box when it does not answer.
    void Refresh();
    // Lets the user choose an image file and checks it.
    void Browse();
    // Sends the chosen image to the device.
    void Download();

    void EnableUpdate(bool enable);
    // Paints the page's controls now: during a download the window takes no messages, so
    // nothing would show the progress otherwise.
    void RepaintNow();

    PanelContext& context_;
    Ui& ui_;

    std::wstring model_;
    std::wstring firmwareVersion_;
    std::wstring emulation1Version_;
    std::wstring emulation2Version_;
    std::wstring fileName_;
    std::wstring fileSize_;
    std::wstring percent_;
    std::wstring message_;
    int progress_ = 0;
};

}  // namespace pd
