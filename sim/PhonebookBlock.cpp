// The device's phonebook block: it answers the read with a head and its records and takes
// the write frame into its memory. Records are kept as they travel (entry number, 20 name
// bytes, 46 number bytes), in position order.
#include <algorithm>
#include <random>

#include "protocol/ByteOrder.h"
#include "protocol/Frames.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

namespace {

constexpr int kNameOffset = 1;
constexpr int kNumberOffset = 21;
constexpr std::uint8_t kFill = 0xFF;
constexpr std::uint8_t kPad = ' ';
constexpr int kHeadSize = 11;
constexpr int kWriteHeaderSize = 10;
constexpr int kWriteCountOffset = 9;
// Bytes 4..9 of the head; the panel does not look at them.
constexpr std::uint8_t kHeadInfo[6] = {0x50, 0xE0, 0x82, kOpReadBlock, kBlockPhonebook, 0x00};

bool IsBlank(const std::uint8_t* record) {
    return std::all_of(record + kNameOffset, record + kPhonebookRecordSize,
                       [](std::uint8_t b) { return b == kFill || b == kPad || b == 0; });
}

// The device shows and sends its texts space-padded; the fill the panel wrote behind them is
// not part of the text.
void PadWithSpaces(std::uint8_t* field, int width) {
    for (int i = width - 1; i >= 0 && field[i] == kFill; --i) field[i] = kPad;
}

// The acknowledgement of a write: a reply header saying 6 and six status bytes.
Bytes WriteAcknowledgement() {
    return {kEscape, kOpWriteBlock, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
}

}  // namespace

bool VirtualDevice::IsPhonebookFrame(const Bytes& frame) {
    return frame.size() >= kBlockFrameHeaderSize && frame[1] == kClassPanel &&
           (frame[7] == kOpReadBlock || frame[7] == kOpWriteBlock) && frame[8] == kBlockPhonebook;
}

std::size_t VirtualDevice::HeadTransferOf(const Bytes& frame) {
    return IsPhonebookFrame(frame) && frame[7] == kOpReadBlock ? kHeadSize : 0;
}

Bytes VirtualDevice::AnswerPhonebook(const Bytes& frame) {
    return frame[7] == kOpReadBlock ? PhonebookReadReply() : TakePhonebookWrite(frame);
}

Bytes VirtualDevice::PhonebookReadReply() const {
    const PhonebookReplyOptions& options = phonebookReply;
    const std::size_t entries = state.phonebook.size() / kPhonebookRecordSize;

    std::vector<Bytes> records;
    for (std::size_t i = 0; i < entries; ++i) {
        const auto* stored = state.phonebook.data() + i * kPhonebookRecordSize;
        if (options.onlyNonBlank && IsBlank(stored)) continue;
        Bytes record(stored, stored + kPhonebookRecordSize);
        if (options.padWithSpaces) {
            PadWithSpaces(record.data() + kNameOffset, kNumberOffset - kNameOffset);
            PadWithSpaces(record.data() + kNumberOffset, kPhonebookRecordSize - kNumberOffset);
        }
        records.push_back(std::move(record));
    }
    if (options.shuffleSeed) {
        // Fisher-Yates with our own index draw, so a seed gives the same order everywhere.
        std::mt19937 random(*options.shuffleSeed);
        for (std::size_t i = records.size(); i > 1; --i) {
            std::swap(records[i - 1], records[random() % i]);
        }
    }

    const std::size_t extraCount = options.extraRecords.size() / kPhonebookRecordSize;
    const auto count = static_cast<std::uint8_t>(
        options.countOverride.value_or(static_cast<std::uint8_t>(records.size() + extraCount)));
    Bytes reply(kHeadSize, 0);
    reply[0] = kEscape;
    reply[1] = kOpReadBlock;
    std::copy(std::begin(kHeadInfo), std::end(kHeadInfo), reply.begin() + kReplyHeaderSize);
    reply[kHeadSize - 1] = count;
    for (const Bytes& record : records) reply.insert(reply.end(), record.begin(), record.end());
    reply.insert(reply.end(), options.extraRecords.begin(), options.extraRecords.end());
    WriteBe16(reply.data() + 2, static_cast<std::uint16_t>(reply.size() - kReplyHeaderSize));
    return reply;
}

Bytes VirtualDevice::TakePhonebookWrite(const Bytes& frame) {
    // A frame whose count disagrees with its length is refused whole and not acknowledged.
    if (frame.size() < kWriteHeaderSize) return {};
    const std::size_t count = frame[kWriteCountOffset];
    if (frame.size() != kWriteHeaderSize + count * kPhonebookRecordSize) return {};

    const std::size_t entries = state.phonebook.size() / kPhonebookRecordSize;
    for (std::size_t i = 0; i < count; ++i) {
        const auto* record = frame.data() + kWriteHeaderSize + i * kPhonebookRecordSize;
        const std::size_t entryNumber = record[0];
        if (entryNumber < 1 || entryNumber > entries) continue;
        std::copy_n(record, kPhonebookRecordSize,
                    state.phonebook.begin() +
                        static_cast<std::ptrdiff_t>((entryNumber - 1) * kPhonebookRecordSize));
    }
    return WriteAcknowledgement();
}

}  // namespace pd::sim
