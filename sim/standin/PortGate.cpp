// Stand-in for the maker's port arbiter, for the demo only: the port is free unless a
// simulator started with --reserved says someone else holds it.
#include <windows.h>

#include "sim/standin/DemoPipeClient.h"

extern "C" int PD_STANDIN_CALL PortAcquire(int) { return pd::sim::DemoPortIsFree() ? 1 : 0; }

extern "C" int PD_STANDIN_CALL PortRelease(int) { return pd::sim::DemoPortIsFree() ? 1 : 0; }
