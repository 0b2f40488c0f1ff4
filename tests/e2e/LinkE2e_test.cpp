// The device link against the demo simulator, as the panel uses it: the real OS seam, the
// stand-in maker's libraries from the demo folder, real pipes and the real clock.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "link/DeviceLink.h"
#include "protocol/Frames.h"
#include "protocol/Probe.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {
namespace {

constexpr DWORD kAnswerWithinMs = 3000;

class LinkE2e : public ::testing::Test {
protected:
    void SetUp() override {
        // The program finds the maker's libraries on the standard search path, which ends
        // with the current folder; here that is the demo folder with the stand-ins.
        ASSERT_TRUE(SetCurrentDirectory(DemoFolder().c_str())) << pd::Utf8FromText(DemoFolder());
    }

    void StartSimulator(const tstring& options) {
        std::string error;
        ASSERT_TRUE(simulator_.Start(options, &error)) << error;
    }

    // Detects the family and selects the link, as start-up does.
    void SelectLink() {
        link_.DetectOsFamily();
        ASSERT_TRUE(link_.state().nt5Family) << "Wine should report an NT 5 or later system";
        link_.SelectLink();
    }

    // Reads until the device's answer arrives (the device needs a moment after a write).
    int AwaitAnswer(std::uint8_t* buffer, int capacity) {
        const DWORD start = GetTickCount();
        int received = 0;
        while (received == 0 && GetTickCount() - start < kAnswerWithinMs) {
            received = link_.ChannelRead(buffer, capacity);
            if (received == 0) Sleep(10);
        }
        return received;
    }

    Simulator simulator_;
    Win32Os os_;
    DeviceLink link_{os_};
};

TEST_F(LinkE2e, DeviceAnswering_LinkIsUsbAndProbeSucceeds) {
    StartSimulator(TEXT(""));
    SelectLink();
    EXPECT_EQ(link_.state().linkIndex, LinkKind::Usb);
    EXPECT_STREQ(link_.state().usbWritePipeName.data(), R"(\\.\pipe\OstrexMF40\PIPE00)");
    EXPECT_STREQ(link_.state().usbReadPipeName.data(), R"(\\.\pipe\OstrexMF40\PIPE01)");
    EXPECT_TRUE(ProbeDevice(link_)) << simulator_.Output();
}

TEST_F(LinkE2e, SilentDevice_LinkIsUsbButProbeFails) {
    StartSimulator(TEXT("--silent"));
    SelectLink();
    EXPECT_EQ(link_.state().linkIndex, LinkKind::Usb);
    EXPECT_FALSE(ProbeDevice(link_));
}

TEST_F(LinkE2e, PortReservedBySomeoneElse_AcquireRefusedUntilTheyLetGo) {
    StartSimulator(TEXT("--reserved"));
    EXPECT_FALSE(link_.AcquireSharedPort(kSharedPortId));
    EXPECT_FALSE(link_.ReleaseSharedPort(kSharedPortId));

    simulator_.Stop();
    EXPECT_TRUE(link_.AcquireSharedPort(kSharedPortId));
    EXPECT_TRUE(link_.ReleaseSharedPort(kSharedPortId));
}

TEST_F(LinkE2e, NoDevice_LinkFallsBackToEcp1) {
    ASSERT_FALSE(DemoPipesServed()) << "a simulator is running";
    SelectLink();
    EXPECT_EQ(link_.state().linkIndex, LinkKind::Ecp1);
    EXPECT_NE(link_.state().usbLibrary, kNoLibrary) << "the stand-in usbpipe.dll did not load";
    EXPECT_TRUE(link_.AcquireSharedPort(kSharedPortId)) << "nobody holds the port";
    link_.ReleaseSharedPort(kSharedPortId);
}

// The channel opens and closes a pipe for every transfer; exchanges without the usual waits
// show that a reopen right after a close always finds a listening instance.
TEST_F(LinkE2e, BackToBackExchanges_EachFindsAListeningPipe) {
    StartSimulator(TEXT(""));
    SelectLink();
    ASSERT_EQ(link_.state().linkIndex, LinkKind::Usb);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(link_.ChannelWrite(kProbeCommand.data(), kProbeCommand.size()),
                  static_cast<int>(kProbeCommand.size()))
            << "round " << round;
        std::array<std::uint8_t, kProbeReplySize> reply{};
        ASSERT_GT(AwaitAnswer(reply.data(), kProbeReplySize), kReplyHeaderSize)
            << "round " << round << "\n"
            << simulator_.Output();
    }
}

// A write over 4000 bytes goes through the library in pieces, each on a pipe of its own; the
// device answers only if they arrived whole and in order, as one frame.
TEST_F(LinkE2e, LongWrite_ArrivesInPiecesAndInOrder) {
    StartSimulator(TEXT(""));
    SelectLink();
    ASSERT_EQ(link_.state().linkIndex, LinkKind::Usb);

    constexpr int kFrameSize = 3 * kUsbWritePiece + 8;
    std::vector<std::uint8_t> frame(kFrameSize, 0x00);
    std::memcpy(frame.data(), kProbeCommand.data(), kProbeCommand.size());
    frame[2] = static_cast<std::uint8_t>((kFrameSize - kFrameHeaderSize) >> 8);
    frame[3] = static_cast<std::uint8_t>(kFrameSize - kFrameHeaderSize);

    EXPECT_EQ(link_.ChannelWrite(frame.data(), kFrameSize), kFrameSize);
    std::array<std::uint8_t, kProbeReplySize> reply{};
    EXPECT_GT(AwaitAnswer(reply.data(), kProbeReplySize), kReplyHeaderSize) << simulator_.Output();
}

}  // namespace
}  // namespace pd::e2e
