// The phonebook as address cards (vCard 3.0 or 4.0): each card gives a name (FN) and its
// first fax number, or failing that its first telephone number, and, when it comes from the
// device, the entry it came from (X-PANELDESK-NRO). Cards without one go into free entries.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "mf40ctl/PhonebookCsv.h"
#include "mf40ctl/PhonebookRows.h"

namespace pd::ctl {

// One row per card (its line is the card's BEGIN line), and a problem for every card or line
// that cannot be read.
PhonebookRows ReadPhonebookVcard(std::string_view text);

// vCard 3.0 cards, one per entry, each with its entry number; group-dial entries have no
// number to give and are left out.
std::string WritePhonebookVcard(std::span<const ExportEntry> entries);

}  // namespace pd::ctl
