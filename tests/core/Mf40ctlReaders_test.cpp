// The readers and writers of the companion's file formats, as pure functions: text in, rows
// (or a snapshot) and per-line problems out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "mf40ctl/BackupDocument.h"
#include "mf40ctl/PhonebookCsv.h"
#include "mf40ctl/PhonebookVcard.h"

namespace pd::ctl {
namespace {

using ::testing::HasSubstr;

std::string Rows(const PhonebookRows& rows) {
    std::string text;
    for (const PhonebookRow& row : rows.rows) {
        text += std::to_string(row.line) + ":" + (row.slot ? std::to_string(*row.slot) : "-") +
                "|" + row.name + "|" + row.number + "\n";
    }
    for (const RowProblem& problem : rows.problems) {
        text += "problem " + std::to_string(problem.line) + ": " + problem.reason + "\n";
    }
    return text;
}

TEST(PhonebookCsv, ReadsEitherSeparatorQuotesAndTheByteOrderMark) {
    struct Case {
        const char* what;
        std::string text;
        std::string rows;
    };
    const Case cases[] = {
        {"semicolons, BOM, CRLF",
         "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n1;VELTRA;0912\r\n80;B;555\r\n",
         "2:1|VELTRA|0912\n3:80|B|555\n"},
        {"commas, no final line end", "nro,nimi,puhelinnumero\n5,\"Smith, John\",123",
         "2:5|Smith, John|123\n"},
        {"quotes inside quotes and a line break in a field",
         "Nro;Nimi;Puhelinnumero\n1;\"A \"\"B\"\"\";\"12\n3\"\n2;C;456\n",
         "2:1|A \"B\"|12\n3\n4:2|C|456\n"},
        {"blank lines and spaces around fields", "Nro;Nimi;Puhelinnumero\n\n 7 ; X ; 123 \n",
         "3:7|X|123\n"},
        {"semicolon file with commas in names", "Nro;Nimi;Puhelinnumero\n1;A, B;123\n",
         "2:1|A, B|123\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Rows(ReadPhonebookCsv(c.text)), c.rows) << c.what;
}

TEST(PhonebookCsv, MalformedFilesReportTheirLines) {
    struct Case {
        std::string text;
        std::string problems;
    };
    const Case cases[] = {
        {"", "problem 1: the first line must be the header Nro;Nimi;Puhelinnumero\n"},
        {"1;A;123\n", "problem 1: the first line must be the header Nro;Nimi;Puhelinnumero\n"},
        {"Nro;Name;Number\n", "problem 1: the first line must be the header"},
        {"Nro;Nimi;Puhelinnumero\n1;A\n2;B;123;4\n",
         "problem 2: expected 3 fields (Nro, Nimi, Puhelinnumero), found 2\n"
         "problem 3: expected 3 fields (Nro, Nimi, Puhelinnumero), found 4\n"},
        {"Nro;Nimi;Puhelinnumero\nx;A;123\n-1;B;123\n",
         "problem 2: Nro 'x' is not an entry number\nproblem 3: Nro '-1' is not an entry number\n"},
        {"Nro;Nimi;Puhelinnumero\n1;A;123\n2;\"B;123\n3;C;456\n",
         "2:1|A|123\nproblem 3: a quoted field is not closed\n"},
        {"Nro;Nimi;Puhelinnumero\n1;\"A\"x;123\n", "problem 2: text after the closing quote"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(Rows(ReadPhonebookCsv(c.text)), HasSubstr(c.problems)) << c.text;
    }
}

TEST(PhonebookCsv, WrittenFileReadsBackToTheSameRows) {
    const std::vector<ExportEntry> entries = {
        {1, "VELTRA OY", "09123"}, {4, "SMITH; JOHN", "555P1"}, {9, "\"Q\"", "*GROUP DIAL*"},
        {80, "", "123"},
    };
    const std::string text = WritePhonebookCsv(entries);
    const std::string start = "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n1;VELTRA OY;";
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_EQ(Rows(ReadPhonebookCsv(text)),
              "2:1|VELTRA OY|09123\n3:4|SMITH; JOHN|555P1\n4:9|\"Q\"|*GROUP DIAL*\n5:80||123\n");
}

TEST(PhonebookVcard, TakesTheNameAndTheFirstFaxOrElseTheFirstTelephone) {
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Veltra\\, Oy\r\nTEL;TYPE=WORK,VOICE:09 111\r\n"
        "TEL;TYPE=WORK,FAX:09 222\r\nTEL;TYPE=FAX:09 333\r\nEND:VCARD\r\n"
        "begin:vcard\nversion:4.0\nfn:Smith\n  John\nitem1.TEL;VALUE=uri;TYPE=\"voice,cell\":"
        "tel:040-123;ext=5\nend:vcard\n"
        "BEGIN:VCARD\nVERSION:4.0\nTEL;type=fax:555\nEND:VCARD\n";
    EXPECT_EQ(Rows(ReadPhonebookVcard(text)),
              "1:-|Veltra, Oy|09 222\n8:-|Smith John|040-123\n14:-||555\n");
}

// A name written in quoted-printable or base64 is the text it encodes, read in its character
// set; one whose encoding or character set is unknown is refused, never taken as its code.
TEST(PhonebookVcard, EncodedValuesAreDecodedInTheirCharacterSet) {
    struct Case {
        const char* fn;  // the FN line
        std::string rows;
    };
    const Case cases[] = {
        {"FN;ENCODING=QUOTED-PRINTABLE:=C3=84ITI", "1:-|ÄITI|123\n"},
        {"FN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=C3=84I=\r\nTI", "1:-|ÄITI|123\n"},
        {"FN;ENCODING=QUOTED-PRINTABLE;CHARSET=ISO-8859-1:=C4iti", "1:-|Äiti|123\n"},
        {"FN;CHARSET=WINDOWS-1252;ENCODING=QUOTED-PRINTABLE:=80", "1:-|€|123\n"},
        {"FN;ENCODING=b:w4RpdGk=", "1:-|Äiti|123\n"},
        {"FN;QUOTED-PRINTABLE:A=3DB", "1:-|A=B|123\n"},
        {"FN;ENCODING=QUOTED-PRINTABLE:=C", "problem 1: FN: its quoted-printable value is not well"},
        {"FN;ENCODING=b:w", "problem 1: FN: its b value is not well formed\n"},
        {"FN;ENCODING=x-rot13:NRVGV",
         "problem 1: FN: ENCODING=x-rot13 is not read (only quoted-printable and base64)\n"},
        {"FN;CHARSET=KOI8-R:abc",
         "problem 1: FN: CHARSET=koi8-r is not read (only UTF-8, ISO-8859-1 and Windows-1252)\n"},
    };
    for (const Case& c : cases) {
        const std::string card = std::string("BEGIN:VCARD\r\nVERSION:3.0\r\n") + c.fn +
                                 "\r\nTEL:123\r\nEND:VCARD\r\n";
        EXPECT_THAT(Rows(ReadPhonebookVcard(card)), HasSubstr(c.rows)) << c.fn;
    }
}

TEST(PhonebookVcard, MalformedCardsReportTheirLines) {
    struct Case {
        std::string text;
        std::string problems;
    };
    const Case cases[] = {
        {"", "problem 0: the file holds no vCard\n"},
        {"hello\n", "problem 1: text outside BEGIN:VCARD ... END:VCARD\n"},
        {"BEGIN:VCARD\nVERSION:3.0\nFN:A\n", "problem 1: the card is not closed by END:VCARD\n"},
        {"BEGIN:VCARD\nVERSION:3.0\nFN:A\nBEGIN:VCARD\nVERSION:3.0\nTEL:1\nEND:VCARD\n",
         "4:-||1\nproblem 1: the card is not closed by END:VCARD\n"},
        {"BEGIN:VCARD\nVERSION:2.1\nTEL:123\nEND:VCARD\n",
         "problem 1: vCard version 2.1 is not read (only 3.0 and 4.0)\n"},
        {"BEGIN:VCARD\nTEL:123\nEND:VCARD\n", "problem 1: the card has no VERSION\n"},
        {"BEGIN:VCARD\nVERSION:3.0\nFN:A\nEMAIL:a@b\nEND:VCARD\n",
         "problem 1: the card has no fax or telephone number (TEL)\n"},
        {"BEGIN:VCARD\nVERSION:3.0\nbroken line\nTEL:1\nEND:VCARD\n",
         "problem 3: not a vCard line (NAME:VALUE)\n"},
        {"BEGIN:VCARD\nVERSION:3.0\nTEL:1\nX-PANELDESK-NRO:4\nX-PANELDESK-NRO:5\nEND:VCARD\n",
         "problem 1: X-PANELDESK-NRO is given twice ('4' and '5')\n"},
    };
    for (const Case& c : cases) {
        EXPECT_THAT(Rows(ReadPhonebookVcard(c.text)), HasSubstr(c.problems)) << c.text;
    }
}

TEST(PhonebookVcard, WrittenCardsReadBackToTheirEntriesWithoutGroupDialEntries) {
    const std::vector<ExportEntry> entries = {
        {17, "A, B; C\\D", "123"}, {18, "GROUP", "*GROUP DIAL*"}, {80, "", "P99"}};
    EXPECT_EQ(Rows(ReadPhonebookVcard(WritePhonebookVcard(entries))),
              "1:17|A, B; C\\D|123\n8:80||P99\n");
    EXPECT_EQ(Rows(ReadPhonebookVcard("BEGIN:VCARD\nVERSION:3.0\nTEL:123\nX-PANELDESK-NRO:x7\n"
                                      "END:VCARD\n")),
              "problem 1: X-PANELDESK-NRO 'x7' is not an entry number\n");
}

DeviceSnapshot SampleSnapshot() {
    DeviceSnapshot snapshot;
    snapshot.model = "Ostrex MF 40";
    snapshot.firmwareVersion = "1.12";
    snapshot.faxSettings.trayPaperSize = 7;  // one the page cannot show
    snapshot.faxSettings.answerDelay = 3;
    snapshot.faxSettings.redialInterval = 1;
    snapshot.system.language = 9;
    snapshot.system.alarmSound = 2;
    std::snprintf(snapshot.system.customerName, sizeof snapshot.system.customerName, "%s",
                  "M\xC4KINEN");
    snapshot.phonebook.SetEntry(0, "VELTRA", "0912");
    snapshot.phonebook.SetEntry(4, "GROUP", "\xE0\x01\x02\x03");
    snapshot.phonebook.SetEntry(79, "lower", "");
    return snapshot;
}

TEST(BackupDocument, WrittenDocumentReadsBackToTheSameState) {
    const DeviceSnapshot snapshot = SampleSnapshot();
    const std::string text = WriteBackupDocument(snapshot);
    EXPECT_THAT(text, HasSubstr("\"trayPaperSize\": {\n      \"deviceByte\": 7\n    }"));
    EXPECT_THAT(text, HasSubstr("\"customerName\": \"MÄKINEN\""));
    EXPECT_THAT(text, HasSubstr("\"groupDial\": \"E0010203\""));
    const BackupReading reading = ReadBackupDocument(text);
    ASSERT_TRUE(reading.snapshot) << ::testing::PrintToString(reading.problems);
    EXPECT_EQ(reading.snapshot->model, snapshot.model);
    EXPECT_EQ(reading.snapshot->firmwareVersion, snapshot.firmwareVersion);
    EXPECT_EQ(reading.snapshot->faxSettings, snapshot.faxSettings);
    EXPECT_EQ(reading.snapshot->system, snapshot.system);
    EXPECT_TRUE(std::equal(snapshot.phonebook.Bytes().begin(), snapshot.phonebook.Bytes().end(),
                           reading.snapshot->phonebook.Bytes().begin()));
}

TEST(BackupDocument, EveryFaultOfADocumentIsNamed) {
    const std::string good = WriteBackupDocument(SampleSnapshot());
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text;
        const char* problem;
    };
    const Case cases[] = {
        {"{\"format\": ", "not valid JSON"},
        {"[1, 2]", "the document must be a JSON object"},
        {replaced("mf40ctl backup", "something else"), "format: is not \"mf40ctl backup\""},
        {replaced("\"formatVersion\": 1", "\"formatVersion\": 2"), "formatVersion: must be 1"},
        {replaced("Ostrex MF 40", "Ostrex Ж"), "model: contains 'Ж' (U+0416)"},
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 9"),
         "faxSettings.answerDelay: 9 is not one of 1..7"},
        {replaced("\"answerDelay\": 3", "\"answerDelai\": 3"),
         "faxSettings.answerDelay: is missing"},
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 3, \"colour\": 1"),
         "faxSettings.colour: is not a known name"},
        {replaced("\"language\": \"Suomi\"", "\"language\": \"Klingon\""),
         "advancedOptions.language: 'Klingon' is not one of English"},
        {replaced("\"MÄKINEN\"", "\"" + std::string(21, 'A') + "\""),
         "advancedOptions.customerName: is 21 characters long; at most 20 fit"},
        {replaced("\"MÄKINEN\"", "\"Москва\""), "which Windows-1252 does not have"},
        {replaced("\"nro\": 80", "\"nro\": 81"), "phonebook[2]: nro must be a number 1..80"},
        {replaced("\"nro\": 80", "\"nro\": 1"), "phonebook[2]: entry 1 is given twice"},
        {replaced("\"E0010203\"", "\"01\""), "phonebook[1].groupDial: must be hexadecimal"},
        {replaced("\"number\": \"0912\"", "\"numero\": \"0912\""),
         "phonebook[0].numero: is not a known name"},
        {replaced("\"name\": \"VELTRA\",", "\"name\": \"VELTRA\", \"name\": \"OTHER\","),
         "phonebook[].name: is given more than once; a name may stand only once in its object"},
        {replaced("\"phonebook\": [", "\"phonebook\": {\"x\": ["), "not valid JSON"},
        // A number too large for any type the parser has is refused, not thrown at the caller.
        {replaced("\"answerDelay\": 3", "\"answerDelay\": 1E400"), "not valid JSON"},
    };
    for (const Case& c : cases) {
        const BackupReading reading = ReadBackupDocument(c.text);
        EXPECT_FALSE(reading.snapshot) << c.problem;
        std::string problems;
        for (const std::string& problem : reading.problems) problems += problem + "\n";
        EXPECT_THAT(problems, HasSubstr(c.problem));
    }
}

}  // namespace
}  // namespace pd::ctl
