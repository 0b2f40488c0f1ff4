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

}  // namespace

bool IsBlankEntry(const PhonebookTable& table, int position) {
    return table.Name(position).empty() && table.Number(position).empty();
}

ImportPlan PlanImport(const PhonebookTable& current, const PhonebookRows& rows, ImportMode mode) {
    ImportPlan plan{current, rows.problems, 0};
    if (mode == ImportMode::Replace) plan.table.ClearAllEntries();
    std::map<int, int> lineOfSlot;  // entries already given by an earlier row
    int nextFree = 0;
    for (const PhonebookRow& row : rows.rows) {
        const auto refuse = [&](std::string reason) {
            plan.problems.push_back({row.line, std::move(reason)});
        };
        int position = 0;
        if (row.slot) {
            const int slot = *row.slot;
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
            lineOfSlot[slot] = row.line;
            position = slot - 1;
            if (plan.table.IsGroupDial(position)) {
                // The row a phonebook export writes for a group-dial entry keeps it as it is.
                if (row.number != kGroupDialText) {
                    refuse(Slot(slot) + " is a group-dial entry, which is never overwritten");
                }
                continue;
            }
        }
        if (row.number == kGroupDialText) {
            refuse("a group-dial entry can only be set up on the device itself");
            continue;
        }
        std::string reason;
        std::optional<EntryTexts> texts = ApplyEntryRules(row.name, row.number, &reason);
        if (!texts) {
            refuse(reason);
            continue;
        }
        if (!row.slot) {
            while (nextFree < plan.table.size() &&
                   (plan.table.IsGroupDial(nextFree) || !IsBlankEntry(plan.table, nextFree))) {
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
        const bool take = mode == ImportMode::Replace || !IsBlankEntry(file, position);
        if (!take || SameEntry(current, file, position)) continue;
        const std::string where = Slot(position + 1) + ": ";
        if (current.IsGroupDial(position)) {
            plan.problems.push_back(
                {0, where + "the device's group-dial entry is never overwritten"});
        } else if (file.IsGroupDial(position)) {
            plan.problems.push_back(
                {0, where + "a group-dial entry can only be set up on the device itself"});
        } else {
            const auto from = file.Entry(position);
            std::copy(from.begin(), from.end(), plan.table.Entry(position).begin());
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
