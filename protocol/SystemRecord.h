// The device's system data: identity, versions, counters, free memory and the advanced
// options the user may change.
#pragma once

#include <cstdint>

#include "link/DeviceLink.h"

namespace pd {

// Texts are stored with one byte more than their width, so they are always terminated.
struct SystemRecord {
    char modelName[32 + 1] = {};
    char deviceIdNumber[20 + 1] = {};
    char deviceIdName[20 + 1] = {};
    char firmwareVersion[5 + 1] = {};
    char engineVersion[5 + 1] = {};
    char emulation1Version[15 + 1] = {};
    char emulation2Version[15 + 1] = {};
    std::uint8_t freeMemoryPercent = 0;
    std::uint32_t platenScanCount = 0;
    std::uint32_t feederScanCount = 0;
    std::uint32_t printCount = 0;
    std::uint32_t drumCount = 0;
    std::uint32_t documentJamCount = 0;
    std::uint32_t paperJamCount = 0;
    std::uint8_t receiveMode = 0;
    char numberPrefix[5 + 1] = {};
    std::uint8_t ringVolume = 0;
    std::uint8_t alarmSound = 0;
    std::uint8_t keySound = 0;
    std::uint8_t speakerMode = 0;
    std::uint8_t language = 0;
    std::uint8_t tonerSave = 0;
    std::uint8_t usbMode = 0;
    std::uint8_t duplexFax = 0;
    std::uint8_t imageQuality = 0;
    std::uint8_t tonerNotice = 0;
    char customerName[20 + 1] = {};
    char customerNumber[20 + 1] = {};
    char serviceNumber[46 + 1] = {};
    char serialNumber[20 + 1] = {};

    friend bool operator==(const SystemRecord&, const SystemRecord&) = default;
};

inline constexpr int kSystemReplySize = 269;
inline constexpr int kAdvancedFrameSize = 171;

// Reads the system data into `record`; on any failure `record` is left as it was.
bool ReadSystemRecord(DeviceLink& link, SystemRecord& record);
// Sends the writable fields of `record`; true when the whole frame was handed to the link.
bool WriteAdvancedOptions(DeviceLink& link, const SystemRecord& record);

}  // namespace pd
