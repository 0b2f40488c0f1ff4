// What the stand-in maker's libraries share: the control port name they hand out and the
// way they reach the simulator's pipes.
#pragma once

#include <windows.h>

#include "win32/Handles.h"

// The calling convention of the stand-ins' entry points. Nothing says which one the maker's
// libraries use, and the program calls either kind (win32/StackKeepingCall.h); the 32-bit
// builds make each stand-in both ways (PD_STANDIN_CDECL), and the tests use both.
#if defined(PD_STANDIN_CDECL)
#define PD_STANDIN_CALL __cdecl
#else
#define PD_STANDIN_CALL WINAPI
#endif

namespace pd::sim {

// Fills `buffer` with the zero-terminated base path `base` of the demo's pipes, never writing
// more than `size` bytes; returns the length of the path written (0 when nothing fits).
int FillControlPortName(const char* base, char* buffer, int size);

// False while a simulator started with --reserved says someone else holds the port.
bool DemoPortIsFree();

// Opens a pipe for one conversation, waiting a little when every instance is busy, and
// switches it to whole-message reads. Empty when no simulator serves the pipe.
OwnedHandle OpenDemoPipe(const TCHAR* name);

}  // namespace pd::sim
