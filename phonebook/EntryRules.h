// The one rule for a phonebook entry that a file brings, whatever the file's format (.pbf,
// .csv, .vcf or a backup): texts the device can hold and show, in the form it keeps them.
// The entry editor's upper-casing and its refusal of typed characters from 128 up govern what
// a user types in the panel; they are not the rule for files, so that whatever the device
// holds goes out to a file and comes back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "phonebook/RowProblem.h"

namespace pd {

struct EntryTexts {
    std::string name;  // Windows-1252, as the table stores it
    std::string number;
};

// Names: printable Windows-1252 characters, not ÿ (the device fills a record's unused
// places with its byte and would drop it), at most 20, trailing spaces dropped as the device
// drops them. Numbers: digits, # * and P (p is taken as P; spaces, hyphens, dots and brackets
// are only how a number was written down and are dropped), at most 46, and the entry editor's
// OK rule: more than 2 characters, at least one of them a digit. `name` and `number` are
// Windows-1252; the result is the entry as the device will keep it, or nothing with the
// fault and its values in `*problem` (whose place, line or entry, is the caller's to set).
std::optional<EntryTexts> ApplyEntryRules(std::string_view name, std::string_view number,
                                          RowProblem* problem);

}  // namespace pd
