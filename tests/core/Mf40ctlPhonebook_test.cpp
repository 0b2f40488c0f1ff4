// phonebook export and import through the companion, in all three formats.
#include <gmock/gmock.h>

#include "Mf40ctlBench.h"
#include "phonebook/PhonebookFile.h"

namespace pd::ctl::testing {
namespace {

using ::testing::HasSubstr;

class CtlPhonebookTest : public CtlTest {
protected:
    void SetUp() override {
        PutDeviceEntry(0, "VELTRA OY", "09123");
        PutDeviceEntry(1, "SMITH, JOHN", "555P1");
        PutDeviceEntry(2, "", "123");
        PutDeviceEntry(4, "GROUP", "\xE0\x01\x02");
    }
    std::vector<std::string> DeviceEntries() const {
        std::vector<std::string> entries;
        for (int position = 0; position < sim::kPhonebookEntries; ++position) {
            const std::string entry = DeviceEntry(position);
            if (entry != "|") entries.push_back(std::to_string(position + 1) + ":" + entry);
        }
        return entries;
    }
};

// Whatever the device holds comes back unchanged: letters its own keys write (Ä Ö Å É),
// lower case, the entry numbers, and a group-dial entry that the file holds too.
TEST_F(CtlPhonebookTest, ExportThenImport_GivesTheSameTableInEveryFormat) {
    PutDeviceEntry(16, "\xC4IJ\xC4 \xD6STERBERG", "0401");
    PutDeviceEntry(79, "Caf\xE9 \xC5land", "*99#");
    const std::vector<std::string> original = DeviceEntries();
    for (const char* file : {"book.csv", "book.vcf", "book.pbf", "BOOK.CSV"}) {
        ASSERT_EQ(Run({"phonebook", "export", file}), kExitOk) << file << err.str();
        PutDeviceEntry(0, "", "");
        PutDeviceEntry(1, "OTHER", "999");
        PutDeviceEntry(7, "EXTRA", "777");
        ASSERT_EQ(Run({"phonebook", "import", file, "--replace"}), kExitOk) << file << err.str();
        EXPECT_EQ(DeviceEntries(), original) << file;
        EXPECT_THAT(err.str(), HasSubstr("phonebook written and confirmed")) << file;
    }
}

TEST_F(CtlPhonebookTest, CsvExport_IsUtf8WithTheHeaderAndTheGroupDialRow) {
    PutDeviceEntry(79, "M\xC4KI", "0401");  // a name the device holds in Windows-1252
    ASSERT_EQ(Run({"phonebook", "export", "book.csv"}), kExitOk);
    EXPECT_EQ(File("book.csv"),
              "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n1;VELTRA OY;09123\r\n"
              "2;\"SMITH, JOHN\";555P1\r\n3;;123\r\n5;GROUP;*GROUP DIAL*\r\n80;MÄKI;0401\r\n");
    EXPECT_EQ(err.str(), "mf40ctl: 5 entries written to book.csv\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(CtlPhonebookTest, PbfExport_IsTheFileThePanelSaves) {
    ASSERT_EQ(Run({"phonebook", "export", "book.pbf"}), kExitOk);
    PhonebookTable table(80, 0);
    table.SetEntry(0, "VELTRA OY", "09123");
    table.SetEntry(1, "SMITH, JOHN", "555P1");
    table.SetEntry(2, "", "123");
    table.SetEntry(4, "GROUP", "\xE0\x01\x02");
    ASSERT_TRUE(SavePhonebookFile(os, "panel.pbf", table));
    EXPECT_EQ(File("book.pbf").size(), 5480u);
    EXPECT_EQ(File("book.pbf"), File("panel.pbf"));
}

TEST_F(CtlPhonebookTest, CsvMerge_PutsRowsIntoTheirEntriesAndKeepsTheRest) {
    PutFile("in.csv", "Nro,Nimi,Puhelinnumero\n2,New Name,040 123\n5,GROUP,*GROUP DIAL*\n"
                      "80,\"Doe, Jane\",p55\n");
    ASSERT_EQ(Run({"phonebook", "import", "in.csv"}), kExitOk) << err.str();
    EXPECT_EQ(DeviceEntries(),
              (std::vector<std::string>{"1:VELTRA OY|09123", "2:New Name|040123", "3:|123",
                                        "5:GROUP|\xE0\x01\x02", "80:Doe, Jane|P55"}));
    EXPECT_THAT(err.str(), HasSubstr("(2 entries from in.csv)"));
}

TEST_F(CtlPhonebookTest, Import_NeverOverwritesAGroupDialEntry) {
    PutFile("group.csv", "Nro;Nimi;Puhelinnumero\n5;MINE;123\n6;MADE;*GROUP DIAL*\n");
    PutFile("group.pbf", "");
    PhonebookTable table(80, 0);
    table.SetEntry(4, "MINE", "123");
    ASSERT_TRUE(SavePhonebookFile(os, "group.pbf", table));
    const int writes = WritesReceived();

    EXPECT_EQ(Run({"phonebook", "import", "group.csv", "--replace"}), kExitBadInput);
    EXPECT_THAT(err.str(), HasSubstr("group.csv:2: entry 5 is a group-dial entry, which is never "
                                     "overwritten\n"
                                     "group.csv:3: a group-dial entry can only be set up on the "
                                     "device itself\n"));
    EXPECT_EQ(Run({"phonebook", "import", "group.pbf"}), kExitBadInput);
    EXPECT_THAT(err.str(),
                HasSubstr("group.pbf: entry 5: the device's group-dial entry is never overwritten"));
    EXPECT_EQ(WritesReceived(), writes);
    EXPECT_EQ(DeviceEntry(4), "GROUP|\xE0\x01\x02");
}

TEST_F(CtlPhonebookTest, PbfImport_MergesOnlyTheFilesEntriesUnlessReplacing) {
    PhonebookTable table(80, 0);
    table.SetEntry(1, "FROM FILE", "4444");
    table.SetEntry(4, "GROUP", "\xE0\x01\x02");  // the same group-dial entry: no change
    ASSERT_TRUE(SavePhonebookFile(os, "file.pbf", table));

    ASSERT_EQ(Run({"phonebook", "import", "file.pbf"}), kExitOk) << err.str();
    EXPECT_EQ(DeviceEntries(), (std::vector<std::string>{"1:VELTRA OY|09123", "2:FROM FILE|4444",
                                                         "3:|123", "5:GROUP|\xE0\x01\x02"}));
    ASSERT_EQ(Run({"phonebook", "import", "file.pbf", "--replace"}), kExitOk) << err.str();
    EXPECT_EQ(DeviceEntries(),
              (std::vector<std::string>{"2:FROM FILE|4444", "5:GROUP|\xE0\x01\x02"}));
}

TEST_F(CtlPhonebookTest, VcardImport_FillsFreeEntriesInOrder) {
    PutFile("cards.vcf",
            "BEGIN:VCARD\nVERSION:3.0\nFN:Anna\nTEL;TYPE=CELL:040 1\nTEL;TYPE=FAX:09 2\n"
            "END:VCARD\nBEGIN:VCARD\nVERSION:4.0\nFN:Bob\nTEL:tel:0503\nEND:VCARD\n");
    ASSERT_EQ(Run({"phonebook", "import", "cards.vcf"}), kExitOk) << err.str();
    EXPECT_EQ(DeviceEntry(3), "Anna|092");
    EXPECT_EQ(DeviceEntry(5), "Bob|0503") << "entry 5 is group dial, so Bob takes entry 6";

    std::string many;
    for (int i = 0; i < 76; ++i) many += "BEGIN:VCARD\nVERSION:3.0\nFN:N\nTEL:123\nEND:VCARD\n";
    PutFile("many.vcf", many);
    const int writes = WritesReceived();
    EXPECT_EQ(Run({"phonebook", "import", "many.vcf"}), kExitBadInput);
    EXPECT_THAT(err.str(), HasSubstr("many.vcf:371: no free entry is left\n"));
    EXPECT_THAT(err.str(), HasSubstr("2 problem(s) found"));
    EXPECT_EQ(WritesReceived(), writes);
}

TEST_F(CtlPhonebookTest, DryRun_ShowsTheResultingPhonebookAndWritesNothing) {
    PutFile("in.csv", "Nro;Nimi;Puhelinnumero\n2;Changed;777\n");
    const int writes = WritesReceived();
    ASSERT_EQ(Run({"phonebook", "import", "in.csv", "--replace", "--dry-run"}), kExitOk);
    EXPECT_EQ(out.str(),
              "  Nro  Nimi                  Puhelinnumero\n"
              "*   1                        (cleared)\n"
              "*   2  Changed               777\n"
              "*   3                        (cleared)\n"
              "    5  GROUP                 *GROUP DIAL*\n");
    EXPECT_THAT(err.str(), HasSubstr("dry run: nothing was written"));
    EXPECT_EQ(WritesReceived(), writes);
    EXPECT_EQ(DeviceEntry(1), "SMITH, JOHN|555P1");
}

TEST_F(CtlPhonebookTest, DeviceThatTakesNoPhonebook_EndsWithCode4) {
    PutFile("in.csv", "Nro;Nimi;Puhelinnumero\n9;NINE;999\n");
    device.faults.acceptBudget = 8 + 10;  // the probe and the read command only
    EXPECT_EQ(Run({"phonebook", "import", "in.csv"}), kExitWriteFailed);
    EXPECT_THAT(err.str(), HasSubstr("the device did not take the phonebook"));
    EXPECT_EQ(DeviceEntry(8), "|");
}

}  // namespace
}  // namespace pd::ctl::testing
