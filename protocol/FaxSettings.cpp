#include "protocol/FaxSettings.h"

#include <algorithm>
#include <array>

#include "protocol/Exchange.h"
#include "protocol/Frames.h"

namespace pd {

namespace {

// The settings in the order both directions carry them, back to back.
constexpr std::array<std::uint8_t FaxSettingsRecord::*, kFaxSettingsCount> kWireOrder = {
    &FaxSettingsRecord::trayPaperSize,    &FaxSettingsRecord::bypassPaperSize,
    &FaxSettingsRecord::bypassPaperType,  &FaxSettingsRecord::sendConfirmation,
    &FaxSettingsRecord::autoJournal,      &FaxSettingsRecord::remoteReceiveCode,
    &FaxSettingsRecord::powerSave,        &FaxSettingsRecord::ecmMode,
    &FaxSettingsRecord::receiveReduction, &FaxSettingsRecord::horizontalReduction,
    &FaxSettingsRecord::discardLength,    &FaxSettingsRecord::redialInterval,
    &FaxSettingsRecord::redialAttempts,   &FaxSettingsRecord::answerDelay,
    &FaxSettingsRecord::sendFromMemory,   &FaxSettingsRecord::deviceIdEnabled,
    &FaxSettingsRecord::clockFormat,
};

// The reply puts six bytes the panel does not interpret between its header and the settings;
// the write frame puts the settings straight after its header.
constexpr int kReplyFieldsOffset = 10;
constexpr int kFrameFieldsOffset = kBlockFrameHeaderSize;

static_assert(kReplyFieldsOffset + kFaxSettingsCount == kFaxSettingsReplySize);
static_assert(kFrameFieldsOffset + kFaxSettingsCount == kFaxSettingsFrameSize);
static_assert(((kFaxSettingsWriteHeader[2] << 8) | kFaxSettingsWriteHeader[3]) + kFrameHeaderSize ==
                  kFaxSettingsFrameSize,
              "the write frame's count covers everything after its first four bytes");

}  // namespace

bool ReadFaxSettings(DeviceLink& link, FaxSettingsRecord& record) {
    std::array<std::uint8_t, kFaxSettingsReplySize> reply{};
    int received = 0;
    if (!WriteThenRead(link, kFaxSettingsReadCommand, kBlockReadWaitMs, reply, &received)) {
        return false;
    }
    // Nothing is taken from a reply that is not the whole block with a header that agrees:
    // settings that never arrived would read as zeros, and the Settings page would write
    // those zeros back to the device on its next apply.
    if (received != kFaxSettingsReplySize || !ReplyIsWhole(reply, received)) return false;

    for (int i = 0; i < kFaxSettingsCount; ++i) {
        record.*kWireOrder[static_cast<std::size_t>(i)] = reply[kReplyFieldsOffset + i];
    }
    return true;
}

bool WriteFaxSettings(DeviceLink& link, const FaxSettingsRecord& record) {
    std::array<std::uint8_t, kFaxSettingsFrameSize> frame{};
    std::copy(kFaxSettingsWriteHeader.begin(), kFaxSettingsWriteHeader.end(), frame.begin());
    for (int i = 0; i < kFaxSettingsCount; ++i) {
        frame[static_cast<std::size_t>(kFrameFieldsOffset + i)] =
            record.*kWireOrder[static_cast<std::size_t>(i)];
    }

    // The acknowledgement is read and not examined: a device that took the whole frame and
    // then stays silent has still taken the settings.
    std::array<std::uint8_t, kAcknowledgementSize> acknowledgement{};
    int received = 0;
    return WriteThenRead(link, frame, kFaxSettingsWriteWaitMs, acknowledgement, &received);
}

}  // namespace pd
