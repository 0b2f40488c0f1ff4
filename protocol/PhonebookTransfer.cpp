#include "protocol/PhonebookTransfer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "protocol/ByteOrder.h"
#include "protocol/Exchange.h"

namespace pd {

namespace {

using Buffer = std::unique_ptr<std::uint8_t[]>;

// The transfers report a missing buffer as a failed exchange, never as an exception.
Buffer Allocate(int size) { return Buffer(new (std::nothrow) std::uint8_t[size]); }

// The device pads its texts with spaces; they end at the first zero byte or at the field's
// end, and each trailing space becomes a zero.
void TrimTrailingSpaces(std::uint8_t* field, int width) {
    std::size_t length = strnlen(reinterpret_cast<const char*>(field), width);
    while (length > 0 && field[length - 1] == kDevicePad) field[--length] = 0;
}

void StoreRecord(const std::uint8_t* record, PhonebookTable& table) {
    const int entryNumber = record[0];
    if (entryNumber < 1 || entryNumber > table.size()) return;
    // The entry is overwritten field by field; its terminator bytes keep what they hold.
    const auto entry = table.Entry(entryNumber - 1);
    std::copy_n(record + kRecordNameOffset, kNameWidth, entry.begin() + kNameOffset);
    TrimTrailingSpaces(entry.data() + kNameOffset, kNameWidth);
    std::copy_n(record + kRecordNumberOffset, kNumberWidth, entry.begin() + kNumberOffset);
    TrimTrailingSpaces(entry.data() + kNumberOffset, kNumberWidth);
}

// The record of table position `position`: a group-dial entry's data travels like a number.
void PutRecord(std::uint8_t* record, const PhonebookTable& table, int position) {
    record[0] = static_cast<std::uint8_t>(position + 1);
    const std::string name = table.Name(position);
    const std::string number = table.Number(position);
    std::memcpy(record + kRecordNameOffset, name.data(), name.size());
    std::memcpy(record + kRecordNumberOffset, number.data(), number.size());
}

}  // namespace

bool ReadPhonebook(DeviceLink& link, PhonebookTable& table, PhonebookReadNotes* notes) {
    const int n = table.size();
    if (n > kMaxPhonebookRecords) return false;
    const int recordBytes = n * kRecordSize;
    const int bufferSize = kPhonebookHeadSize + recordBytes;
    const Buffer buffer = Allocate(bufferSize);
    if (!buffer) return false;
    std::fill_n(buffer.get(), bufferSize, std::uint8_t{0});

    int received = 0;
    if (!WriteThenRead(link, kPhonebookReadCommand, kBlockReadWaitMs,
                       {buffer.get(), static_cast<std::size_t>(kPhonebookHeadSize)}, &received)) {
        return false;
    }
    if (received != kPhonebookHeadSize) return false;

    link.os().Sleep(kPhonebookRecordsPauseMs);
    std::uint8_t* records = buffer.get() + kPhonebookHeadSize;
    const int arrived = TransferWithRetries(
        link.os(), recordBytes, kPhonebookRetryPauseMs,
        [&](int offset, int length) { return link.ChannelRead(records + offset, length); });
    // A head followed by (next to) nothing is no phonebook.
    if (arrived <= kPhonebookHeadSize) return false;

    // Records are stored only once the whole announced phonebook is here: a partial one would
    // leave the table a mixture that neither side ever held.
    const int announced = std::min<int>(buffer[kPhonebookHeadCountOffset], n);
    if (arrived / kRecordSize < announced) return false;
    std::vector<bool> given(static_cast<std::size_t>(n) + 1, false);
    for (int i = 0; i < announced; ++i) {
        const std::uint8_t* record = records + i * kRecordSize;
        StoreRecord(record, table);
        if (!notes) continue;
        const int entryNumber = record[0];
        if (entryNumber < 1 || entryNumber > n) {
            ++notes->skipped;
        } else if (given[entryNumber]) {
            notes->repeated.push_back(entryNumber);
        } else {
            given[entryNumber] = true;
        }
    }
    return true;
}

bool WritePhonebook(DeviceLink& link, const PhonebookTable& table) {
    const int n = table.size();
    if (n > kMaxPhonebookRecords) return false;
    const int frameSize = kPhonebookFrameHeaderSize + n * kRecordSize;
    const Buffer frame = Allocate(frameSize);
    if (!frame) return false;

    std::fill_n(frame.get(), frameSize, kRecordFill);
    frame[0] = kEscape;
    frame[1] = kClassPanel;
    WriteBe16(frame.get() + 2, static_cast<std::uint16_t>(frameSize - kFrameHeaderSize));
    std::copy(kPhonebookWriteOperation.begin(), kPhonebookWriteOperation.end(), frame.get() + 4);
    frame[kPhonebookFrameCountOffset] = static_cast<std::uint8_t>(n);
    for (int position = 0; position < n; ++position) {
        PutRecord(frame.get() + kPhonebookFrameHeaderSize + position * kRecordSize, table,
                  position);
    }

    Os& os = link.os();
    const int written = TransferWithRetries(
        os, frameSize, kPhonebookRetryPauseMs,
        [&](int offset, int length) { return link.ChannelWrite(frame.get() + offset, length); });
    os.Sleep(kPhonebookAcknowledgePauseMs);
    if (written != frameSize) return false;

    // The acknowledgement lands on the frame's first bytes, which are no longer needed.
    const int acknowledged = link.ChannelRead(frame.get(), kAcknowledgementSize);
    return ReplyIsWhole({frame.get(), static_cast<std::size_t>(kAcknowledgementSize)},
                        acknowledged);
}

}  // namespace pd
