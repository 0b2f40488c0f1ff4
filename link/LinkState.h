// The process-wide link state, set at start-up and read by every route, and the fixed
// values the routes use.
#pragma once

#include <array>
#include <cstdint>

#include "link/LinkKind.h"
#include "platform/Os.h"

namespace pd {

inline constexpr int kUsbNameSize = 256;

// Set at start-up, read by every channel call.
struct LinkState {
    LinkKind linkIndex = LinkKind::Usb;
    bool directPortIo = false;
    bool win9xFamily = false;
    bool nt5Family = false;

    // The one USB library of either family; loaded at most once and never unloaded.
    LibraryHandle usbLibrary = kNoLibrary;
    ProcAddress getControlPortName = kNoProc;
    ProcAddress win2kUsbWrite = kNoProc;
    ProcAddress win2kUsbRead = kNoProc;
    std::array<char, kUsbNameSize> usbPortName{};
    std::array<char, kUsbNameSize> usbReadPipeName{};
    std::array<char, kUsbNameSize> usbWritePipeName{};

    // "portgate.dll" while a reservation is held.
    LibraryHandle arbitrationLibrary = kNoLibrary;
};

// Comm time-outs of the LPT route, set on every open.
inline constexpr std::uint32_t kLptReadIntervalTimeout = 200;
inline constexpr std::uint32_t kLptReadTotalTimeoutConstant = 3000;
inline constexpr std::uint32_t kLptWriteTotalTimeoutConstant = 5000;

// The ECP driver's two controls sent before every read, each with a one-byte input.
inline constexpr std::uint32_t kEcpControlA = 0x00182014;
inline constexpr std::uint8_t kEcpControlAInput = 0x00;
inline constexpr std::uint32_t kEcpControlB = 0x00182004;
inline constexpr std::uint8_t kEcpControlBInput = 0x10;
// The third, sent only before a firmware download, with the 32-bit value 1 (little-endian).
inline constexpr std::uint32_t kEcpControlC = 0x00182008;
inline constexpr std::array<std::uint8_t, 4> kEcpControlCInput = {0x01, 0x00, 0x00, 0x00};

// NT 5 USB transfer pieces.
inline constexpr int kUsbWritePiece = 4000;
inline constexpr int kUsbLongReadThreshold = 5000;
inline constexpr int kUsbFirstReadPiece = 2624;

// The port identifier the program always reserves.
inline constexpr int kSharedPortId = 8;

inline constexpr const char* kUsbLibrary9x = "usbnames.dll";
inline constexpr const char* kUsbLibraryNt5 = "usbpipe.dll";
inline constexpr const char* kArbitrationLibrary = "portgate.dll";
inline constexpr const char* kReadPipeSuffix = "\\PIPE01";   // device to host
inline constexpr const char* kWritePipeSuffix = "\\PIPE00";  // host to device

}  // namespace pd
