// The system data exchanges: the read that fills the record, the write that sends the options
// back, checked byte for byte against literal frames and through the virtual device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/Frames.h"
#include "protocol/SystemRecord.h"
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
using recordtest::SetText;
using recordtest::Wire;

const Bytes kReadCommand = Wire("\x1B\xA4\x00\x05\x50\xE0\x82\xC1\x40"s);

// A whole reply, one field a line at its offset. Texts keep the device's space padding;
// `engineVersion` and `serviceNumber` fill their width to the last byte.
const Bytes kReply = Wire(
    "\x1B\xC1\x01\x09"s                               //   0 header, payload 265
    "\xEE\xEE\xEE\xEE\xEE\xEE"                        //   4 not interpreted
    "Ostrex MF 40                    "                //  10 modelName
    "+358 9 1234567      "                            //  42 deviceIdNumber
    "VELTRA HELSINKI     "                            //  62 deviceIdName
    "1.12 "                                           //  82 firmwareVersion
    "2.03b"                                           //  87 engineVersion
    "PCL 5e 1.04    "                                 //  92 emulation1Version
    "GDI 2.10       "                                 // 107 emulation2Version
    "\x57"                                            // 122 freeMemoryPercent
    "\xFF\xFF\xFF\xFF"                                // 123 platenScanCount
    "\x00\x01\x00\x00"                                // 127 feederScanCount
    "\x01\x02\x03\x04"                                // 131 printCount
    "\x00\x00\x23\x96"                                // 135 drumCount
    "\x00\x00\x00\x11"                                // 139 documentJamCount
    "\x80\x00\x00\x00"                                // 143 paperJamCount
    "\x03"                                            // 147 receiveMode
    "0W   "                                           // 148 numberPrefix
    "\x07"                                            // 153 ringVolume
    "\x01"                                            // 154 alarmSound
    "\x00"                                            // 155 keySound
    "\x02"                                            // 156 speakerMode
    "\x0A"                                            // 157 language
    "\x04"                                            // 158 tonerSave
    "\x05"                                            // 159 usbMode
    "\x06"                                            // 160 duplexFax
    "\x08"                                            // 161 imageQuality
    "\x09"                                            // 162 tonerNotice
    "Oy Esimerkki Ab     "                            // 163 customerName
    "ASIAKAS-000123      "                            // 183 customerNumber
    "Huolto +358 20 123 4567, arkisin klo 8-16 (MF)"  // 203 serviceNumber
    "OMF40-0012345       ");                          // 249 serialNumber

// The frame body is reply bytes 42..81 and 147..268, in order.
Bytes WritableBytesOf(const Bytes& reply) {
    Bytes body(reply.begin() + 42, reply.begin() + 82);
    body.insert(body.end(), reply.begin() + 147, reply.end());
    return body;
}

TEST(SystemRecordRead, PlacesEveryFieldOfTheReplyInTheRecord) {
    ASSERT_EQ(kReply.size(), 269u);
    RecordBench bench;
    bench.device.Expect(kReadCommand, kReply);
    auto record = Poisoned<SystemRecord>();

    bool read = false;
    ExpectWaited(bench.Timed([&] { read = ReadSystemRecord(bench.link, record); }), 1000);

    ExpectScriptFollowed(bench.device);
    ASSERT_TRUE(read);
    // Texts: exactly their width, spaces kept, and terminated even when they fill the width.
    EXPECT_STREQ(record.modelName, "Ostrex MF 40                    ");
    EXPECT_STREQ(record.deviceIdNumber, "+358 9 1234567      ");
    EXPECT_STREQ(record.deviceIdName, "VELTRA HELSINKI     ");
    EXPECT_STREQ(record.firmwareVersion, "1.12 ");
    EXPECT_STREQ(record.engineVersion, "2.03b");
    EXPECT_STREQ(record.emulation1Version, "PCL 5e 1.04    ");
    EXPECT_STREQ(record.emulation2Version, "GDI 2.10       ");
    EXPECT_STREQ(record.numberPrefix, "0W   ");
    EXPECT_STREQ(record.customerName, "Oy Esimerkki Ab     ");
    EXPECT_STREQ(record.customerNumber, "ASIAKAS-000123      ");
    EXPECT_STREQ(record.serviceNumber, "Huolto +358 20 123 4567, arkisin klo 8-16 (MF)");
    EXPECT_EQ(std::strlen(record.serviceNumber), 46u);
    EXPECT_STREQ(record.serialNumber, "OMF40-0012345       ");
    // Counters: most significant byte first.
    EXPECT_EQ(record.platenScanCount, 4294967295u);
    EXPECT_EQ(record.feederScanCount, 65536u);
    EXPECT_EQ(record.printCount, 0x01020304u);
    EXPECT_EQ(record.drumCount, 9110u);
    EXPECT_EQ(record.documentJamCount, 17u);
    EXPECT_EQ(record.paperJamCount, 2147483648u);
    // Single bytes, as sent.
    EXPECT_EQ(record.freeMemoryPercent, 87);
    EXPECT_EQ(record.receiveMode, 3);
    EXPECT_EQ(record.ringVolume, 7);
    EXPECT_EQ(record.alarmSound, 1);
    EXPECT_EQ(record.keySound, 0);
    EXPECT_EQ(record.speakerMode, 2);
    EXPECT_EQ(record.language, 10);
    EXPECT_EQ(record.tonerSave, 4);
    EXPECT_EQ(record.usbMode, 5);
    EXPECT_EQ(record.duplexFax, 6);
    EXPECT_EQ(record.imageQuality, 8);
    EXPECT_EQ(record.tonerNotice, 9);
}

TEST(SystemRecordRead, TakesAWholeReplyWhateverNonZeroLengthItsHeaderClaims) {
    for (const std::uint16_t claimed : {265, 1, 0xFFFF}) {
        SCOPED_TRACE("header length " + std::to_string(claimed));
        RecordBench bench;
        bench.device.faults.replyHeaderLength = claimed;
        SystemRecord record;

        EXPECT_TRUE(ReadSystemRecord(bench.link, record));
        EXPECT_STREQ(record.modelName, "Ostrex MF 40                    ");
    }
}

struct SystemDataBlock {
    using Record = SystemRecord;
    static bool Read(DeviceLink& link, Record& record) { return ReadSystemRecord(link, record); }
    static bool Write(DeviceLink& link, const Record& record) {
        return WriteAdvancedOptions(link, record);
    }
    static Record Stored() {
        auto record = Poisoned<Record>();
        SetText(record.modelName, "kept from the last read");
        return record;
    }
    static Record Written() {
        Record record;
        SetText(record.customerName, "Oy Uusi Ab");
        return record;
    }
    static auto DeviceCopy(const sim::VirtualDevice& device) { return device.state.systemData; }
    static constexpr std::uint64_t kWriteWaitMs = 1000;
    static constexpr int kFrameBytes = 171;
    static std::vector<FaultCase> ReadFaults() {
        return {
            {"5 bytes with a non-zero length",
             [](sim::VirtualDevice& d) { d.faults.replyLimit = 5; }},
            {"one byte short", [](sim::VirtualDevice& d) { d.faults.replyLimit = 268; }},
        };
    }
};
}  // namespace

namespace recordtest {
INSTANTIATE_TYPED_TEST_SUITE_P(SystemData, BlockFaults, SystemDataBlock);
}  // namespace recordtest

namespace {

TEST(AdvancedOptionsWrite, FrameCarriesTheWritableFieldsSpaceFilled) {
    SystemRecord record;
    // Fields the device owns must not reach the frame.
    SetText(record.modelName, "NOT SENT");
    record.platenScanCount = 0x31323334;
    record.freeMemoryPercent = 0x33;
    // Texts: shorter than the field, empty, with a zero inside, and full width.
    SetText(record.deviceIdNumber, "+358 9 1234567");
    SetText(record.deviceIdName, "");
    SetText(record.numberPrefix, "0");
    std::memcpy(record.customerName, "AB\0CD", 5);
    SetText(record.customerNumber, "12345678901234567890");
    SetText(record.serviceNumber, "Huolto +358 20 123 4567, arkisin klo 8-16 (MF)");
    SetText(record.serialNumber, "SN 1  ");
    record.receiveMode = 3;
    record.ringVolume = 7;
    record.alarmSound = 1;
    record.keySound = 0;
    record.speakerMode = 2;
    record.language = 10;
    record.tonerSave = 4;
    record.usbMode = 5;
    record.duplexFax = 6;
    record.imageQuality = 8;
    record.tonerNotice = 9;

    const Bytes frame = Wire(
        "\x1B\xA4\x00\xA7\x50\xE0\x82\xC2\x40"s           //   0 header, count 167
        "+358 9 1234567      "                            //   9 deviceIdNumber
        "                    "                            //  29 deviceIdName
        "\x03"                                            //  49 receiveMode
        "0    "                                           //  50 numberPrefix
        "\x07\x01\x00\x02\x0A\x04\x05\x06\x08\x09"        //  55 ringVolume .. tonerNotice
        "AB                  "                            //  65 customerName
        "12345678901234567890"                            //  85 customerNumber
        "Huolto +358 20 123 4567, arkisin klo 8-16 (MF)"  // 105 serviceNumber
        "SN 1                ");                          // 151 serialNumber
    ASSERT_EQ(frame.size(), 171u);
    RecordBench bench;
    bench.device.Expect(frame, Wire("\x1B\xC2\x00\x06\x00\x00\x00\x00\x00\x00"s));

    bool written = false;
    ExpectWaited(bench.Timed([&] { written = WriteAdvancedOptions(bench.link, record); }), 1000);

    ExpectScriptFollowed(bench.device);
    EXPECT_TRUE(written);
}

// Read, trim the texts as the Advanced page does, write: the device gets back exactly the
// writable bytes it sent, since the space fill restores what the trim removed.
TEST(AdvancedOptionsWrite, UnchangedRecordSendsBackTheReplysWritableBytes) {
    RecordBench bench;
    bench.device.Expect(kReadCommand, kReply);
    SystemRecord record;
    ASSERT_TRUE(ReadSystemRecord(bench.link, record));
    for (char* text :
         {record.deviceIdNumber, record.deviceIdName, record.numberPrefix, record.customerName,
          record.customerNumber, record.serviceNumber, record.serialNumber}) {
        for (auto end = std::strlen(text); end > 0 && text[end - 1] == ' '; --end) {
            text[end - 1] = '\0';
        }
    }

    ASSERT_TRUE(WriteAdvancedOptions(bench.link, record));

    const Bytes& frame = bench.device.ReceivedFrames().back();
    ASSERT_EQ(frame.size(), 171u);
    EXPECT_EQ(Bytes(frame.begin() + 9, frame.end()), WritableBytesOf(kReply));
}

TEST(AdvancedOptionsWrite, DeviceKeepsWhatWasWrittenAndReadsItBack) {
    RecordBench bench;
    SystemRecord record;
    ASSERT_TRUE(ReadSystemRecord(bench.link, record));

    SetText(record.deviceIdNumber, "+358 40 7654321");
    SetText(record.deviceIdName, "Toimisto");
    SetText(record.numberPrefix, "9");
    SetText(record.customerName, "Oy Uusi Ab");
    SetText(record.customerNumber, "A-77");
    SetText(record.serviceNumber, "020 555 0100");
    SetText(record.serialNumber, "OMF40-0099999");
    record.receiveMode = 2;
    record.ringVolume = 10;
    record.keySound = 0;
    record.language = 3;
    record.tonerNotice = 0;
    ASSERT_TRUE(WriteAdvancedOptions(bench.link, record));

    SystemRecord readBack;
    ASSERT_TRUE(ReadSystemRecord(bench.link, readBack));

    // The device pads with spaces what the panel sent without them; all else reads back as is.
    auto expected = record;
    SetText(expected.deviceIdNumber, "+358 40 7654321     ");
    SetText(expected.deviceIdName, "Toimisto            ");
    SetText(expected.numberPrefix, "9    ");
    SetText(expected.customerName, "Oy Uusi Ab          ");
    SetText(expected.customerNumber, "A-77                ");
    SetText(expected.serviceNumber, "020 555 0100                                  ");
    SetText(expected.serialNumber, "OMF40-0099999       ");
    EXPECT_EQ(readBack, expected);
    EXPECT_STREQ(readBack.customerName, expected.customerName);
}

}  // namespace
}  // namespace pd
