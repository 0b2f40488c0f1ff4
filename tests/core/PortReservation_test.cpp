#include "tests/core/LinkTestSupport.h"

#include <functional>
#include <optional>
#include <stdexcept>

#include "protocol/Connect.h"

namespace pd {
namespace {

using testing::LinkTest;
using Strings = std::vector<std::string>;

TEST_F(LinkTest, AcquireSharedPort_GrantedKeepsTheLibraryUntilTheRelease) {
    EXPECT_TRUE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_NE(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_TRUE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_EQ(
        os.CallsExcept({"FindEntryPoint"}),
        (Strings{"LoadLibrary portgate.dll -> ok", "PortAcquire 8 -> 1",
                 "DebugOutput OMF 40 RCP: Port Acquire - SUCCESS", "PortRelease 8 -> 1",
                 "FreeLibrary portgate.dll", "DebugOutput OMF 40 RCP: Port Release - TRUE\n"}));
}

TEST_F(LinkTest, AcquireSharedPort_RefusedStillLetsTheShutdownReleaseReachTheLibrary) {
    os.SetPortAcquireResult(0);
    os.SetPortReleaseResult(0);
    EXPECT_FALSE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_FALSE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(os.DebugLines(),
              (Strings{"OMF 40 RCP: Port Acquire - FAILED", "OMF 40 RCP: Port Release - FALSE\n"}));
    EXPECT_EQ(os.CountCalls("PortRelease 8"), 1);
    EXPECT_EQ(os.CountCalls("FreeLibrary portgate.dll"), 1);
}

TEST_F(LinkTest, AcquireSharedPort_WithoutTheLibraryThePortCountsAsFree) {
    os.RemoveLibrary("portgate.dll");
    EXPECT_TRUE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_FALSE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_TRUE(os.DebugLines().empty());
}

TEST_F(LinkTest, AcquireSharedPort_WithoutItsEntryPointFailsAndUnloads) {
    os.RemoveEntryPoint("portgate.dll", "PortAcquire");
    EXPECT_FALSE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_EQ(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_EQ(os.CountCalls("FreeLibrary portgate.dll"), 1);
    EXPECT_FALSE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(os.DebugLines(), (Strings{"OMF 40 RCP: Port Acquire - FAILED"}));
}

TEST_F(LinkTest, ReleaseSharedPort_WithoutItsEntryPointUnloadsSilently) {
    os.RemoveEntryPoint("portgate.dll", "PortRelease");
    EXPECT_TRUE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_FALSE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_EQ(os.CountCalls("FreeLibrary portgate.dll"), 1);
    EXPECT_EQ(os.DebugLines(), (Strings{"OMF 40 RCP: Port Acquire - SUCCESS"}));
}

class ScriptedHooks : public ConnectHooks {
public:
    explicit ScriptedHooks(std::function<SilentDevice()> onSilence)
        : onSilence_(std::move(onSilence)) {}
    SilentDevice OnSilence() override { return onSilence_(); }

private:
    std::function<SilentDevice()> onSilence_;
};

// However the connect ends, the reservation is held until its owner goes and is then given
// back exactly once; a refused one too, because the arbitration library stays loaded.
TEST(PortReservationTest, ConnectToDevice_EveryWayOutGivesThePortBackWhenTheOwnerGoes) {
    struct Case {
        const char* what;
        bool portRefused;
        bool silent;
        std::optional<LinkKind> named;
        SilentDevice answer;
        bool hookThrows;
        std::optional<ConnectOutcome> outcome;  // none: the hook's exception left the connect
    };
    const Case cases[] = {
        {"port refused", true, false, std::nullopt, SilentDevice::Abort, false,
         ConnectOutcome::PortReserved},
        {"device answers", false, false, std::nullopt, SilentDevice::Abort, false,
         ConnectOutcome::Connected},
        {"silent, Abort", false, true, std::nullopt, SilentDevice::Abort, false,
         ConnectOutcome::Aborted},
        {"silent, Ignore", false, true, std::nullopt, SilentDevice::Ignore, false,
         ConnectOutcome::Ignored},
        {"USB named on NT 4", false, false, LinkKind::Usb, SilentDevice::Abort, false,
         ConnectOutcome::NoUsbRoute},
        {"the hook throws", false, true, LinkKind::Lpt1, SilentDevice::Abort, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::VirtualDevice device;
        device.faults.silent = c.silent;
        FakeOs os(device);
        if (c.named == LinkKind::Usb) os.SetVersion(kPlatformNt, 4, 0);
        if (c.portRefused) os.SetPortAcquireResult(0);
        PanelContext panel(os);
        ScriptedHooks hooks([&] {
            if (c.hookThrows) throw std::runtime_error("the user went away");
            return c.answer;
        });
        std::optional<ConnectOutcome> outcome;
        try {
            PortReservation reservation(panel.link);
            outcome = ConnectToDevice(panel, reservation, c.named, hooks);
            EXPECT_EQ(os.CountCalls("PortRelease 8"), 0) << "released before its owner went";
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(os.CountCalls("PortRelease 8"), 1);
        EXPECT_EQ(os.CountCalls("FreeLibrary portgate.dll"), 1);
        EXPECT_EQ(panel.link.state().arbitrationLibrary, kNoLibrary);
    }
}

}  // namespace
}  // namespace pd
