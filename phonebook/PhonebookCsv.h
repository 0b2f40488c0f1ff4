// The phonebook as a spreadsheet file: UTF-8 with a byte-order mark, the header
// Nro;Nimi;Puhelinnumero, one row per entry. Semicolons and commas are both read as the
// separator (the header decides), and fields may be quoted with "" for a quote inside.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "phonebook/PhonebookRows.h"

namespace pd {

struct ExportEntry {
    int slot = 0;        // entry number, from 1
    std::string name;    // UTF-8
    std::string number;  // UTF-8; kGroupDialText for a group-dial entry
};

// Every row with its line; a file without the header gives one problem and no rows. `text`
// is UTF-8, with or without its byte-order mark.
PhonebookRows ReadPhonebookCsv(std::string_view text);

std::string WritePhonebookCsv(std::span<const ExportEntry> entries);

}  // namespace pd
