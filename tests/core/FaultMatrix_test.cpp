// The fault matrix held against the code: each cell runs on a rig of its own, and what a
// failed exchange leaves behind is checked as well as its outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/core/FaultMatrix.h"

namespace pd::faultmatrix {
namespace {

// Runs one cell on a rig of its own and checks what it left behind; returns the outcome.
std::string RunCell(Rig::Route route, const Exchange& exchange, Fault fault,
                    const std::string& expected) {
    Rig rig(route);
    EXPECT_EQ(rig.panel.link.state().linkIndex,
              route == Rig::Route::UsbXp ? LinkKind::Usb : LinkKind::Lpt1);
    Inject(rig, exchange, fault);
    // The start-up's road: nothing reaches the device unless the port is ours.
    if (!rig.panel.link.AcquireSharedPort(kSharedPortId)) {
        EXPECT_TRUE(rig.device.ReceivedFrames().empty()) << "the device was spoken to";
        return "refused";
    }
    if (fault == Fault::UnpluggedBetween) {
        EXPECT_FALSE(Failed(exchange.run(rig))) << "the exchange before the unplugging failed";
        if (exchange.change) exchange.change(rig);
        rig.device.faults.unplugged = true;
    }

    const Stored before(rig);
    rig.device.traffic.emplace();
    const std::string outcome = exchange.run(rig);
    const Stored after(rig);

    if (Failed(outcome)) {
        EXPECT_TRUE(before.PanelEquals(after)) << "a failed exchange changed what the panel holds";
        const bool deviceTookIt = expected.back() == '*';
        if (&exchange == &kFirmware) {
            const Bytes& taken = rig.device.state.firmwareImage;
            EXPECT_TRUE(taken.size() <= rig.image.size() &&
                        std::equal(taken.begin(), taken.end(), rig.image.begin()))
                << "the device holds more than the image, or not in order";
        } else if (deviceTookIt) {
            EXPECT_FALSE(before.DeviceBlocksEqual(after)) << "marked as taken, yet nothing changed";
        } else {
            EXPECT_TRUE(before.DeviceBlocksEqual(after)) << "a failed exchange changed the device";
        }
        return deviceTookIt && !before.DeviceBlocksEqual(after) ? outcome + "*" : outcome;
    }
    return outcome;
}

TEST(FaultMatrix, EveryExchangeGivesItsOutcomeUnderEveryFaultOnBothChannelRoutes) {
    for (const Rig::Route route : {Rig::Route::UsbXp, Rig::Route::Lpt1}) {
        SCOPED_TRACE(route == Rig::Route::UsbXp ? "USB on Windows XP" : "LPT1");
        for (const Row& row : kMatrix) {
            for (int f = 0; f < kFaultCount; ++f) {
                SCOPED_TRACE(std::string(row.exchange.name) + " / " + kFaultNames[f]);
                EXPECT_EQ(RunCell(route, row.exchange, static_cast<Fault>(f), row.outcomes[f]),
                          row.outcomes[f]);
            }
        }
    }
}

}  // namespace
}  // namespace pd::faultmatrix
