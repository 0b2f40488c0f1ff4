// How the demo's stand-in maker's libraries reach the simulator: the pipe names, the kernel
// object that says the port is reserved, and the small conversation on the pipes.
//
// PIPE00 (host to device) takes each write as one message and answers it with a 4-byte
// little-endian count of the bytes the device took; the program's own pipe writes never read
// that answer, the stand-in library's writes wait for it, so that pieces written one after
// another reach the device in order. PIPE01 (device to host) answers a 4-byte little-endian
// request for up to N bytes with one message: a 4-byte little-endian count n <= N and the n
// bytes the device had waiting (n is 0 when it had none).
//
// The 9x family's library names pipes of its own, which the program opens as plain files:
// their PIPE00 takes each write as one message, answers nothing, and lets the write return
// only once the device has the bytes; their PIPE01, which the program opens for reading only
// and so can ask nothing on, hands over the device's next transfer as soon as it is opened,
// and ends the read at once when the device has nothing to say.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pd::sim {

// What the stand-in GetControlPortName hands out; the pipes are this + \PIPE00 and \PIPE01.
inline constexpr const char* kDemoPortBase = R"(\\.\pipe\OstrexMF40)";
inline constexpr const TCHAR* kDemoCommandPipe = TEXT(R"(\\.\pipe\OstrexMF40\PIPE00)");
inline constexpr const TCHAR* kDemoReplyPipe = TEXT(R"(\\.\pipe\OstrexMF40\PIPE01)");
// What the 9x family's stand-in hands out, and its pipes.
inline constexpr const char* kDemo9xPortBase = R"(\\.\pipe\OstrexMF40\Usb9x)";
inline constexpr const TCHAR* kDemo9xCommandPipe = TEXT("\\\\.\\pipe\\OstrexMF40\\Usb9x\\PIPE00");
inline constexpr const TCHAR* kDemo9xReplyPipe = TEXT("\\\\.\\pipe\\OstrexMF40\\Usb9x\\PIPE01");

// Exists while a simulator started with --reserved runs: the stand-in port arbiter then
// refuses the port.
inline constexpr const TCHAR* kDemoPortReservedEvent = TEXT("OstrexMF40.PortReserved");

inline constexpr int kDemoCountSize = 4;
// The most a single reply request may ask for; the program's largest read is a few kilobytes.
inline constexpr std::uint32_t kDemoMaxReadRequest = 1u << 20;

inline void PutLe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

}  // namespace pd::sim
