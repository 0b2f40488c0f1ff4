// The three block writes against any acknowledgement and any device that takes only part of
// the frame: the advanced options, the fax settings and the phonebook, with any record or
// table contents (texts without terminators included).
//
// Input: write (byte), DeviceScript, a be16 count and that many bytes laid over the record or
// table, then the acknowledgement (the device's own when nothing is left).
#include <algorithm>
#include <cstring>

#include "fuzz/DeviceScript.h"
#include "fuzz/MarkedPhonebook.h"
#include "protocol/FaxSettings.h"
#include "protocol/Frames.h"
#include "protocol/PhonebookTransfer.h"
#include "protocol/SystemRecord.h"

namespace pd::fuzz {
namespace {

enum class Write { AdvancedOptions, FaxSettings, Phonebook };
constexpr int kWriteCount = 3;

constexpr std::uint64_t kSlackMs = 100;
constexpr std::uint64_t kPhonebookWriteMs =
    2 * kPhonebookRetryPauseMs + kPhonebookAcknowledgePauseMs + kSlackMs;

// Where the advanced frame carries texts: the device must never see a zero byte in them, as
// a text goes up to its terminator and the frame's space fill stands for the rest.
struct TextField {
    int offset;
    int width;
};
constexpr TextField kAdvancedFrameTexts[] = {{9, 20},  {29, 20},  {50, 5},  {65, 20},
                                             {85, 20}, {105, 46}, {151, 20}};

// A record's field in the phonebook frame: the text, then 0xFF to the field's end.
bool FieldCarries(const std::uint8_t* field, int width, const std::string& text) {
    if (text.size() > static_cast<std::size_t>(width)) return false;
    for (int i = 0; i < width; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        const std::uint8_t expected =
            at < text.size() ? static_cast<std::uint8_t>(text[at]) : kRecordFill;
        if (field[i] != expected) return false;
    }
    return true;
}

template <typename Record>
Record Overlaid(std::span<const std::uint8_t> bytes) {
    Record record{};
    std::memcpy(static_cast<void*>(&record), bytes.data(), std::min(bytes.size(), sizeof record));
    return record;
}

// The frame a device that takes everything receives: what the faulty run must be a part of.
template <typename Operation>
Bytes WholeFrame(const Operation& operation) {
    sim::VirtualDevice device;
    FuzzOs os(device);
    DeviceLink link(os);
    link.UseLink(LinkKind::Lpt1);
    device.traffic.emplace();
    PD_FUZZ_CHECK(operation(link), "a device that takes everything must be written to");
    return device.traffic->taken;
}

struct Outcome {
    bool result;
    const sim::DeviceTraffic& traffic;
    bool honest;
};

void CheckWrite(const Outcome& outcome, const Bytes& frame, std::size_t frameSize,
                std::span<const std::uint8_t> header, bool judgesAcknowledgement) {
    const sim::DeviceTraffic& traffic = outcome.traffic;
    PD_FUZZ_CHECK(frame.size() == frameSize && IsPrefix(header, frame),
                  "the frame has the wrong size or header");
    PD_FUZZ_CHECK(traffic.sent.size() <= 1, "the acknowledgement is read at most once");
    // A driver that reports less than it wrote makes the host send parts again, and there
    // is no telling what the device has; all that holds then is that the write ends.
    if (!outcome.honest) return;
    PD_FUZZ_CHECK(IsPrefix(traffic.taken, frame),
                  "the device received something other than the frame, in order");
    const bool whole = traffic.taken.size() == frameSize;
    PD_FUZZ_CHECK(whole || traffic.sent.empty(), "an acknowledgement was read after a short write");
    const bool expected = whole && (!judgesAcknowledgement || ReplyRuleHolds(traffic.sentBytes));
    PD_FUZZ_CHECK(outcome.result == expected,
                  judgesAcknowledgement
                      ? "the phonebook write must succeed exactly on the whole frame and a good "
                        "acknowledgement"
                      : "the write must succeed exactly when the whole frame went out");
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    FuzzInput input(data, size);
    const auto write = static_cast<Write>(input.Byte() % kWriteCount);
    const DeviceScript script = DeviceScript::Read(input, kChannelRouteCount);
    const auto contents = input.Take(input.Be16());
    const auto acknowledgement = input.Rest();

    ScriptedExchange rig(script, acknowledgement);
    sim::VirtualDevice& device = rig.device;
    FuzzOs& os = rig.os;
    DeviceLink& link = rig.link;
    const bool honest = script.CountsAreHonest();

    switch (write) {
        case Write::AdvancedOptions: {
            const auto record = Overlaid<SystemRecord>(contents);
            const auto kept = record;
            const Bytes frame =
                WholeFrame([&](DeviceLink& l) { return WriteAdvancedOptions(l, record); });
            os.Allow(kAdvancedWriteWaitMs + kSlackMs);
            const bool result = WriteAdvancedOptions(link, record);
            CheckWrite({result, *device.traffic, honest}, frame, kAdvancedFrameSize,
                       kAdvancedWriteHeader, false);
            PD_FUZZ_CHECK(std::memcmp(&kept, &record, sizeof record) == 0,
                          "writing changed the record");
            for (const TextField& text : kAdvancedFrameTexts) {
                PD_FUZZ_CHECK(std::none_of(frame.begin() + text.offset,
                                           frame.begin() + text.offset + text.width,
                                           [](std::uint8_t b) { return b == 0; }),
                              "a text in the advanced frame carries a zero byte");
            }
            break;
        }
        case Write::FaxSettings: {
            const auto record = Overlaid<FaxSettingsRecord>(contents);
            const Bytes frame =
                WholeFrame([&](DeviceLink& l) { return WriteFaxSettings(l, record); });
            os.Allow(kFaxSettingsWriteWaitMs + kSlackMs);
            const bool result = WriteFaxSettings(link, record);
            CheckWrite({result, *device.traffic, honest}, frame, kFaxSettingsFrameSize,
                       kFaxSettingsWriteHeader, false);
            PD_FUZZ_CHECK(std::equal(frame.begin() + kBlockFrameHeaderSize, frame.end(),
                                     reinterpret_cast<const std::uint8_t*>(&record)),
                          "the frame body is not the 17 settings in order");
            break;
        }
        case Write::Phonebook: {
            PhonebookTable table = MarkedPhonebook();
            std::copy_n(contents.begin(), std::min(contents.size(), table.Bytes().size()),
                        table.Bytes().begin());
            const PhonebookTable kept = table;
            const Bytes frame = WholeFrame([&](DeviceLink& l) { return WritePhonebook(l, table); });
            os.Allow(kPhonebookWriteMs);
            const bool result = WritePhonebook(link, table);
            const std::size_t frameSize =
                kPhonebookFrameHeaderSize + static_cast<std::size_t>(table.size()) * kRecordSize;
            const std::array<std::uint8_t, 2> header = {kEscape, kClassPanel};
            CheckWrite({result, *device.traffic, honest}, frame, frameSize, header, true);
            PD_FUZZ_CHECK(std::ranges::equal(kept.Bytes(), table.Bytes()),
                          "writing changed the table");
            // Every record carries its position's number, then each text and 0xFF behind it.
            for (int position = 0; position < table.size(); ++position) {
                const std::uint8_t* record = frame.data() + kPhonebookFrameHeaderSize +
                                             static_cast<std::size_t>(position) * kRecordSize;
                PD_FUZZ_CHECK(record[0] == position + 1, "a record carries the wrong entry number");
                PD_FUZZ_CHECK(
                    FieldCarries(record + kRecordNameOffset, kNameWidth, table.Name(position)) &&
                        FieldCarries(record + kRecordNumberOffset, kNumberWidth,
                                     table.Number(position)),
                    "a record's field is not the entry's text followed by 0xFF");
            }
            break;
        }
    }
    return 0;
}
