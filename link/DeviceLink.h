// The device link: which route reaches the device, and the two channel operations that move
// bytes over it. Every call opens the route, makes one transfer and closes it again.
#pragma once

#include <array>
#include <cstdint>

#include "link/DirectPort.h"
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

class DeviceLink {
public:
    explicit DeviceLink(Os& os) : os_(os), directPort_(os) {}
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    void DetectOsFamily();
    void SelectLink();

    // The count of bytes the route accepted; 0 when it cannot be opened.
    int ChannelWrite(const std::uint8_t* data, int length);
    // The count of bytes placed in `buffer` (already cleared by the caller).
    int ChannelRead(std::uint8_t* buffer, int capacity);

    bool AcquireSharedPort(int portId);
    bool ReleaseSharedPort(int portId);

    // The route the start-up falls back to when the device does not answer over USB.
    LinkKind FamilyFallback() const { return state_.win9xFamily ? LinkKind::Lpt1 : LinkKind::Ecp1; }

    LinkState& state() { return state_; }
    const LinkState& state() const { return state_; }
    DirectPort& directPort() { return directPort_; }
    Os& os() { return os_; }

private:
    bool LoadUsbLibrary(const char* name, bool needsTransferCalls);
    bool BuildPipeNames();
    bool WritePipeOpens();
    int UsbWrite(const std::uint8_t* data, int length);
    int UsbRead(std::uint8_t* buffer, int capacity);
    int PortFileWrite(const std::uint8_t* data, int length);
    int PortFileRead(std::uint8_t* buffer, int capacity);
    bool ApplyLptTimeouts(FileHandle file);

    Os& os_;
    LinkState state_;
    DirectPort directPort_;
};

}  // namespace pd
