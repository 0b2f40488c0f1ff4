// A read of memory that may not be there, for the BIOS data area of the port registers' route.
//
// Windows 95, 98 and ME map the first megabyte of physical memory into every program; NT maps
// nothing at those addresses. A program told that it runs on Windows 95 when it does not (a
// compatibility mode, or Wine) takes the port registers' route and would die on its first
// read there. So the read is tried, not the system asked: under an exception frame of our
// own, which every 32-bit Windows has, a read that faults gives false instead.
#pragma once

#include <cstdint>

#if defined(__i386__)
// Reads the 16-bit word at `address` into `*word`: 1 when it could be read, 0 (and `*word`
// untouched) when the read faulted.
extern "C" int pdReadWordGuarded(std::uintptr_t address, std::uint16_t* word);
#endif
