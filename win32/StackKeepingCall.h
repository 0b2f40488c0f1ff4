// Calls into the maker's libraries on 32-bit Windows, whatever their calling convention.
//
// Nothing says whether their entry points are __stdcall (the callee takes its arguments off
// the stack) or __cdecl (the caller does). A call that guesses wrong leaves the stack pointer
// off by the arguments' size. The thunk keeps the stack pointer in a register that both
// conventions preserve and puts it back after the call, so either kind returns to a whole
// frame. 64-bit Windows has one convention and needs none of this.
#pragma once

#include <cstdint>

#if defined(__i386__)
// Calls `proc` with `count` (1 or 2) 32-bit arguments, `first` leftmost, and returns what it
// returned in eax.
extern "C" int pdCallKeepingStack(std::uintptr_t proc, std::uintptr_t first, std::uintptr_t second,
                                  int count);
#endif
