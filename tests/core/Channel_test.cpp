#include <vector>

#include "protocol/Frames.h"
#include "tests/core/LinkTestSupport.h"

namespace pd {
namespace {

using testing::LinkTest;
using Strings = std::vector<std::string>;

// Letters only: no escape byte, so the device never takes the data for a command.
std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>('A' + i % 26);
    return bytes;
}

class ChannelTest : public LinkTest {
protected:
    // Makes the device hold `size` reply bytes, as if it had answered a command.
    std::vector<std::uint8_t> DeviceHasReply(std::size_t size) {
        std::vector<std::uint8_t> reply = Pattern(size);
        device.OverrideNextReply(reply);
        device.Receive(kProbeCommand);
        return reply;
    }
    std::string pipe(const char* suffix) const { return os.usbBasePath() + suffix; }
};

TEST_F(ChannelTest, Nt5UsbWriteOfUpTo4000BytesGoesThroughTheWritePipeFile) {
    ConnectOn(testing::kWindowsXp);
    const auto data = Pattern(4000);
    EXPECT_EQ(link.ChannelWrite(data.data(), 4000), 4000);
    EXPECT_EQ(Transfers(),
              (Strings{
                  "OpenFile " + pipe("\\PIPE00") +
                      " access=0x40000000 share=0x3 disposition=3 attributes=0x80 -> ok",
                  "WriteFile " + pipe("\\PIPE00") + " 4000 -> 4000",
                  "CloseFile " + pipe("\\PIPE00"),
              }));
}

TEST_F(ChannelTest, Nt5UsbWriteOfMoreThan4000BytesGoesThroughTheLibraryIn4000BytePieces) {
    ConnectOn(testing::kWindowsXp);
    const auto data = Pattern(9001);
    EXPECT_EQ(link.ChannelWrite(data.data(), 4001), 4001);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbWrite 4000 -> 4000", "Win2kUsbWrite 1 -> 1"}));

    os.ClearCalls();
    EXPECT_EQ(link.ChannelWrite(data.data(), 9001), 9001);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbWrite 4000 -> 4000", "Win2kUsbWrite 4000 -> 4000",
                                    "Win2kUsbWrite 1001 -> 1001"}));
}

TEST_F(ChannelTest, Nt5UsbLongWriteStopsAtTheFirstPieceThatWritesNothing) {
    ConnectOn(testing::kWindowsXp);
    device.faults.acceptBudget = 4500;
    const auto data = Pattern(9000);
    EXPECT_EQ(link.ChannelWrite(data.data(), 9000), 4500);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbWrite 4000 -> 4000", "Win2kUsbWrite 4000 -> 500",
                                    "Win2kUsbWrite 4000 -> 0"}));
}

TEST_F(ChannelTest, Nt5UsbReadsAllGoThroughTheLibrary) {
    ConnectOn(testing::kWindowsXp);
    auto reply = DeviceHasReply(5000);
    std::vector<std::uint8_t> buffer(5000);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 5000), 5000);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbRead 5000 -> 5000"}));
    EXPECT_EQ(buffer, reply);

    os.ClearCalls();
    reply = DeviceHasReply(5001);
    buffer.assign(5001, 0);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 5001), 5001);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbRead 2624 -> 2624", "Win2kUsbRead 2377 -> 2377"}));
    EXPECT_EQ(buffer, reply);
}

TEST_F(ChannelTest, Nt5UsbLongReadEndsWithAShortFirstPiece) {
    ConnectOn(testing::kWindowsXp);
    DeviceHasReply(2000);
    std::vector<std::uint8_t> buffer(5371);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 5371), 2000);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbRead 2624 -> 2000"}));

    os.ClearCalls();
    DeviceHasReply(3000);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 5371), 3000);
    EXPECT_EQ(Transfers(), (Strings{"Win2kUsbRead 2624 -> 2624", "Win2kUsbRead 2747 -> 376"}));
}

TEST_F(ChannelTest, Win9xUsbWritesAndReadsGoThroughThePipeFiles) {
    ConnectOn(testing::kWindows98);
    const auto data = Pattern(6000);
    EXPECT_EQ(link.ChannelWrite(data.data(), 6000), 6000);
    const auto reply = DeviceHasReply(43);
    std::vector<std::uint8_t> buffer(43);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 43), 43);
    EXPECT_EQ(buffer, reply);
    EXPECT_EQ(Transfers(),
              (Strings{
                  "OpenFile " + pipe("\\PIPE00") +
                      " access=0x40000000 share=0x3 disposition=3 attributes=0x80 -> ok",
                  "WriteFile " + pipe("\\PIPE00") + " 6000 -> 6000",
                  "CloseFile " + pipe("\\PIPE00"),
                  "OpenFile " + pipe("\\PIPE01") +
                      " access=0x80000000 share=0x0 disposition=3 attributes=0x80 -> ok",
                  "ReadFile " + pipe("\\PIPE01") + " 43 -> 43",
                  "CloseFile " + pipe("\\PIPE01"),
              }));
}

TEST_F(ChannelTest, LptRouteSetsCommTimeoutsOnEveryOpen) {
    RunOn(testing::kWindows98);
    link.UseLink(LinkKind::Lpt1);
    os.ClearCalls();
    const auto data = Pattern(8);
    EXPECT_EQ(link.ChannelWrite(data.data(), 8), 8);
    DeviceHasReply(10);
    std::vector<std::uint8_t> buffer(43);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 43), 10);
    const std::string timeouts =
        "SetCommTimeouts LPT1 interval=200 readMultiplier=0 readConstant=3000 "
        "writeMultiplier=0 writeConstant=5000";
    EXPECT_EQ(Transfers(),
              (Strings{
                  // Writes open for writing only; reads for reading and writing.
                  "OpenFile LPT1 access=0x40000000 share=0x0 disposition=3 attributes=0x0 -> ok",
                  "GetCommTimeouts LPT1 -> ok",
                  timeouts,
                  "WriteFile LPT1 8 -> 8",
                  "CloseFile LPT1",
                  "OpenFile LPT1 access=0xC0000000 share=0x0 disposition=3 attributes=0x80 -> ok",
                  "GetCommTimeouts LPT1 -> ok",
                  timeouts,
                  "ReadFile LPT1 43 -> 10",
                  "CloseFile LPT1",
              }));
}

TEST_F(ChannelTest, LptRouteGivesUpWhenTheCommTimeoutsCannotBeRead) {
    RunOn(testing::kWindows98);
    link.UseLink(LinkKind::Lpt2);
    os.FailGetCommTimeouts(true);
    const auto data = Pattern(8);
    std::vector<std::uint8_t> buffer(43);
    EXPECT_EQ(link.ChannelWrite(data.data(), 8), 0);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 43), 0);
    EXPECT_EQ(os.CountCalls("WriteFile"), 0);
    EXPECT_EQ(os.CountCalls("ReadFile"), 0);
    EXPECT_EQ(os.CountCalls("CloseFile LPT2"), 2);
}

TEST_F(ChannelTest, EcpRouteSendsItsTwoControlsBeforeReadsOnly) {
    ConnectOn(testing::kWindowsNt4);
    ASSERT_EQ(link.state().linkIndex, LinkKind::Ecp1);
    const auto data = Pattern(9);
    EXPECT_EQ(link.ChannelWrite(data.data(), 9), 9);
    DeviceHasReply(27);
    std::vector<std::uint8_t> buffer(27);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 27), 27);
    const std::string ecp = R"(\\.\LptxEcp1)";
    EXPECT_EQ(
        Transfers(),
        (Strings{
            "OpenFile " + ecp + " access=0x40000000 share=0x0 disposition=3 attributes=0x0 -> ok",
            "WriteFile " + ecp + " 9 -> 9",
            "CloseFile " + ecp,
            "OpenFile " + ecp + " access=0xC0000000 share=0x0 disposition=3 attributes=0x80 -> ok",
            "DeviceControl " + ecp + " 0x00182014 [00]",
            "DeviceControl " + ecp + " 0x00182004 [10]",
            "ReadFile " + ecp + " 27 -> 27",
            "CloseFile " + ecp,
        }));
}

TEST_F(ChannelTest, RouteThatCannotBeOpenedMovesNothing) {
    device.faults.unplugged = true;
    ConnectOn(testing::kWindows98);
    link.UseLink(LinkKind::Usb);  // selected while the device was still there
    const auto data = Pattern(8);
    std::vector<std::uint8_t> buffer(43);
    EXPECT_EQ(link.ChannelWrite(data.data(), 8), 0);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 43), 0);
    EXPECT_EQ(os.CountCalls("WriteFile"), 0);
    EXPECT_EQ(os.CountCalls("ReadFile"), 0);
}

TEST_F(ChannelTest, ShortTransfersReportTheirPartialCount) {
    ConnectOn(testing::kWindowsNt4);
    device.faults.acceptBudget = 5;
    const auto data = Pattern(9);
    EXPECT_EQ(link.ChannelWrite(data.data(), 9), 5);
    EXPECT_EQ(os.CountCalls("WriteFile"), 1);  // no retry of its own
}

TEST_F(ChannelTest, DirectPortIoTakesEveryTransferWhateverTheLink) {
    ConnectOn(testing::kWindows95);
    ASSERT_TRUE(link.state().directPortIo);
    os.biosPortWord = 0;  // no first parallel port: the route has nowhere to go
    const auto data = Pattern(8);
    std::vector<std::uint8_t> buffer(43);
    EXPECT_EQ(link.ChannelWrite(data.data(), 8), 0);
    EXPECT_EQ(link.ChannelRead(buffer.data(), 43), 0);
    EXPECT_EQ(os.CountCalls("OpenFile"), 0);
    EXPECT_EQ(os.CountCalls("Win2kUsb"), 0);
}

}  // namespace
}  // namespace pd
