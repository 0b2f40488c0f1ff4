// The parallel-port handshakes of the Windows 95 route, driven against a register-level model
// of the device's end of the cable on the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "link/DirectPort.h"
#include "protocol/Frames.h"
#include "protocol/Probe.h"
#include "sim/Ieee1284Peripheral.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

using sim::Bytes;
using sim::PeripheralEvent;
using testing::ElementsAreArray;

// A handshake step gives up after one second; the host's own steps around it cost a few
// virtual milliseconds more.
constexpr std::uint32_t kStepLimitMs = 1000;
constexpr std::uint32_t kSlackMs = 6;

const std::vector<std::string> kNegotiation = {"host 1", "device 2", "host 3",
                                               "host 4", "device 5", "device 6"};
const std::vector<std::string> kOneByte = {"host 7",    "device 8", "device 9", "host 10",
                                           "device 11", "host 7",   "device 8", "device 9",
                                           "host 10",   "device 11"};
const std::vector<std::string> kTermination = {"host 22",   "device 23", "device 24",  "host 25",
                                               "device 27", "host 28",   "device idle"};
const std::vector<std::string> kForwardByte = {"host strobe", "device busy", "host release",
                                               "device ack", "device ready"};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The host's port, the cable's far end and the device behind it.
struct Cable {
    // Puts `bytes` in the device's outbox, as if it were answering a command.
    void Queue(Bytes bytes) {
        device.OverrideNextReply(std::move(bytes));
        device.Receive(kProbeCommand);
    }
    // The raw values the host wrote to the control register, in order.
    std::vector<std::string> ControlWrites() const { return os.ArgumentsOf("PortOut 0x37A "); }
    // Virtual time from the first trace entry `what` to now.
    std::uint32_t SinceTrace(const std::string& what) const {
        const auto tick = peripheral.TickOf(what);
        EXPECT_TRUE(tick.has_value()) << "no '" << what << "' in the trace";
        return os.PeekTick() - tick.value_or(0);
    }
    std::uint32_t SinceStall(PeripheralEvent event) const {
        return SinceTrace(sim::PeripheralEventName(event) + " stalled");
    }

    sim::VirtualDevice device;
    FakeOs os{device};
    sim::Ieee1284Peripheral peripheral{os, device};
    DirectPort port{os};
};

class DirectPortTest : public testing::Test, protected Cable {};

TEST_F(DirectPortTest, DirectPortWrite_StrobesEachByteAndWaitsForBusy) {
    os.logPortAccess = true;
    const std::uint8_t bytes[] = {0x1B, 0xA4};

    EXPECT_EQ(port.DirectPortWrite(bytes, 2), 2);

    EXPECT_THAT(peripheral.TraceNames(), ElementsAreArray(Concat({kForwardByte, kForwardByte})));
    // nStrobe low (register 0x0D) and back high (0x0C) around each byte; nothing else moves.
    EXPECT_THAT(ControlWrites(), ElementsAreArray({"0x0D", "0x0C", "0x0D", "0x0C"}));
    EXPECT_EQ(port.controlShadow(), control::kCompatibilityIdle);
    EXPECT_EQ(os.CountCalls("PortOut 0x378 0x1B"), 1);
}

TEST_F(DirectPortTest, DirectPortWrite_WholeFrameReachesTheDevice) {
    EXPECT_EQ(port.DirectPortWrite(kProbeCommand.data(), 8), 8);

    ASSERT_EQ(device.ReceivedFrames().size(), 1u);
    EXPECT_EQ(device.ReceivedFrames()[0], Bytes(kProbeCommand.begin(), kProbeCommand.end()));
    EXPECT_EQ(device.probeCount(), 1u);
}

TEST_F(DirectPortTest, DirectPortWrite_StopsOneSecondIntoTheFirstByteTheDeviceDoesNotFinish) {
    struct Case {
        const char* what;
        PeripheralEvent stall;
        int occurrence;
        int written;
        bool strobeHigh;
    };
    const Case cases[] = {
        // The strobe stays low: there is no state to return to that the device would
        // understand better.
        {"never busy", PeripheralEvent::ForwardBusy, 1, 0, false},
        {"never busy on byte 3", PeripheralEvent::ForwardBusy, 3, 2, false},
        {"never takes byte 1", PeripheralEvent::ForwardAck, 1, 0, true},
        {"never ready after byte 5", PeripheralEvent::ForwardReady, 5, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Cable cable;
        cable.peripheral.StallAt(c.stall, c.occurrence);

        EXPECT_EQ(cable.port.DirectPortWrite(kProbeCommand.data(), 8), c.written);

        EXPECT_NEAR(cable.SinceStall(c.stall), kStepLimitMs, kSlackMs);
        EXPECT_EQ((cable.port.controlShadow() & control::kStrobe) != 0, c.strobeHigh);
        EXPECT_EQ((cable.peripheral.controlLines() & control::kStrobe) != 0, c.strobeHigh);
        EXPECT_TRUE(cable.device.ReceivedFrames().empty());
    }
}

TEST_F(DirectPortTest, DirectPortWrite_DeviceOutOfRoomEndsTheWriteAtItsLastByte) {
    device.faults.acceptBudget = 3;

    EXPECT_EQ(port.DirectPortWrite(kProbeCommand.data(), 8), 3);
    // The fourth byte held Busy up: one second, and nothing after it was tried.
    EXPECT_EQ(peripheral.TraceNames().back(), "device ack");
    EXPECT_NEAR(os.PeekTick() - peripheral.trace().back().tick, kStepLimitMs, kSlackMs);
}

TEST_F(DirectPortTest, DirectPortWrite_TimeOutAcrossTickWrapStillLastsOneSecond) {
    os.SetTick(0xFFFFFF00u);
    peripheral.StallAt(PeripheralEvent::ForwardBusy);
    const std::uint64_t before = os.elapsed();

    EXPECT_EQ(port.DirectPortWrite(kProbeCommand.data(), 1), 0);

    EXPECT_NEAR(os.elapsed() - before, kStepLimitMs, kSlackMs);
}

TEST_F(DirectPortTest, DirectPortRead_NegotiatesReadsNibblesAndTerminatesEventByEvent) {
    os.logPortAccess = true;
    Queue({0xA5});
    std::uint8_t buffer[1] = {};

    EXPECT_EQ(port.DirectPortRead(buffer, 1), 1);

    EXPECT_EQ(buffer[0], 0xA5);
    EXPECT_EQ(peripheral.extensibilityByte(), kNibbleModeRequest);
    EXPECT_THAT(peripheral.TraceNames(),
                ElementsAreArray(Concat({kNegotiation, kOneByte, kTermination})));
    // Register values: compatibility idle, event 1, events 3 and 4; the nibbles with their
    // doubled writes; events 22, 25 and 28.
    EXPECT_THAT(ControlWrites(),
                ElementsAreArray({"0x0C", "0x06", "0x05", "0x04",                  //
                                  "0x06", "0x04", "0x04", "0x06", "0x06", "0x04",  //
                                  "0x0C", "0x0E", "0x0C"}));
    EXPECT_EQ(port.controlShadow(), control::kCompatibilityIdle);
    EXPECT_EQ(device.PendingBytes(), 0u);
}

TEST_F(DirectPortTest, DirectPortRead_DecodesEveryDataLineOfBothNibbles) {
    const Bytes sent = {0x00, 0xFF, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x5A, 0xC3};
    os.logPortAccess = true;
    for (const std::uint8_t reserved : {0x00, 0x07}) {
        SCOPED_TRACE(testing::Message() << "reserved status bits " << int{reserved});
        peripheral.reservedStatusBits = reserved;
        Queue(sent);
        Bytes received(sent.size());

        EXPECT_EQ(port.DirectPortRead(received.data(), static_cast<int>(received.size())),
                  static_cast<int>(sent.size()));
        EXPECT_EQ(sim::Hex(received), sim::Hex(sent));
    }
    // With nAck low: all data lines high reads 0x38 and gave 0xFF, all low reads 0x80 and
    // gave 0x00, each as low and as high nibble.
    EXPECT_GE(os.CountCalls("PortIn 0x379 -> 0x38"), 2);
    EXPECT_GE(os.CountCalls("PortIn 0x379 -> 0x80"), 2);
}

TEST_F(DirectPortTest, DirectPortRead_ShortReplyEndsOneSecondAfterTheLastByteAndTerminates) {
    Bytes reply(20);
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<std::uint8_t>(i + 1);
    Queue(reply);
    Bytes buffer(43, 0);

    EXPECT_EQ(port.DirectPortRead(buffer.data(), 43), 20);

    EXPECT_EQ(sim::Hex({buffer.data(), 20}), sim::Hex(reply));
    EXPECT_EQ(sim::Hex({buffer.data() + 20, 23}), sim::Hex(Bytes(23, 0)));
    const auto names = peripheral.TraceNames();
    // The last byte's final event, then a second of waiting for data, then the termination.
    const auto lastByte = std::find(names.rbegin(), names.rend(), "device 11");
    ASSERT_NE(lastByte, names.rend());
    const auto lastByteTick = peripheral.trace()[names.rend() - lastByte - 1].tick;
    EXPECT_NEAR(*peripheral.TickOf("host 22") - lastByteTick, kStepLimitMs, kSlackMs);
    EXPECT_THAT(std::vector<std::string>(names.end() - 7, names.end()),
                ElementsAreArray(kTermination));
    EXPECT_EQ(port.controlShadow(), control::kCompatibilityIdle);
}

TEST_F(DirectPortTest, DirectPortRead_UnansweredNegotiationStillTriesForDataThenTerminates) {
    peripheral.StallAt(PeripheralEvent::Event2);
    Queue({0x01, 0x02});
    const std::uint64_t before = os.elapsed();
    std::uint8_t buffer[43] = {};

    EXPECT_EQ(port.DirectPortRead(buffer, 43), 0);

    // A second for event 2, a second for nDataAvail, a second for the termination's Busy.
    EXPECT_NEAR(os.elapsed() - before, 3 * kStepLimitMs, 3 * kSlackMs);
    EXPECT_EQ(port.controlShadow(), control::kCompatibilityIdle);
}

TEST_F(DirectPortTest, DirectPortRead_EachNegotiationLineGivesUpAfterOneSecond) {
    struct Case {
        const char* what;
        int bit;
        bool heldAt;
    };
    const Case cases[] = {
        {"nAck never low", status::kAck, true},
        {"nFault never high", status::kFault, false},
        {"Select never high", status::kSelect, false},
        {"PError never high", status::kPError, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Cable cable;
        cable.peripheral.HoldStatusLine(c.bit, c.heldAt);
        std::uint8_t buffer[4] = {};

        EXPECT_EQ(cable.port.DirectPortRead(buffer, 4), 0);

        // A second for the negotiation, which then gives up without events 3 and 4, a second
        // for the first byte, and the termination is still asked for.
        const auto answered = cable.peripheral.TickOf("device 2");
        const auto terminationAsked = cable.peripheral.TickOf("host 22");
        ASSERT_TRUE(answered && terminationAsked);
        EXPECT_NEAR(*terminationAsked - *answered, 2 * kStepLimitMs, kSlackMs);
        EXPECT_FALSE(cable.peripheral.TickOf("host 3").has_value());
        EXPECT_EQ(cable.port.controlShadow(), control::kCompatibilityIdle);
    }
}

TEST_F(DirectPortTest, DirectPortRead_NibbleStepThatTimesOutEndsTheReadAtTheWholeBytes) {
    struct Case {
        const char* what;
        PeripheralEvent stall;
        int occurrence;
        int expected;
    };
    const Case cases[] = {
        {"first nibble never valid", PeripheralEvent::Event9, 1, 0},
        {"first nibble never released", PeripheralEvent::Event11, 1, 0},
        {"second nibble never valid", PeripheralEvent::Event9, 2, 0},
        {"second nibble never released", PeripheralEvent::Event11, 2, 0},
        {"second byte never valid", PeripheralEvent::Event9, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Cable cable;
        cable.peripheral.StallAt(c.stall, c.occurrence);
        cable.Queue({0x5A, 0xFF, 0x33});
        std::uint8_t buffer[3] = {};

        EXPECT_EQ(cable.port.DirectPortRead(buffer, 3), c.expected);

        // Only whole bytes reach the buffer; the rest stays as the caller cleared it.
        EXPECT_EQ(buffer[c.expected], 0);
        // A second for the step, and a second for the termination the hung device never
        // answers.
        EXPECT_NEAR(cable.SinceStall(c.stall), 2 * kStepLimitMs, kSlackMs);
        EXPECT_EQ(cable.port.controlShadow(), control::kCompatibilityIdle);
    }
}

TEST_F(DirectPortTest, DirectPortRead_TerminationTimeOutsStillLeaveTheIdleLines) {
    struct Case {
        const char* what;
        PeripheralEvent stall;
    };
    const Case cases[] = {
        {"Busy never high", PeripheralEvent::Event23},
        {"nAck never low", PeripheralEvent::Event24},
        {"nAck never back high", PeripheralEvent::Event27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Cable cable;
        cable.peripheral.StallAt(c.stall);
        cable.Queue({0x42});
        std::uint8_t buffer[1] = {};

        // The termination's outcome does not change what was read.
        EXPECT_EQ(cable.port.DirectPortRead(buffer, 1), 1);
        EXPECT_EQ(buffer[0], 0x42);

        EXPECT_NEAR(cable.SinceStall(c.stall), kStepLimitMs, kSlackMs);
        EXPECT_EQ(cable.port.controlShadow(), control::kCompatibilityIdle);
        EXPECT_EQ(cable.peripheral.controlLines(), control::kCompatibilityIdle);
    }
}

TEST_F(DirectPortTest, DirectPort_WithoutAFirstParallelPortTouchesNoPortAddress) {
    os.biosPortWord = 0;
    os.logPortAccess = true;
    std::uint8_t buffer[43] = {};

    EXPECT_EQ(port.DirectPortWrite(kProbeCommand.data(), 8), 0);
    EXPECT_EQ(port.DirectPortRead(buffer, 43), 0);

    EXPECT_EQ(os.CountCalls("PortIn"), 0);
    EXPECT_EQ(os.CountCalls("PortOut"), 0);
    EXPECT_EQ(os.elapsed(), 0u);
    EXPECT_EQ(port.portBase(), 0);
}

TEST_F(DirectPortTest, DirectPort_TakesThePortBaseFromTheBiosOnce) {
    sim::VirtualDevice otherDevice;
    FakeOs otherOs{otherDevice};
    otherOs.biosPortWord = 0x0278;
    sim::Ieee1284Peripheral secondPort{otherOs, otherDevice, 0x0278};
    DirectPort otherPort{otherOs};

    EXPECT_EQ(otherPort.DirectPortWrite(kProbeCommand.data(), 4), 4);
    EXPECT_EQ(otherPort.DirectPortWrite(kProbeCommand.data() + 4, 4), 4);

    EXPECT_EQ(otherPort.portBase(), 0x0278);
    EXPECT_EQ(otherOs.CountCalls("BiosWord 0x0408"), 1);
    EXPECT_EQ(otherDevice.probeCount(), 1u);
}

TEST_F(DirectPortTest, ProbeDevice_AnswersOverTheDirectRouteEndToEnd) {
    DeviceLink link(os);
    link.UseDirectPort(true);

    EXPECT_TRUE(ProbeDevice(link));

    EXPECT_EQ(device.probeCount(), 1u);
    // The probe's 1500 ms, the second of waiting for an eleventh byte, and the handshakes.
    EXPECT_GT(os.elapsed(), 2500u);
    EXPECT_LT(os.elapsed(), 2700u);
    const auto names = peripheral.TraceNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "device ack"), 8);
    // The ten-byte answer came back in nibbles, then one second passed waiting for more.
    EXPECT_EQ(std::count(names.begin(), names.end(), "device 11"), 20);
    EXPECT_EQ(names.back(), "device idle");
    EXPECT_EQ(link.directPort().controlShadow(), control::kCompatibilityIdle);
}

TEST_F(DirectPortTest, ProbeDevice_SilentDeviceOverTheDirectRouteFails) {
    device.faults.silent = true;
    DeviceLink link(os);
    link.UseDirectPort(true);

    EXPECT_FALSE(ProbeDevice(link));
    EXPECT_EQ(device.probeCount(), 1u);
}

}  // namespace
}  // namespace pd
