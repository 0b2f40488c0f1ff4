#include "protocol/Probe.h"
#include "protocol/Frames.h"
#include "tests/core/LinkTestSupport.h"

namespace pd {
namespace {

using testing::LinkTest;

class ProbeTest : public LinkTest {
protected:
    void SetUp() override { ConnectOn(testing::kWindowsXp); }
};

TEST_F(ProbeTest, SendsTheProbeCommandAndWaits1500MsBeforeReading) {
    device.Expect({0x1B, 0xA4, 0x00, 0x04, 0x50, 0xE0, 0x82, 0xCD},
                  {0x1B, 0xCD, 0x00, 0x02, 0x00, 0x00});
    const std::uint64_t before = os.elapsed();
    EXPECT_TRUE(ProbeDevice(link));
    EXPECT_TRUE(device.ScriptDone());
    EXPECT_TRUE(device.ScriptMismatches().empty()) << device.ScriptMismatches().front();
    EXPECT_GE(os.elapsed() - before, 1500u);
    EXPECT_LT(os.elapsed() - before, 1510u);
    EXPECT_EQ(os.CountCalls("Win2kUsbRead 43"), 1);
}

TEST_F(ProbeTest, SucceedsOnMoreThanFourReplyBytesWhateverTheyHold) {
    struct Case {
        std::size_t replyBytes;
        bool answers;
    };
    for (const Case c :
         {Case{0, false}, Case{4, false}, Case{5, true}, Case{43, true}, Case{60, true}}) {
        // The contents, header included, are not examined: all zeros will do.
        device.OverrideNextReply(sim::Bytes(c.replyBytes, 0));
        EXPECT_EQ(ProbeDevice(link), c.answers) << c.replyBytes << " reply bytes";
    }
}

TEST_F(ProbeTest, ShortWriteFailsAfterTheFullWaitWithoutReading) {
    device.faults.acceptBudget = 7;
    const std::uint64_t before = os.elapsed();
    EXPECT_FALSE(ProbeDevice(link));
    EXPECT_GE(os.elapsed() - before, 1500u);
    EXPECT_EQ(os.CountCalls("Win2kUsbRead"), 0);
}

TEST_F(ProbeTest, FailsWhenTheDeviceIsSilentOrGone) {
    device.faults.silent = true;
    EXPECT_FALSE(ProbeDevice(link));
    device.faults.silent = false;
    device.faults.unplugged = true;
    EXPECT_FALSE(ProbeDevice(link));
}

TEST_F(ProbeTest, AnswersOnEveryRoute) {
    for (const LinkKind route : {LinkKind::Usb, LinkKind::Lpt1, LinkKind::Ecp1}) {
        link.UseLink(route);
        EXPECT_TRUE(ProbeDevice(link)) << LinkName(route);
    }
    EXPECT_EQ(device.probeCount(), 3u);
}

}  // namespace
}  // namespace pd
