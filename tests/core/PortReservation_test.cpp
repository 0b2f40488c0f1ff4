#include "tests/core/LinkTestSupport.h"

namespace pd {
namespace {

using testing::LinkTest;
using Strings = std::vector<std::string>;

TEST_F(LinkTest, AcquireSharedPort_GrantedKeepsTheLibraryUntilTheRelease) {
    EXPECT_TRUE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_NE(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_TRUE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(link.state().arbitrationLibrary, kNoLibrary);
    EXPECT_EQ(os.CallsExcept({"FindEntryPoint"}),
              (Strings{"LoadLibrary portgate.dll -> ok", "PortAcquire 8 -> 1",
                       "DebugOutput OMF 40 RCP: Port Acquire - SUCCESS", "PortRelease 8 -> 1",
                       "FreeLibrary portgate.dll", "DebugOutput OMF 40 RCP: Port Release - TRUE\n"}));
}

TEST_F(LinkTest, AcquireSharedPort_RefusedStillLetsTheShutdownReleaseReachTheLibrary) {
    os.SetPortAcquireResult(0);
    os.SetPortReleaseResult(0);
    EXPECT_FALSE(link.AcquireSharedPort(kSharedPortId));
    EXPECT_FALSE(link.ReleaseSharedPort(kSharedPortId));
    EXPECT_EQ(os.DebugLines(), (Strings{"OMF 40 RCP: Port Acquire - FAILED",
                                        "OMF 40 RCP: Port Release - FALSE\n"}));
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

}  // namespace
}  // namespace pd
