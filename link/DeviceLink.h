// The device link: which route reaches the device, and the two channel operations that move
// bytes over it. Every call opens the route, makes one transfer and closes it again.
#pragma once

#include <array>
#include <cstdint>

#include "link/DirectPort.h"
#include "link/LinkKind.h"
#include "link/LinkRoute.h"
#include "link/LinkState.h"
#include "link/Routes.h"
#include "platform/Os.h"

namespace pd {

class DeviceLink {
public:
    explicit DeviceLink(Os& os);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    void DetectOsFamily();
    void SelectLink();
    // Puts the channel on `kind` as it is, without choosing again: the start-up's fallback
    // from a silent USB route, or a route the user named.
    void UseLink(LinkKind kind) { state_.linkIndex = kind; }
    // Sends every transfer to the port registers, or no longer does.
    void UseDirectPort(bool direct) { state_.directPortIo = direct; }

    // The count of bytes the route accepted; 0 when it cannot be opened.
    int ChannelWrite(const std::uint8_t* data, int length);
    // The count of bytes placed in `buffer` (already cleared by the caller).
    int ChannelRead(std::uint8_t* buffer, int capacity);

    bool AcquireSharedPort(int portId);
    bool ReleaseSharedPort(int portId);

    // The route the start-up falls back to when the device does not answer over USB.
    LinkKind FamilyFallback() const { return state_.win9xFamily ? LinkKind::Lpt1 : LinkKind::Ecp1; }

    // The route the state chooses, and its entry in the table; every transfer goes there.
    RouteKind ActiveRouteKind() const;
    LinkRoute& ActiveRoute() { return *routes_[static_cast<int>(ActiveRouteKind())]; }

    const LinkState& state() const { return state_; }
    const DirectPort& directPort() const { return directPort_; }
    Os& os() { return os_; }

private:
    bool LoadUsbLibrary(const char* name, bool needsTransferCalls);
    bool BuildPipeNames();
    bool WritePipeOpens();

    Os& os_;
    LinkState state_;
    UsbNt5Route usbNt5_;
    Usb9xRoute usb9x_;
    LptPortFileRoute lptPortFile_;
    EcpDriverRoute ecpDriver_;
    DirectPort directPort_;
    // Indexed by RouteKind.
    std::array<LinkRoute*, kRouteKindCount> routes_;
};

}  // namespace pd
