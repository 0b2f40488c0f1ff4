// The single-exchange reads against any reply: the probe, the system data and the fax
// settings, over every channel route, with any of the device's faults and with drivers that
// report counts of their own.
//
// Input: exchange (byte), DeviceScript, then the reply the device gives to the command (the
// device's own answer when nothing is left).
#include <cstring>

#include "fuzz/DeviceScript.h"
#include "protocol/ByteOrder.h"
#include "protocol/FaxSettings.h"
#include "protocol/Frames.h"
#include "protocol/Probe.h"
#include "protocol/SystemRecord.h"

namespace pd::fuzz {
namespace {

enum class Exchange { Probe, SystemRead, FaxSettingsRead };
constexpr int kExchangeCount = 3;

// Every exchange spends its wait and then one read; a few ticks more are the waits' own.
constexpr std::uint64_t kSlackMs = 100;

// Bytes no reply ever carries in that many places, so that a stray write into a record shows.
template <typename Record>
Record Poisoned() {
    Record record;
    std::memset(static_cast<void*>(&record), 0xA5, sizeof(Record));
    return record;
}

template <typename Record>
bool SameBytes(const Record& a, const Record& b) {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

template <std::size_t Capacity>
bool TextIs(const char (&text)[Capacity], const std::uint8_t* wire) {
    return std::memcmp(text, wire, Capacity - 1) == 0 && text[Capacity - 1] == '\0';
}

struct Run {
    const sim::DeviceTraffic& traffic;
    bool honest;
    std::span<const std::uint8_t> command;

    bool CommandWentOut() const { return traffic.taken.size() == command.size(); }
    std::span<const std::uint8_t> Reply() const { return traffic.sentBytes; }

    void CheckCommand() const {
        PD_FUZZ_CHECK(IsPrefix(traffic.taken, command),
                      "the device must receive the command and nothing else");
        if (honest && !CommandWentOut()) {
            PD_FUZZ_CHECK(traffic.sent.empty(), "nothing may be read after a short write");
        }
        PD_FUZZ_CHECK(traffic.sent.size() <= 1, "one exchange reads its reply once");
    }
};

void CheckProbe(const Run& run, bool answered) {
    if (!run.honest) return;
    const bool expected = run.CommandWentOut() && run.Reply().size() > kReplyHeaderSize;
    PD_FUZZ_CHECK(answered == expected, "the probe succeeds exactly on more than 4 reply bytes");
}

void CheckSystemRead(const Run& run, bool read, const SystemRecord& before,
                     const SystemRecord& after) {
    if (!read) {
        PD_FUZZ_CHECK(SameBytes(before, after), "a failed system read left the record changed");
        return;
    }
    const auto reply = run.Reply();
    if (run.honest) {
        PD_FUZZ_CHECK(run.CommandWentOut() && reply.size() == kSystemReplySize &&
                          ReadBe16(reply.data() + 2) != 0,
                      "the system read took a reply that is not a whole block with a length");
        PD_FUZZ_CHECK(
            TextIs(after.modelName, &reply[10]) && TextIs(after.deviceIdNumber, &reply[42]) &&
                TextIs(after.emulation2Version, &reply[107]) &&
                TextIs(after.serviceNumber, &reply[203]) && TextIs(after.serialNumber, &reply[249]),
            "a text field is not the reply's bytes, terminated");
        PD_FUZZ_CHECK(after.platenScanCount == ReadBe32(&reply[123]) &&
                          after.paperJamCount == ReadBe32(&reply[143]) &&
                          after.freeMemoryPercent == reply[122] &&
                          after.receiveMode == reply[147] && after.tonerNotice == reply[162],
                      "a number is not the reply's big-endian bytes");
    }
}

void CheckFaxSettingsRead(const Run& run, bool read, const FaxSettingsRecord& before,
                          const FaxSettingsRecord& after) {
    if (!read) {
        PD_FUZZ_CHECK(SameBytes(before, after), "a failed fax settings read changed the record");
    }
    if (!run.honest) return;
    const auto reply = run.Reply();
    const bool whole =
        run.CommandWentOut() && reply.size() == kFaxSettingsReplySize && ReplyRuleHolds(reply);
    PD_FUZZ_CHECK(read == whole, "the fax settings read must take exactly the whole replies");
    if (read) {
        PD_FUZZ_CHECK(std::memcmp(&after, &reply[10], sizeof after) == 0,
                      "the settings are not reply bytes 10..26 in order");
    }
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    FuzzInput input(data, size);
    const auto exchange = static_cast<Exchange>(input.Byte() % kExchangeCount);
    const DeviceScript script = DeviceScript::Read(input, kChannelRouteCount);
    const auto reply = input.Rest();

    ScriptedExchange rig(script, reply);
    sim::VirtualDevice& device = rig.device;
    FuzzOs& os = rig.os;
    DeviceLink& link = rig.link;

    const bool honest = script.CountsAreHonest();
    switch (exchange) {
        case Exchange::Probe: {
            os.Allow(kProbeWaitMs + kSlackMs);
            const bool answered = ProbeDevice(link);
            const Run run{*device.traffic, honest, kProbeCommand};
            run.CheckCommand();
            CheckProbe(run, answered);
            break;
        }
        case Exchange::SystemRead: {
            const SystemRecord before = Poisoned<SystemRecord>();
            SystemRecord record = before;
            os.Allow(kBlockReadWaitMs + kSlackMs);
            const bool read = ReadSystemRecord(link, record);
            const Run run{*device.traffic, honest, kSystemReadCommand};
            run.CheckCommand();
            CheckSystemRead(run, read, before, record);
            break;
        }
        case Exchange::FaxSettingsRead: {
            const FaxSettingsRecord before = Poisoned<FaxSettingsRecord>();
            FaxSettingsRecord record = before;
            os.Allow(kBlockReadWaitMs + kSlackMs);
            const bool read = ReadFaxSettings(link, record);
            const Run run{*device.traffic, honest, kFaxSettingsReadCommand};
            run.CheckCommand();
            CheckFaxSettingsRead(run, read, before, record);
            break;
        }
    }
    PD_FUZZ_CHECK(os.elapsed() >= (exchange == Exchange::Probe ? kProbeWaitMs : kBlockReadWaitMs),
                  "the exchange must spend its whole wait, whatever the write did");
    return 0;
}
