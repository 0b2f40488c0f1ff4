#include "mf40ctl/DeviceSession.h"

#include <optional>
#include <ostream>

#include "protocol/Connect.h"

namespace pd::ctl {

namespace {

LinkKind NamedRoute(LinkChoice choice) {
    switch (choice) {
        case LinkChoice::Lpt1:
            return LinkKind::Lpt1;
        case LinkChoice::Lpt2:
            return LinkKind::Lpt2;
        case LinkChoice::Lpt3:
            return LinkKind::Lpt3;
        case LinkChoice::Ecp1:
            return LinkKind::Ecp1;
        case LinkChoice::Ecp2:
            return LinkKind::Ecp2;
        case LinkChoice::Ecp3:
            return LinkKind::Ecp3;
        case LinkChoice::Auto:
        case LinkChoice::Usb:
            break;
    }
    return LinkKind::Usb;
}

}  // namespace

const char* RouteName(const LinkState& state) {
    return state.directPortIo ? "the port registers" : LinkName(state.linkIndex);
}

DeviceSession::DeviceSession(Os& os) : panel_(os), reservation_(panel_.link) {}

int DeviceSession::Open(LinkChoice choice, std::ostream& err) {
    const std::optional<LinkKind> named =
        choice == LinkChoice::Auto ? std::nullopt : std::optional<LinkKind>(NamedRoute(choice));
    // Nobody to ask here: a silent device ends the command.
    ConnectHooks hooks;
    switch (ConnectToDevice(panel_, reservation_, named, hooks)) {
        case ConnectOutcome::Connected:
        case ConnectOutcome::Ignored:
            return kExitOk;
        case ConnectOutcome::PortReserved:
            err << "mf40ctl: the port is reserved by another program (the scanner driver or "
                   "PanelDesk); close it and try again\n";
            return kExitPortReserved;
        case ConnectOutcome::NoUsbRoute:
            err << "mf40ctl: no USB route: the maker's USB library is missing or the "
                   "device's USB port does not open\n";
            return kExitNoAnswer;
        case ConnectOutcome::Aborted:
            break;
    }
    err << "mf40ctl: the device does not answer (route: " << RouteName(panel_.link.state())
        << "); check that it is switched on and cabled\n";
    return kExitNoAnswer;
}

}  // namespace pd::ctl
