// Everything of the device that can be written back, in one JSON document: the fax settings
// and advanced options by their field names (in the same forms as `settings get --json`),
// the phonebook's entries that are not blank, and the model and firmware they came from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/DeviceDataStore.h"
#include "protocol/PhonebookTable.h"

namespace pd::ctl {

inline constexpr const char* kBackupFormat = "mf40ctl backup";
inline constexpr int kBackupFormatVersion = 1;

struct DeviceSnapshot {
    std::string model;            // Windows-1252, without trailing spaces
    std::string firmwareVersion;  // Windows-1252, without trailing spaces
    FaxSettingsRecord faxSettings;
    SystemRecord system;  // its writable fields; texts without trailing spaces
    PhonebookTable phonebook{kSpeedDialCount, kOneTouchCount};
};

std::string WriteBackupDocument(const DeviceSnapshot& snapshot);

struct BackupReading {
    std::optional<DeviceSnapshot> snapshot;  // only when there is no problem at all
    std::vector<std::string> problems;       // "where: what", one per fault found
};

// Reads and checks the whole document; every value must be one the pages could hold, or the
// {"deviceByte": n} form a backup uses for a byte the page cannot show.
BackupReading ReadBackupDocument(std::string_view text);

}  // namespace pd::ctl
