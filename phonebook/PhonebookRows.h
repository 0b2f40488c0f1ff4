// What a phonebook file in a foreign format says, before any rule is applied: rows of texts
// as written (UTF-8), each with the line it came from, and the lines that could not be read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/RowProblem.h"

namespace pd {

struct PhonebookRow {
    int line = 0;             // where the row starts, from 1
    std::optional<int> slot;  // the entry number the row names (1..), if the format has one
    std::string name;
    std::string number;
};

struct PhonebookRows {
    std::vector<PhonebookRow> rows;
    std::vector<RowProblem> problems;
};

// An entry number as a file writes it: one to four decimal digits (a number out of the
// table's range is the import's to refuse, never cut down); nothing for anything else.
std::optional<int> EntryNumber(std::string_view text);

// The number column's text for a group-dial entry, as the phonebook page shows it; a file's
// row with this number stands for the group-dial entry it names.
inline constexpr char kGroupDialText[] = "*GROUP DIAL*";

}  // namespace pd
