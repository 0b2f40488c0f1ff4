// firmware check and update: the firmware page's file check and download, with the bar, the
// percentage and the byte count in the terminal and the device's initialisation counted down.
#include <algorithm>
#include <istream>
#include <optional>
#include <ostream>

#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareImage.h"
#include "mf40ctl/CommandSupport.h"
#include "mf40ctl/Commands.h"
#include "mf40ctl/SleepWatchingOs.h"
#include "platform/FileReplace.h"

namespace pd::ctl {

namespace {

constexpr int kBarWidth = 30;
constexpr std::uint32_t kCountdownStepMs = 1000;

// The image must open, begin with $IMG and be no larger than the download can send; the exit
// code when it does not.
int CheckImage(CommandContext& context, const std::string& path, FirmwareImageCheck* check) {
    *check = CheckFirmwareImage(context.os, path);
    if (!check->opened) {
        return Fail(context.err, kExitBadInput, ReadProblem(path, check->openError));
    }
    if (check->tooLarge) {
        return Fail(context.err, kExitBadInput,
                    "'" + path + "' is " + std::to_string(check->size) +
                        " bytes; a firmware image is sent with a 32-bit count of its bytes, "
                        "so it can be at most " +
                        std::to_string(kLargestFirmwareImage) + " bytes; nothing was sent");
    }
    if (!check->valid) {
        return Fail(context.err, kExitBadInput,
                    "'" + path + "' is not a firmware image (it does not begin with $IMG)");
    }
    return kExitOk;
}

void ShowVersions(std::ostream& out, const SystemRecord& record) {
    out << "Model:                    " << ShownText(record.modelName) << "\n"
        << "Firmware version:         " << ShownText(record.firmwareVersion) << "\n"
        << "Emulation 1 version:      " << ShownText(record.emulation1Version) << "\n"
        << "Emulation 2 version:      " << ShownText(record.emulation2Version) << "\n";
}

bool Confirmed(CommandContext& context) {
    context.err << "Send this image to the device? Do not switch the device off until it has "
                   "fully initialised. [y/N] "
                << std::flush;
    std::string answer;
    if (!std::getline(context.in, answer)) answer.clear();
    for (char& c : answer) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return answer == "y" || answer == "yes";
}

class TerminalProgress : public FirmwareDownloadObserver {
public:
    TerminalProgress(std::ostream& err, std::uint64_t size) : err_(err), size_(size) {}

    void OnTransferStart() override {
        err_ << "Starting the transfer; the device gets 5 s to prepare.\n";
    }
    void OnBlockSent(std::uint32_t sent, int percent) override {
        sent_ = sent;
        const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
        err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent
             << " %  " << sent << " of " << size_ << " bytes transferred" << std::flush;
    }
    void OnDataWritten() override {
        err_ << "\nData written. Do not switch the device off before it has fully "
                "initialised:\nit now takes the new firmware into use, which takes 40 seconds.\n";
        dataWritten = true;
    }

    bool dataWritten = false;
    std::uint32_t sent() const { return sent_; }

private:
    std::ostream& err_;
    std::uint64_t size_;
    std::uint32_t sent_ = 0;
};

}  // namespace

int FirmwareCheckCommand(CommandContext& context, const std::string& path) {
    FirmwareImageCheck check;
    if (const int code = CheckImage(context, path, &check)) return code;
    context.out << "Image:                    " << EscapeForTerminal(path) << "\n"
                << "Size:                     " << check.SizeText() << "\n";
    DeviceSession session(context.os);
    if (const int code = session.Open(context.link, context.err)) return code;
    SystemRecord& record = session.panel().store.system;
    if (!Exchange(session, [&] { return ReadSystemRecord(session.link(), record); })) {
        return NoAnswer(context.err, "system data read");
    }
    ShowVersions(context.out, record);
    return kExitOk;
}

int FirmwareUpdateCommand(CommandContext& context, const std::string& path, bool assumeYes) {
    FirmwareImageCheck check;
    if (const int code = CheckImage(context, path, &check)) return code;

    SleepWatchingOs os(context.os);
    std::optional<DeviceSession> session;
    session.emplace(os);
    if (const int code = session->Open(context.link, context.err)) return code;
    SystemRecord& record = session->panel().store.system;
    if (!Exchange(*session, [&] { return ReadSystemRecord(session->link(), record); })) {
        return NoAnswer(context.err, "system data read");
    }
    context.err << "Image " << EscapeForTerminal(path) << ": " << check.SizeText() << "\n";
    ShowVersions(context.err, record);
    if (!assumeYes) {
        // Nobody else waits for the answer: the port, and the native build's state file, are
        // let go while the question is open, and taken again for the download.
        session.reset();
        if (context.letGo) {
            if (const int code = context.letGo()) return code;
        }
        if (!Confirmed(context)) {
            return Fail(context.err, kExitBadInput, "update not confirmed; nothing was sent");
        }
        if (context.takeBack) {
            if (const int code = context.takeBack()) return code;
        }
        // The file may have changed while the question was open.
        if (const int code = CheckImage(context, path, &check)) return code;
        session.emplace(os);
        if (const int code = session->Open(context.link, context.err)) return code;
    }

    TerminalProgress progress(context.err, check.size);
    // Once the data is written, the device's long wait is taken a second at a time.
    os.onSleep = [&](std::uint32_t milliseconds) {
        if (!progress.dataWritten) {
            os.inner().Sleep(milliseconds);
            return;
        }
        for (std::uint32_t left = milliseconds; left > 0;) {
            context.err << "\rThe device is initialising: " << (left + 999) / 1000 << " s left   "
                        << std::flush;
            const std::uint32_t step = std::min(left, kCountdownStepMs);
            os.inner().Sleep(step);
            left -= step;
        }
        context.err << "\rThe device is initialising: done.     \n";
    };
    const FirmwareDownloadOutcome outcome = DownloadFirmware(session->link(), path, progress);
    os.onSleep = nullptr;
    switch (outcome) {
        case FirmwareDownloadOutcome::Completed:
            context.err << "The update is complete.\n";
            return kExitOk;
        case FirmwareDownloadOutcome::FileNotOpened:
            return Fail(context.err, kExitBadInput,
                        "cannot read '" + path +
                            "' any more: " + DescribeFileError(context.os.LastFileError()));
        case FirmwareDownloadOutcome::ReadFailed:
            context.err << "\n";
            return Fail(context.err, kExitWriteFailed,
                        "reading the image failed during the transfer; the device may hold a "
                        "partial image: run the update again");
        case FirmwareDownloadOutcome::WriteFailed:
            break;
    }
    context.err << "\n";
    if (progress.sent() == 0) {
        return Fail(context.err, kExitWriteFailed,
                    "writing the data failed: the device did not take the start of the update");
    }
    return Fail(context.err, kExitWriteFailed,
                "writing the data failed: the device stopped taking the image after " +
                    std::to_string(progress.sent()) + " of " + std::to_string(check.size) +
                    " bytes (a device without room for an image refuses it so); it may hold a "
                    "partial image");
}

}  // namespace pd::ctl
