// What the stand-in maker's libraries share: the control port name they hand out and the
// way they reach the simulator's pipes.
#pragma once

#include <windows.h>

#include "win32/OwnedHandle.h"

namespace pd::sim {

// Fills `buffer` with the zero-terminated base path `base` of the demo's pipes, never writing
// more than `size` bytes; returns the length of the path written (0 when nothing fits).
int FillControlPortName(const char* base, char* buffer, int size);

// Opens a pipe for one conversation, waiting a little when every instance is busy, and
// switches it to whole-message reads. Empty when no simulator serves the pipe.
OwnedHandle OpenDemoPipe(const TCHAR* name);

}  // namespace pd::sim
