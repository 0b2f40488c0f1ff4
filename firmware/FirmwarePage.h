// The Firmware update page: the device's versions, the image file and its download.
#pragma once

#include <string>

#include "controls/PropertyPage.h"
#include "win32/TextMode.h"

namespace pd {

struct PanelContext;
class Ui;

class CFwUp : public CPropertyPage {
public:
    CFwUp(PanelContext& context, Ui& ui);

    // The full path of the chosen image; empty while no file is chosen.
    const tstring& fileName() const { return fileName_; }

protected:
    bool OnInit() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnButtonClicked(int id) override;

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

    tstring model_;
    tstring firmwareVersion_;
    tstring emulation1Version_;
    tstring emulation2Version_;
    tstring fileName_;
    tstring fileSize_;
    tstring percent_;
    tstring message_;
    int progress_ = 0;
};

}  // namespace pd
