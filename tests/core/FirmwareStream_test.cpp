// The virtual device's side of a firmware download, as the demo simulator also serves it.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <vector>

#include "protocol/Frames.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {
namespace {

// The two start frames written out, so that the device recognises these bytes and not merely
// whatever the panel's table holds.
constexpr std::uint8_t kChannelStart[] = {0x1B, 0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x05};
constexpr std::uint8_t kParallelStart[] = {0x1B, 0xA5, 0x00, 0x04, 0x40, 0xE0, 0x82, 0x05};

std::vector<std::uint8_t> Answer(VirtualDevice& device) {
    std::vector<std::uint8_t> answer(16);
    answer.resize(device.Send(answer));
    return answer;
}

TEST(FirmwareStreamTest, StartAnswerDependsOnTheRouteBytesAndTheFault) {
    struct Case {
        const char* what;
        std::span<const std::uint8_t> start;
        std::optional<StartAnswer> fault;
        const char* answer;
        bool streams;
    };
    const Case cases[] = {
        {"channel form", kChannelStart, std::nullopt, "1B A5 00 05 50 E0 82 05 00", true},
        {"parallel form", kParallelStart, std::nullopt, "", true},
        {"refused", kChannelStart, StartAnswer::Refuse, "", false},
        {"refused on the parallel form", kParallelStart, StartAnswer::Refuse, "", false},
        {"wrong first byte", kChannelStart, StartAnswer::WrongFirstByte,
         "15 A5 00 05 50 E0 82 05 00", false},
        {"short", kChannelStart, StartAnswer::Short, "1B A5 00 05 50 E0 82 05", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualDevice device;
        if (c.fault) device.firmwareFaults.startAnswers = {*c.fault};

        device.Receive(c.start);

        EXPECT_EQ(Hex(Answer(device)), c.answer);
        EXPECT_EQ(device.FirmwareStreamOpen(), c.streams);
    }
}

TEST(FirmwareStreamTest, ImageBytesAreKeptUntilTheDeviceHasBeenIdleForMoreThanTwoSeconds) {
    VirtualDevice device;
    device.state.firmwareImage = {0xEE};  // the previous image
    device.Receive(kParallelStart);
    // A long wait before the first image byte does not end the stream.
    device.Idle(5000);
    const std::uint8_t first[] = {0x24, 0x49, 0x4D, 0x47, kEscape, 0xA4, 0x00, 0x04};
    device.Receive(first);
    device.Idle(1000);
    device.Idle(1000);
    const std::uint8_t rest[] = {0x50, 0xE0, 0x82, kOpProbe};
    device.Receive(rest);
    ASSERT_TRUE(device.FirmwareStreamOpen());

    device.Idle(2001);

    EXPECT_FALSE(device.FirmwareStreamOpen());
    EXPECT_EQ(Hex(device.state.firmwareImage), "24 49 4D 47 1B A4 00 04 50 E0 82 CD");
    // Bytes that look like a probe inside the image were image; after it, a probe is a probe.
    EXPECT_EQ(device.probeCount(), 0u);
    device.Receive(kProbeCommand);
    EXPECT_EQ(device.probeCount(), 1u);
}

TEST(FirmwareStreamTest, StartSentAgainBeforeTheImageIsACommand) {
    VirtualDevice device;
    device.firmwareFaults.startAnswers = {StartAnswer::Short};
    device.Receive(kChannelStart);
    Answer(device);

    device.Receive(kChannelStart);

    EXPECT_EQ(Hex(Answer(device)), "1B A5 00 05 50 E0 82 05 00");
    EXPECT_TRUE(device.state.firmwareImage.empty());
    EXPECT_EQ(device.ReceivedFrames().size(), 2u);
}

}  // namespace
}  // namespace pd::sim
