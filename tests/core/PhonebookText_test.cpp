// The phonebook's text files, one reader and one writer for the panel and mf40ctl alike: the
// spreadsheet and address-card formats as pure functions (text in, rows and per-line problems
// out), and the one rule for the entries that files bring.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "phonebook/EntryRules.h"
#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookText.h"
#include "phonebook/PhonebookVcard.h"

namespace pd {
namespace {

using ::testing::HasSubstr;

std::string Rows(const PhonebookRows& rows) {
    std::string text;
    for (const PhonebookRow& row : rows.rows) {
        text += std::to_string(row.line) + ":" + (row.slot ? std::to_string(*row.slot) : "-") +
                "|" + row.name + "|" + row.number + "\n";
    }
    for (const RowProblem& problem : rows.problems) {
        text +=
            "problem " + std::to_string(problem.line) + ": " + DescribeRowProblem(problem) + "\n";
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
        {1, "VELTRA OY", "09123"},
        {4, "SMITH; JOHN", "555P1"},
        {9, "\"Q\"", "*GROUP DIAL*"},
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
        {"FN;ENCODING=QUOTED-PRINTABLE:=C",
         "problem 1: FN: its quoted-printable value is not well"},
        {"FN;ENCODING=b:w", "problem 1: FN: its b value is not well formed\n"},
        {"FN;ENCODING=x-rot13:NRVGV",
         "problem 1: FN: ENCODING=x-rot13 is not read (only quoted-printable and base64)\n"},
        {"FN;CHARSET=KOI8-R:abc",
         "problem 1: FN: CHARSET=koi8-r is not read (only UTF-8, ISO-8859-1 and Windows-1252)\n"},
    };
    for (const Case& c : cases) {
        const std::string card =
            std::string("BEGIN:VCARD\r\nVERSION:3.0\r\n") + c.fn + "\r\nTEL:123\r\nEND:VCARD\r\n";
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
        {"BEGIN:VCARD\nVERSION:2.0\nTEL:123\nEND:VCARD\n",
         "problem 1: vCard version 2.0 is not read (only 2.1, 3.0 and 4.0)\n"},
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

// Files are read in what they were written in: UTF-8 with or without its mark, or the
// Windows-1252 of the mail programs of Windows 95 to XP (their vCards are 2.1, with a
// character set named, or not, value by value); UTF-16 is refused as a whole.
TEST(PhonebookText, ReadsTheEncodingItWasWrittenIn) {
    using enum PhonebookTextFormat;
    const std::string utf16Problem =
        "problem 0: the file is UTF-16 text, or holds zero bytes as "
        "UTF-16 text does; save it as UTF-8\n";
    struct Case {
        const char* what;
        PhonebookTextFormat format;
        std::string bytes;
        std::string rows;
    };
    const Case cases[] = {
        {"UTF-8 and its mark", Csv, "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n1;M\xC3\xA4ki;123\r\n",
         "2:1|M\xC3\xA4ki|123\n"},
        {"UTF-8 without a mark", Csv, "Nro;Nimi;Puhelinnumero\n1;M\xC3\xA4ki;123\n",
         "2:1|M\xC3\xA4ki|123\n"},
        {"Windows-1252", Csv, "Nro;Nimi;Puhelinnumero\n1;M\xE4ki \x80;123\n",
         "2:1|M\xC3\xA4ki \xE2\x82\xAC|123\n"},
        {"the mark decides: a stray byte is the row's fault", Csv,
         "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\n1;M\xE4ki;123\n", "2:1|M\xE4ki|123\n"},
        {"UTF-16 with its mark", Csv, std::string("\xFF\xFEN\0r\0o\0", 8), utf16Problem},
        {"UTF-16 without a mark", Vcard, std::string("B\0E\0G\0I\0N\0", 10), utf16Problem},
        {"a mail program's vCards", Vcard,
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:M\xE4kinen;Liisa\r\n"
         "FN;CHARSET=Windows-1252:M\xE4kinen Liisa\r\nTEL;WORK;VOICE:09 123\r\n"
         "TEL;WORK;FAX:09 124\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:\xD6sterberg\r\nTEL;HOME:040 5\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:J=E4rvinen\r\nTEL:050 6\r\n"
         "END:VCARD\r\n",
         "1:-|M\xC3\xA4kinen Liisa|09 124\n8:-|\xC3\x96sterberg|040 5\n"
         "13:-|J\xC3\xA4rvinen|050 6\n"},
        {"UTF-8 vCards name their character set or not", Vcard,
         "BEGIN:VCARD\nVERSION:3.0\nFN;CHARSET=UTF-8:\xC3\x96\nTEL:1\nEND:VCARD\n"
         "BEGIN:VCARD\nVERSION:3.0\nFN:\xC3\x84\nTEL:2\nEND:VCARD\n",
         "1:-|\xC3\x96|1\n6:-|\xC3\x84|2\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rows(ReadPhonebookText(c.format, c.bytes)), c.rows) << c.what;
    }
}

// One rule for what any file brings to an entry: what the device can hold and show, in the
// form it keeps it. Texts are Windows-1252 bytes here.
TEST(EntryRules, EntriesAreTakenInTheFormTheDeviceKeeps) {
    struct Case {
        std::string name;
        std::string number;
        std::string keptName;
        std::string keptNumber;
    };
    const Case cases[] = {
        {"abc", "123", "abc", "123"},  // no upper-casing: that is for typing
        {"", "555", "", "555"},
        {"M\xC4KI \xD6\xC5\xC9", "0401", "M\xC4KI \xD6\xC5\xC9", "0401"},
        {"Doe, Jane \"Q\";", "09-123 45 (6).7", "Doe, Jane \"Q\";", "091234567"},
        {"TRAIL ", "p12", "TRAIL", "P12"},  // the device drops trailing spaces
        {"   ", "123", "", "123"},
        {"\xA0\xFE", "*#1", "\xA0\xFE", "*#1"},
        {std::string(20, 'n') + "  ", std::string(46, '9'), std::string(20, 'n'),
         std::string(46, '9')},
    };
    for (const Case& c : cases) {
        RowProblem problem;
        const auto texts = ApplyEntryRules(c.name, c.number, &problem);
        ASSERT_TRUE(texts) << c.name << " / " << c.number << ": " << DescribeRowProblem(problem);
        EXPECT_EQ(texts->name, c.keptName);
        EXPECT_EQ(texts->number, c.keptNumber);
    }
}

TEST(EntryRules, EntriesTheDeviceCannotHoldOrShowGiveTheirReason) {
    struct Case {
        std::string name;
        std::string number;
        const char* reason;
    };
    const Case cases[] = {
        {"A", "12", "must have more than 2 characters and at least one digit"},
        {"A", "*#P", "must have more than 2 characters and at least one digit"},
        {"A", "", "must have more than 2 characters"},
        {"A", "+358 9 123", "'+' cannot be dialled"},
        {"A", "123x", "number 'x' is not allowed here (digits, # * and P)"},
        {"A", "12;3", "number ';' is not allowed here"},
        {"BEL\x07", "123", "name '\\x07' is a control character"},
        {"\x1B[2J", "123", "name '\\x1B' is a control character"},
        {"LINE\nFEED", "123", "name '\\x0A' is a control character"},
        {"A\x7F", "123", "name '\\x7F' is a control character"},
        {"A\x81", "123", "name '\\x81' is a control character"},
        {"J\xFF", "123", "name: '\xC3\xBF' cannot be kept"},
        {std::string(21, 'A'), "123", "name is 21 characters long; at most 20 fit"},
        {"A", std::string(47, '1'), "number is 47 characters long; at most 46 fit"},
    };
    for (const Case& c : cases) {
        RowProblem problem;
        EXPECT_FALSE(ApplyEntryRules(c.name, c.number, &problem)) << c.name << " / " << c.number;
        const std::string reason = DescribeRowProblem(problem);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

}  // namespace
}  // namespace pd
