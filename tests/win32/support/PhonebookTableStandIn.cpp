// Temporary: the storage part of the phonebook table, enough for the start-up to allocate it
// before the table's own source is in the tree. app/CMakeLists.txt leaves this file out as
// soon as phonebook/PhonebookTable.cpp exists.
#include "phonebook/PhonebookTable.h"

namespace pd {

PhonebookTable::PhonebookTable(int speedDialCount, int oneTouchCount)
    : speedDialCount_(speedDialCount),
      oneTouchCount_(oneTouchCount),
      count_(speedDialCount + oneTouchCount),
      bytes_(static_cast<std::size_t>(count_) * kEntrySize, 0) {}

}  // namespace pd
