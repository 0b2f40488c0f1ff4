// What every phonebook import must hold, whatever file it read: group-dial entries are never
// touched, and every entry it changes is one the device can hold and show, in the form the
// device keeps it.
#pragma once

#include <algorithm>
#include <string_view>

#include "fuzz/FuzzInput.h"
#include "fuzz/MarkedPhonebook.h"
#include "phonebook/PhonebookImport.h"
#include "protocol/Windows1252.h"

namespace pd::fuzz {

inline bool IsNameByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return IsPrintableWindows1252(byte) && byte != 0xFF;
}

inline bool IsNumberByte(char c) {
    return (c >= '0' && c <= '9') || c == '#' || c == '*' || c == 'P';
}

inline void CheckDeviceRules(const std::string& name, const std::string& number) {
    PD_FUZZ_CHECK(name.size() <= kNameWidth, "an imported name is longer than its field");
    PD_FUZZ_CHECK(name.empty() || name.back() != ' ',
                  "an imported name ends in a space, which the device drops");
    PD_FUZZ_CHECK(number.size() > 2 && number.size() <= kNumberWidth,
                  "an imported number is outside 3..46 characters");
    PD_FUZZ_CHECK(std::all_of(name.begin(), name.end(), IsNameByte),
                  "an imported name holds a character the device cannot hold or show");
    PD_FUZZ_CHECK(std::all_of(number.begin(), number.end(), IsNumberByte),
                  "an imported number holds a character that cannot be dialled");
    PD_FUZZ_CHECK(
        std::any_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }),
        "an imported number has no digit");
}

// The plan of an import over `before`: the table keeps its size and its group-dial entries,
// and every entry the plan changes, unless it clears it, obeys the device's rules.
inline void CheckPlan(const PhonebookTable& before, const ImportPlan& plan) {
    PD_FUZZ_CHECK(plan.table.size() == before.size(), "an import resized the table");
    for (int position = 0; position < before.size(); ++position) {
        const auto old = before.Entry(position);
        const auto now = plan.table.Entry(position);
        if (before.IsGroupDial(position)) {
            PD_FUZZ_CHECK(std::equal(old.begin(), old.end(), now.begin()),
                          "an import changed a group-dial entry");
        } else if (!std::equal(old.begin(), old.end(), now.begin()) &&
                   !IsBlankEntry(plan.table, position)) {
            CheckDeviceRules(plan.table.Name(position), plan.table.Number(position));
        }
    }
}

// Plans the import of `rows` over a marked table both ways and checks the outcome.
inline void CheckImport(const PhonebookRows& rows, std::size_t lineCount) {
    for (const auto& problem : rows.problems) {
        PD_FUZZ_CHECK(problem.line >= 0 && static_cast<std::size_t>(problem.line) <= lineCount + 1,
                      "a problem names a line the file does not have");
    }
    for (const auto& row : rows.rows) {
        PD_FUZZ_CHECK(row.line >= 1 && static_cast<std::size_t>(row.line) <= lineCount + 1,
                      "a row names a line the file does not have");
    }
    const PhonebookTable before = MarkedPhonebook();
    for (const ImportMode mode : {ImportMode::Merge, ImportMode::Replace}) {
        const ImportPlan plan = PlanImport(before, rows, mode);
        PD_FUZZ_CHECK(plan.placed >= 0 && static_cast<std::size_t>(plan.placed) <= rows.rows.size(),
                      "an import placed more rows than the file holds");
        CheckPlan(before, plan);
    }
}

// Lines as the readers count them: ended by LF, CR LF or a CR alone.
inline std::size_t CountLines(std::string_view text) {
    std::size_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool crAlone = text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
        if (text[i] == '\n' || crAlone) ++lines;
    }
    return lines;
}

}  // namespace pd::fuzz
