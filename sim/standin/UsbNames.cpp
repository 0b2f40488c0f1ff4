// Stand-in for the maker's USB name library of Windows 95, 98 and ME, for the demo only.
#include <windows.h>

#include "sim/standin/DemoPipeClient.h"

extern "C" int WINAPI GetControlPortName(char* buffer, int size) {
    return pd::sim::FillControlPortName(buffer, size);
}
