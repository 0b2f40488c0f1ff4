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
    // As a spreadsheet program of Windows 98 writes it: Windows-1252, without a mark.
    PutFile("in.csv",
            "Nro,Nimi,Puhelinnumero\n2,N\xE4kki,040 123\n5,GROUP,*GROUP DIAL*\n"
            "80,\"Doe, Jane\",p55\n");
    ASSERT_EQ(Run({"phonebook", "import", "in.csv"}), kExitOk) << err.str();
    EXPECT_EQ(DeviceEntries(),
              (std::vector<std::string>{"1:VELTRA OY|09123", "2:N\xE4kki|040123", "3:|123",
                                        "5:GROUP|\xE0\x01\x02", "80:Doe, Jane|P55"}));
    EXPECT_THAT(err.str(), HasSubstr("(2 entries from in.csv)"));
}

TEST_F(CtlPhonebookTest, Import_NeverOverwritesAGroupDialEntry) {
    PutFile("group.csv", "Nro;Nimi;Puhelinnumero\n5;MINE;123\n6;MADE;*GROUP DIAL*\n");
    PutFile("rename.csv", "Nro;Nimi;Puhelinnumero\n5;RENAMED GROUP;*GROUP DIAL*\n");
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
    EXPECT_EQ(Run({"phonebook", "import", "rename.csv"}), kExitBadInput);
    EXPECT_THAT(err.str(), HasSubstr("rename.csv:2: entry 5 is a group-dial entry, which is "
                                     "never overwritten; its name stays 'GROUP'\n"));
    EXPECT_EQ(Run({"phonebook", "import", "group.pbf"}), kExitBadInput);
    EXPECT_THAT(
        err.str(),
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

// One rule for every entry a file brings, whatever the format, decided before the device is
// touched: the dry run answers as the run does, and an accepted run leaves on the device just
// what it planned (never a read-back that differs).
TEST_F(CtlPhonebookTest, EveryFormatKeepsTheDevicesRulesAndTheDryRunAnswersAsTheRun) {
    PhonebookTable hostile(80, 0);
    hostile.SetEntry(0, "lower case", "09123");
    hostile.SetEntry(6, "\x1B[2J", "123");
    hostile.SetEntry(7, "OK", "12");
    ASSERT_TRUE(SavePhonebookFile(os, "hostile.pbf", hostile));
    PhonebookTable other(80, 0);  // a book without the device's group-dial entry 5
    other.SetEntry(9, "TEN", "1010");
    ASSERT_TRUE(SavePhonebookFile(os, "other.pbf", other));
    PutFile("trail.csv",
            "Nro;Nimi;Puhelinnumero\n1;\"TRAIL \";123\n2;\"   \";555\n"
            "3;\"Doe \"\"Q\"\"; Jane\";09 123\n");
    PutFile("ydots.csv", "Nro;Nimi;Puhelinnumero\n3;\"J\xC3\xBF\";123\n");
    PutFile("bell.csv", "Nro;Nimi;Puhelinnumero\n3;\"B\x07\";123\n4;\"LINE\nFEED\";123\n");
    PutFile("escape.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:A\\nB\nTEL:123\nEND:VCARD\n");
    struct Case {
        const char* file;
        std::vector<std::string> options;
        int code;
        const char* message;
        std::vector<std::string> entries;  // when accepted: the device's phonebook after
    };
    const Case cases[] = {
        {"hostile.pbf",
         {},
         kExitBadInput,
         "hostile.pbf: entry 7: name '\\x1B' is a control character, which the device cannot "
         "show\nhostile.pbf: entry 8: number '12' must have more than 2 characters",
         {}},
        {"other.pbf",
         {"--replace"},
         kExitOk,
         "(1 entries from other.pbf)",
         {"5:GROUP|\xE0\x01\x02", "10:TEN|1010"}},
        {"trail.csv",
         {},
         kExitOk,
         "(3 entries from trail.csv)",
         {"1:TRAIL|123", "2:|555", "3:Doe \"Q\"; Jane|09123", "5:GROUP|\xE0\x01\x02"}},
        {"ydots.csv", {}, kExitBadInput, "ydots.csv:2: name: '\xC3\xBF' cannot be kept", {}},
        {"bell.csv",
         {},
         kExitBadInput,
         "bell.csv:2: name '\\x07' is a control character, which the device cannot show\n"
         "bell.csv:3: name '\\x0A' is a control character",
         {}},
        {"escape.vcf", {}, kExitBadInput, "escape.vcf:1: name '\\x0A' is a control character", {}},
    };
    const sim::DeviceState before = device.state;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        for (const bool dryRun : {true, false}) {
            device.state = before;
            std::vector<std::string> arguments = {"phonebook", "import", c.file};
            arguments.insert(arguments.end(), c.options.begin(), c.options.end());
            if (dryRun) arguments.push_back("--dry-run");
            EXPECT_EQ(Run(arguments), c.code) << (dryRun ? "dry run\n" : "run\n") << err.str();
            const bool listed = dryRun && c.code == kExitOk;
            EXPECT_THAT(err.str(), HasSubstr(listed ? "dry run: nothing was written" : c.message))
                << (dryRun ? "dry run" : "run");
            if (dryRun || c.code != kExitOk) {
                EXPECT_TRUE(SameMemory(device.state, before));
            } else {
                EXPECT_EQ(DeviceEntries(), c.entries);
            }
        }
    }
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
