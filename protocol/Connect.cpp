#include "protocol/Connect.h"

#include "protocol/Probe.h"

namespace pd {

namespace {

bool ProbeTwice(DeviceLink& link, ConnectHooks& hooks) {
    hooks.BeginProbes();
    const bool answered = ProbeDevice(link) || ProbeDevice(link);
    hooks.EndProbes();
    return answered;
}

}  // namespace

ConnectOutcome ConnectToDevice(PanelContext& panel, PortReservation& reservation,
                               std::optional<LinkKind> namedRoute, ConnectHooks& hooks) {
    ResetDeviceDataStore(panel.store);
    if (!reservation.Acquire()) return ConnectOutcome::PortReserved;
    panel.AllocatePhonebook();
    DeviceLink& link = panel.link;
    link.DetectOsFamily();

    for (;;) {
        if (!namedRoute || *namedRoute == LinkKind::Usb) {
            link.SelectLink();
            if (namedRoute) {
                if (link.state().linkIndex != LinkKind::Usb) return ConnectOutcome::NoUsbRoute;
                link.UseDirectPort(false);
            }
        } else {
            link.UseLink(*namedRoute);
        }

        if (ProbeTwice(link, hooks)) return ConnectOutcome::Connected;
        if (!namedRoute && link.state().linkIndex == LinkKind::Usb) {
            // A silent USB route falls back to the family's parallel route as it is, without
            // choosing the link again.
            link.UseLink(link.FamilyFallback());
            if (ProbeTwice(link, hooks)) return ConnectOutcome::Connected;
        }

        switch (hooks.OnSilence()) {
            case SilentDevice::Retry:
                continue;
            case SilentDevice::Ignore:
                return ConnectOutcome::Ignored;
            case SilentDevice::Abort:
                break;
        }
        return ConnectOutcome::Aborted;
    }
}

}  // namespace pd
