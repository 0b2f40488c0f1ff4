#include "phonebook/PhonebookCsv.h"

#include <array>
#include <optional>
#include <vector>

#include "protocol/FieldRules.h"
#include "protocol/Windows1252.h"

namespace pd {

namespace {

constexpr std::array<const char*, 3> kHeader = {"Nro", "Nimi", "Puhelinnumero"};
constexpr const char* kLineEnd = "\r\n";

struct Record {
    int line = 0;
    std::vector<std::string> fields;  // the first ones only: a row has no use for more
    std::size_t fieldCount = 0;
};

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Splits the text into records; a problem ends the reading, since what follows an unclosed
// quote cannot be told apart reliably.
std::vector<Record> SplitRecords(std::string_view text, char separator,
                                 std::vector<RowProblem>& problems) {
    std::vector<Record> records;
    Record record{1, {}, 0};
    std::string field;
    bool quoted = false;        // the field began with a quote
    bool inQuotes = false;      // inside the quotes now
    bool afterClosing = false;  // the closing quote was just passed
    int line = 1;
    int fieldLine = 1;
    const auto endField = [&] {
        if (record.fields.size() <= kHeader.size()) {
            record.fields.push_back(quoted ? field : Trimmed(field));
        }
        ++record.fieldCount;
        field.clear();
        quoted = inQuotes = afterClosing = false;
    };
    // A blank line is kept by no one: it costs nothing, however many there are.
    const auto isBlank = [](const Record& r) { return r.fieldCount == 1 && r.fields[0].empty(); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
                afterClosing = true;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == separator) {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endField();
            if (!isBlank(record)) records.push_back(std::move(record));
            ++line;
            record = Record{line, {}, 0};
        } else if (afterClosing) {
            if (c != ' ' && c != '\t') {
                problems.push_back({line, RowFault::CsvTextAfterQuote});
                return records;
            }
        } else if (c == '"' && Trimmed(field).empty()) {
            field.clear();
            quoted = inQuotes = true;
            fieldLine = line;
        } else {
            field += c;
        }
    }
    if (inQuotes) {
        problems.push_back({fieldLine, RowFault::CsvQuoteNotClosed});
        return records;
    }
    if (!field.empty() || quoted || !record.fields.empty()) {
        endField();
        records.push_back(std::move(record));
    }
    return records;
}

std::string Field(const std::string& text) {
    const bool needsQuotes = text.find_first_of(";,\"\r\n") != std::string::npos ||
                             (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!needsQuotes) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::optional<int> EntryNumber(std::string_view text) { return DecimalDigits(text, 4); }

PhonebookRows ReadPhonebookCsv(std::string_view text) {
    PhonebookRows result;
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    const std::string_view firstLine = text.substr(0, text.find_first_of("\r\n"));
    const char separator = firstLine.find(';') != std::string_view::npos ? ';' : ',';
    std::vector<Record> records = SplitRecords(text, separator, result.problems);

    const bool hasHeader = !records.empty() && records.front().line == 1 &&
                           records.front().fieldCount == kHeader.size() &&
                           SameWord(records.front().fields[0], kHeader[0]) &&
                           SameWord(records.front().fields[1], kHeader[1]) &&
                           SameWord(records.front().fields[2], kHeader[2]);
    if (!hasHeader) {
        result.problems.insert(result.problems.begin(), {1, RowFault::CsvNoHeader});
        return result;
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        const Record& record = records[i];
        const bool blankLine = record.fieldCount == 1 && record.fields[0].empty();
        if (blankLine) continue;
        if (record.fieldCount != kHeader.size()) {
            result.problems.push_back(
                {record.line, RowFault::CsvFieldCount, static_cast<long long>(record.fieldCount)});
            continue;
        }
        const std::optional<int> slot = EntryNumber(record.fields[0]);
        if (!slot) {
            result.problems.push_back({record.line, RowFault::CsvNotEntryNumber, record.fields[0]});
            continue;
        }
        result.rows.push_back({record.line, slot, record.fields[1], record.fields[2]});
    }
    return result;
}

std::string WritePhonebookCsv(std::span<const ExportEntry> entries) {
    std::string text(kUtf8ByteOrderMark);
    text += std::string(kHeader[0]) + ";" + kHeader[1] + ";" + kHeader[2] + kLineEnd;
    for (const ExportEntry& entry : entries) {
        text += std::to_string(entry.slot) + ";" + Field(entry.name) + ";" + Field(entry.number) +
                kLineEnd;
    }
    return text;
}

}  // namespace pd
