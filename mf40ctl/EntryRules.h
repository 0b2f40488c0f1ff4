// The entry editor's rules for a phonebook entry, applied to texts that arrive from a file
// instead of the keyboard: names in capitals of letters, digits, space and + - , . ' / * # &,
// at most 20; numbers of digits, # * P, at most 46, more than 2 characters and a digit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pd::ctl {

struct EntryTexts {
    std::string name;    // Windows-1252, as the table stores it
    std::string number;
};

// The entry's texts as the editor would store them, or nothing with `reason` set. Spaces,
// hyphens, dots and brackets in a number are only how it was written down and are dropped,
// as typing it into the editor would drop them.
std::optional<EntryTexts> ApplyEntryRules(std::string_view nameUtf8, std::string_view numberUtf8,
                                          std::string* reason);

}  // namespace pd::ctl
