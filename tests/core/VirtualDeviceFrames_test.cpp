#include <gtest/gtest.h>

#include "protocol/Frames.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {
namespace {

Bytes Drain(VirtualDevice& device) {
    Bytes out(4096);
    out.resize(device.Send(out));
    return out;
}

TEST(VirtualDevice, AnswersOnlyWholeFramesAndSkipsNoiseBeforeTheEscape) {
    VirtualDevice device;
    const Bytes probe(kProbeCommand.begin(), kProbeCommand.end());
    Bytes noisy = {0x00, 0x41, 0x42};
    noisy.insert(noisy.end(), probe.begin(), probe.begin() + 5);
    EXPECT_EQ(device.Receive(noisy), noisy.size());
    EXPECT_TRUE(Drain(device).empty()) << "half a frame must not be answered";
    device.Receive(Bytes(probe.begin() + 5, probe.end()));
    EXPECT_GT(Drain(device).size(), 4u);
    EXPECT_EQ(device.ReceivedFrames(), std::vector<Bytes>{probe});
}

TEST(VirtualDevice, ChatScriptRepliesAndReportsMismatchesInHex) {
    VirtualDevice device;
    device.Expect({0x1B, 0xA4, 0x00, 0x01, 0xC1}, {0x01, 0x02});
    device.Receive(Bytes{0x1B, 0xA4, 0x00, 0x01, 0xC2});
    EXPECT_EQ(Drain(device), (Bytes{0x01, 0x02}));
    ASSERT_EQ(device.ScriptMismatches().size(), 1u);
    EXPECT_EQ(device.ScriptMismatches()[0], "expected 1B A4 00 01 C1\n     got 1B A4 00 01 C2");
}

TEST(VirtualDevice, FaultsCutRepliesLimitWritesAndSilenceTheDevice) {
    VirtualDevice device;
    const Bytes probe(kProbeCommand.begin(), kProbeCommand.end());

    device.faults.replyLimit = 3;
    device.Receive(probe);
    EXPECT_EQ(Drain(device).size(), 3u);

    device.faults.replyLimit.reset();
    device.faults.acceptBudget = 5;
    EXPECT_EQ(device.Receive(probe), 5u);
    EXPECT_EQ(device.Receive(probe), 0u);
    EXPECT_EQ(*device.faults.acceptBudget, 0u);

    device.faults.acceptBudget.reset();
    device.faults.silent = true;
    device.Receive(probe);
    EXPECT_TRUE(Drain(device).empty());

    device.faults.silent = false;
    device.faults.unplugged = true;
    EXPECT_EQ(device.Receive(probe), 0u);
}

// A host that cannot say how much it reads gets one transfer a read: the phonebook's 11-byte
// head apart from its records, then each answer whole, and nothing of a dropped answer.
TEST(VirtualDevice, TransfersEndAfterThePhonebookHeadAndWithEachAnswer) {
    VirtualDevice device;
    device.Receive(Bytes(kPhonebookReadCommand.begin(), kPhonebookReadCommand.end()));
    const std::size_t records = device.PendingBytes() - 11;
    ASSERT_GT(records, 0u);
    Bytes piece(4);
    Bytes headRest(7);
    EXPECT_EQ(device.NextTransferSize(), 11u);
    device.Send(piece);
    EXPECT_EQ(device.NextTransferSize(), 7u) << "the head's rest";
    device.Send(headRest);
    EXPECT_EQ(device.NextTransferSize(), records);
    device.Send(piece);
    EXPECT_EQ(device.NextTransferSize(), records - 4);

    device.Receive(Bytes(kProbeCommand.begin(), kProbeCommand.end()));
    EXPECT_EQ(device.NextTransferSize(), device.PendingBytes()) << "the probe's answer whole";
    Drain(device);
    EXPECT_EQ(device.NextTransferSize(), 0u);
}

TEST(VirtualDevice, NewCommandDropsTheRestOfAnUnreadAnswer) {
    VirtualDevice device;
    const Bytes probe(kProbeCommand.begin(), kProbeCommand.end());
    device.OverrideNextReply(Bytes(100, 0xAA));
    device.Receive(probe);
    Bytes part(10);
    EXPECT_EQ(device.Send(part), 10u);
    device.Receive(probe);
    const Bytes answer = Drain(device);
    ASSERT_FALSE(answer.empty());
    EXPECT_NE(answer[0], 0xAA);
}

TEST(VirtualDevice, TrafficKeepsEveryByteTakenAndEverySendOnlyWhenSwitchedOn) {
    VirtualDevice device;
    const Bytes probe(kProbeCommand.begin(), kProbeCommand.end());
    device.Receive(probe);
    Drain(device);
    EXPECT_FALSE(device.traffic.has_value()) << "the demo must not keep a log it never reads";

    device.traffic.emplace();
    device.faults.receivePieces = {5};
    device.OverrideNextReply({0x01, 0x02, 0x03});
    EXPECT_EQ(device.Receive(probe), 5u);
    device.Receive(Bytes(probe.begin() + 5, probe.end()));
    Bytes part(2);
    device.Send(part);
    device.Send(part);
    device.faults.unplugged = true;
    device.Send(part);

    EXPECT_EQ(device.traffic->taken, probe);
    EXPECT_EQ(device.traffic->sent, (std::vector<std::size_t>{2, 1, 0}));
    EXPECT_EQ(device.traffic->sentBytes, (Bytes{0x01, 0x02, 0x03}));
}

}  // namespace
}  // namespace pd::sim
