#include "protocol/PhonebookTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/DeviceDataStore.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EntryBytes(const PhonebookTable& table, int position) {
    const auto entry = table.Entry(position);
    return Bytes(entry.begin(), entry.end());
}

Bytes TableBytes(const PhonebookTable& table) {
    return Bytes(table.Bytes().begin(), table.Bytes().end());
}

void MakeGroupDial(PhonebookTable& table, int position) {
    const auto entry = table.Entry(position);
    const std::string name = "Myynti";
    std::copy(name.begin(), name.end(), entry.begin());
    entry[kNumberOffset] = kGroupDialMarker;
    entry[kNumberOffset + 1] = 0x03;
    entry[kNumberOffset + 2] = 0x11;
}

TEST(PhonebookTable, StartsBlankAndIsSizedFromBothSections) {
    DeviceDataStore store;
    ResetDeviceDataStore(store);
    const PhonebookTable table(store.speedDialCount, store.oneTouchCount);
    EXPECT_EQ(table.size(), 80);
    EXPECT_EQ(table.Bytes().size(), 5440u);
    EXPECT_TRUE(std::all_of(table.Bytes().begin(), table.Bytes().end(),
                            [](std::uint8_t b) { return b == 0; }));

    const PhonebookTable both(3, 2);
    EXPECT_EQ(both.size(), 5);
    EXPECT_EQ(both.Bytes().size(), 5u * 68);
}

TEST(PhonebookTable, SetEntryPlacesBothTextsWithTheirTerminators) {
    PhonebookTable table(80, 0);
    table.SetEntry(2, "Anna", "12345");

    Bytes expected(68, 0);
    std::copy_n("Anna", 4, expected.begin());
    std::copy_n("12345", 5, expected.begin() + 21);
    EXPECT_EQ(EntryBytes(table, 2), expected);
    EXPECT_EQ(table.Name(2), "Anna");
    EXPECT_EQ(table.Number(2), "12345");

    // A shorter replacement leaves nothing of the old texts behind.
    table.SetEntry(2, "Bo", "9");
    Bytes shorter(68, 0);
    shorter[0] = 'B';
    shorter[1] = 'o';
    shorter[21] = '9';
    EXPECT_EQ(EntryBytes(table, 2), shorter);
}

TEST(PhonebookTable, FullWidthTextsEndOnTheTerminatorBytesAndLongerOnesAreCut) {
    PhonebookTable table(80, 0);
    std::fill(table.Entry(0).begin(), table.Entry(0).end(), std::uint8_t{0x55});

    const std::string name20(20, 'N');
    const std::string number46(46, '7');
    table.SetEntry(0, name20, number46);
    EXPECT_EQ(table.Entry(0)[20], 0);
    EXPECT_EQ(table.Entry(0)[67], 0);
    EXPECT_EQ(table.Name(0), name20);
    EXPECT_EQ(table.Number(0), number46);

    table.SetEntry(1, name20 + "XYZ", number46 + "89");
    EXPECT_EQ(table.Name(1), name20);
    EXPECT_EQ(table.Number(1), number46);
    EXPECT_EQ(EntryBytes(table, 2), Bytes(68, 0)) << "the next entry was written into";
}

TEST(PhonebookTable, ClearEntryZeroesTheFieldsButNotTheTerminatorBytes) {
    PhonebookTable table(80, 0);
    std::fill(table.Entry(5).begin(), table.Entry(5).end(), std::uint8_t{0x41});
    table.ClearEntry(5);

    Bytes expected(68, 0);
    expected[20] = 0x41;
    expected[67] = 0x41;
    EXPECT_EQ(EntryBytes(table, 5), expected);
}

TEST(PhonebookTable, TextsAreReadOnlyWithinTheirFields) {
    // An entry from a file may have no zero byte anywhere.
    PhonebookTable table(80, 0);
    std::fill(table.Entry(0).begin(), table.Entry(0).end(), std::uint8_t{'x'});
    std::fill(table.Entry(1).begin(), table.Entry(1).end(), std::uint8_t{'y'});
    EXPECT_EQ(table.Name(0), std::string(20, 'x'));
    EXPECT_EQ(table.Number(0), std::string(46, 'x'));
    // The last entry has nothing behind it.
    std::fill(table.Entry(79).begin(), table.Entry(79).end(), std::uint8_t{'z'});
    EXPECT_EQ(table.Number(79), std::string(46, 'z'));
}

TEST(PhonebookTable, GroupDialIsToldByTheMarkerAlone) {
    PhonebookTable table(80, 0);
    EXPECT_FALSE(table.IsGroupDial(0));
    table.Entry(0)[kNumberOffset] = kGroupDialMarker;
    EXPECT_TRUE(table.IsGroupDial(0));
    table.SetEntry(1, "", "\xE0");
    EXPECT_TRUE(table.IsGroupDial(1));
    table.SetEntry(1, "Anna", "0E0");
    EXPECT_FALSE(table.IsGroupDial(1));
}

TEST(PhonebookTable, ClearAllEntriesSparesGroupDialEntriesInBothSections) {
    PhonebookTable table(3, 2);
    for (int position = 0; position < table.size(); ++position) {
        table.SetEntry(position, "Nimi", "040123");
    }
    MakeGroupDial(table, 1);
    MakeGroupDial(table, 4);  // in the one-touch section
    const Bytes group1 = EntryBytes(table, 1);
    const Bytes group4 = EntryBytes(table, 4);

    table.ClearAllEntries();
    EXPECT_EQ(EntryBytes(table, 0), Bytes(68, 0));
    EXPECT_EQ(EntryBytes(table, 2), Bytes(68, 0));
    EXPECT_EQ(EntryBytes(table, 3), Bytes(68, 0));
    EXPECT_EQ(EntryBytes(table, 1), group1);
    EXPECT_EQ(EntryBytes(table, 4), group4);
}

TEST(PhonebookTable, PositionsOutsideTheTableAreIgnored) {
    PhonebookTable table(80, 0);
    table.SetEntry(3, "Anna", "123");
    const Bytes before = TableBytes(table);
    for (const int position : {-1, 80, 1000}) {
        table.SetEntry(position, "X", "1");
        table.ClearEntry(position);
        EXPECT_FALSE(table.IsGroupDial(position));
        EXPECT_EQ(table.Name(position), "");
        EXPECT_EQ(table.Number(position), "");
    }
    EXPECT_EQ(TableBytes(table), before);
}

}  // namespace
}  // namespace pd
