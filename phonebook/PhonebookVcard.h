// The phonebook as address cards (vCard 2.1, 3.0 or 4.0): each card gives a name (FN) and its
// first fax number, or failing that its first telephone number, and, when it comes from the
// device, the entry it came from (X-PANELDESK-NRO). Cards without one go into free entries.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "phonebook/PhonebookCsv.h"
#include "phonebook/PhonebookRows.h"
#include "protocol/Windows1252.h"

namespace pd {

// One row per card (its line is the card's BEGIN line), and a problem for every card or line
// that cannot be read. A value's CHARSET says what its bytes are; without one, a value
// written as it is reads in the file's `encoding`, and one that was quoted-printable or base64
// as UTF-8 where its bytes are UTF-8, else as Windows-1252.
PhonebookRows ReadPhonebookVcard(std::string_view text, TextEncoding encoding = TextEncoding::Utf8);

// vCard 3.0 cards, one per entry, each with its entry number; group-dial entries have no
// number to give and are left out.
std::string WritePhonebookVcard(std::span<const ExportEntry> entries);

}  // namespace pd
