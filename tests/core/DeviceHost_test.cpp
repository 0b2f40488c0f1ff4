#include "sim/DeviceHost.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/Frames.h"
#include "testing/FakeOs.h"

namespace pd::sim {
namespace {

class DeviceHostTest : public ::testing::Test {
protected:
    int StateWrites() const { return os_.CountCalls("ReplaceFile "); }

    VirtualDevice wire_;  // FakeOs needs a device; the host keeps its own
    FakeOs os_{wire_};
};

TEST_F(DeviceHostTest, Beat_SavesOnlyWhenTheDeviceMemoryChanged) {
    DeviceHost host(os_, "state.bin");
    EXPECT_EQ(host.loadOutcome(), StateFileOutcome::Missing);

    EXPECT_TRUE(host.PassTime(50));
    EXPECT_EQ(StateWrites(), 0) << "an unchanged factory state was written";

    host.WithDevice([](VirtualDevice& device) { device.state.faxSettings[6] = 0; });
    EXPECT_TRUE(host.PassTime(50));
    EXPECT_EQ(StateWrites(), 1);
    EXPECT_TRUE(host.PassTime(50));
    EXPECT_EQ(StateWrites(), 1) << "the same state was written twice";

    const LoadedDeviceState onDisk = LoadDeviceState(os_, "state.bin");
    ASSERT_EQ(onDisk.outcome, StateFileOutcome::Loaded);
    EXPECT_EQ(onDisk.state.faxSettings[6], 0);
}

TEST_F(DeviceHostTest, Start_TakesTheDeviceMemoryFromTheStateFile) {
    DeviceState used = FactoryDeviceState();
    used.firmwareImage = {0x24, 0x49, 0x4D, 0x47};
    ASSERT_TRUE(SaveDeviceState(os_, "state.bin", used));

    DeviceHost host(os_, "state.bin");
    EXPECT_EQ(host.loadOutcome(), StateFileOutcome::Loaded);
    std::vector<std::uint8_t> image;
    host.WithDevice([&](VirtualDevice& device) { image = device.state.firmwareImage; });
    EXPECT_EQ(image, used.firmwareImage);
}

TEST_F(DeviceHostTest, Beat_FailedSaveIsReportedAndTriedAgain) {
    DeviceHost host(os_, "state.bin");
    host.WithDevice([](VirtualDevice& device) { device.state.faxSettings[6] = 0; });

    os_.FailReplace(true);
    EXPECT_FALSE(host.PassTime(50));
    os_.FailReplace(false);
    EXPECT_TRUE(host.PassTime(50));
    EXPECT_EQ(LoadDeviceState(os_, "state.bin").state.faxSettings[6], 0);
}

// The simulator serves only a device whose memory it could read: a state file that is there
// but cannot be read is never replaced by a fresh device's.
TEST_F(DeviceHostTest, Start_RefusesAStateFileThatCannotBeReadAndNeverSavesOverIt) {
    os_.FailOpen("state.bin", FileError::AccessDenied);
    DeviceHost host(os_, "state.bin");
    EXPECT_EQ(host.problem(),
              "the virtual device's state file 'state.bin' cannot be read: access denied");
    host.WithDevice([](VirtualDevice& device) { device.state.faxSettings[6] = 0; });
    EXPECT_FALSE(host.PassTime(50));
    EXPECT_EQ(StateWrites(), 0);
    EXPECT_EQ(os_.lockedFiles(), std::vector<std::string>{"state.bin.lock"});
}

TEST_F(DeviceHostTest, Exchange_AnswersTheProbeUnlessSilent) {
    DeviceHost host(os_, "state.bin");
    std::vector<std::uint8_t> reply(kProbeReplySize);

    EXPECT_EQ(host.HostWrite(kProbeCommand), kProbeCommand.size());
    EXPECT_GT(host.HostRead(reply), static_cast<std::size_t>(kReplyHeaderSize));
    EXPECT_EQ(host.HostRead(reply), 0u) << "the answer was sent twice";

    host.WithDevice([](VirtualDevice& device) { device.faults.silent = true; });
    host.HostWrite(kProbeCommand);
    EXPECT_EQ(host.HostRead(reply), 0u);
}

}  // namespace
}  // namespace pd::sim
