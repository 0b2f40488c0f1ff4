// Stand-in for the maker's port arbiter, for the demo only: the port is free unless a
// simulator started with --reserved says someone else holds it.
#include <windows.h>

#include "win32/OwnedHandle.h"
#include "sim/DemoPipes.h"

namespace {

bool PortIsFree() {
    const pd::OwnedHandle reservation(
        OpenEvent(SYNCHRONIZE, FALSE, pd::sim::kDemoPortReservedEvent));
    return !reservation;
}

}  // namespace

extern "C" int WINAPI PortAcquire(int) { return PortIsFree() ? 1 : 0; }

extern "C" int WINAPI PortRelease(int) { return PortIsFree() ? 1 : 0; }
