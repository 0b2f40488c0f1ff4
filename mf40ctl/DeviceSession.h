// The companion's way to the device, the panel's start-up without its windows: reserve the
// shared port, detect the Windows family, choose the route (the panel's choice with its USB
// fallback, or the one named by --link), and probe twice. The reservation is given back when
// the session ends, as the panel gives it back when it closes.
#pragma once

#include <iosfwd>

#include "link/PortReservation.h"
#include "mf40ctl/CommandContext.h"
#include "protocol/PanelContext.h"

namespace pd::ctl {

class DeviceSession {
public:
    explicit DeviceSession(Os& os);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // kExitOk when the device answered; otherwise the exit code, with the reason on `err`.
    int Open(LinkChoice choice, std::ostream& err);

    PanelContext& panel() { return panel_; }
    DeviceLink& link() { return panel_.link; }
    PhonebookTable& phonebook() { return *panel_.phonebook; }

private:
    PanelContext panel_;
    // Given back when the session ends, before the link it reserved through.
    PortReservation reservation_;
};

// The route's name for messages ("USB", "LPT1", "\\.\LptxEcp1", "the port registers").
const char* RouteName(const LinkState& state);

}  // namespace pd::ctl
