// From rows read out of a file to the phonebook they would make: one rule for every entry a
// file changes (EntryRules.h), rows placed at the entries they name (or, without numbers,
// into the free entries left, in order), and group-dial entries never touched. An entry that
// a file gives exactly as the device holds it is taken back as it is.
#pragma once

#include <string>
#include <vector>

#include "mf40ctl/PhonebookCsv.h"
#include "mf40ctl/PhonebookRows.h"
#include "protocol/PhonebookTable.h"

namespace pd::ctl {

enum class ImportMode {
    Merge,    // rows go into the entries they name; the others stay
    Replace,  // every entry but the group-dial ones is cleared first
};

struct ImportPlan {
    PhonebookTable table;               // the phonebook after the import
    std::vector<RowProblem> problems;   // the file's and the rules', in line order
    int placed = 0;                     // rows that went into the table
};

ImportPlan PlanImport(const PhonebookTable& current, const PhonebookRows& rows, ImportMode mode);

// The entries that are not blank, in table order, with their texts in UTF-8.
std::vector<ExportEntry> ExportEntries(const PhonebookTable& table);

bool IsBlankEntry(const PhonebookTable& table, int position);

// The phonebook as lines for the terminal: "Nro  Nimi  Puhelinnumero", the entries that are
// not blank, and a mark before every entry that differs from `before`.
std::string PhonebookListing(const PhonebookTable& table, const PhonebookTable& before);

}  // namespace pd::ctl

namespace pd::ctl {

// A phonebook file (.PBF) laid over the device's phonebook: with Replace every entry of the
// file is taken, blank ones included; with Merge only the file's entries that are not blank.
// Either way the device's group-dial entries stay, and a file that would change one, or
// bring a group-dial entry of its own, is reported.
ImportPlan PlanTableImport(const PhonebookTable& current, const PhonebookTable& file,
                           ImportMode mode);

// Same texts in every entry (what the device keeps of an entry).
bool SamePhonebook(const PhonebookTable& a, const PhonebookTable& b);

}  // namespace pd::ctl
