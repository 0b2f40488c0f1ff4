// The parallel-port route of Windows 95: the registers of the first parallel port driven
// directly, compatibility mode for writes and nibble mode for reads (IEEE 1284).
#pragma once

#include <cstdint>

#include "platform/Os.h"

namespace pd {

class DirectPort {
public:
    explicit DirectPort(Os& os) : os_(os) {}

    // Bytes written before the first byte the device did not take.
    int DirectPortWrite(const std::uint8_t* data, int length);
    // Whole bytes read before the first that failed, at most `capacity`.
    int DirectPortRead(std::uint8_t* buffer, int capacity);

    std::uint16_t portBase() const { return portBase_; }
    std::uint8_t controlShadow() const { return controlShadow_; }

private:
    Os& os_;
    std::uint16_t portBase_ = 0;
    // Logical levels of nStrobe, nAutoFd, nInit, nSelectIn (bits 0..3). It starts at the
    // compatibility idle state so that a write before any read does not hold nInit low,
    // which would reset the device.
    std::uint8_t controlShadow_ = 0x07;
};

}  // namespace pd
