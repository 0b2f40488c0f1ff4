// Stand-in for the maker's USB name library of Windows 95, 98 and ME, for the demo only. The
// program opens the pipes it names as plain files; the simulator serves them the way that
// route reads and writes.
#include <windows.h>

#include "sim/DemoPipes.h"
#include "sim/standin/DemoPipeClient.h"

extern "C" int PD_STANDIN_CALL GetControlPortName(char* buffer, int size) {
    return pd::sim::FillControlPortName(pd::sim::kDemo9xPortBase, buffer, size);
}
