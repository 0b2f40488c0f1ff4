// A phonebook table with something in every corner, so that a change anywhere shows: named
// entries, blank ones, a group-dial entry, full-width texts and terminator bytes that are
// not zero (as a file may leave them).
#pragma once

#include <string>

#include "protocol/PhonebookTable.h"

namespace pd::fuzz {

inline PhonebookTable MarkedPhonebook(int speedDialCount = 80, int oneTouchCount = 0) {
    PhonebookTable table(speedDialCount, oneTouchCount);
    for (int position = 0; position < table.size(); ++position) {
        if (position % 4 == 3) continue;  // blank
        table.SetEntry(position, "Entry " + std::to_string(position),
                       std::to_string(1000000 + position * 7919));
        if (position % 3 == 0) {
            table.Entry(position)[kNameOffset + kNameWidth] = 0x7E;
            table.Entry(position)[kNumberOffset + kNumberWidth] = 0x7E;
        }
    }
    if (table.size() > 10) {
        table.SetEntry(9, std::string(kNameWidth, 'N'), std::string(kNumberWidth, '9'));
        table.Entry(5)[kNumberOffset] = kGroupDialMarker;
    }
    return table;
}

}  // namespace pd::fuzz
