#include "protocol/PhonebookTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "protocol/ByteOrder.h"
#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

const Bytes kReadCommand = {0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0xFF};
const Bytes kWriteFrameStart = {0x1B, 0xA4, 0x14, 0xF6, 0x50, 0xE0, 0x82, 0xC2, 0x42, 0x50};

// An entry record as it travels: entry number, name and number, `fill` behind the texts.
Bytes Record(int entryNumber, const std::string& name, const std::string& number,
             std::uint8_t fill = ' ') {
    Bytes record(67, fill);
    record[0] = static_cast<std::uint8_t>(entryNumber);
    std::copy(name.begin(), name.end(), record.begin() + 1);
    std::copy(number.begin(), number.end(), record.begin() + 21);
    return record;
}

// A read reply made by hand: head with `count`, then the record bytes as given.
Bytes ReadReply(std::uint8_t count, const std::vector<Bytes>& records) {
    Bytes reply = {0x1B, 0xC1, 0x00, 0x00, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0x00, count};
    for (const Bytes& record : records) reply.insert(reply.end(), record.begin(), record.end());
    WriteBe16(reply.data() + 2, static_cast<std::uint16_t>(reply.size() - 4));
    return reply;
}

Bytes TableBytes(const PhonebookTable& table) {
    return Bytes(table.Bytes().begin(), table.Bytes().end());
}

void FillEveryEntry(PhonebookTable& table, const std::string& name) {
    for (int position = 0; position < table.size(); ++position) {
        table.SetEntry(position, name, std::to_string(1000 + position));
    }
}

// The device on LPT1 behind the fake OS; one per test or per case.
struct Bench {
    Bench() { link.UseLink(LinkKind::Lpt1); }

    // Puts an entry into the device's memory the way the panel writes it (FF behind texts).
    void PutOnDevice(int position, const std::string& name, const std::string& number) {
        const Bytes record = Record(position + 1, name, number, 0xFF);
        std::copy(record.begin(), record.end(), device.state.phonebook.begin() + position * 67);
    }

    sim::VirtualDevice device;
    FakeOs os{device};
    DeviceLink link{os};
};

class PhonebookTransferTest : public ::testing::Test, protected Bench {
protected:
    PhonebookTable table{80, 0};
};

// --- Reading ---------------------------------------------------------------------------------

TEST_F(PhonebookTransferTest, ReadAsksOnceThenTakesHeadAndRecordsAfterItsPauses) {
    PutOnDevice(0, "Anna", "040123");
    PutOnDevice(79, std::string(20, 'N'), std::string(46, '5'));

    ASSERT_TRUE(ReadPhonebook(link, table));
    ASSERT_EQ(device.ReceivedFrames().size(), 1u);
    EXPECT_EQ(device.ReceivedFrames()[0], kReadCommand);
    // The head and the 80 records: a buffer of 11 + 5360 = 5371 bytes.
    EXPECT_EQ(os.CallsStartingWith("ReadFile LPT1"),
              (Strings{"ReadFile LPT1 11 -> 11", "ReadFile LPT1 5360 -> 5360"}));
    EXPECT_EQ(os.CallsStartingWith("Sleep "), Strings{"Sleep 1000"});
    EXPECT_GE(os.elapsed(), 2000u);
    EXPECT_LT(os.elapsed(), 2100u);

    PhonebookTable expected(80, 0);
    expected.SetEntry(0, "Anna", "040123");
    expected.SetEntry(79, std::string(20, 'N'), std::string(46, '5'));
    EXPECT_EQ(TableBytes(table), TableBytes(expected));
}

TEST_F(PhonebookTransferTest, ReadStoresRecordsByEntryNumberInWhateverOrderAndSelection) {
    struct Case {
        const char* what;
        bool onlyNonBlank;
        bool shuffled;
    };
    const Case cases[] = {
        {"all records in order", false, false},
        {"all records shuffled", false, true},
        {"non-blank records in order", true, false},
        {"non-blank records shuffled", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        bench.device.phonebookReply.onlyNonBlank = c.onlyNonBlank;
        if (c.shuffled) bench.device.phonebookReply.shuffleSeed = 7;
        for (const int position : {2, 40, 41, 79}) {
            bench.PutOnDevice(position, "Nimi" + std::to_string(position),
                              "09" + std::to_string(position));
        }
        PhonebookTable book(80, 0);
        FillEveryEntry(book, "Vanha");

        ASSERT_TRUE(ReadPhonebook(bench.link, book));
        for (int position = 0; position < 80; ++position) {
            if (position == 2 || position == 40 || position == 41 || position == 79) {
                EXPECT_EQ(book.Name(position), "Nimi" + std::to_string(position));
                EXPECT_EQ(book.Number(position), "09" + std::to_string(position));
            } else if (c.onlyNonBlank) {
                EXPECT_EQ(book.Name(position), "Vanha") << "position " << position;
            } else {
                EXPECT_EQ(book.Name(position), "") << "position " << position;
                EXPECT_EQ(book.Number(position), "") << "position " << position;
            }
        }
        // Only some records: the reads that wait for the rest of the table come up empty.
        EXPECT_EQ(bench.os.CallsStartingWith("Sleep "),
                  c.onlyNonBlank ? (Strings{"Sleep 1000", "Sleep 500", "Sleep 500"})
                                 : Strings{"Sleep 1000"});
    }
}

TEST_F(PhonebookTransferTest, ReadOfTwoRecordsNumberedFiveAndThreeFillsPositionsFourAndTwo) {
    FillEveryEntry(table, "Vanha");
    PhonebookTable expected = table;
    expected.SetEntry(4, "Eero", "555");
    expected.SetEntry(2, "Kolmas", "333");
    device.OverrideNextReply(ReadReply(2, {Record(5, "Eero", "555"), Record(3, "Kolmas", "333")}));

    ASSERT_TRUE(ReadPhonebook(link, table));
    EXPECT_EQ(TableBytes(table), TableBytes(expected));
}

TEST_F(PhonebookTransferTest, ReadSkipsRecordsNumberedOutsideTheTable) {
    FillEveryEntry(table, "Vanha");
    PhonebookTable expected = table;
    expected.SetEntry(6, "Seitsemas", "777");
    device.OverrideNextReply(
        ReadReply(4, {Record(0, "Nolla", "0"), Record(81, "Yli", "81"), Record(255, "Kauas", "255"),
                      Record(7, "Seitsemas", "777")}));

    ASSERT_TRUE(ReadPhonebook(link, table));
    EXPECT_EQ(TableBytes(table), TableBytes(expected));
}

TEST_F(PhonebookTransferTest, ReadExaminesNoMoreRecordsThanTheTableHolds) {
    // 81 records announced and sent; the 81st names entry 1 again and must not be looked at.
    PutOnDevice(0, "Ensimmainen", "1");
    device.phonebookReply.extraRecords = Record(1, "Ylimaarainen", "99");
    ASSERT_TRUE(ReadPhonebook(link, table));
    EXPECT_EQ(table.Name(0), "Ensimmainen");

    // A count far above the table with the table's worth of records.
    device.phonebookReply.extraRecords.clear();
    device.phonebookReply.countOverride = 200;
    PutOnDevice(79, "Viimeinen", "80");
    ASSERT_TRUE(ReadPhonebook(link, table));
    EXPECT_EQ(table.Name(79), "Viimeinen");
}

TEST_F(PhonebookTransferTest, ReadTableOfOtherSizeAsksForItsOwnSizeOnly) {
    PhonebookTable small(3, 2);
    PutOnDevice(4, "Viides", "5");
    PutOnDevice(5, "Kuudes", "6");
    ASSERT_TRUE(ReadPhonebook(link, small));
    EXPECT_EQ(os.CallsStartingWith("ReadFile LPT1"),
              (Strings{"ReadFile LPT1 11 -> 11", "ReadFile LPT1 335 -> 335"}));
    EXPECT_EQ(small.Name(4), "Viides");
}

TEST_F(PhonebookTransferTest, ReadContinuesRecordsThatComeInPieces) {
    struct Case {
        const char* what;
        std::deque<std::size_t> pieces;  // head, then each read of records
        bool succeeds;
        Strings sleeps;
        int reads;
    };
    const Case cases[] = {
        {"two pieces", {11, 3000}, true, {"Sleep 1000", "Sleep 500"}, 3},
        {"a pause, then the rest",
         {11, 3000, 0},
         true,
         {"Sleep 1000", "Sleep 500", "Sleep 500"},
         4},
        {"nothing after the first piece",
         {11, 3000, 0, 0},
         false,
         {"Sleep 1000", "Sleep 500", "Sleep 500"},
         4},
        {"three pieces are one too many", {11, 3000, 1000}, false, {"Sleep 1000", "Sleep 500"}, 3},
        {"nothing at all", {11, 0, 0, 0}, false, {"Sleep 1000", "Sleep 500", "Sleep 500"}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        bench.device.faults.sendPieces = c.pieces;
        bench.PutOnDevice(79, "Viimeinen", "80");
        PhonebookTable book(80, 0);
        FillEveryEntry(book, "Vanha");
        const Bytes before = TableBytes(book);

        EXPECT_EQ(ReadPhonebook(bench.link, book), c.succeeds);
        EXPECT_EQ(bench.os.CallsStartingWith("Sleep "), c.sleeps);
        EXPECT_EQ(static_cast<int>(bench.os.CallsStartingWith("ReadFile LPT1").size()), c.reads);
        if (c.succeeds) {
            EXPECT_EQ(book.Name(79), "Viimeinen");
            EXPECT_EQ(book.Name(0), "");
        } else {
            EXPECT_EQ(TableBytes(book), before);
        }
    }
}

TEST_F(PhonebookTransferTest, FailedReadLeavesTheTableUntouched) {
    struct Case {
        const char* what;
        void (*arrange)(sim::VirtualDevice&);
    };
    const Case cases[] = {
        {"command not taken", [](sim::VirtualDevice& d) { d.faults.acceptBudget = 9; }},
        {"no answer", [](sim::VirtualDevice& d) { d.faults.silent = true; }},
        {"head cut short", [](sim::VirtualDevice& d) { d.faults.replyLimit = 10; }},
        {"records stop midway",
         [](sim::VirtualDevice& d) { d.faults.replyLimit = 11 + 67 * 40 + 30; }},
        {"last record cut short",
         [](sim::VirtualDevice& d) { d.faults.replyLimit = 11 + 67 * 80 - 1; }},
        {"empty phonebook sent as a bare head",
         [](sim::VirtualDevice& d) {
             d.state = sim::FactoryDeviceState();
             d.phonebookReply.onlyNonBlank = true;
         }},
        {"two of three announced records",
         [](sim::VirtualDevice& d) {
             d.OverrideNextReply(ReadReply(3, {Record(1, "Yksi", "1"), Record(2, "Kaksi", "2")}));
         }},
        {"a whole record and part of the announced second",
         [](sim::VirtualDevice& d) {
             Bytes second = Record(2, "Kaksi", "2");
             second.resize(40);
             d.OverrideNextReply(ReadReply(2, {Record(1, "Yksi", "1"), second}));
         }},
        {"eleven record bytes",
         [](sim::VirtualDevice& d) { d.OverrideNextReply(ReadReply(0, {Bytes(11, 0x20)})); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        for (int position = 0; position < 80; ++position) {
            bench.PutOnDevice(position, "Laite", "42");
        }
        c.arrange(bench.device);
        PhonebookTable book(80, 0);
        FillEveryEntry(book, "Vanha");
        book.Entry(3)[kNumberOffset] = kGroupDialMarker;
        const Bytes before = TableBytes(book);

        EXPECT_FALSE(ReadPhonebook(bench.link, book));
        EXPECT_EQ(TableBytes(book), before);
    }
}

TEST_F(PhonebookTransferTest, ReadThatCannotSendItsCommandSpendsTheFullWaitAndReadsNothing) {
    device.faults.acceptBudget = 9;
    EXPECT_FALSE(ReadPhonebook(link, table));
    EXPECT_TRUE(os.CallsStartingWith("ReadFile LPT1").empty());
    EXPECT_GE(os.elapsed(), 1000u);
}

TEST_F(PhonebookTransferTest, ReadTrimsTrailingSpacesWithinTheFieldsAndKeepsOtherBytes) {
    // Terminator bytes that a file left non-zero must neither be read nor written.
    table.Entry(0)[20] = ' ';
    table.Entry(0)[67] = ' ';
    Bytes withZero = Record(4, "AB", "12");
    withZero[3] = 0;  // name "AB", a zero byte, then "CD" and spaces
    withZero[4] = 'C';
    withZero[5] = 'D';
    device.OverrideNextReply(ReadReply(4, {
                                              Record(1, std::string(20, 'N'), std::string(46, '5')),
                                              Record(2, "Anna Berg", "09 123 ", ' '),
                                              Record(3, "Ohjelma", "123", 0xFF),
                                              withZero,
                                          }));

    ASSERT_TRUE(ReadPhonebook(link, table));
    EXPECT_EQ(table.Name(0), std::string(20, 'N'));
    EXPECT_EQ(table.Number(0), std::string(46, '5'));
    EXPECT_EQ(table.Entry(0)[20], ' ');
    EXPECT_EQ(table.Entry(0)[67], ' ');

    EXPECT_EQ(table.Name(1), "Anna Berg");
    EXPECT_EQ(table.Number(1), "09 123");
    const auto anna = table.Entry(1);
    EXPECT_TRUE(std::all_of(anna.begin() + 9, anna.begin() + 20, [](auto b) { return b == 0; }));

    // FF is the device's business: stored as it came.
    EXPECT_EQ(table.Name(2), "Ohjelma" + std::string(13, '\xFF'));
    EXPECT_EQ(table.Number(2), "123" + std::string(43, '\xFF'));

    EXPECT_EQ(table.Name(3), "AB");
    EXPECT_EQ(table.Entry(3)[3], 'C');
    EXPECT_EQ(table.Entry(3)[4], 'D');
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(PhonebookTransferTest, BlankTableGoesOutAsEightyNumberedRecordsOfFill) {
    ASSERT_TRUE(WritePhonebook(link, table));
    ASSERT_EQ(device.ReceivedFrames().size(), 1u);
    const Bytes& frame = device.ReceivedFrames()[0];
    ASSERT_EQ(frame.size(), 5370u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 10), kWriteFrameStart);
    for (int i = 0; i < 80; ++i) {
        const auto record = frame.begin() + 10 + i * 67;
        ASSERT_EQ(*record, i + 1);
        EXPECT_TRUE(std::all_of(record + 1, record + 67, [](auto b) { return b == 0xFF; }))
            << "record " << i + 1;
    }
    EXPECT_EQ(os.CallsStartingWith("Sleep "), Strings{"Sleep 1000"});
}

TEST_F(PhonebookTransferTest, EntriesGoOutAsTheirTextsFollowedByFill) {
    table.SetEntry(0, "Anna", "12345");
    // Full-width texts, with terminator bytes that a file left non-zero.
    table.SetEntry(1, std::string(20, 'N'), std::string(46, '7'));
    table.Entry(1)[20] = 'Q';
    table.Entry(1)[67] = 'Q';
    // A group-dial entry: its data up to the first zero byte.
    const auto group = table.Entry(2);
    group[kNumberOffset] = kGroupDialMarker;
    group[kNumberOffset + 1] = 0x02;
    group[kNumberOffset + 2] = 0x17;
    group[kNumberOffset + 4] = 0x33;  // behind the zero: not sent

    ASSERT_TRUE(WritePhonebook(link, table));
    const Bytes& frame = device.ReceivedFrames().at(0);
    auto record = [&](int position) {
        const auto start = frame.begin() + 10 + position * 67;
        return Bytes(start, start + 67);
    };
    Bytes anna = {0x01, 'A', 'n', 'n', 'a'};
    anna.insert(anna.end(), 16, 0xFF);
    anna.insert(anna.end(), {'1', '2', '3', '4', '5'});
    anna.insert(anna.end(), 41, 0xFF);
    EXPECT_EQ(record(0), anna);
    EXPECT_EQ(record(1), Record(2, std::string(20, 'N'), std::string(46, '7'), 0xFF));
    Bytes groupRecord = Record(3, "", "", 0xFF);
    groupRecord[21] = 0xE0;
    groupRecord[22] = 0x02;
    groupRecord[23] = 0x17;
    EXPECT_EQ(record(2), groupRecord);
    EXPECT_EQ(record(3)[0], 4);

    // What the device keeps is what was sent.
    EXPECT_EQ(device.state.phonebook, Bytes(frame.begin() + 10, frame.end()));
}

TEST_F(PhonebookTransferTest, WrittenPhonebookReadsBackAsTheSameTexts) {
    table.SetEntry(0, "Anna", "040123");
    table.SetEntry(33, "Toimisto", "09 555 1234");
    table.SetEntry(79, std::string(20, 'V'), std::string(46, '8'));
    ASSERT_TRUE(WritePhonebook(link, table));

    PhonebookTable readBack(80, 0);
    device.phonebookReply.shuffleSeed = 3;
    ASSERT_TRUE(ReadPhonebook(link, readBack));
    EXPECT_EQ(TableBytes(readBack), TableBytes(table));
}

TEST_F(PhonebookTransferTest, WriteContinuesAFrameTheDeviceTookOnlyPartly) {
    struct Case {
        const char* what;
        std::deque<std::size_t> pieces;
        bool succeeds;
        Strings sleeps;
        int writes;
    };
    const Case cases[] = {
        {"taken in two pieces", {3000}, true, {"Sleep 500", "Sleep 1000"}, 2},
        {"a pause, then the rest", {3000, 0}, true, {"Sleep 500", "Sleep 500", "Sleep 1000"}, 3},
        {"nothing after the first piece",
         {3000, 0, 0},
         false,
         {"Sleep 500", "Sleep 500", "Sleep 1000"},
         3},
        {"three pieces are one too many", {3000, 1000}, false, {"Sleep 500", "Sleep 1000"}, 2},
        {"nothing taken", {0, 0, 0}, false, {"Sleep 500", "Sleep 500", "Sleep 1000"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        bench.device.faults.receivePieces = c.pieces;

        EXPECT_EQ(WritePhonebook(bench.link, table), c.succeeds);
        EXPECT_EQ(bench.os.CallsStartingWith("Sleep "), c.sleeps);
        EXPECT_EQ(bench.os.CountCalls("WriteFile LPT1"), c.writes);
        // The acknowledgement is read only after the whole frame went out.
        EXPECT_EQ(bench.os.CallsStartingWith("ReadFile LPT1").size(), c.succeeds ? 1u : 0u);
    }
}

TEST_F(PhonebookTransferTest, WriteIsGoodOnlyWhenTheAcknowledgementMatchesItsLength) {
    struct Case {
        const char* what;
        std::optional<Bytes> reply;  // none: the device's own
        bool succeeds;
    };
    const Case cases[] = {
        {"the device's own", std::nullopt, true},
        {"exactly the 4-byte header", Bytes{0x1B, 0xC2, 0x12, 0x34}, true},
        {"10 bytes saying 6", Bytes{0x1B, 0xC2, 0x00, 0x06, 1, 2, 3, 4, 5, 6}, true},
        {"10 bytes saying 7", Bytes{0x1B, 0xC2, 0x00, 0x07, 1, 2, 3, 4, 5, 6}, false},
        {"10 bytes saying 5", Bytes{0x1B, 0xC2, 0x00, 0x05, 1, 2, 3, 4, 5, 6}, false},
        {"10 bytes saying 256 + 6", Bytes{0x1B, 0xC2, 0x01, 0x06, 1, 2, 3, 4, 5, 6}, false},
        {"5 bytes saying 1", Bytes{0x1B, 0xC2, 0x00, 0x01, 9}, true},
        {"3 bytes", Bytes{0x1B, 0xC2, 0x00}, false},
        {"nothing", Bytes{}, false},
        {"12 bytes saying 8, of which 10 are read", Bytes{0, 0, 0, 8, 1, 2, 3, 4, 5, 6, 7, 8},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        if (c.reply) bench.device.OverrideNextReply(*c.reply);
        EXPECT_EQ(WritePhonebook(bench.link, table), c.succeeds);
    }
}

TEST_F(PhonebookTransferTest, TableOfOtherSizeGoesOutInAFrameOfItsOwnSize) {
    PhonebookTable small(3, 2);
    small.SetEntry(4, "Viides", "5");
    ASSERT_TRUE(WritePhonebook(link, small));
    const Bytes& frame = device.ReceivedFrames().at(0);
    ASSERT_EQ(frame.size(), 10u + 5 * 67);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 10),
              (Bytes{0x1B, 0xA4, 0x01, 0x55, 0x50, 0xE0, 0x82, 0xC2, 0x42, 0x05}));
    EXPECT_EQ(frame[10 + 4 * 67], 5);
}

TEST_F(PhonebookTransferTest, BothDirectionsWorkOverUsbWithItsSplitTransfers) {
    link.DetectOsFamily();
    link.SelectLink();
    ASSERT_EQ(link.state().linkIndex, LinkKind::Usb);
    table.SetEntry(12, "Usb", "0100");
    ASSERT_TRUE(WritePhonebook(link, table));
    EXPECT_EQ(os.CountCalls("Win2kUsbWrite 4000"), 1);

    PhonebookTable readBack(80, 0);
    ASSERT_TRUE(ReadPhonebook(link, readBack));
    EXPECT_EQ(os.CountCalls("Win2kUsbRead 2624"), 1);
    EXPECT_EQ(readBack.Name(12), "Usb");
    EXPECT_EQ(readBack.Number(12), "0100");
}

}  // namespace
}  // namespace pd
