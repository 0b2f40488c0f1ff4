#include "firmware/FirmwarePage.h"

#include <commctrl.h>

#include <optional>

#include "controls/DataExchange.h"
#include "controls/DeviceText.h"
#include "controls/Strings.h"
#include "controls/Ui.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareImage.h"
#include "pages/PageExchange.h"
#include "protocol/Frames.h"
#include "protocol/PanelContext.h"
#include "resources/resource.h"
#include "win32/TextMode.h"

namespace pd {

namespace {

constexpr int kPercentRange = 100;

// Every control the page shows a value in, the bar last.
constexpr int kValueControls[] = {
    IDC_FW_MODEL,
    IDC_FW_FIRMWARE_VERSION,
    IDC_FW_EMULATION1_VERSION,
    IDC_FW_EMULATION2_VERSION,
    IDC_FW_FILE_NAME,
    IDC_FW_FILE_SIZE,
    IDC_FW_PERCENT,
    IDC_FW_MESSAGE,
    IDC_FW_PROGRESS,
};

// The progress bar's position, exchanged like the page's texts.
void ProgressPosition(DataExchange& exchange, int id, int& value) {
    HWND bar = ::GetDlgItem(exchange.dialog(), id);
    if (bar == nullptr) return;
    if (exchange.saving()) {
        value = static_cast<int>(::SendMessage(bar, PBM_GETPOS, 0, 0));
    } else {
        ::SendMessage(bar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
    }
}

}  // namespace

// What the page does while the download runs: the wait cursor from the moment the file is
// open, and the bar and texts after every block.
class CFwUp::DownloadProgress : public FirmwareDownloadObserver {
public:
    explicit DownloadProgress(CFwUp& page) : page_(page) {}

    void OnFileOpened() override { wait_.emplace(page_.ui_); }

    void OnTransferStart() override {
        HWND bar = page_.Item(IDC_FW_PROGRESS);
        ::SendMessage(bar, PBM_SETRANGE32, 0, kPercentRange);
        page_.progress_ = 0;
        ::SendMessage(bar, PBM_SETPOS, 0, 0);
    }

    void OnBlockSent(std::uint32_t sent, int percent) override {
        page_.progress_ = percent;
        page_.percent_ = ToTString(percent) + LoadResString(IDS_PERCENT_SUFFIX);
        page_.message_ = ToTString(sent) + TEXT(" ") + LoadResString(IDS_BYTES_TRANSFERRED);
        page_.UpdateData(false);
        page_.RepaintNow();
    }

    void OnDataWritten() override {
        // Shown before the long wait, so that nobody switches the device off during it.
        page_.message_ = LoadResString(IDS_DATA_WRITTEN);
        HWND message = page_.Item(IDC_FW_MESSAGE);
        ::SetWindowText(message, page_.message_.c_str());
        ::UpdateWindow(message);
    }

private:
    CFwUp& page_;
    std::optional<WaitCursor> wait_;
};

CFwUp::CFwUp(PanelContext& context, Ui& ui)
    : CPropertyPage(IDD_FIRMWARE), context_(context), ui_(ui) {}

bool CFwUp::OnInit() {
    message_ = LoadResString(IDS_CHOOSE_FIRMWARE);
    CPropertyPage::OnInit();
    // The page opens whether or not the device answers; the versions then stay empty.
    Refresh();
    return true;
}

void CFwUp::DoDataExchange(DataExchange& exchange) {
    exchange.Text(IDC_FW_MODEL, model_);
    exchange.Text(IDC_FW_FIRMWARE_VERSION, firmwareVersion_);
    exchange.Text(IDC_FW_EMULATION1_VERSION, emulation1Version_);
    exchange.Text(IDC_FW_EMULATION2_VERSION, emulation2Version_);
    exchange.Text(IDC_FW_FILE_NAME, fileName_);
    exchange.Text(IDC_FW_FILE_SIZE, fileSize_);
    exchange.Text(IDC_FW_PERCENT, percent_);
    exchange.Text(IDC_FW_MESSAGE, message_);
    ProgressPosition(exchange, IDC_FW_PROGRESS, progress_);
}

bool CFwUp::OnButtonClicked(int id) {
    switch (id) {
        case IDC_FW_REFRESH:
            Refresh();
            return true;
        case IDC_FW_BROWSE:
            Browse();
            return true;
        case IDC_FW_UPDATE:
            Download();
            return true;
        default:
            return false;
    }
}

void CFwUp::Refresh() {
    if (!RunPageExchange(context_, ui_,
                         [&] { return ReadSystemRecord(context_.link, context_.store.system); })) {
        return;
    }
    const SystemRecord& system = context_.store.system;
    model_ = FromDeviceText(system.modelName);
    firmwareVersion_ = FromDeviceText(system.firmwareVersion);
    emulation1Version_ = FromDeviceText(system.emulation1Version);
    emulation2Version_ = FromDeviceText(system.emulation2Version);
    UpdateData(false);
}

void CFwUp::Browse() {
    FileDialogOptions options;
    // Any file may be an image: its first bytes decide, not its name.
    options.filter = LoadResString(IDS_FIRMWARE_FILE_FILTER);
    const std::optional<tstring> chosen = ui_.OpenFileName(hwnd(), options);
    if (!chosen) return;

    fileName_ = *chosen;
    const FirmwareImageCheck check = CheckFirmwareImage(context_.os, Utf8FromText(fileName_));
    if (!check.opened) {
        // Name and size go from the screen together: the previous file's size beside no name,
        // or a name beside a dead button, would each tell the user something false.
        fileName_.clear();
        fileSize_.clear();
        EnableUpdate(false);
        UpdateData(false);
        return;
    }
    const std::string size = check.SizeText();
    fileSize_.assign(size.begin(), size.end());
    if (check.valid) {
        EnableUpdate(true);
    } else {
        message_ = LoadResString(IDS_INVALID_FIRMWARE);
        EnableUpdate(false);
    }
    UpdateData(false);
}

void CFwUp::Download() {
    DownloadProgress progress(*this);
    switch (DownloadFirmware(context_.link, Utf8FromText(fileName_), progress)) {
        case FirmwareDownloadOutcome::Completed:
            ui_.ShowMessage(ui_.MainWindow(), IDS_UPDATE_COMPLETE, MB_OK);
            // Ready for the next image.
            message_ = LoadResString(IDS_CHOOSE_FIRMWARE);
            fileName_.clear();
            fileSize_.clear();
            progress_ = 0;
            percent_.clear();
            EnableUpdate(false);
            break;
        case FirmwareDownloadOutcome::FileNotOpened:
            fileName_.clear();
            fileSize_.clear();
            EnableUpdate(false);
            break;
        // The file stays chosen, so the user can start again.
        case FirmwareDownloadOutcome::WriteFailed:
            message_ = LoadResString(IDS_WRITE_FAILED);
            break;
        case FirmwareDownloadOutcome::ReadFailed:
            message_ = LoadResString(IDS_READ_FAILED);
            break;
    }
    UpdateData(false);
}

void CFwUp::EnableUpdate(bool enable) {
    ::EnableWindow(Item(IDC_FW_UPDATE), enable ? TRUE : FALSE);
}

void CFwUp::RepaintNow() {
    ::UpdateWindow(hwnd());
    for (int id : kValueControls) ::UpdateWindow(Item(id));
}

}  // namespace pd
