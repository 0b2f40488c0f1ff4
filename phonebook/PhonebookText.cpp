#include "phonebook/PhonebookText.h"

#include <span>
#include <vector>

#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookImport.h"
#include "phonebook/PhonebookVcard.h"
#include "platform/FileReplace.h"
#include "protocol/Windows1252.h"

namespace pd {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::optional<PhonebookTextFormat> PhonebookTextFormatOf(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto separator = path.find_last_of("/\\:");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
        return std::nullopt;
    }
    const std::string extension = Lower(path.substr(dot));
    for (const auto format : {PhonebookTextFormat::Csv, PhonebookTextFormat::Vcard}) {
        if (extension == PhonebookTextExtension(format)) return format;
    }
    return std::nullopt;
}

const char* PhonebookTextExtension(PhonebookTextFormat format) {
    return format == PhonebookTextFormat::Csv ? ".csv" : ".vcf";
}

PhonebookRows ReadPhonebookText(PhonebookTextFormat format, std::string_view bytes) {
    const TextEncoding encoding = DetectTextEncoding(bytes);
    if (encoding == TextEncoding::Utf16 || encoding == TextEncoding::ZeroBytes) {
        return {{}, {RowProblem(0, RowFault::Utf16Text)}};
    }
    // An address card may name the character set of a value; the reader decides value by value.
    if (format == PhonebookTextFormat::Vcard) return ReadPhonebookVcard(bytes, encoding);
    if (encoding == TextEncoding::Windows1252) return ReadPhonebookCsv(Windows1252ToUtf8(bytes));
    return ReadPhonebookCsv(bytes);
}

std::string WritePhonebookText(PhonebookTextFormat format, const PhonebookTable& table) {
    const std::vector<ExportEntry> entries = ExportEntries(table);
    return format == PhonebookTextFormat::Csv ? WritePhonebookCsv(entries)
                                              : WritePhonebookVcard(entries);
}

bool SavePhonebookText(Os& os, const std::string& path, PhonebookTextFormat format,
                       const PhonebookTable& table, FileError* error) {
    const std::string text = WritePhonebookText(format, table);
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return ReplaceFileContents(os, path, {bytes}, error);
}

}  // namespace pd
