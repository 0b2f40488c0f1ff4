// What a phonebook file in a foreign format says, before any rule is applied: rows of texts
// as written (UTF-8), each with the line it came from, and the lines that could not be read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pd::ctl {

struct PhonebookRow {
    int line = 0;             // where the row starts, from 1
    std::optional<int> slot;  // the entry number the row names (1..), if the format has one
    std::string name;
    std::string number;
};

struct RowProblem {
    int line = 0;  // 0: the file as a whole
    std::string reason;

    friend bool operator==(const RowProblem&, const RowProblem&) = default;
};

struct PhonebookRows {
    std::vector<PhonebookRow> rows;
    std::vector<RowProblem> problems;
};

// The number column's text for a group-dial entry, as the phonebook page shows it.
inline constexpr const char* kGroupDialText = "*GROUP DIAL*";

}  // namespace pd::ctl
