// The in-memory image of the device's phonebook: a fixed number of 68-byte entries in the
// device's order, speed-dial section first, then the one-touch section.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pd {

inline constexpr int kEntrySize = 68;
inline constexpr int kNameOffset = 0;
inline constexpr int kNameWidth = 20;
inline constexpr int kNumberOffset = 21;
inline constexpr int kNumberWidth = 46;
inline constexpr std::uint8_t kGroupDialMarker = 0xE0;

class PhonebookTable {
public:
    // Sized from the two section counts of the device-data store.
    PhonebookTable(int speedDialCount, int oneTouchCount);

    int size() const { return count_; }
    bool Contains(int position) const;
    int speedDialCount() const { return speedDialCount_; }
    int oneTouchCount() const { return oneTouchCount_; }

    // The raw 68 bytes of the entry at `position`.
    std::span<std::uint8_t, kEntrySize> Entry(int position);
    std::span<const std::uint8_t, kEntrySize> Entry(int position) const;
    // The whole table, entry after entry.
    std::span<std::uint8_t> Bytes() { return bytes_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    // The texts, read only within their fields whatever the terminator bytes hold.
    std::string Name(int position) const;
    std::string Number(int position) const;

    // Positions outside the table are ignored by the four entry operations.
    // Zeroes the name and number fields; the terminator bytes 20 and 67 keep what they hold.
    void ClearEntry(int position);
    // Clears the entry, then stores both texts with their terminating zeros; a text longer
    // than its field is cut to the field.
    void SetEntry(int position, const std::string& name, const std::string& number);
    // The number field starts with the group-dial marker.
    bool IsGroupDial(int position) const;
    // Clears every entry of both sections except the group-dial entries.
    void ClearAllEntries();

private:
    int speedDialCount_;
    int oneTouchCount_;
    int count_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace pd
