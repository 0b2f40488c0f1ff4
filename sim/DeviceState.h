// What the virtual device remembers: the blocks it answers with and what it was sent. The
// demo simulator keeps it in a file between runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pd::sim {

inline constexpr int kSystemPayloadSize = 265;      // reply bytes 4..268
inline constexpr int kFaxSettingsPayloadSize = 23;  // reply bytes 4..26
inline constexpr int kPhonebookRecordSize = 67;
inline constexpr int kPhonebookEntries = 80;
// The largest firmware image the device has room for; a larger one is refused as it arrives.
inline constexpr std::size_t kFirmwareCapacity = std::size_t{64} << 20;

struct DeviceState {
    // The system block as the device sends it after the reply header (so index i is reply
    // byte i + 4): identity, versions, counters and the advanced options.
    std::array<std::uint8_t, kSystemPayloadSize> systemData{};
    // The fax-settings block after the reply header (index i is reply byte i + 4); the 17
    // settings are indexes 6..22.
    std::array<std::uint8_t, kFaxSettingsPayloadSize> faxSettings{};
    // The phonebook as entry records (entry number, 20 name bytes, 46 number bytes), one per
    // position, in position order.
    std::vector<std::uint8_t> phonebook =
        std::vector<std::uint8_t>(kPhonebookEntries * kPhonebookRecordSize, 0xFF);
    // The last firmware image streamed to the device, byte for byte.
    std::vector<std::uint8_t> firmwareImage;
    // Fields of the state file that this build does not know (a newer one wrote them), as the
    // file held them, tag and length included: written back as they came.
    std::vector<std::uint8_t> unknownFields;
};

// A device fresh from the factory: model, versions, counters, sensible settings and an empty
// phonebook.
DeviceState FactoryDeviceState();

// Fills the phonebook of `state` with the demo's sample entries: a dozen invented names and
// numbers (some with the device's Ä and Ö), two group-dial entries, the rest blank. Only the
// demo simulator's fresh device gets them; tests keep their own contents.
void PutSamplePhonebook(DeviceState& state);

}  // namespace pd::sim
