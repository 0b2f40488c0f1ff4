// The way to the device before anything else is said to it: the store cleared, the port
// reserved, the phonebook storage allocated, the Windows family detected, the route chosen
// and the device probed twice, with the fallback from a silent USB route and the caller's
// say when the device stays silent.
#pragma once

#include <optional>

#include "link/LinkKind.h"
#include "link/PortReservation.h"
#include "protocol/PanelContext.h"

namespace pd {

// What the caller makes of a device that stayed silent on the last route tried.
enum class SilentDevice {
    Abort,   // give up
    Retry,   // choose the route again and probe again
    Ignore,  // carry on without a device that answered
};

enum class ConnectOutcome {
    Connected,     // the device answered
    Ignored,       // it did not, and the caller chose to carry on
    Aborted,       // it did not, and the caller gave up
    PortReserved,  // someone else holds the port; nothing was probed
    NoUsbRoute,    // USB was named, but its library is missing or the device's port is shut
};

class ConnectHooks {
public:
    virtual ~ConnectHooks() = default;

    // Around each pair of probes (the panel shows the wait cursor meanwhile).
    virtual void BeginProbes() {}
    virtual void EndProbes() {}
    // The device stayed silent; a caller that cannot ask anyone gives up.
    virtual SilentDevice OnSilence() { return SilentDevice::Abort; }
};

// `namedRoute` empty: the panel's own choice, with the fallback from a silent USB route to the
// family's parallel route. Named: that route only; USB named is used even where the port
// registers would be. The reservation is acquired here and held until its owner ends it.
ConnectOutcome ConnectToDevice(PanelContext& panel, PortReservation& reservation,
                               std::optional<LinkKind> namedRoute, ConnectHooks& hooks);

}  // namespace pd
