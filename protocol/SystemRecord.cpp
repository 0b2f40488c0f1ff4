#include "protocol/SystemRecord.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "protocol/ByteOrder.h"
#include "protocol/Exchange.h"
#include "protocol/Frames.h"

namespace pd {

namespace {

// Read-only fields have no place in the advanced frame.
constexpr int kNotSent = -1;
// The advanced frame starts as spaces, so a text shorter than its field is padded for free.
constexpr std::uint8_t kFrameFill = ' ';
constexpr int kReplyFieldsOffset = 10;

static_assert(((kAdvancedWriteHeader[2] << 8) | kAdvancedWriteHeader[3]) + kFrameHeaderSize ==
                  kAdvancedFrameSize,
              "the advanced frame's count covers everything after its first four bytes");

// Every field of the record in the order the reply carries it, with its reply offset and, for
// the options the user may change, its offset in the advanced frame. A field's wire width is
// its own: a text's capacity less the terminator, 4 for a counter, 1 for a byte.
template <typename Record, typename Visit>
constexpr void ForEachField(Record& r, Visit&& visit) {
    visit(r.modelName, 10, kNotSent);
    visit(r.deviceIdNumber, 42, 9);
    visit(r.deviceIdName, 62, 29);
    visit(r.firmwareVersion, 82, kNotSent);
    visit(r.engineVersion, 87, kNotSent);
    visit(r.emulation1Version, 92, kNotSent);
    visit(r.emulation2Version, 107, kNotSent);
    visit(r.freeMemoryPercent, 122, kNotSent);
    visit(r.platenScanCount, 123, kNotSent);
    visit(r.feederScanCount, 127, kNotSent);
    visit(r.printCount, 131, kNotSent);
    visit(r.drumCount, 135, kNotSent);
    visit(r.documentJamCount, 139, kNotSent);
    visit(r.paperJamCount, 143, kNotSent);
    visit(r.receiveMode, 147, 49);
    visit(r.numberPrefix, 148, 50);
    visit(r.ringVolume, 153, 55);
    visit(r.alarmSound, 154, 56);
    visit(r.keySound, 155, 57);
    visit(r.speakerMode, 156, 58);
    visit(r.language, 157, 59);
    visit(r.tonerSave, 158, 60);
    visit(r.usbMode, 159, 61);
    visit(r.duplexFax, 160, 62);
    visit(r.imageQuality, 161, 63);
    visit(r.tonerNotice, 162, 64);
    visit(r.customerName, 163, 65);
    visit(r.customerNumber, 183, 85);
    visit(r.serviceNumber, 203, 105);
    visit(r.serialNumber, 249, 151);
}

template <typename Field>
constexpr int WireWidth() {
    using Plain = std::remove_cvref_t<Field>;
    if constexpr (std::is_array_v<Plain>) {
        return static_cast<int>(std::extent_v<Plain>) - 1;
    } else {
        return static_cast<int>(sizeof(Plain));
    }
}

// The table above leaves no gap and no overlap: its fields fill the reply from the first
// field byte to the end, and the writable ones fill the frame after its header, in order.
constexpr bool FieldTableIsContiguous() {
    SystemRecord record;
    int nextReply = kReplyFieldsOffset;
    int nextFrame = kBlockFrameHeaderSize;
    bool contiguous = true;
    ForEachField(record, [&](auto& field, int replyOffset, int frameOffset) {
        const int width = WireWidth<decltype(field)>();
        contiguous = contiguous && replyOffset == nextReply;
        nextReply += width;
        if (frameOffset != kNotSent) {
            contiguous = contiguous && frameOffset == nextFrame;
            nextFrame += width;
        }
    });
    return contiguous && nextReply == kSystemReplySize && nextFrame == kAdvancedFrameSize;
}
static_assert(FieldTableIsContiguous(), "system data fields must tile the reply and the frame");

// Reply to record. A text takes exactly its width, spaces and all, and keeps its terminator.
template <std::size_t Capacity>
void Take(char (&text)[Capacity], const std::uint8_t* at) {
    std::fill(std::begin(text), std::end(text), '\0');
    std::memcpy(text, at, Capacity - 1);
}
void Take(std::uint8_t& value, const std::uint8_t* at) { value = *at; }
void Take(std::uint32_t& value, const std::uint8_t* at) { value = ReadBe32(at); }

// Record to frame. A text goes up to its terminator and no further; the frame's space fill
// stands for the rest, so the device never sees a zero byte inside a text.
template <std::size_t Capacity>
void Put(const char (&text)[Capacity], std::uint8_t* at) {
    const char* end = std::find(text, text + Capacity - 1, '\0');
    std::copy(text, end, at);
}
void Put(std::uint8_t value, std::uint8_t* at) { *at = value; }
void Put(std::uint32_t value, std::uint8_t* at) { WriteBe32(at, value); }

}  // namespace

bool ReadSystemRecord(DeviceLink& link, SystemRecord& record) {
    std::array<std::uint8_t, kSystemReplySize> reply{};
    int received = 0;
    if (!WriteThenRead(link, kSystemReadCommand, kBlockReadWaitMs, reply, &received)) {
        return false;
    }
    // Only a whole block is taken. A cut-off reply would otherwise blank the fields that did
    // not arrive, and the Advanced page would send those blanks back on its next apply. The
    // header's length is only checked for zero: the device is not held to the exact count.
    if (received != kSystemReplySize || ReplyPayloadLength(reply, received) == 0) return false;

    SystemRecord fresh;
    ForEachField(
        fresh, [&](auto& field, int replyOffset, int) { Take(field, reply.data() + replyOffset); });
    record = fresh;
    return true;
}

bool WriteAdvancedOptions(DeviceLink& link, const SystemRecord& record) {
    std::array<std::uint8_t, kAdvancedFrameSize> frame;
    frame.fill(kFrameFill);
    std::copy(kAdvancedWriteHeader.begin(), kAdvancedWriteHeader.end(), frame.begin());
    ForEachField(record, [&](const auto& field, int, int frameOffset) {
        if (frameOffset != kNotSent) Put(field, frame.data() + frameOffset);
    });

    // The acknowledgement is read so that it does not linger on the link; what it says is
    // not examined, and a device that stays silent after taking the frame has still taken it.
    std::array<std::uint8_t, kAcknowledgementSize> acknowledgement{};
    int received = 0;
    return WriteThenRead(link, frame, kAdvancedWriteWaitMs, acknowledgement, &received);
}

}  // namespace pd
