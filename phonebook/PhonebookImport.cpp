#include "phonebook/PhonebookImport.h"

#include <algorithm>
#include <map>
#include <optional>

#include "phonebook/EntryRules.h"
#include "protocol/Windows1252.h"

namespace pd {

namespace {

bool IsFree(const PhonebookTable& table, int position) {
    return !table.IsGroupDial(position) && IsBlankEntry(table, position);
}

// Why a text of a row has no Windows-1252 form, as the fault of its field.
void NotWindows1252(const Windows1252Text& text, bool name, RowProblem* problem) {
    switch (text.fault) {
        case Windows1252Fault::NotUtf8:
            problem->fault = name ? RowFault::NameNotUtf8 : RowFault::NumberNotUtf8;
            problem->value = static_cast<long long>(text.at);
            break;
        case Windows1252Fault::ZeroCharacter:
            problem->fault = name ? RowFault::NameZeroCharacter : RowFault::NumberZeroCharacter;
            break;
        default:
            problem->fault = name ? RowFault::NameNotInCodePage : RowFault::NumberNotInCodePage;
            problem->text = text.character;
            problem->text2 = text.code;
            break;
    }
}

// The texts of a row as the table would hold them, or nothing with `*problem`.
std::optional<EntryTexts> RowTexts(const PhonebookRow& row, RowProblem* problem) {
    const Windows1252Text name = Utf8ToWindows1252(row.name);
    if (!name.ok) {
        NotWindows1252(name, true, problem);
        return std::nullopt;
    }
    const Windows1252Text number = Utf8ToWindows1252(row.number);
    if (!number.ok) {
        NotWindows1252(number, false, problem);
        return std::nullopt;
    }
    return EntryTexts{name.bytes, number.bytes};
}

}  // namespace

bool IsBlankEntry(const PhonebookTable& table, int position) {
    return table.Name(position).empty() && table.Number(position).empty();
}

bool SameEntry(const PhonebookTable& a, const PhonebookTable& b, int position) {
    return a.Name(position) == b.Name(position) && a.Number(position) == b.Number(position);
}

ImportChanges ChangesOf(const PhonebookTable& before, const PhonebookTable& after) {
    ImportChanges changes;
    for (int position = 0; position < before.size() && position < after.size(); ++position) {
        if (SameEntry(before, after, position)) continue;
        (IsBlankEntry(before, position) ? changes.added : changes.changed).push_back(position);
    }
    return changes;
}

ImportPlan PlanImport(const PhonebookTable& current, const PhonebookRows& rows, ImportMode mode) {
    ImportPlan plan{current, rows.problems, 0};
    if (mode == ImportMode::Replace) plan.table.ClearAllEntries();
    std::map<int, int> lineOfSlot;  // entries already given by an earlier row

    // Rows that name their entry go first, so that a row without one never takes an entry
    // that a later row names.
    std::vector<const PhonebookRow*> ordered;
    for (const PhonebookRow& row : rows.rows) {
        if (row.slot) ordered.push_back(&row);
    }
    for (const PhonebookRow& row : rows.rows) {
        if (!row.slot) ordered.push_back(&row);
    }
    int nextFree = 0;
    for (const PhonebookRow* row : ordered) {
        RowProblem problem(row->line, RowFault::NoFreeEntry);
        const auto refuse = [&](RowFault fault, long long value = 0, long long value2 = 0) {
            problem.fault = fault;
            problem.value = value;
            problem.value2 = value2;
            plan.problems.push_back(problem);
        };
        int position = 0;
        if (row->slot) {
            const int slot = *row->slot;
            if (!plan.table.Contains(slot - 1)) {
                refuse(RowFault::OutsideTable, slot, plan.table.size());
                continue;
            }
            if (const auto earlier = lineOfSlot.find(slot); earlier != lineOfSlot.end()) {
                refuse(RowFault::EntryGivenTwice, slot, earlier->second);
                continue;
            }
            lineOfSlot[slot] = row->line;
            position = slot - 1;
            if (plan.table.IsGroupDial(position)) {
                // The row a phonebook export writes for a group-dial entry keeps it as it is;
                // any other row for it, a new name included, would change it.
                const Windows1252Text name = Utf8ToWindows1252(row->name);
                const bool asItIs = row->number == kGroupDialText && name.ok &&
                                    name.bytes == plan.table.Name(position);
                if (asItIs) continue;
                if (row->number == kGroupDialText) {
                    problem.text = Windows1252ToUtf8(plan.table.Name(position));
                    refuse(RowFault::GroupDialRenamed, slot);
                } else {
                    refuse(RowFault::GroupDialKept, slot);
                }
                continue;
            }
        }
        if (row->number == kGroupDialText) {
            refuse(RowFault::GroupDialMade);
            continue;
        }
        std::optional<EntryTexts> texts = RowTexts(*row, &problem);
        if (!texts) {
            plan.problems.push_back(problem);
            continue;
        }
        // What the device holds in the entry it names comes back as it is, whatever it is.
        const bool unchanged = row->slot && texts->name == current.Name(position) &&
                               texts->number == current.Number(position);
        if (!unchanged) texts = ApplyEntryRules(texts->name, texts->number, &problem);
        if (!texts) {
            plan.problems.push_back(problem);
            continue;
        }
        if (!row->slot) {
            while (nextFree < plan.table.size() &&
                   (!IsFree(plan.table, nextFree) || lineOfSlot.count(nextFree + 1) != 0)) {
                ++nextFree;
            }
            if (nextFree == plan.table.size()) {
                refuse(RowFault::NoFreeEntry);
                continue;
            }
            position = nextFree;
        }
        plan.table.SetEntry(position, texts->name, texts->number);
        ++plan.placed;
    }
    std::stable_sort(plan.problems.begin(), plan.problems.end(),
                     [](const RowProblem& a, const RowProblem& b) { return a.line < b.line; });
    return plan;
}

std::vector<ExportEntry> ExportEntries(const PhonebookTable& table) {
    std::vector<ExportEntry> entries;
    for (int position = 0; position < table.size(); ++position) {
        if (table.IsGroupDial(position)) {
            entries.push_back(
                {position + 1, Windows1252ToUtf8(table.Name(position)), kGroupDialText});
        } else if (!IsBlankEntry(table, position)) {
            entries.push_back({position + 1, Windows1252ToUtf8(table.Name(position)),
                               Windows1252ToUtf8(table.Number(position))});
        }
    }
    return entries;
}

ImportPlan PlanTableImport(const PhonebookTable& current, const PhonebookTable& file,
                           ImportMode mode) {
    ImportPlan plan{current, {}, 0};
    for (int position = 0; position < current.size() && position < file.size(); ++position) {
        const bool blank = IsBlankEntry(file, position);
        const bool take = mode == ImportMode::Replace || !blank;
        if (!take || SameEntry(current, file, position)) continue;
        RowProblem problem(0, RowFault::GroupDialMade);
        problem.entry = position + 1;
        if (current.IsGroupDial(position)) {
            // Replacing clears every entry but the group-dial ones: a blank there is no change.
            if (!blank) {
                problem.fault = RowFault::GroupDialOnDevice;
                plan.problems.push_back(problem);
            }
        } else if (file.IsGroupDial(position)) {
            problem.fault = RowFault::GroupDialMade;
            plan.problems.push_back(problem);
        } else if (blank) {
            plan.table.ClearEntry(position);
        } else {
            const std::optional<EntryTexts> texts =
                ApplyEntryRules(file.Name(position), file.Number(position), &problem);
            if (!texts) {
                plan.problems.push_back(problem);
                continue;
            }
            plan.table.SetEntry(position, texts->name, texts->number);
            ++plan.placed;
        }
    }
    return plan;
}

bool SamePhonebook(const PhonebookTable& a, const PhonebookTable& b) {
    if (a.size() != b.size()) return false;
    for (int position = 0; position < a.size(); ++position) {
        if (!SameEntry(a, b, position)) return false;
    }
    return true;
}

}  // namespace pd
