// The shared port held against the maker's scanner driver, from the acquire until the holder
// goes, whichever way it goes. The release is made after a refusal too: the arbitration
// library stays loaded then, and only the release unloads it.
#pragma once

#include "link/DeviceLink.h"

namespace pd {

class PortReservation {
public:
    explicit PortReservation(DeviceLink& link) : link_(link) {}
    ~PortReservation() {
        if (tried_) link_.ReleaseSharedPort(kSharedPortId);
    }
    PortReservation(const PortReservation&) = delete;
    PortReservation& operator=(const PortReservation&) = delete;

    // False when someone else holds the port.
    bool Acquire() {
        tried_ = true;
        return link_.AcquireSharedPort(kSharedPortId);
    }

private:
    DeviceLink& link_;
    bool tried_ = false;
};

}  // namespace pd
