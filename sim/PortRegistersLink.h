// How the bytes of the emulated port registers reach the simulator: a section of memory that
// the simulator (mf40sim --port-registers) shares with the tests' port arbiter, which plays the
// PC's parallel port for the 32-bit panel (tests/e2e/EmulatingPortArbiter.cpp).
//
// The handshake moves one byte at a time, each at the cost of the faults the arbiter answers,
// so the bytes must cost nothing more: each way is a ring that one side fills and the other
// empties, with no call to the system and no thread of ours in the panel's process.
// The layout has fixed sizes only, as the 64-bit simulator and the 32-bit panel share it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace pd::sim {

inline constexpr const TCHAR* kPortRegistersSection = TEXT("OstrexMF40.PortRegisters");

// Bytes one way. `written` and `taken` count bytes since the start and wrap together; the
// writer owns `written`, the reader `taken`.
struct PortRegistersRing {
    static constexpr std::uint32_t kSize = 64 * 1024;
    volatile LONG written;
    volatile LONG taken;
    std::uint8_t bytes[kSize];

    std::uint32_t Waiting() const {
        return static_cast<std::uint32_t>(written) - static_cast<std::uint32_t>(taken);
    }
    std::uint32_t Room() const { return kSize - Waiting(); }

    // Moves up to `count` bytes in; returns how many there was room for.
    std::size_t Put(const std::uint8_t* data, std::size_t count) {
        std::uint32_t at = static_cast<std::uint32_t>(written);
        std::size_t moved = 0;
        for (; moved < count && Room() > 0; ++moved, ++at) {
            bytes[at % kSize] = data[moved];
            // Published one by one, each after its byte (a full barrier).
            InterlockedExchange(&written, static_cast<LONG>(at + 1));
        }
        return moved;
    }

    // Moves up to `capacity` waiting bytes out; returns how many.
    std::size_t Take(std::uint8_t* out, std::size_t capacity) {
        std::size_t moved = 0;
        for (std::uint32_t at = static_cast<std::uint32_t>(taken);
             moved < capacity && Waiting() > 0; ++moved) {
            out[moved] = bytes[at % kSize];
            InterlockedExchange(&taken, static_cast<LONG>(++at));
        }
        return moved;
    }
};

struct PortRegistersLink {
    PortRegistersRing toDevice;
    PortRegistersRing fromDevice;
};

}  // namespace pd::sim
