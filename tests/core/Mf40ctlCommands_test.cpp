// The companion's commands against the virtual device: what they print, what they return and
// what they leave on the device, refused input above all.
#include <gmock/gmock.h>

#include <functional>

#include "Mf40ctlBench.h"
#include "phonebook/PhonebookFile.h"
#include "protocol/ByteOrder.h"

namespace pd::ctl::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kSettingsAt = 6;  // the 17 settings in the device's fax-settings block
int SystemAt(int replyOffset) { return replyOffset - 4; }

TEST_F(CtlTest, Info_ShowsIdentityVersionsMemoryAndUnsignedCounters) {
    WriteBe32(device.state.systemData.data() + SystemAt(143), 0xFFFFFFFFu);  // paper jams

    ASSERT_EQ(Run({"info"}), kExitOk) << err.str();
    EXPECT_THAT(out.str(), HasSubstr("Model:                   Ostrex MF 40\n"
                                     "Firmware version:        1.12\n"
                                     "Engine version:          2.03\n"
                                     "Emulation 1 version:     PCL 5e 1.04\n"
                                     "Emulation 2 version:     GDI 2.10\n"
                                     "Free memory:             87 %\n"
                                     "Pages scanned (platen):  1520\n"));
    EXPECT_THAT(out.str(), HasSubstr("Paper jams:              4294967295\n"));
    EXPECT_EQ(err.str(), "");

    ASSERT_EQ(Run({"info", "--json"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("\"model\": \"Ostrex MF 40\",\n"));
    EXPECT_THAT(out.str(), HasSubstr("\"freeMemoryPercent\": 87,\n"));
    EXPECT_THAT(out.str(), HasSubstr("\"paperJamCount\": 4294967295\n"));
}

TEST_F(CtlTest, SettingsGet_ShowsEverySettingAsThePageShowsIt) {
    device.state.faxSettings[kSettingsAt + 0] = 7;  // a paper size no list holds
    ASSERT_EQ(Run({"settings", "get"}), kExitOk) << err.str();
    EXPECT_THAT(out.str(), HasSubstr("trayPaperSize=(device byte 7, not a value the page offers)\n"
                                     "bypassPaperSize=A4\nbypassPaperType=Tavallinen\n"
                                     "sendConfirmation=Kun virhe\nautoJournal=on\n"
                                     "remoteReceiveCode=*5*\npowerSave=15\n"));
    EXPECT_THAT(out.str(), HasSubstr("answerDelay=2\nsendFromMemory=on\ndeviceIdEnabled=on\n"
                                     "clockFormat=24 t\n"));

    ASSERT_EQ(Run({"settings", "get", "--json"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("\"trayPaperSize\": {\n    \"deviceByte\": 7\n  },\n"));
    EXPECT_THAT(out.str(), HasSubstr("\"powerSave\": \"15\",\n"));
    EXPECT_THAT(out.str(), HasSubstr("\"answerDelay\": 2,\n"));
}

TEST_F(CtlTest, SettingsSet_ChangesOnlyTheNamedSettingsAndConfirmsThem) {
    auto expected = device.state.faxSettings;
    expected[kSettingsAt + 13] = 3;  // answerDelay
    expected[kSettingsAt + 6] = 0;   // powerSave off
    expected[kSettingsAt + 0] = 2;   // Legal

    ASSERT_EQ(Run({"settings", "set", "answerDelay=3", "powerSave=off", "trayPaperSize=legal"}),
              kExitOk)
        << err.str();
    EXPECT_EQ(device.state.faxSettings, expected);
    EXPECT_EQ(WritesReceived(), 1);
    EXPECT_EQ(err.str(), "mf40ctl: fax settings written and confirmed\n");

    ASSERT_EQ(Run({"settings", "set", "answerDelay=3"}), kExitOk);
    EXPECT_EQ(WritesReceived(), 1) << "a setting the device already has is not written again";
}

TEST_F(CtlTest, OptionsSet_TakesTextsAsTheAdvancedPageDoesAndConfirmsThem) {
    ASSERT_EQ(Run({"options", "set", "customerName=veltra oy", "serviceNumber=0800p1",
                   "language=English", "ringVolume=0", "tonerSave=on"}),
              kExitOk)
        << err.str();
    const auto& data = device.state.systemData;
    EXPECT_EQ(std::string(data.begin() + SystemAt(163), data.begin() + SystemAt(183)),
              "VELTRA OY           ");
    EXPECT_EQ(std::string(data.begin() + SystemAt(203), data.begin() + SystemAt(209)), "0800P1");
    EXPECT_EQ(data[SystemAt(157)], 0);  // English
    EXPECT_EQ(data[SystemAt(153)], 0);  // ring volume
    EXPECT_EQ(data[SystemAt(158)], 1);  // toner save
    EXPECT_EQ(std::string(data.begin() + SystemAt(249), data.begin() + SystemAt(262)),
              "OMF40-0012345")
        << "options not named stay as they were";

    ASSERT_EQ(Run({"options", "get"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("language=English\n"));
    EXPECT_THAT(out.str(), HasSubstr("customerName=VELTRA OY\n"));
    ASSERT_EQ(Run({"options", "get", "--json"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("\"tonerSave\": true,\n"));
}

// Every refusal: the exit code, the message, and a device that neither changed nor was
// sent anything that could change it.
TEST_F(CtlTest, BadInput_IsRefusedWithItsReasonAndChangesNothing) {
    PutDeviceEntry(0, "VELTRA", "0912345");
    ASSERT_EQ(Run({"backup", "good.json"}), kExitOk) << err.str();
    const std::string backup = File("good.json");
    const auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = backup;
        return text.replace(text.find(from), from.size(), to);
    };
    PutFile("malformed.json", backup.substr(0, backup.size() / 2));
    PutFile("range.json", edited("\"answerDelay\": 2", "\"answerDelay\": 8"));
    PutFile("unknown.json", edited("\"answerDelay\": 2", "\"answerDelay\": 2, \"speed\": 1"));
    PutFile("other.json", edited("Ostrex MF 40", "Ostrex MF 50"));
    PutFile("book.txt", "Nro;Nimi;Puhelinnumero\n1;A;123\n");
    PutFile("malformed.csv", "Nro;Nimi;Puhelinnumero\n1;\"A;123\n");
    PutFile("rules.csv", "Nro;Nimi;Puhelinnumero\n1;A;123\n2;B;12\n3;C\x1B[2J;123\n81;E;123\n");
    PutFile("huge.csv", "Nro;Nimi;Puhelinnumero\n" + std::string((1 << 20) + 100000, '\n'));
    PutFile("huge.json", std::string((1 << 20) + 1, ' '));
    os.FailOpen("folder.vcf", FileError::IsFolder);
    os.FailOpen("private.json", FileError::AccessDenied);
    PutFile("wrap.json", edited("\"nro\": 1,", "\"nro\": 4294967297,"));
    PutFile("version.json", edited("\"formatVersion\": 1", "\"formatVersion\": 4294967297"));
    PutFile("bel.json", edited("\"name\": \"VELTRA\"", "\"name\": \"VEL\\u0007TRA\""));
    PutFile("semicolon.json", edited("\"serviceNumber\": \"\"", "\"serviceNumber\": \"12;\""));
    PutFile("malformed.vcf", "BEGIN:VCARD\nVERSION:3.0\nFN:A\n");
    PutFile("notbook.pbf", "QTR FAX-RCP Phonebook!");
    PutFile("bad.img", "$img and more");
    PutFile("good.img", "$IMG and more");
    // Values a backup may hold but no page could make: texts outside their edit's characters,
    // a byte outside its field's range; and the same name twice in one object.
    PutFile("lower.json",
            edited("\"deviceIdName\": \"VELTRA\"", "\"deviceIdName\": \"lower@{}~\""));
    PutFile("euro.json",
            edited("\"customerName\": \"\"", "\"customerName\": \"\u20acuro \\\"x\\\" <y>\""));
    PutFile("serial.json",
            edited("\"serialNumber\": \"OMF40-0012345\"", "\"serialNumber\": \"serial-lower\""));
    PutFile("byte.json", edited("\"answerDelay\": 2", "\"answerDelay\": {\"deviceByte\": 200}"));
    PutFile("twice.json", edited("\"answerDelay\": 2", "\"answerDelay\": 2, \"answerDelay\": 3"));
    // Phonebook files cut short: one entry, the signature alone, the header alone.
    const std::string header(kPhonebookFileHeader.begin(), kPhonebookFileHeader.end());
    PutFile("cut.pbf", header + std::string(68, 'A'));
    PutFile("sign.pbf", header.substr(0, 22));
    PutFile("head.pbf", header);
    PutFile("utf16.csv", std::string("\xFF\xFEN\0r\0o\0;\0", 10));
    PutFile("zeros.vcf", std::string("B\0E\0G\0", 6));
    // The size is all that is asked of it: 4 GiB, a byte more than its 32-bit count takes.
    os.PutLargeFile("big.img", {'$', 'I', 'M', 'G'}, std::uint64_t{1} << 32);

    struct Case {
        std::vector<std::string> arguments;
        const char* message;
        std::string input = "";
    };
    const Case cases[] = {
        {{"settings", "set", "answerDelay=9"}, "answerDelay: '9' is not one of 1..7"},
        {{"settings", "set", "powerSave=20"}, "powerSave: '20' is not one of off, 5, 10"},
        {{"settings", "set", "colour=red"}, "'colour' is not a fax setting"},
        {{"settings", "set", "language=Suomi"}, "(it is one of the advanced options)"},
        {{"settings", "set", "answerDelay"}, "'answerDelay' is not NAME=VALUE"},
        {{"settings", "set", "answerDelay=3", "answerDelay=4"}, "given more than once"},
        {{"options", "set", "customerName=Mäkinen"}, "customerName: 'ä' is not allowed here"},
        {{"options", "set", "numberPrefix=123456"}, "is 6 characters long; at most 5 fit"},
        {{"options", "set", "language=Klingon"}, "'Klingon' is not one of English, Francais"},
        {{"options", "set", "answerDelay=3"}, "(it is one of the fax settings)"},
        {{"phonebook", "import", "missing.csv"}, "cannot read 'missing.csv'"},
        {{"phonebook", "import", "book.txt"}, "must end in .pbf, .csv or .vcf"},
        {{"phonebook", "export", "book.txt"}, "must end in .pbf, .csv or .vcf"},
        {{"phonebook", "import", "malformed.csv"}, "malformed.csv:2: a quoted field is not closed"},
        {{"phonebook", "import", "rules.csv"}, "rules.csv:3: number '12' must have more than 2"},
        {{"phonebook", "import", "rules.csv"}, "rules.csv:4: name '\\x1B' is a control char"},
        {{"phonebook", "import", "rules.csv"}, "rules.csv:5: Nro 81 is outside 1..80"},
        {{"phonebook", "import", "rules.csv", "--replace"}, "3 problem(s) found; the device's"},
        {{"phonebook", "import", "malformed.vcf"}, "malformed.vcf:1: the card is not closed"},
        {{"phonebook", "import", "notbook.pbf"}, "'notbook.pbf' is not a phonebook file"},
        {{"phonebook", "import", "x.csv", "--merge", "--replace"}, "--replace excludes --merge"},
        {{"restore", "missing.json"}, "cannot read 'missing.json'"},
        {{"restore", "malformed.json"}, "malformed.json: not valid JSON"},
        {{"restore", "range.json"}, "faxSettings.answerDelay: 8 is not one of 1..7"},
        {{"restore", "unknown.json"}, "faxSettings.speed: is not a known name"},
        {{"restore", "other.json"},
         "is a backup of \"Ostrex MF 50\", but the device is \"Ostrex MF 40\"; nothing was "
         "written"},
        {{"firmware", "check", "missing.img"}, "cannot read 'missing.img': not found"},
        {{"phonebook", "import", "huge.csv", "--dry-run"},
         "'huge.csv' is 1148599 bytes; a file of this kind is never larger than 1048576 bytes "
         "(1 MiB), so it is not read"},
        {{"restore", "huge.json"},
         "'huge.json' is 1048577 bytes; a file of this kind is never "
         "larger than 1048576 bytes (1 MiB)"},
        {{"phonebook", "import", "folder.vcf"}, "cannot read 'folder.vcf': is a folder"},
        {{"restore", "private.json"}, "cannot read 'private.json': access denied"},
        {{"restore", "wrap.json"}, "phonebook[0]: nro must be a number 1..80"},
        {{"restore", "version.json"}, "formatVersion: must be 1"},
        {{"restore", "bel.json", "--dry-run"},
         "phonebook 1: name '\\x07' is a control character, which the device cannot show"},
        {{"restore", "semicolon.json"},
         "advancedOptions.serviceNumber: ';' is not allowed here (digits, # * and P)"},
        {{"firmware", "update", "bad.img", "--yes"}, "is not a firmware image (it does not begin"},
        {{"firmware", "update", "good.img"}, "update not confirmed; nothing was sent", "n\n"},
        {{"firmware", "update", "good.img"}, "update not confirmed; nothing was sent", ""},
        {{"restore", "lower.json"},
         "advancedOptions.deviceIdName: 'l' is not allowed here (letters A-Z, digits, space"},
        {{"restore", "euro.json"}, "advancedOptions.customerName: '€' is not allowed here"},
        {{"restore", "serial.json"}, "advancedOptions.serialNumber: 's' is not allowed here"},
        {{"restore", "byte.json"},
         "faxSettings.answerDelay: device byte 200 is not one of 1..7; a byte that no page "
         "offers is restored only where the device holds it already"},
        {{"restore", "twice.json"}, "faxSettings.answerDelay: is given more than once"},
        {{"phonebook", "import", "cut.pbf", "--replace"},
         "'cut.pbf' is 108 bytes, but a phonebook file is 5480 bytes (its header and 80 "
         "entries): it is cut short or carries more, so it is not read"},
        {{"phonebook", "import", "sign.pbf"}, "'sign.pbf' is 22 bytes, but a phonebook file"},
        {{"phonebook", "import", "head.pbf"}, "'head.pbf' is 40 bytes, but a phonebook file"},
        {{"phonebook", "import", "utf16.csv"},
         "'utf16.csv' is UTF-16 text (it begins with a UTF-16 byte-order mark); save it as "
         "UTF-8"},
        {{"phonebook", "import", "zeros.vcf"}, "it holds zero bytes, as UTF-16 text does"},
        {{"restore", "lpt1"},
         "cannot read 'lpt1': Windows keeps that name for a device (CON, PRN, AUX, NUL"},
        {{"firmware", "check", "nul.img"}, "cannot read 'nul.img': Windows keeps that name"},
        {{"firmware", "check", "big.img"},
         "'big.img' is 4294967296 bytes; a firmware image is sent with a 32-bit count of its "
         "bytes, so it can be at most 4294967295 bytes; nothing was sent"},
        {{"firmware", "update", "big.img", "--yes"}, "'big.img' is 4294967296 bytes;"},
        {{"--link", "lpt4", "info"}, "--link: lpt4 not in {auto,usb,lpt1"},
        {{"info", "extra"}, "The following argument was not expected: extra"},
    };
    const sim::DeviceState before = device.state;
    const int writesBefore = WritesReceived();
    for (const Case& c : cases) {
        const std::string command = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(Run(c.arguments, c.input), kExitBadInput) << command << "\n" << err.str();
        EXPECT_THAT(err.str(), HasSubstr(c.message)) << command;
        EXPECT_TRUE(SameMemory(device.state, before)) << command;
        EXPECT_EQ(WritesReceived(), writesBefore) << command;
    }
}

// What a command says when something was passed over, kept or refused by the system.
TEST_F(CtlTest, Messages_SayWhatHappened) {
    // Only these two records in the device's reply, after whatever it holds.
    const auto sendOnly = [&](std::uint8_t first, std::uint8_t second) {
        device.phonebookReply.onlyNonBlank = true;
        for (const std::uint8_t entry : {first, second}) {
            Bytes record(kRecord, 0xFF);
            record[0] = entry;
            record[1] = 'X';
            device.phonebookReply.extraRecords.insert(device.phonebookReply.extraRecords.end(),
                                                      record.begin(), record.end());
        }
    };
    struct Case {
        const char* what;
        std::function<void()> setUp;
        std::vector<std::string> arguments;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"records outside the table",
         [&] { sendOnly(0, 81); },
         {"phonebook", "export", "book.csv"},
         kExitOk,
         "note: the device sent 2 phonebook record(s) with entry number 0 or above 80; they "
         "were skipped"},
        {"an entry sent twice",
         [&] { sendOnly(3, 3); },
         {"phonebook", "export", "book.csv"},
         kExitOk,
         "note: the device sent entry 3 more than once; the last record sent is the one taken"},
        {"a restore that only finds group-dial entries",
         [&] {
             ASSERT_EQ(Run({"backup", "device.json"}), kExitOk);
             PutDeviceEntry(9, "TEAM", "\xE0\x05");
         },
         {"restore", "device.json"},
         kExitOk,
         "nothing was written: the device matches device.json except for 1 group-dial entry, "
         "which is the device's own"},
        {"a full disk",
         [&] { os.SetDiskSpace(10); },
         {"phonebook", "export", "book.csv"},
         kExitWriteFailed,
         "could not write 'book.csv': the disk is full"},
        {"a folder",
         [&] { os.FailOpen("book.vcf", FileError::IsFolder); },
         {"phonebook", "export", "book.vcf"},
         kExitWriteFailed,
         "could not write 'book.vcf': is a folder"},
        {"a read-only file",
         [&] { os.FailOpen("book.pbf", FileError::ReadOnly); },
         {"phonebook", "export", "book.pbf"},
         kExitWriteFailed,
         "could not write 'book.pbf': the file is read-only"},
        {"a name Windows keeps for a device",
         [] {},
         {"backup", "lpt1.json"},
         kExitWriteFailed,
         "could not write 'lpt1.json': Windows keeps that name for a device"},
        {"a file name with an escape sequence",
         [] {},
         {"phonebook", "import", "\x1B[2J.csv"},
         kExitBadInput,
         "cannot read '\\x1B[2J.csv': not found"},
    };
    const sim::DeviceState factory = device.state;
    for (const Case& c : cases) {
        device.state = factory;
        device.phonebookReply = {};
        os.SetDiskSpace(std::nullopt);
        c.setUp();
        EXPECT_EQ(Run(c.arguments), c.code) << c.what << "\n" << err.str();
        EXPECT_THAT(err.str(), HasSubstr(c.message)) << c.what;
    }
}

// True when `text` would hand the terminal a control character other than the line break.
bool HasRawControl(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if ((c < 0x20 && c != '\n') || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            return true;
        }
    }
    return false;
}

// What the terminal gets: the listings a command word alone shows, unknown words, and data
// that standard output refuses. The device's texts carry control characters, which must never
// reach the terminal raw; and nothing here may change the device.
TEST_F(CtlTest, CommandLine_ShowsListsRefusesUnknownWordsAndReportsLostOutput) {
    const auto putText = [&](int replyOffset, int width, const std::string& text) {
        std::uint8_t* field = device.state.systemData.data() + SystemAt(replyOffset);
        std::fill(field, field + width, std::uint8_t{' '});
        std::copy(text.begin(), text.end(), field);
    };
    putText(10, 32, "\x1B[31mOstrex");     // model
    putText(163, 20, "EVIL\x1B]0;X\x07");  // customerName
    PutDeviceEntry(0, "ESC\x1B[2J", "0401\x07");
    PutDeviceEntry(4, "GROUP", "\xE0\x01\x02");
    PutDeviceEntry(79, "M\xC4KI\x9D", "09\t1");

    struct Case {
        std::vector<std::string> arguments;
        int code;
        const char* out;  // a part of standard output
        const char* err;  // a part of standard error
        bool outputFull = false;
    };
    const char* const table =
        "  Nro  Nimi                  Puhelinnumero\n"
        "    1  ESC\\x1B[2J            0401\\x07\n"
        "    5  GROUP                 *GROUP DIAL*\n"
        "   80  MÄKI\\x9D              09\\x091\n";
    const Case cases[] = {
        {{"phonebook"}, kExitOk, table, ""},
        {{"phonebook", "list"}, kExitOk, table, ""},
        {{"phonebook", "--json"},
         kExitOk,
         "  {\n    \"nro\": 1,\n    \"name\": \"ESC\\u001b[2J\",\n    \"number\": \"0401\\u0007\"\n"
         "  },\n  {\n    \"nro\": 5,\n    \"name\": \"GROUP\",\n    \"number\": \"*GROUP DIAL*\"\n"
         "  },\n  {\n    \"nro\": 80,\n    \"name\": \"MÄKI\\u009d\",\n"
         "    \"number\": \"09\\t1\"\n",
         ""},
        {{"settings"}, kExitOk, "remoteReceiveCode=*5*\npowerSave=15\n", ""},
        {{"settings", "--json"}, kExitOk, "\"answerDelay\": 2,\n", ""},
        {{"options"}, kExitOk, "customerName=EVIL\\x1B]0;X\\x07\n", ""},
        {{"options", "get", "--json"},
         kExitOk,
         "\"customerName\": \"EVIL\\u001b]0;X\\u0007\",",
         ""},
        {{"info"}, kExitOk, "Model:                   \\x1B[31mOstrex\n", ""},
        {{"info", "--json"}, kExitOk, "\"model\": \"\\u001b[31mOstrex\",", ""},
        {{"frobnicate"},
         kExitBadInput,
         "",
         "mf40ctl: unknown command 'frobnicate'\nCommands:\n  info       Model, firmware"},
        {{"settings", "frobnicate", "answerDelay=3"},
         kExitBadInput,
         "",
         "unknown command 'frobnicate' for settings\nCommands of settings:\n  get  Show the"},
        {{"options", "sett"}, kExitBadInput, "", "unknown command 'sett' for options\n"},
        {{"phonebook", "lsit"}, kExitBadInput, "", "Commands of phonebook:\n  list    Show"},
        {{"firmware", "chek", "x.img"}, kExitBadInput, "", "unknown command 'chek' for firmware"},
        {{"\x1B[2J"}, kExitBadInput, "", "unknown command '\\x1B[2J'"},
        {{"firmware"}, kExitBadInput, "", "mf40ctl: firmware needs a command\nCommands of "},
        {{}, kExitBadInput, "", "mf40ctl: give a command\nCommands:\n"},
        {{"settings", "get", "--json"},
         kExitWriteFailed,
         "",
         "mf40ctl: writing to standard output failed; what it shows is incomplete\n",
         true},
        {{"phonebook"}, kExitWriteFailed, "", "writing to standard output failed", true},
        {{"--version"}, kExitWriteFailed, "", "writing to standard output failed", true},
        {{"backup", "device.json"}, kExitOk, "", "saved to device.json", true},
    };
    const sim::DeviceState before = device.state;
    for (const Case& c : cases) {
        const std::string command = ::testing::PrintToString(c.arguments);
        const int code = c.outputFull ? RunIntoFullOutput(c.arguments) : Run(c.arguments);
        EXPECT_EQ(code, c.code) << command << "\n" << err.str();
        EXPECT_THAT(out.str(), HasSubstr(c.out)) << command;
        EXPECT_THAT(err.str(), HasSubstr(c.err)) << command;
        EXPECT_FALSE(HasRawControl(out.str() + err.str())) << command << "\n" << out.str();
        EXPECT_TRUE(SameMemory(device.state, before)) << command;
    }
    EXPECT_EQ(WritesReceived(), 0);
}

TEST_F(CtlTest, HelpAndVersion_GoToStandardOutput) {
    EXPECT_EQ(Run({"--version"}), kExitOk);
    EXPECT_EQ(out.str(), "1.05\n");
    EXPECT_EQ(Run({"--help"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("Exit codes: 0 ok, 1 the device did not answer, 2 bad input"));
    EXPECT_THAT(out.str(), HasSubstr("--link"));
    EXPECT_EQ(Run({"settings", "set", "--help"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("  answerDelay         1..7\n"));
    EXPECT_EQ(Run({"phonebook", "import", "--help"}), kExitOk);
    EXPECT_THAT(out.str(), HasSubstr("--dry-run"));
    EXPECT_EQ(err.str(), "");
}

TEST_F(CtlTest, ReservedPort_EndsWithCode3AndStillGivesTheReservationBack) {
    os.SetPortAcquireResult(0);
    EXPECT_EQ(Run({"info"}), kExitPortReserved);
    EXPECT_THAT(err.str(), HasSubstr("the port is reserved by another program"));
    EXPECT_EQ(device.probeCount(), 0u);
    EXPECT_EQ(os.CountCalls("PortRelease 8"), 1);
}

TEST_F(CtlTest, SilentDevice_IsProbedOnUsbThenOnTheFallbackAndEndsWithCode1) {
    device.faults.silent = true;
    EXPECT_EQ(Run({"settings", "get"}), kExitNoAnswer);
    EXPECT_EQ(device.probeCount(), 4u) << "two probes over USB, two over the ECP driver";
    EXPECT_THAT(err.str(), HasSubstr("the device does not answer (route: \\\\.\\LptxEcp1)"));
    EXPECT_EQ(out.str(), "");
}

TEST_F(CtlTest, NamedLink_IsUsedWithoutFallback) {
    os.SetVersion(kPlatformWin9x, 4, 10);  // Windows 98
    ASSERT_EQ(Run({"--link", "lpt2", "info"}), kExitOk) << err.str();
    EXPECT_GT(os.CountCalls("OpenFile LPT2 "), 0);
    EXPECT_EQ(os.CountCalls("LoadLibrary usbnames.dll"), 0) << "no link selection for lpt2";

    os.RemoveLibrary("usbnames.dll");
    EXPECT_EQ(Run({"info", "--link", "usb"}), kExitNoAnswer);
    EXPECT_THAT(err.str(), HasSubstr("no USB route"));

    device.faults.silent = true;
    const std::size_t probes = device.probeCount();
    EXPECT_EQ(Run({"info", "--link", "ecp1"}), kExitNoAnswer);
    EXPECT_EQ(device.probeCount() - probes, 2u) << "a named route has no fallback";
}

TEST_F(CtlTest, WriteTheDeviceRefusesOrForgets_EndsWithCode4) {
    device.faults.acceptBudget = 8 + 9;  // the probe and the read, not the write
    EXPECT_EQ(Run({"settings", "set", "answerDelay=5"}), kExitWriteFailed);
    EXPECT_THAT(err.str(), HasSubstr("the device did not take the fax settings"));

    device.faults.acceptBudget.reset();
    device.forgetFaxSettings = true;
    EXPECT_EQ(Run({"settings", "set", "answerDelay=5", "ecmMode=off"}), kExitWriteFailed);
    EXPECT_THAT(err.str(), HasSubstr("the device did not keep: ecmMode, answerDelay"));
}

TEST_F(CtlTest, BackupThenRestore_BringsAChangedDeviceBack) {
    PutDeviceEntry(0, "VELTRA", "0912345");
    PutDeviceEntry(4, "GROUP", "\xE0\x01\x02");
    ASSERT_EQ(Run({"backup", "device.json"}), kExitOk) << err.str();
    EXPECT_THAT(err.str(), HasSubstr("of Ostrex MF 40 (firmware 1.12) saved to device.json"));
    EXPECT_THAT(File("device.json"), HasSubstr("\"groupDial\": \"E00102\""));
    const sim::DeviceState original = device.state;

    PutFile("other.csv", "Nro;Nimi;Puhelinnumero\n2;NEW;555\n");
    ASSERT_EQ(Run({"settings", "set", "answerDelay=6", "clockFormat=12 t"}), kExitOk);
    ASSERT_EQ(Run({"options", "set", "customerName=SOMEONE", "usbMode=Nopea"}), kExitOk);
    ASSERT_EQ(Run({"phonebook", "import", "other.csv", "--replace"}), kExitOk) << err.str();
    ASSERT_FALSE(SameMemory(device.state, original));

    const int writes = WritesReceived();
    ASSERT_EQ(Run({"restore", "device.json", "--dry-run"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "faxSettings.answerDelay: 6 -> 2\n"
              "faxSettings.clockFormat: 12 t -> 24 t\n"
              "advancedOptions.usbMode: Nopea -> Hidas\n"
              "advancedOptions.customerName: \"SOMEONE\" -> \"\"\n"
              "phonebook 1: (blank) -> \"VELTRA\" 0912345\n"
              "phonebook 2: \"NEW\" 555 -> (blank)\n");
    EXPECT_EQ(WritesReceived(), writes) << "a dry run writes nothing";

    ASSERT_EQ(Run({"restore", "device.json"}), kExitOk) << err.str();
    EXPECT_EQ(WritesReceived(), writes + 3);
    EXPECT_THAT(err.str(), HasSubstr("6 difference(s) restored from device.json and confirmed"));
    EXPECT_EQ(device.state.faxSettings, original.faxSettings);
    EXPECT_EQ(device.state.systemData, original.systemData);
    for (int position : {0, 1, 4}) {
        EXPECT_EQ(DeviceEntry(position), position == 0   ? "VELTRA|0912345"
                                         : position == 4 ? "GROUP|\xE0\x01\x02"
                                                         : "|");
    }

    ASSERT_EQ(Run({"restore", "device.json"}), kExitOk);
    EXPECT_EQ(WritesReceived(), writes + 3) << "nothing differs any more";
    EXPECT_THAT(err.str(), HasSubstr("the device already matches device.json"));
}

TEST_F(CtlTest, Restore_OnlyWritesTheBlocksThatDifferAndKeepsGroupDialEntries) {
    ASSERT_EQ(Run({"backup", "device.json"}), kExitOk);
    PutDeviceEntry(9, "TEAM", "\xE0\x05");
    ASSERT_EQ(Run({"settings", "set", "ecmMode=off"}), kExitOk);
    const int writes = WritesReceived();

    ASSERT_EQ(Run({"restore", "device.json"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "faxSettings.ecmMode: off -> on\n");
    EXPECT_THAT(err.str(), HasSubstr("note: phonebook 10: group-dial entries are the device's "
                                     "own; \"TEAM\" *GROUP DIAL* is kept"));
    ASSERT_EQ(WritesReceived(), writes + 1);
    std::vector<Bytes> blockWrites;
    for (const Bytes& frame : device.ReceivedFrames()) {
        if (frame.size() > 8 && frame[7] == 0xC2) blockWrites.push_back(frame);
    }
    EXPECT_EQ(blockWrites.back()[8], 0x41) << "only the fax settings went out";
    EXPECT_EQ(DeviceEntry(9), "TEAM|\xE0\x05");
}

}  // namespace
}  // namespace pd::ctl::testing
