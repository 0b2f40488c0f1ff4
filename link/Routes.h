// The routes of the channel, each one implementation of the route primitives. They read the
// link state and never change it.
#pragma once

#include <optional>

#include "link/LinkRoute.h"
#include "link/LinkState.h"
#include "platform/Os.h"
#include "platform/ScopedFile.h"

namespace pd {

// Windows 9x and ME: the write pipe and the read pipe opened as files for every transfer.
class Usb9xRoute : public LinkRoute {
public:
    Usb9xRoute(Os& os, const LinkState& state) : os_(os), state_(state) {}
    int Write(const std::uint8_t* data, int length) override;
    int Read(std::uint8_t* buffer, int capacity) override;

protected:
    Os& os_;
    const LinkState& state_;
};

// Windows NT 5 and later: long writes and every read through the library's transfer calls;
// short writes through the write pipe as on the 9x family.
class UsbNt5Route : public Usb9xRoute {
public:
    using Usb9xRoute::Usb9xRoute;
    int Write(const std::uint8_t* data, int length) override;
    int Read(std::uint8_t* buffer, int capacity) override;
};

// "LPT1".."LPT3" opened as files, with the comm time-outs set on every open.
class LptPortFileRoute : public LinkRoute {
public:
    LptPortFileRoute(Os& os, const LinkState& state) : os_(os), state_(state) {}
    int Write(const std::uint8_t* data, int length) override;
    int Read(std::uint8_t* buffer, int capacity) override;

private:
    bool ApplyTimeouts(FileHandle port);

    Os& os_;
    const LinkState& state_;
};

// The maker's ECP driver devices: plain writes, two controls before every read, and for a
// firmware download the device held open with a third control.
class EcpDriverRoute : public LinkRoute {
public:
    EcpDriverRoute(Os& os, const LinkState& state) : os_(os), state_(state) {}
    int Write(const std::uint8_t* data, int length) override;
    int Read(std::uint8_t* buffer, int capacity) override;

    bool AnswersFirmwareStart() const override { return false; }
    bool BeginFirmware() override;
    int FirmwareWrite(const std::uint8_t* data, int length) override;
    void EndFirmware() override { driver_.reset(); }

private:
    Os& os_;
    const LinkState& state_;
    std::optional<ScopedFile> driver_;
};

}  // namespace pd
