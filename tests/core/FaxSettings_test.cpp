// The fax-settings exchanges: the read that fills the 17 settings and the write that sends
// them back, checked byte for byte against literal frames and through the virtual device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/FaxSettings.h"
#include "tests/core/BlockFaults.h"
#include "tests/core/RecordBench.h"

namespace pd {
namespace {

using namespace std::string_literals;
using recordtest::Bytes;
using recordtest::ExpectScriptFollowed;
using recordtest::ExpectWaited;
using recordtest::FaultCase;
using recordtest::Poisoned;
using recordtest::RawBytes;
using recordtest::RecordBench;
using recordtest::Wire;

const Bytes kReadCommand = Wire("\x1B\xA4\x00\x05\x50\xE0\x82\xC1\x41"s);

// The record checks no ranges, so every setting gets a byte of its own and a shift shows.
const Bytes kReply = Wire(
    "\x1B\xC1\x00\x17"s         //  0 header, payload 23
    "\xEE\xEE\xEE\xEE\xEE\xEE"  //  4 not interpreted
    "\x11\x12\x13\x14\x15\x16"  // 10 trayPaperSize .. remoteReceiveCode
    "\x17\x18\x19\x1A\x1B\x1C"  // 16 powerSave .. redialInterval
    "\x1D\x1E\x1F\x20\x21");    // 22 redialAttempts .. clockFormat

struct Setting {
    const char* name;
    std::uint8_t FaxSettingsRecord::*field;
};
// In wire order.
const Setting kSettings[] = {
    {"trayPaperSize", &FaxSettingsRecord::trayPaperSize},
    {"bypassPaperSize", &FaxSettingsRecord::bypassPaperSize},
    {"bypassPaperType", &FaxSettingsRecord::bypassPaperType},
    {"sendConfirmation", &FaxSettingsRecord::sendConfirmation},
    {"autoJournal", &FaxSettingsRecord::autoJournal},
    {"remoteReceiveCode", &FaxSettingsRecord::remoteReceiveCode},
    {"powerSave", &FaxSettingsRecord::powerSave},
    {"ecmMode", &FaxSettingsRecord::ecmMode},
    {"receiveReduction", &FaxSettingsRecord::receiveReduction},
    {"horizontalReduction", &FaxSettingsRecord::horizontalReduction},
    {"discardLength", &FaxSettingsRecord::discardLength},
    {"redialInterval", &FaxSettingsRecord::redialInterval},
    {"redialAttempts", &FaxSettingsRecord::redialAttempts},
    {"answerDelay", &FaxSettingsRecord::answerDelay},
    {"sendFromMemory", &FaxSettingsRecord::sendFromMemory},
    {"deviceIdEnabled", &FaxSettingsRecord::deviceIdEnabled},
    {"clockFormat", &FaxSettingsRecord::clockFormat},
};

TEST(FaxSettingsRead, PlacesReplyBytes10To26InTheSettingsInOrder) {
    ASSERT_EQ(kReply.size(), 27u);
    RecordBench bench;
    bench.device.Expect(kReadCommand, kReply);
    auto record = Poisoned<FaxSettingsRecord>();

    bool read = false;
    ExpectWaited(bench.Timed([&] { read = ReadFaxSettings(bench.link, record); }), 1000);

    ExpectScriptFollowed(bench.device);
    ASSERT_TRUE(read);
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        EXPECT_EQ(record.*kSettings[i].field, kReply[10 + i]) << kSettings[i].name;
    }
}

struct FaxSettingsBlock {
    using Record = FaxSettingsRecord;
    static bool Read(DeviceLink& link, Record& record) { return ReadFaxSettings(link, record); }
    static bool Write(DeviceLink& link, const Record& record) {
        return WriteFaxSettings(link, record);
    }
    static Record Stored() { return Poisoned<Record>(); }
    static Record Written() { return {}; }
    static auto DeviceCopy(const sim::VirtualDevice& device) { return device.state.faxSettings; }
    static constexpr std::uint64_t kWriteWaitMs = 500;
    static constexpr int kFrameBytes = 26;
    static std::vector<FaultCase> ReadFaults() {
        return {
            {"14 bytes whose header says 10",
             [](sim::VirtualDevice& d) {
                 d.faults.replyLimit = 14;
                 d.faults.replyHeaderLength = 10;
             }},
            {"20 of 27 bytes", [](sim::VirtualDevice& d) { d.faults.replyLimit = 20; }},
            {"26 of 27 bytes", [](sim::VirtualDevice& d) { d.faults.replyLimit = 26; }},
            {"whole reply, length 22",
             [](sim::VirtualDevice& d) { d.faults.replyHeaderLength = 22; }},
            {"whole reply, length 24",
             [](sim::VirtualDevice& d) { d.faults.replyHeaderLength = 24; }},
            {"a longer block than the panel knows",
             [](sim::VirtualDevice& d) {
                 Bytes longer = kReply;
                 longer[3] = 24;
                 longer.push_back(0x22);
                 d.OverrideNextReply(longer);
             }},
        };
    }
};
}  // namespace

namespace recordtest {
INSTANTIATE_TYPED_TEST_SUITE_P(FaxSettings, BlockFaults, FaxSettingsBlock);
}  // namespace recordtest

namespace {

TEST(FaxSettingsWrite, FrameIsTheHeaderThenTheSeventeenSettings) {
    FaxSettingsRecord record;
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        record.*kSettings[i].field = static_cast<std::uint8_t>(0x31 + i);
    }
    RecordBench bench;
    bench.device.Expect(Wire("\x1B\xA4\x00\x16\x50\xE0\x82\xC2\x41"s  //  0 header, count 22
                             "\x31\x32\x33\x34\x35\x36\x37\x38\x39"   //  9 trayPaperSize ..
                             "\x3A\x3B\x3C\x3D\x3E\x3F\x40\x41"),     // 18 .. clockFormat
                        Wire("\x1B\xC2\x00\x06\x00\x00\x00\x00\x00\x00"s));

    bool written = false;
    ExpectWaited(bench.Timed([&] { written = WriteFaxSettings(bench.link, record); }), 500);

    ExpectScriptFollowed(bench.device);
    EXPECT_TRUE(written);
}

TEST(FaxSettingsWrite, UnchangedRecordSendsTheReplyShiftedDownByOne) {
    RecordBench bench;
    bench.device.Expect(kReadCommand, kReply);
    FaxSettingsRecord record;
    ASSERT_TRUE(ReadFaxSettings(bench.link, record));

    ASSERT_TRUE(WriteFaxSettings(bench.link, record));

    const Bytes& frame = bench.device.ReceivedFrames().back();
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_EQ(Bytes(frame.begin() + 9, frame.end()), Bytes(kReply.begin() + 10, kReply.end()));
}

TEST(FaxSettingsWrite, DeviceKeepsWhatWasWrittenAndReadsItBack) {
    RecordBench bench;
    FaxSettingsRecord record;
    ASSERT_TRUE(ReadFaxSettings(bench.link, record));

    record.trayPaperSize = 2;
    record.bypassPaperType = 7;
    record.powerSave = 5;
    record.discardLength = 30;
    record.redialInterval = 15;
    record.redialAttempts = 13;
    record.answerDelay = 7;
    record.clockFormat = 0;
    ASSERT_TRUE(WriteFaxSettings(bench.link, record));

    FaxSettingsRecord readBack;
    ASSERT_TRUE(ReadFaxSettings(bench.link, readBack));
    EXPECT_EQ(RawBytes(readBack), RawBytes(record));
}

}  // namespace
}  // namespace pd
