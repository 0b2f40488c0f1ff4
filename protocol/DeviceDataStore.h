// The process-wide block of device data the pages show and the record operations fill.
#pragma once

#include <cstdint>

#include "protocol/FaxSettings.h"
#include "protocol/SystemRecord.h"

namespace pd {

// The phonebook's two sections, fixed for the run.
inline constexpr std::uint8_t kSpeedDialCount = 80;
inline constexpr std::uint8_t kOneTouchCount = 0;

struct DeviceDataStore {
    SystemRecord system;
    FaxSettingsRecord faxSettings;
    std::uint8_t oneTouchCount = kOneTouchCount;
    std::uint8_t speedDialCount = kSpeedDialCount;
};

// Clears every record and sets the two phonebook counts.
inline void ResetDeviceDataStore(DeviceDataStore& store) {
    store = DeviceDataStore{};
    store.oneTouchCount = kOneTouchCount;
    store.speedDialCount = kSpeedDialCount;
}

}  // namespace pd
