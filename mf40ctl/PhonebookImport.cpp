#include "mf40ctl/PhonebookImport.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "mf40ctl/EntryRules.h"
#include "mf40ctl/Windows1252.h"

namespace pd::ctl {

namespace {

std::string Slot(int slot) { return "entry " + std::to_string(slot); }

bool SameEntry(const PhonebookTable& a, const PhonebookTable& b, int position) {
    return a.Name(position) == b.Name(position) && a.Number(position) == b.Number(position);
}

bool IsFree(const PhonebookTable& table, int position) {
    return !table.IsGroupDial(position) && IsBlankEntry(table, position);
}

// The texts of a row as the table would hold them, or nothing with `reason`.
std::optional<EntryTexts> RowTexts(const PhonebookRow& row, std::string* reason) {
    const Windows1252Text name = Utf8ToWindows1252(row.name);
    if (!name.ok) {
        *reason = "name " + name.error;
        return std::nullopt;
    }
    const Windows1252Text number = Utf8ToWindows1252(row.number);
    if (!number.ok) {
        *reason = "number " + number.error;
        return std::nullopt;
    }
    return EntryTexts{name.bytes, number.bytes};
}

}  // namespace

bool IsBlankEntry(const PhonebookTable& table, int position) {
    return table.Name(position).empty() && table.Number(position).empty();
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
        const auto refuse = [&](std::string reason) {
            plan.problems.push_back({row->line, std::move(reason)});
        };
        int position = 0;
        if (row->slot) {
            const int slot = *row->slot;
            if (!plan.table.Contains(slot - 1)) {
                refuse("Nro " + std::to_string(slot) + " is outside 1.." +
                       std::to_string(plan.table.size()));
                continue;
            }
            if (const auto earlier = lineOfSlot.find(slot); earlier != lineOfSlot.end()) {
                refuse(Slot(slot) + " is already given on line " +
                       std::to_string(earlier->second));
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
                if (!asItIs) {
                    refuse(Slot(slot) + " is a group-dial entry, which is never overwritten" +
                           (row->number == kGroupDialText
                                ? "; its name stays '" +
                                      Windows1252ForTerminal(plan.table.Name(position)) + "'"
                                : std::string()));
                }
                continue;
            }
        }
        if (row->number == kGroupDialText) {
            refuse("a group-dial entry can only be set up on the device itself");
            continue;
        }
        std::string reason;
        std::optional<EntryTexts> texts = RowTexts(*row, &reason);
        if (!texts) {
            refuse(reason);
            continue;
        }
        // What the device holds in the entry it names comes back as it is, whatever it is.
        const bool unchanged = row->slot && texts->name == current.Name(position) &&
                               texts->number == current.Number(position);
        if (!unchanged) texts = ApplyEntryRules(texts->name, texts->number, &reason);
        if (!texts) {
            refuse(reason);
            continue;
        }
        if (!row->slot) {
            while (nextFree < plan.table.size() &&
                   (!IsFree(plan.table, nextFree) || lineOfSlot.count(nextFree + 1) != 0)) {
                ++nextFree;
            }
            if (nextFree == plan.table.size()) {
                refuse("no free entry is left");
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
            entries.push_back({position + 1, Windows1252ToUtf8(table.Name(position)),
                               kGroupDialText});
        } else if (!IsBlankEntry(table, position)) {
            entries.push_back({position + 1, Windows1252ToUtf8(table.Name(position)),
                               Windows1252ToUtf8(table.Number(position))});
        }
    }
    return entries;
}

std::string PhonebookListing(const PhonebookTable& table, const PhonebookTable& before) {
    std::string text = "  Nro  Nimi                  Puhelinnumero\n";
    int shown = 0;
    for (int position = 0; position < table.size(); ++position) {
        const bool changed = !SameEntry(table, before, position);
        const bool blank = IsBlankEntry(table, position);
        if (blank && !changed) continue;
        const std::string name = Windows1252ForTerminal(table.Name(position));
        std::string number = table.IsGroupDial(position)
                                 ? kGroupDialText
                                 : Windows1252ForTerminal(table.Number(position));
        if (blank) number = "(cleared)";
        char head[16];
        std::snprintf(head, sizeof head, "%c %3d  ", changed ? '*' : ' ', position + 1);
        std::string padded = name;
        // Padding counts characters, not UTF-8 bytes.
        const auto characters = static_cast<std::size_t>(std::count_if(
            name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; }));
        padded.append(characters < 20 ? 20 - characters : 0, ' ');
        text += head + padded + "  " + number + "\n";
        ++shown;
    }
    if (shown == 0) text += "  (every entry is blank)\n";
    return text;
}

}  // namespace pd::ctl

namespace pd::ctl {

ImportPlan PlanTableImport(const PhonebookTable& current, const PhonebookTable& file,
                           ImportMode mode) {
    ImportPlan plan{current, {}, 0};
    for (int position = 0; position < current.size() && position < file.size(); ++position) {
        const bool blank = IsBlankEntry(file, position);
        const bool take = mode == ImportMode::Replace || !blank;
        if (!take || SameEntry(current, file, position)) continue;
        const std::string where = Slot(position + 1) + ": ";
        if (current.IsGroupDial(position)) {
            // Replacing clears every entry but the group-dial ones: a blank there is no change.
            if (!blank) {
                plan.problems.push_back(
                    {0, where + "the device's group-dial entry is never overwritten"});
            }
        } else if (file.IsGroupDial(position)) {
            plan.problems.push_back(
                {0, where + "a group-dial entry can only be set up on the device itself"});
        } else if (blank) {
            plan.table.ClearEntry(position);
        } else {
            std::string reason;
            const std::optional<EntryTexts> texts =
                ApplyEntryRules(file.Name(position), file.Number(position), &reason);
            if (!texts) {
                plan.problems.push_back({0, where + reason});
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

}  // namespace pd::ctl
