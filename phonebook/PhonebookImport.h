// From rows read out of a file to the phonebook they would make: one rule for every entry a
// file changes (EntryRules.h), rows placed at the entries they name (or, without numbers,
// into the free entries left, in order), and group-dial entries never touched. An entry that
// a file gives exactly as the device holds it is taken back as it is.
#pragma once

#include <vector>

#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookRows.h"
#include "protocol/PhonebookTable.h"

namespace pd {

enum class ImportMode {
    Merge,    // rows go into the entries they name; the others stay
    Replace,  // every entry but the group-dial ones is cleared first
};

struct ImportPlan {
    PhonebookTable table;              // the phonebook after the import
    std::vector<RowProblem> problems;  // the file's and the rules', in line order
    int placed = 0;                    // rows that went into the table
};

// The rows that keep the rules, each where it goes; every other row is left out, with its
// reason among the plan's problems.
ImportPlan PlanImport(const PhonebookTable& current, const PhonebookRows& rows, ImportMode mode);

// A phonebook file (.PBF) laid over the device's phonebook: with Replace every entry of the
// file is taken, blank ones included; with Merge only the file's entries that are not blank.
// Either way the device's group-dial entries stay, and a file that would change one, or
// bring a group-dial entry of its own, is reported.
ImportPlan PlanTableImport(const PhonebookTable& current, const PhonebookTable& file,
                           ImportMode mode);

// What an import would do to a phonebook: the entries it fills that were blank, and those
// whose texts it changes (clearing one included), in table order.
struct ImportChanges {
    std::vector<int> added;  // positions
    std::vector<int> changed;
};
ImportChanges ChangesOf(const PhonebookTable& before, const PhonebookTable& after);

// The entries that are not blank, in table order, with their texts in UTF-8.
std::vector<ExportEntry> ExportEntries(const PhonebookTable& table);

bool IsBlankEntry(const PhonebookTable& table, int position);

// The same texts at `position` of both (what the device keeps of an entry).
bool SameEntry(const PhonebookTable& a, const PhonebookTable& b, int position);
// Same texts in every entry.
bool SamePhonebook(const PhonebookTable& a, const PhonebookTable& b);

}  // namespace pd
