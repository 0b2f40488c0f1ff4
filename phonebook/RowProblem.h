// Why a row of a phonebook file (CSV, vCard or .PBF) is not taken, as a fault and the values
// it quotes, so that each program says it in its own language: mf40ctl in English (the texts
// here), the panel in Finnish (its string table, one text per fault in this order). Either
// text is a pattern in which %1 and %2 stand for the fault's texts and %3 and %4 for its
// numbers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace pd {

enum class RowFault : std::uint8_t {
    // The file as a whole.
    Utf16Text,  // UTF-16 (a byte-order mark) or zero bytes: no text either reader takes
    // A spreadsheet file.
    CsvNoHeader,
    CsvFieldCount,      // %3 fields found
    CsvNotEntryNumber,  // %1 the Nro field
    CsvQuoteNotClosed,  // reading ends here
    CsvTextAfterQuote,  // reading ends here
    // Address cards.
    VcardTextOutside,
    VcardNotALine,
    VcardNotClosed,
    VcardUnknownEncoding,  // %1 the property, %2 its ENCODING
    VcardBadValue,         // %1 the property, %2 its ENCODING
    VcardUnknownCharset,   // %1 the property, %2 its CHARSET
    VcardVersion,          // %1 the VERSION
    VcardNoVersion,
    VcardNoNumber,
    VcardNotEntryNumber,    // %1 the entry number as written
    VcardEntryNumberTwice,  // %1 and %2 the two entry numbers
    VcardNone,
    // Where a row goes.
    OutsideTable,      // %3 the row's Nro, %4 the table's size
    EntryGivenTwice,   // %3 the entry, %4 the line of the row that gave it first
    GroupDialKept,     // %3 the entry
    GroupDialRenamed,  // %3 the entry, %1 the name it keeps
    GroupDialMade,
    GroupDialOnDevice,  // a .PBF entry over the device's group-dial entry
    NoFreeEntry,
    // What the device can hold and show (the texts in UTF-8).
    NameNotUtf8,  // %3 the byte, from 1
    NameZeroCharacter,
    NameNotInCodePage,  // %1 the character, %2 its code point
    NameFillByte,
    NameControlCharacter,  // %1 the character as \xNN
    NameTooLong,           // %3 characters, %4 the most
    NumberNotUtf8,
    NumberZeroCharacter,
    NumberNotInCodePage,
    NumberPlus,
    NumberCharacter,  // %1 the character, %2 the characters allowed
    NumberTooLong,
    NumberNotDialable,  // %1 the number as it would be kept
};
inline constexpr int kRowFaultCount = static_cast<int>(RowFault::NumberNotDialable) + 1;

struct RowProblem {
    RowProblem() = default;
    RowProblem(int atLine, RowFault what, std::string first = {}, std::string second = {})
        : line(atLine), fault(what), text(std::move(first)), text2(std::move(second)) {}
    RowProblem(int atLine, RowFault what, long long number, long long number2 = 0)
        : line(atLine), fault(what), value(number), value2(number2) {}

    int line = 0;   // where the row starts, from 1; 0 when the problem is no line's
    int entry = 0;  // a .PBF file's problems: the entry, from 1, they are about
    RowFault fault = RowFault::CsvNoHeader;
    std::string text;      // %1
    std::string text2;     // %2
    long long value = 0;   // %3
    long long value2 = 0;  // %4

    friend bool operator==(const RowProblem&, const RowProblem&) = default;
};

// `pattern` with %1, %2, ... replaced by `values`, as many as there are ("%%" is a percent
// sign); the texts of both programs' messages are such patterns.
std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values);

// `pattern` with %1 to %4 replaced by the problem's values.
std::string FillRowProblem(std::string_view pattern, const RowProblem& problem);

// The fault's pattern in English.
const char* EnglishRowFault(RowFault fault);

// The problem in English, led by "entry N: " for one of a .PBF file's entries.
std::string DescribeRowProblem(const RowProblem& problem);

}  // namespace pd
