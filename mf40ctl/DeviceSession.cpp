#include "mf40ctl/DeviceSession.h"

#include <ostream>

#include "protocol/Probe.h"

namespace pd::ctl {

namespace {

LinkKind NamedRoute(LinkChoice choice) {
    switch (choice) {
        case LinkChoice::Lpt1: return LinkKind::Lpt1;
        case LinkChoice::Lpt2: return LinkKind::Lpt2;
        case LinkChoice::Lpt3: return LinkKind::Lpt3;
        case LinkChoice::Ecp1: return LinkKind::Ecp1;
        case LinkChoice::Ecp2: return LinkKind::Ecp2;
        case LinkChoice::Ecp3: return LinkKind::Ecp3;
        case LinkChoice::Auto:
        case LinkChoice::Usb: break;
    }
    return LinkKind::Usb;
}

}  // namespace

const char* RouteName(const LinkState& state) {
    return state.directPortIo ? "the port registers" : LinkName(state.linkIndex);
}

DeviceSession::DeviceSession(Os& os) : panel_(os) {
    ResetDeviceDataStore(panel_.store);
}

DeviceSession::~DeviceSession() {
    // Given back whether or not it was granted, as the panel does: after a refusal the
    // arbitration library is still loaded.
    if (reservationTried_) panel_.link.ReleaseSharedPort(kSharedPortId);
}

bool DeviceSession::ProbePair() { return ProbeDevice(panel_.link) || ProbeDevice(panel_.link); }

int DeviceSession::Open(LinkChoice choice, std::ostream& err) {
    DeviceLink& link = panel_.link;
    reservationTried_ = true;
    if (!link.AcquireSharedPort(kSharedPortId)) {
        err << "mf40ctl: the port is reserved by another program (the scanner driver or "
               "PanelDesk); close it and try again\n";
        return kExitPortReserved;
    }
    panel_.AllocatePhonebook();
    link.DetectOsFamily();

    if (choice == LinkChoice::Auto || choice == LinkChoice::Usb) {
        link.SelectLink();
        if (choice == LinkChoice::Usb) {
            if (link.state().linkIndex != LinkKind::Usb) {
                err << "mf40ctl: no USB route: the maker's USB library is missing or the "
                       "device's USB port does not open\n";
                return kExitNoAnswer;
            }
            // Asked for by name, USB is used even where the port registers would be.
            link.UseDirectPort(false);
        }
    } else {
        link.UseLink(NamedRoute(choice));
    }

    if (ProbePair()) return kExitOk;
    if (choice == LinkChoice::Auto && link.state().linkIndex == LinkKind::Usb) {
        link.UseLink(link.FamilyFallback());
        if (ProbePair()) return kExitOk;
    }
    err << "mf40ctl: the device does not answer (route: " << RouteName(link.state())
        << "); check that it is switched on and cabled\n";
    return kExitNoAnswer;
}

}  // namespace pd::ctl
