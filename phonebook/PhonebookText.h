// The phonebook as the text files other programs read and write, a spreadsheet's (.csv) or
// an address book's (.vcf): one reader and one writer for the panel and mf40ctl alike. Files
// are read in the encoding they were written in, UTF-8 or Windows-1252, and written in UTF-8
// with its byte-order mark, so that a spreadsheet program reads Ä as Ä.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "phonebook/PhonebookRows.h"
#include "platform/Os.h"
#include "protocol/PhonebookTable.h"

namespace pd {

enum class PhonebookTextFormat { Csv, Vcard };

// The format a file name's extension names (".csv" or ".vcf", in any case); nothing for any
// other name. A dot in a folder's name does not count.
std::optional<PhonebookTextFormat> PhonebookTextFormatOf(const std::string& path);
// The extension of a format, with its dot: ".csv", ".vcf".
const char* PhonebookTextExtension(PhonebookTextFormat format);

// No file of these kinds (nor a backup of the whole device) is anywhere near this large; a
// larger one is refused before it is read.
inline constexpr std::uint64_t kLargestImportFile = std::uint64_t{1} << 20;

// The rows of a file's bytes. The encoding is found from the bytes themselves (see
// DetectTextEncoding); UTF-16 text gives a problem and no rows.
PhonebookRows ReadPhonebookText(PhonebookTextFormat format, std::string_view bytes);

// The file's text for the entries of `table` that are not blank.
std::string WritePhonebookText(PhonebookTextFormat format, const PhonebookTable& table);

// Saves the text as every save of this program is made (ReplaceFileContents): the file named
// by `path` (UTF-8) is replaced only once all of it has been written; false, with `*error`
// saying why, when it was not.
bool SavePhonebookText(Os& os, const std::string& path, PhonebookTextFormat format,
                       const PhonebookTable& table, FileError* error = nullptr);

}  // namespace pd
