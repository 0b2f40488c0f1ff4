// The phonebook read against any reply: any head, any records in any order and count, cut
// anywhere, delivered in any pieces over every channel route.
//
// Input: DeviceScript, then the reply to the read command (head and records; the device's
// own reply of its factory phonebook when nothing is left).
#include <algorithm>
#include <set>

#include "fuzz/DeviceScript.h"
#include "fuzz/MarkedPhonebook.h"
#include "protocol/Frames.h"
#include "protocol/PhonebookTransfer.h"

namespace pd::fuzz {
namespace {

// The delay, the pause before the records and the two retry pauses, plus the waits' ticks.
constexpr std::uint64_t kLongestReadMs =
    kBlockReadWaitMs + kPhonebookRecordsPauseMs + 2 * kPhonebookRetryPauseMs + 100;

bool SameTable(const PhonebookTable& a, const PhonebookTable& b) {
    return std::ranges::equal(a.Bytes(), b.Bytes());
}

bool EndsWithSpace(const std::string& text) { return !text.empty() && text.back() == ' '; }

void CheckRead(const sim::DeviceTraffic& traffic, bool honest, bool read,
               const PhonebookTable& before, const PhonebookTable& after) {
    PD_FUZZ_CHECK(IsPrefix(traffic.taken, kPhonebookReadCommand),
                  "the device must receive the read command and nothing else");
    // The head, the records, and two continuations; a long read on NT 5 USB is two calls.
    PD_FUZZ_CHECK(traffic.sent.size() <= 7, "the read must not keep asking for records");
    if (!read) {
        PD_FUZZ_CHECK(SameTable(before, after), "a failed phonebook read changed the table");
        return;
    }

    const int n = before.size();
    for (int position = 0; position < n; ++position) {
        const auto was = before.Entry(position);
        const auto is = after.Entry(position);
        PD_FUZZ_CHECK(was[kNameOffset + kNameWidth] == is[kNameOffset + kNameWidth] &&
                          was[kNumberOffset + kNumberWidth] == is[kNumberOffset + kNumberWidth],
                      "a read wrote an entry's terminator byte");
    }
    if (!honest) return;

    // What the host received: the head, then the record bytes of every later read.
    const std::size_t head = traffic.sent.empty() ? 0 : traffic.sent[0];
    const std::span<const std::uint8_t> sent = traffic.sentBytes;
    const std::size_t arrived = sent.size() - head;
    const int count = head > kPhonebookHeadCountOffset ? sent[kPhonebookHeadCountOffset] : 0;
    const int announced = std::min(count, n);
    PD_FUZZ_CHECK(traffic.taken.size() == kPhonebookReadCommand.size() &&
                      head == kPhonebookHeadSize && arrived > kPhonebookHeadSize &&
                      arrived / kRecordSize >= static_cast<std::size_t>(announced),
                  "the read succeeded without its head and every announced record");

    // Only positions that an examined record names may change, and their texts carry no
    // trailing spaces.
    std::set<int> named;
    const auto records = sent.subspan(head);
    for (int i = 0; i < announced; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * kRecordSize;
        if (at < records.size()) named.insert(records[at]);
    }
    for (int position = 0; position < n; ++position) {
        if (std::ranges::equal(before.Entry(position), after.Entry(position))) continue;
        PD_FUZZ_CHECK(named.count(position + 1) != 0,
                      "position " + std::to_string(position) + " changed but no record named it");
        PD_FUZZ_CHECK(
            !EndsWithSpace(after.Name(position)) && !EndsWithSpace(after.Number(position)),
            "a stored text kept its trailing spaces");
    }
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    FuzzInput input(data, size);
    const DeviceScript script = DeviceScript::Read(input, kChannelRouteCount);
    const auto reply = input.Rest();

    ScriptedExchange rig(script, reply);
    sim::VirtualDevice& device = rig.device;
    FuzzOs& os = rig.os;
    DeviceLink& link = rig.link;

    const PhonebookTable before = MarkedPhonebook();
    PhonebookTable table = before;
    os.Allow(kLongestReadMs);
    const bool read = ReadPhonebook(link, table);
    CheckRead(*device.traffic, script.CountsAreHonest(), read, before, table);
    return 0;
}
