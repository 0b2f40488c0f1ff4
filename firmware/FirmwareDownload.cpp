#include "firmware/FirmwareDownload.h"

#include <algorithm>
#include <memory>
#include <new>

#include "firmware/FirmwareImage.h"
#include "platform/ScopedFile.h"
#include "protocol/Exchange.h"
#include "protocol/Frames.h"

namespace pd {

namespace {

constexpr int kStartLength = static_cast<int>(kFirmwareStartChannel.size());

// The channel routes answer the start. A first answer that is short or not a frame gets one
// more start after a long pause; the second answer only has to be whole. The parallel routes
// take their own form of the start and answer nothing.
bool Start(Os& os, FirmwareStream& stream, std::uint8_t* answer) {
    if (!stream.AnswersStart()) {
        return stream.Write(kFirmwareStartParallel.data(), kStartLength) == kStartLength;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) os.Sleep(kFirmwareStartRepeatPauseMs);
        if (stream.Write(kFirmwareStartChannel.data(), kStartLength) < kStartLength) {
            return false;
        }
        os.Sleep(kFirmwareStartAnswerPauseMs);
        const int received = stream.ReadAnswer(answer, kFirmwareStartAnswerSize);
        if (received == kFirmwareStartAnswerSize && (attempt > 0 || answer[0] == kEscape)) {
            return true;
        }
    }
    return false;
}

// One block, with the pauses a device that stops taking data gets: the rest is written once
// more after a second, and once again after another second only if that moved nothing.
template <typename Write>
bool WriteBlock(Os& os, const Write& write, const std::uint8_t* block, int length) {
    return TransferWithRetries(os, length, kFirmwareRetryPauseMs, [&](int offset, int rest) {
               return write(block + offset, rest);
           }) == length;
}

template <typename Write>
FirmwareDownloadOutcome Transfer(Os& os, FileHandle image, std::uint32_t size, std::uint8_t* buffer,
                                 const Write& write, FirmwareDownloadObserver& observer) {
    observer.OnTransferStart();
    os.Sleep(kFirmwareBeforeFirstBlockMs);

    std::uint32_t sent = 0;
    while (sent < size) {
        // Never past the size taken at the start, even from a file that has grown since.
        const std::uint32_t wanted = std::min<std::uint32_t>(kFirmwareBlockSize, size - sent);
        std::uint32_t got = 0;
        // A file that ends early (cut short, or a read error) ends the download; the device
        // cannot be given bytes that are not there.
        if (!os.ReadFile(image, buffer, wanted, &got) || got == 0) {
            return FirmwareDownloadOutcome::ReadFailed;
        }
        const int block = static_cast<int>(std::min(got, wanted));
        if (!WriteBlock(os, write, buffer, block)) return FirmwareDownloadOutcome::WriteFailed;
        sent += static_cast<std::uint32_t>(block);
        observer.OnBlockSent(sent, FirmwareDownloadPercent(sent, size));
    }
    observer.OnDataWritten();
    os.Sleep(kFirmwareAfterCompletionMs);
    return FirmwareDownloadOutcome::Completed;
}

}  // namespace

int FirmwareDownloadPercent(std::uint32_t sent, std::uint32_t size) {
    if (size == 0) return 0;
    // Each step rounded to double, as the page has always shown it (28 after 29 of 100
    // blocks). An x87 build would otherwise keep extended precision between the steps.
    const volatile double fraction = static_cast<double>(sent) / static_cast<double>(size);
    const volatile double percent = fraction * 100.0;
    return static_cast<int>(percent);
}

FirmwareDownloadOutcome DownloadFirmware(DeviceLink& link, const std::string& imagePath,
                                         FirmwareDownloadObserver& observer) {
    Os& os = link.os();
    ScopedFile image(os, os.OpenFile(imagePath, access::kRead, share::kRead,
                                     disposition::kOpenExisting, attributes::kNormal));
    if (!image) return FirmwareDownloadOutcome::FileNotOpened;
    observer.OnFileOpened();
    // Its size goes as a 32-bit count: a larger file is never started, so that the device is
    // not left waiting for an image that cannot come.
    std::uint64_t fileSize = 0;
    if (!os.GetFileSize(image.get(), &fileSize) || fileSize > kLargestFirmwareImage) {
        return FirmwareDownloadOutcome::ReadFailed;
    }

    const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                                     std::uint8_t[kFirmwareBlockSize]());
    if (!buffer) return FirmwareDownloadOutcome::WriteFailed;

    // Whatever the route opens for the download stays open for the start and every block.
    FirmwareStream stream(link.ActiveRoute());
    if (!stream || !Start(os, stream, buffer.get())) return FirmwareDownloadOutcome::WriteFailed;
    const auto write = [&](const std::uint8_t* data, int length) {
        return stream.Write(data, length);
    };
    return Transfer(os, image.get(), static_cast<std::uint32_t>(fileSize), buffer.get(), write,
                    observer);
}

}  // namespace pd
