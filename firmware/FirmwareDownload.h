// The firmware download: a start command over the active route, then the whole image file
// in 4096-byte blocks, with progress reported after every block. The page owns the texts,
// the bar and the message box; this is everything between its button and its outcome.
#pragma once

#include <cstdint>
#include <string>

#include "link/DeviceLink.h"

namespace pd {

enum class FirmwareDownloadOutcome {
    Completed,      // every byte went out and the 40 s wait for the device has passed
    FileNotOpened,  // the file is gone: nothing was sent and nothing is to be shown
    WriteFailed,    // "Tietojen kirjoittaminen ei onnistunut." (string 102)
    ReadFailed,     // "Tietojen lukeminen ei onnistunut." (string 103)
};

// What the page hears while a download runs; every call comes on the calling thread, in the
// order below.
class FirmwareDownloadObserver {
public:
    virtual ~FirmwareDownloadObserver() = default;

    // The file is open and the download begins (the page shows the wait cursor).
    virtual void OnFileOpened() {}
    // The device has taken the start; the blocks follow (the page resets its bar to 0..100).
    virtual void OnTransferStart() {}
    // After every block: bytes sent so far and the percentage to show.
    virtual void OnBlockSent(std::uint32_t sent, int percent) = 0;
    // All bytes are out; the 40 s wait for the device to initialise comes next.
    virtual void OnDataWritten() = 0;
};

// The percentage shown after `sent` of `size` bytes: the fraction in double precision first,
// then times 100, truncated. Where the exact value is whole it can come out one below.
int FirmwareDownloadPercent(std::uint32_t sent, std::uint32_t size);

// Downloads the image file at `imagePath` over the link's active route. Blocks the
// calling thread for the whole download (at least 45 s when it completes).
FirmwareDownloadOutcome DownloadFirmware(DeviceLink& link, const std::string& imagePath,
                                         FirmwareDownloadObserver& observer);

// Block size and the pauses of the download, in milliseconds.
inline constexpr int kFirmwareBlockSize = 4096;
inline constexpr int kFirmwareStartAnswerSize = 9;
inline constexpr std::uint32_t kFirmwareStartAnswerPauseMs = 500;
inline constexpr std::uint32_t kFirmwareStartRepeatPauseMs = 6000;
inline constexpr std::uint32_t kFirmwareBeforeFirstBlockMs = 5000;
inline constexpr std::uint32_t kFirmwareRetryPauseMs = 1000;
inline constexpr std::uint32_t kFirmwareAfterCompletionMs = 40000;

}  // namespace pd
