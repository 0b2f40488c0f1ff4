// Prints the fault matrix, the outcome of every device exchange under every fault the virtual
// device can show, as Markdown for the closing notes:
//
//   fault_matrix
//
// What it prints is the table that core_tests holds the code to, so it is what the code does
// whenever core_tests passes.
#include <iostream>
#include <sstream>

#include "tests/core/FaultMatrix.h"

int main() {
    using namespace pd::faultmatrix;
    std::ostringstream table;
    table << "| exchange |";
    for (const char* fault : kFaultNames) table << ' ' << fault << " |";
    table << "\n|---|";
    for (int f = 0; f < kFaultCount; ++f) table << "---|";
    table << '\n';
    for (const Row& row : kMatrix) {
        table << "| " << row.exchange.name << " |";
        for (const char* outcome : row.outcomes) table << ' ' << outcome << " |";
        table << '\n';
    }
    table << "\n\\* the device took the phonebook, but the acknowledgement was refused.\n"
             "Where an exchange fails, the records and the table are unchanged, and so is the "
             "device's memory except where marked *; a failed firmware download leaves the "
             "device with the part of the image it took, in order. \"refused\": "
             "AcquireSharedPort returned false, and nothing was sent.\n";
    std::cout << table.str();
    return 0;
}
