#include "firmware/FirmwareDownload.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <new>

#include "platform/ScopedFile.h"
#include "protocol/ByteOrder.h"
#include "protocol/Exchange.h"
#include "protocol/Frames.h"

namespace pd {

namespace {

constexpr int kStartLength = static_cast<int>(kFirmwareStartChannel.size());

int DriverWrite(Os& os, FileHandle driver, const std::uint8_t* data, int length) {
    std::uint32_t written = 0;
    os.WriteFile(driver, data, static_cast<std::uint32_t>(length), &written);
    return ClampCount(written, length);
}

// The channel routes answer the start. A first answer that is short or not a frame gets one
// more start after a long pause; the second answer only has to be whole.
bool StartOverChannel(DeviceLink& link, std::uint8_t* answer) {
    Os& os = link.os();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) os.Sleep(kFirmwareStartRepeatPauseMs);
        if (link.ChannelWrite(kFirmwareStartChannel.data(), kStartLength) < kStartLength) {
            return false;
        }
        os.Sleep(kFirmwareStartAnswerPauseMs);
        const int received = link.ChannelRead(answer, kFirmwareStartAnswerSize);
        if (received == kFirmwareStartAnswerSize && (attempt > 0 || answer[0] == kEscape)) {
            return true;
        }
    }
    return false;
}

// The driver is turned round and set to its transfer mode before the start; what it answers
// to the controls changes nothing here. No answer to the start is read on this route.
bool StartOverEcpDriver(Os& os, FileHandle driver) {
    os.DeviceControl(driver, kEcpControlA, &kEcpControlAInput, 1);
    os.DeviceControl(driver, kEcpControlB, &kEcpControlBInput, 1);
    std::array<std::uint8_t, 4> mode{};
    WriteLe32(mode.data(), kEcpControlCInput);
    os.DeviceControl(driver, kEcpControlC, mode.data(), static_cast<std::uint32_t>(mode.size()));
    return DriverWrite(os, driver, kFirmwareStartParallel.data(), kStartLength) == kStartLength;
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
FirmwareDownloadOutcome Transfer(Os& os, FileHandle image, std::uint8_t* buffer,
                                 const Write& write, FirmwareDownloadObserver& observer) {
    std::uint64_t fileSize = 0;
    if (!os.GetFileSize(image, &fileSize) ||
        fileSize > std::numeric_limits<std::uint32_t>::max()) {
        return FirmwareDownloadOutcome::ReadFailed;
    }
    const auto size = static_cast<std::uint32_t>(fileSize);
    observer.OnTransferStart();
    os.Sleep(kFirmwareBeforeFirstBlockMs);

    std::uint32_t sent = 0;
    while (sent < size) {
        // Never past the size taken at the start, even from a file that has grown since.
        const std::uint32_t wanted =
            std::min<std::uint32_t>(kFirmwareBlockSize, size - sent);
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

FirmwareRoute ChooseFirmwareRoute(const LinkState& state) {
    if (state.directPortIo) return FirmwareRoute::DirectPort;
    if (IsEcpLink(state.linkIndex)) return FirmwareRoute::EcpDriver;
    return FirmwareRoute::Channel;
}

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

    const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                                     std::uint8_t[kFirmwareBlockSize]());
    if (!buffer) return FirmwareDownloadOutcome::WriteFailed;

    switch (ChooseFirmwareRoute(link.state())) {
        case FirmwareRoute::Channel: {
            if (!StartOverChannel(link, buffer.get())) return FirmwareDownloadOutcome::WriteFailed;
            const auto write = [&](const std::uint8_t* data, int length) {
                return link.ChannelWrite(data, length);
            };
            return Transfer(os, image.get(), buffer.get(), write, observer);
        }
        case FirmwareRoute::EcpDriver: {
            // Held open for the start and every block, closed whichever way the download ends.
            ScopedFile driver(os, os.OpenFile(LinkName(link.state().linkIndex), access::kWrite,
                                              share::kNone, disposition::kOpenExisting,
                                              attributes::kNone));
            if (!driver || !StartOverEcpDriver(os, driver.get())) {
                return FirmwareDownloadOutcome::WriteFailed;
            }
            const auto write = [&](const std::uint8_t* data, int length) {
                return DriverWrite(os, driver.get(), data, length);
            };
            return Transfer(os, image.get(), buffer.get(), write, observer);
        }
        case FirmwareRoute::DirectPort: {
            DirectPort& port = link.directPort();
            if (port.DirectPortWrite(kFirmwareStartParallel.data(), kStartLength) < kStartLength) {
                return FirmwareDownloadOutcome::WriteFailed;
            }
            const auto write = [&](const std::uint8_t* data, int length) {
                return port.DirectPortWrite(data, length);
            };
            return Transfer(os, image.get(), buffer.get(), write, observer);
        }
    }
    return FirmwareDownloadOutcome::WriteFailed;
}

}  // namespace pd
