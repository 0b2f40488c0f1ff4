#include "phonebook/RowProblem.h"

#include <iterator>

namespace pd {

namespace {

struct FaultText {
    RowFault fault;
    const char* english;
};

constexpr FaultText kFaultTexts[] = {
    {RowFault::Utf16Text,
     "the file is UTF-16 text, or holds zero bytes as UTF-16 text does; save it as UTF-8"},
    {RowFault::CsvNoHeader, "the first line must be the header Nro;Nimi;Puhelinnumero"},
    {RowFault::CsvFieldCount, "expected 3 fields (Nro, Nimi, Puhelinnumero), found %3"},
    {RowFault::CsvNotEntryNumber, "Nro '%1' is not an entry number"},
    {RowFault::CsvQuoteNotClosed, "a quoted field is not closed"},
    {RowFault::CsvTextAfterQuote, "text after the closing quote of a field"},
    {RowFault::VcardTextOutside, "text outside BEGIN:VCARD ... END:VCARD"},
    {RowFault::VcardNotALine, "not a vCard line (NAME:VALUE)"},
    {RowFault::VcardNotClosed, "the card is not closed by END:VCARD"},
    {RowFault::VcardUnknownEncoding,
     "%1: ENCODING=%2 is not read (only quoted-printable and base64)"},
    {RowFault::VcardBadValue, "%1: its %2 value is not well formed"},
    {RowFault::VcardUnknownCharset,
     "%1: CHARSET=%2 is not read (only UTF-8, ISO-8859-1 and Windows-1252)"},
    {RowFault::VcardVersion, "vCard version %1 is not read (only 2.1, 3.0 and 4.0)"},
    {RowFault::VcardNoVersion, "the card has no VERSION"},
    {RowFault::VcardNoNumber, "the card has no fax or telephone number (TEL)"},
    {RowFault::VcardNotEntryNumber, "X-PANELDESK-NRO '%1' is not an entry number"},
    {RowFault::VcardEntryNumberTwice, "X-PANELDESK-NRO is given twice ('%1' and '%2')"},
    {RowFault::VcardNone, "the file holds no vCard"},
    {RowFault::OutsideTable, "Nro %3 is outside 1..%4"},
    {RowFault::EntryGivenTwice, "entry %3 is already given on line %4"},
    {RowFault::GroupDialKept, "entry %3 is a group-dial entry, which is never overwritten"},
    {RowFault::GroupDialRenamed,
     "entry %3 is a group-dial entry, which is never overwritten; its name stays '%1'"},
    {RowFault::GroupDialMade, "a group-dial entry can only be set up on the device itself"},
    {RowFault::GroupDialOnDevice, "the device's group-dial entry is never overwritten"},
    {RowFault::NoFreeEntry, "no free entry is left"},
    {RowFault::NameNotUtf8, "name is not valid UTF-8 (at byte %3)"},
    {RowFault::NameZeroCharacter, "name contains a zero character"},
    {RowFault::NameNotInCodePage, "name contains '%1' (%2), which Windows-1252 does not have"},
    {RowFault::NameFillByte,
     "name: '\xC3\xBF' cannot be kept: the device fills the unused places of an entry with its "
     "byte"},
    {RowFault::NameControlCharacter,
     "name '%1' is a control character, which the device cannot show"},
    {RowFault::NameTooLong, "name is %3 characters long; at most %4 fit"},
    {RowFault::NumberNotUtf8, "number is not valid UTF-8 (at byte %3)"},
    {RowFault::NumberZeroCharacter, "number contains a zero character"},
    {RowFault::NumberNotInCodePage, "number contains '%1' (%2), which Windows-1252 does not have"},
    {RowFault::NumberPlus,
     "number: '+' cannot be dialled; write the international prefix (for example 00) instead"},
    {RowFault::NumberCharacter, "number '%1' is not allowed here (%2)"},
    {RowFault::NumberTooLong, "number is %3 characters long; at most %4 fit"},
    {RowFault::NumberNotDialable,
     "number '%1' must have more than 2 characters and at least one digit"},
};
static_assert(std::size(kFaultTexts) == kRowFaultCount);

constexpr bool InFaultOrder() {
    for (int i = 0; i < kRowFaultCount; ++i) {
        if (static_cast<int>(kFaultTexts[i].fault) != i) return false;
    }
    return true;
}
static_assert(InFaultOrder(), "one English text per fault, in the order of the faults");

}  // namespace

std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values) {
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < values.size()) {
            text += values.begin()[index];
            ++i;
        } else {
            text += pattern[i];
            if (pattern[i] == '%' && next == '%') ++i;
        }
    }
    return text;
}

std::string FillRowProblem(std::string_view pattern, const RowProblem& problem) {
    return FillPlaceholders(pattern, {problem.text, problem.text2, std::to_string(problem.value),
                                      std::to_string(problem.value2)});
}

const char* EnglishRowFault(RowFault fault) {
    const int index = static_cast<int>(fault);
    return index < kRowFaultCount ? kFaultTexts[index].english : "";
}

std::string DescribeRowProblem(const RowProblem& problem) {
    const std::string text = FillRowProblem(EnglishRowFault(problem.fault), problem);
    return problem.entry > 0 ? "entry " + std::to_string(problem.entry) + ": " + text : text;
}

}  // namespace pd
