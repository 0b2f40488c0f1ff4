// The phonebook between the device and the table: one reply with every record the device
// sends, one frame with every position of the table. Both are too large to count on a single
// channel call, so a transfer that stops short is continued after a pause.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "link/DeviceLink.h"
#include "protocol/Frames.h"
#include "protocol/PhonebookTable.h"

namespace pd {

// An entry record on the wire, the same in both directions: the entry number (position + 1),
// the name and the number, without terminating zeros.
inline constexpr int kRecordSize = 67;
inline constexpr int kRecordNameOffset = 1;
inline constexpr int kRecordNumberOffset = 21;
// Entry numbers and the frame's record count are single bytes.
inline constexpr int kMaxPhonebookRecords = 255;

// The reply to the read: the reply header, six bytes the panel does not interpret, the count
// of records that follow, then the records in any order.
inline constexpr int kPhonebookHeadSize = 11;
inline constexpr int kPhonebookHeadCountOffset = 10;

// The write frame: escape, class, length, write-phonebook operation, the record count, then
// one record per table position in table order.
inline constexpr std::array<std::uint8_t, 5> kPhonebookWriteOperation = {
    0x50, 0xE0, 0x82, kOpWriteBlock, kBlockPhonebook};
inline constexpr int kPhonebookFrameHeaderSize = 10;
inline constexpr int kPhonebookFrameCountOffset = 9;
// What the write frame leaves behind each text, and what the device may pad with.
inline constexpr std::uint8_t kRecordFill = 0xFF;
inline constexpr std::uint8_t kDevicePad = ' ';

// Pauses between the steps of the two transfers (thread sleeps, not busy waits).
inline constexpr std::uint32_t kPhonebookRecordsPauseMs = 1000;
inline constexpr std::uint32_t kPhonebookRetryPauseMs = 500;
inline constexpr std::uint32_t kPhonebookAcknowledgePauseMs = 1000;

// What a read passed over without a word, for a caller that tells the user.
struct PhonebookReadNotes {
    int skipped = 0;            // records with entry number 0 or one beyond the table
    std::vector<int> repeated;  // entry numbers more than one record gave (the last one counts)
};

// Reads the device's phonebook into the table; each record goes to the position its entry
// number names, and positions no record names keep their content. False, with the table
// unchanged, when the command did not go out, the head did not arrive whole, no record bytes
// arrived, or fewer whole records arrived than the head announced. `notes`, when given, gets
// what was passed over.
bool ReadPhonebook(DeviceLink& link, PhonebookTable& table, PhonebookReadNotes* notes = nullptr);

// Sends every position of the table, blank ones included. True when the whole frame went out
// and the device's acknowledgement matched its own length field.
bool WritePhonebook(DeviceLink& link, const PhonebookTable& table);

}  // namespace pd
