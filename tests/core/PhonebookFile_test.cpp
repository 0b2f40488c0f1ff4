#include "phonebook/PhonebookFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "QTR FAX-RCP Phonebook", 3 zeros, "1.00", 4 zeros, 20 and 80 little-endian, 4 zeros.
const Bytes kExpectedHeader = {0x51, 0x54, 0x52, 0x20, 0x46, 0x41, 0x58, 0x2D, 0x52, 0x43,
                               0x50, 0x20, 0x50, 0x68, 0x6F, 0x6E, 0x65, 0x62, 0x6F, 0x6F,
                               0x6B, 0x00, 0x00, 0x00, 0x31, 0x2E, 0x30, 0x30, 0x00, 0x00,
                               0x00, 0x00, 0x14, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00};

const std::string kBook = R"(C:\Puhelinmuistiot\kirja.PBF)";

Bytes TableBytes(const PhonebookTable& table) {
    return Bytes(table.Bytes().begin(), table.Bytes().end());
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every byte of every entry distinct from its neighbours and from zero where it matters.
void FillWithPattern(PhonebookTable& table, std::uint8_t seed) {
    auto bytes = table.Bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 % 251 + 1);
    }
}

class PhonebookFileTest : public ::testing::Test {
protected:
    sim::VirtualDevice device;
    FakeOs os{device};
    PhonebookTable table{80, 0};
};

TEST_F(PhonebookFileTest, SaveAfterStartUpWritesTheFixedHeaderAndABlankTable) {
    ASSERT_TRUE(SavePhonebookFile(os, kBook, table));
    const auto file = os.FileContents(kBook);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 5480u);
    EXPECT_EQ(Bytes(file->begin(), file->begin() + 40), kExpectedHeader);
    EXPECT_TRUE(
        std::all_of(file->begin() + 40, file->end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(os.FileNames(), std::vector<std::string>{kBook}) << "a temporary was left behind";
}

TEST_F(PhonebookFileTest, SavedTableLoadsBackIdenticallyAndSavesAgainByteForByte) {
    // Texts, bytes behind the terminators, non-zero terminator bytes and a group-dial entry.
    table.SetEntry(0, "Anna", "040123");
    table.SetEntry(79, std::string(20, 'Z'), std::string(46, '9'));
    std::fill(table.Entry(10).begin(), table.Entry(10).end(), std::uint8_t{0xA7});
    table.Entry(3)[kNumberOffset] = kGroupDialMarker;
    for (int i = 1; i < kNumberWidth; ++i) table.Entry(3)[kNumberOffset + i] = 0x80 + i;
    ASSERT_TRUE(SavePhonebookFile(os, kBook, table));

    PhonebookTable loaded(80, 0);
    FillWithPattern(loaded, 3);
    ASSERT_TRUE(LoadPhonebookFile(os, kBook, loaded));
    EXPECT_EQ(TableBytes(loaded), TableBytes(table));
    EXPECT_TRUE(loaded.IsGroupDial(3));

    const std::string copy = R"(C:\Puhelinmuistiot\kopio.pbf)";
    ASSERT_TRUE(SavePhonebookFile(os, copy, loaded));
    EXPECT_EQ(os.FileContents(copy), os.FileContents(kBook));
}

TEST_F(PhonebookFileTest, GroupDialEntryKeepsAllItsNumberBytesThroughLoadAndSave) {
    Bytes entry(68, 0);
    std::copy_n("Ryhma", 5, entry.begin());
    entry[21] = 0xE0;
    for (int i = 22; i < 67; ++i) entry[i] = static_cast<std::uint8_t>(i);
    Bytes body(5440, 0);
    std::copy(entry.begin(), entry.end(), body.begin() + 7 * 68);
    const Bytes file = Concat(kExpectedHeader, body);
    os.PutFile(kBook, file);

    ASSERT_TRUE(LoadPhonebookFile(os, kBook, table));
    EXPECT_TRUE(table.IsGroupDial(7));
    EXPECT_EQ(table.Number(7).size(), 46u);

    const std::string saved = R"(C:\Puhelinmuistiot\takaisin.PBF)";
    ASSERT_TRUE(SavePhonebookFile(os, saved, table));
    EXPECT_EQ(os.FileContents(saved), file);
}

TEST_F(PhonebookFileTest, OnlyFilesThatStartWithTheSignatureAndItsZeroAreLoaded) {
    const Bytes signature(kExpectedHeader.begin(), kExpectedHeader.begin() + 21);
    Bytes otherVersion = kExpectedHeader;
    std::copy_n("2.00", 4, otherVersion.begin() + 24);
    std::fill(otherVersion.begin() + 32, otherVersion.end(), std::uint8_t{0x99});
    Bytes nonZeroAfterSignature = kExpectedHeader;
    nonZeroAfterSignature[21] = 'X';
    Bytes lowerCase = kExpectedHeader;
    lowerCase[0] = 'q';

    const Bytes firstEntry(68, 'e');
    struct Case {
        const char* what;
        Bytes file;
        bool loads;
    };
    const Case cases[] = {
        {"empty file", {}, false},
        {"the 21 signature characters alone", signature, false},
        {"signature and byte 21 not zero", Concat(nonZeroAfterSignature, firstEntry), false},
        {"signature in other letters", Concat(lowerCase, firstEntry), false},
        {"a text file", Bytes(200, 'a'), false},
        {"signature and its zero, nothing more", Concat(signature, {0}), true},
        {"other version and numbers", Concat(otherVersion, firstEntry), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PhonebookTable loaded(80, 0);
        FillWithPattern(loaded, 11);
        const Bytes before = TableBytes(loaded);
        os.PutFile(kBook, c.file);

        EXPECT_EQ(LoadPhonebookFile(os, kBook, loaded), c.loads);
        if (c.loads && c.file.size() > 40) {
            EXPECT_EQ(Bytes(loaded.Entry(0).begin(), loaded.Entry(0).end()), firstEntry);
        } else if (!c.loads) {
            EXPECT_EQ(TableBytes(loaded), before);
        }
    }

    // Refused files leave nothing of themselves in what the next save writes.
    const std::string saved = R"(C:\Puhelinmuistiot\uusi.PBF)";
    ASSERT_TRUE(SavePhonebookFile(os, saved, table));
    const Bytes file = *os.FileContents(saved);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 40), kExpectedHeader);
}

TEST_F(PhonebookFileTest, MissingFileIsNotLoaded) {
    FillWithPattern(table, 5);
    const Bytes before = TableBytes(table);
    EXPECT_FALSE(LoadPhonebookFile(os, R"(C:\ei\ole.PBF)", table));
    EXPECT_EQ(TableBytes(table), before);
}

TEST_F(PhonebookFileTest, ShortBodyReplacesOnlyTheWholeEntriesItHolds) {
    struct Case {
        const char* what;
        std::size_t bodySize;
        int replacedEntries;
    };
    const Case cases[] = {
        {"no body", 0, 0},
        {"one entry", 68, 1},
        {"one entry and part of the next", 100, 1},
        {"all but the last byte", 5439, 79},
        {"the whole table and more", 5440 + 300, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes body(c.bodySize);
        for (std::size_t i = 0; i < body.size(); ++i) {
            body[i] = static_cast<std::uint8_t>(i % 13 + 1);
        }
        os.PutFile(kBook, Concat(kExpectedHeader, body));
        PhonebookTable loaded(80, 0);
        FillWithPattern(loaded, 17);
        const Bytes before = TableBytes(loaded);

        ASSERT_TRUE(LoadPhonebookFile(os, kBook, loaded));
        const std::size_t replaced = static_cast<std::size_t>(c.replacedEntries) * 68;
        const Bytes after = TableBytes(loaded);
        EXPECT_TRUE(std::equal(after.begin(), after.begin() + replaced, body.begin()));
        EXPECT_TRUE(std::equal(after.begin() + replaced, after.end(), before.begin() + replaced));
    }
}

TEST_F(PhonebookFileTest, TableOfOtherSizeUsesItsOwnSizeAndTheFixedHeader) {
    PhonebookTable small(3, 2);
    small.SetEntry(4, "Pikavalinta", "112");
    const std::string path = R"(C:\pieni.PBF)";
    ASSERT_TRUE(SavePhonebookFile(os, path, small));
    const auto file = os.FileContents(path);
    ASSERT_EQ(file->size(), 40u + 5 * 68);
    EXPECT_EQ(Bytes(file->begin(), file->begin() + 40), kExpectedHeader);

    PhonebookTable loaded(3, 2);
    ASSERT_TRUE(LoadPhonebookFile(os, path, loaded));
    EXPECT_EQ(loaded.Name(4), "Pikavalinta");
}

TEST_F(PhonebookFileTest, FailedSaveLeavesTheOldFileAsItWasAndNoTemporary) {
    const Bytes old = Concat(kExpectedHeader, Bytes(5440, 0x42));
    table.SetEntry(0, "Uusi", "555");
    struct Case {
        const char* what;
        void (*fault)(FakeOs&);
    };
    const Case cases[] = {
        {"folder cannot be written", [](FakeOs& fake) { fake.FailOpensUnder(R"(C:\Puhelin)"); }},
        {"disk fills up during the header", [](FakeOs& fake) { fake.SetDiskSpace(30); }},
        {"disk fills up during the table", [](FakeOs& fake) { fake.SetDiskSpace(3000); }},
        {"the old file cannot be replaced", [](FakeOs& fake) { fake.FailReplace(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool hadOldFile : {true, false}) {
            sim::VirtualDevice freshDevice;
            FakeOs fake(freshDevice);
            if (hadOldFile) fake.PutFile(kBook, old);
            c.fault(fake);

            EXPECT_FALSE(SavePhonebookFile(fake, kBook, table));
            if (hadOldFile) {
                EXPECT_EQ(fake.FileContents(kBook), old);
                EXPECT_EQ(fake.FileNames(), std::vector<std::string>{kBook});
            } else {
                EXPECT_TRUE(fake.FileNames().empty());
            }
        }
    }
}

TEST_F(PhonebookFileTest, SaveReplacesAnExistingFileWhole) {
    os.PutFile(kBook, Bytes(9000, 0x42));
    ASSERT_TRUE(SavePhonebookFile(os, kBook, table));
    EXPECT_EQ(os.FileContents(kBook)->size(), 5480u);
}

TEST(PhonebookFileName, ExtensionIsAddedOnlyWhenTheFileNameHasNone) {
    const std::pair<const char*, const char*> cases[] = {
        {R"(C:\Kirjat\kirja)", R"(C:\Kirjat\kirja.PBF)"},
        {R"(C:\Kirjat\kirja.txt)", R"(C:\Kirjat\kirja.txt)"},
        {R"(C:\Kirjat\kirja.pbf)", R"(C:\Kirjat\kirja.pbf)"},
        {R"(C:\Omat.tiedostot\kirja)", R"(C:\Omat.tiedostot\kirja.PBF)"},
        {R"(\\palvelin\v1.2\kirja)", R"(\\palvelin\v1.2\kirja.PBF)"},
        {"C:/Omat.tiedostot/kirja", "C:/Omat.tiedostot/kirja.PBF"},
        {R"(C:\Kirjat\kirja.)", R"(C:\Kirjat\kirja.PBF)"},
        {R"(C:\Kirjat\vanha.kirja.bak)", R"(C:\Kirjat\vanha.kirja.bak)"},
        {"kirja", "kirja.PBF"},
        {"D:kirja", "D:kirja.PBF"},
    };
    for (const auto& [chosen, expected] : cases) {
        EXPECT_EQ(WithPhonebookExtension(chosen), expected) << "chosen: " << chosen;
    }
}

}  // namespace
}  // namespace pd
