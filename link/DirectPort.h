// The parallel-port route of Windows 95: the registers of the first parallel port driven
// directly, compatibility mode for writes and nibble mode for reads (IEEE 1284).
#pragma once

#include <cstdint>

#include "link/LinkRoute.h"
#include "platform/Os.h"

namespace pd {

// Where the BIOS keeps the base address of the first parallel port (segment 0x40, offset 8).
inline constexpr std::uint32_t kBiosFirstParallelPort = 0x0408;

// Register offsets from the port base.
inline constexpr std::uint16_t kDataRegister = 0;
inline constexpr std::uint16_t kStatusRegister = 1;
inline constexpr std::uint16_t kControlRegister = 2;

// Control lines, as logical levels in the shadow (1 = line high).
namespace control {
inline constexpr std::uint8_t kStrobe = 0x01;    // nStrobe
inline constexpr std::uint8_t kAutoFd = 0x02;    // nAutoFd, HostBusy in nibble mode
inline constexpr std::uint8_t kInit = 0x04;      // nInit, held high
inline constexpr std::uint8_t kSelectIn = 0x08;  // nSelectIn, 1284 Active
inline constexpr std::uint8_t kLines = 0x0F;
// The port hardware inverts nStrobe, nAutoFd and nSelectIn between register and cable.
inline constexpr std::uint8_t kInvertedByHardware = 0x0B;
// nStrobe, nAutoFd and nInit high, nSelectIn low: the compatibility-mode idle state.
inline constexpr std::uint8_t kCompatibilityIdle = 0x07;
}  // namespace control

// Status register bits.
namespace status {
inline constexpr int kFault = 3;   // nFault, nDataAvail in nibble mode
inline constexpr int kSelect = 4;  // Select, XFlag
inline constexpr int kPError = 5;  // PError, AckDataReq
inline constexpr int kAck = 6;     // nAck, PtrClk
inline constexpr int kBusy = 7;    // Busy, PtrBusy; the register bit is the inverse of the line
}  // namespace status

// Every handshake step waits at most this long for the device.
inline constexpr std::uint32_t kHandshakeStepSeconds = 1;

// The extensibility byte that asks the device for nibble mode.
inline constexpr std::uint8_t kNibbleModeRequest = 0x00;

class DirectPort : public LinkRoute {
public:
    explicit DirectPort(Os& os) : os_(os) {}

    // Bytes written before the first byte the device did not take.
    int DirectPortWrite(const std::uint8_t* data, int length);
    // Whole bytes read before the first that failed, at most `capacity`.
    int DirectPortRead(std::uint8_t* buffer, int capacity);

    int Write(const std::uint8_t* data, int length) override {
        return DirectPortWrite(data, length);
    }
    int Read(std::uint8_t* buffer, int capacity) override {
        return DirectPortRead(buffer, capacity);
    }
    bool AnswersFirmwareStart() const override { return false; }

    std::uint16_t portBase() const { return portBase_; }
    std::uint8_t controlShadow() const { return controlShadow_; }

private:
    // True when the line did not reach `level` within the limit.
    bool WaitStatusLine(std::uint16_t base, int bit, bool level, std::uint32_t seconds);
    bool ForwardWriteByte(std::uint16_t base, std::uint8_t byte);
    bool NegotiateReverse(std::uint16_t base, std::uint8_t extensibility);
    bool ReadNibbleByte(std::uint16_t base, std::uint8_t* byte);
    bool TerminateReverse(std::uint16_t base);
    std::uint16_t DiscoverPortBase();

    // The port base, looked up on first use; 0 when the machine has no first parallel port.
    std::uint16_t KnownPortBase();
    void WriteControl(std::uint16_t base);
    void SetControl(std::uint16_t base, std::uint8_t line, bool high);
    // The line level of a status bit (bit 7 inverted), read twice for the bits the device
    // drives slowest.
    bool StatusLine(std::uint16_t base, int bit);
    std::uint8_t ReadStatus(std::uint16_t base) {
        return os_.PortIn(static_cast<std::uint16_t>(base + kStatusRegister));
    }

    Os& os_;
    std::uint16_t portBase_ = 0;
    // Logical levels of nStrobe, nAutoFd, nInit, nSelectIn (bits 0..3). It starts at the
    // compatibility idle state so that a write before any read does not hold nInit low,
    // which would reset the device.
    std::uint8_t controlShadow_ = control::kCompatibilityIdle;
};

}  // namespace pd
