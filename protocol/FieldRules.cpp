#include "protocol/FieldRules.h"

#include <algorithm>
#include <iterator>

namespace pd {

namespace {

struct CharacterSetRow {
    CharacterSet set;
    bool digits;
    bool capitals;
    const char* others;      // the other characters kept, besides digits and capitals
    bool turnsSmallLetters;  // its edits make capitals of small letters as they are typed
    const char* text;
};

constexpr CharacterSetRow kCharacterSets[] = {
    {CharacterSet::Name, true, true, " +-,.'/*#&", true,
     "letters A-Z, digits, space and + - , . ' / * # &"},
    {CharacterSet::Dial, true, false, "#*P", true, "digits, # * and P"},
    {CharacterSet::IdNumber, true, false, " +", true, "digits, space and +"},
    {CharacterSet::Capitals, false, true, " +", false, "letters A-Z, space and +"},
    {CharacterSet::Digits, true, false, "", true, "digits"},
    {CharacterSet::FormattedNumber, true, false, "- +", true, "digits, -, space and +"},
};

const CharacterSetRow* RowOf(CharacterSet set) {
    const auto row = std::ranges::find(kCharacterSets, set, &CharacterSetRow::set);
    return row == std::end(kCharacterSets) ? nullptr : row;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsCapital(char32_t c) { return c >= U'A' && c <= U'Z'; }
bool IsSmall(char32_t c) { return c >= U'a' && c <= U'z'; }

}  // namespace

bool InCharacterSet(CharacterSet set, char32_t c) {
    const CharacterSetRow* row = RowOf(set);
    if (row == nullptr || c == 0 || c >= kFirstNonAscii) return false;
    if (IsDigit(c)) return row->digits;
    if (IsCapital(c) && row->capitals) return true;
    return std::string_view(row->others).find(static_cast<char>(c)) != std::string_view::npos;
}

bool TypedInCharacterSet(CharacterSet set, char32_t c) {
    if (InCharacterSet(set, c)) return true;
    const CharacterSetRow* row = RowOf(set);
    return row != nullptr && row->turnsSmallLetters && IsSmall(c) &&
           InCharacterSet(set, c - U'a' + U'A');
}

const char* CharacterSetText(CharacterSet set) {
    const CharacterSetRow* row = RowOf(set);
    return row == nullptr ? "" : row->text;
}

std::optional<int> DecimalDigits(std::string_view text, std::size_t most) {
    if (text.empty() || text.size() > most) return std::nullopt;
    int number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool IsDialableNumber(std::string_view number) {
    const bool hasDigit = std::ranges::any_of(number, [](char c) { return IsDigit(c); });
    return number.size() >= kShortestDialableNumber && hasDigit;
}

}  // namespace pd
