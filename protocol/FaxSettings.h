// The device's fax and paper settings: 17 one-byte values, in the order the device carries
// them both ways.
#pragma once

#include <cstdint>

#include "link/DeviceLink.h"

namespace pd {

struct FaxSettingsRecord {
    std::uint8_t trayPaperSize = 0;
    std::uint8_t bypassPaperSize = 0;
    std::uint8_t bypassPaperType = 0;
    std::uint8_t sendConfirmation = 0;
    std::uint8_t autoJournal = 0;
    std::uint8_t remoteReceiveCode = 0;
    std::uint8_t powerSave = 0;
    std::uint8_t ecmMode = 0;
    std::uint8_t receiveReduction = 0;
    std::uint8_t horizontalReduction = 0;
    std::uint8_t discardLength = 0;
    std::uint8_t redialInterval = 0;
    std::uint8_t redialAttempts = 0;
    std::uint8_t answerDelay = 0;
    std::uint8_t sendFromMemory = 0;
    std::uint8_t deviceIdEnabled = 0;
    std::uint8_t clockFormat = 0;

    friend bool operator==(const FaxSettingsRecord&, const FaxSettingsRecord&) = default;
};
static_assert(sizeof(FaxSettingsRecord) == 17, "one byte per setting, in wire order");

inline constexpr int kFaxSettingsCount = 17;
inline constexpr int kFaxSettingsReplySize = 27;
inline constexpr int kFaxSettingsFrameSize = 26;

// Reads the settings into `record`; on any failure `record` is left as it was.
bool ReadFaxSettings(DeviceLink& link, FaxSettingsRecord& record);
// Sends `record` whole; true when the whole frame was handed to the link.
bool WriteFaxSettings(DeviceLink& link, const FaxSettingsRecord& record);

}  // namespace pd
