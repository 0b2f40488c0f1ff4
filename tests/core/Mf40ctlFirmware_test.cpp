// firmware check and update through the companion.
#include <gmock/gmock.h>

#include "Mf40ctlBench.h"

namespace pd::ctl::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CtlFirmwareTest : public CtlTest {
protected:
    void SetUp() override {
        image = "$IMG";
        for (int i = 4; i < 10000; ++i) image += static_cast<char>(i * 7);
        PutFile("mf40.img", image);
    }
    std::string image;
};

TEST_F(CtlFirmwareTest, Check_ShowsTheImageSizeAndTheDevicesVersions) {
    ASSERT_EQ(Run({"firmware", "check", "mf40.img"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "Image:                    mf40.img\nSize:                     10000 Byte\n"
              "Model:                    Ostrex MF 40\nFirmware version:         1.12\n"
              "Emulation 1 version:      PCL 5e 1.04\nEmulation 2 version:      GDI 2.10\n");
    EXPECT_EQ(WritesReceived(), 0);
}

TEST_F(CtlFirmwareTest, Update_ShowsProgressCountsDownTheInitialisationAndEndsClearly) {
    const std::uint64_t start = os.elapsed();
    ASSERT_EQ(Run({"firmware", "update", "mf40.img", "--yes"}), kExitOk) << err.str();
    EXPECT_EQ(std::string(device.state.firmwareImage.begin(), device.state.firmwareImage.end()),
              image);
    const std::string shown = err.str();
    EXPECT_THAT(shown, HasSubstr("Image mf40.img: 10000 Byte\nModel:                    "
                                 "Ostrex MF 40\nFirmware version:         1.12\n"));
    EXPECT_THAT(shown, HasSubstr("\r[############..................] 40 %  4096 of 10000 bytes "
                                 "transferred"));
    EXPECT_THAT(shown, HasSubstr("\r[##############################] 100 %  10000 of 10000 bytes "
                                 "transferred\nData written. Do not switch the device off"));
    EXPECT_THAT(shown, HasSubstr("which takes 40 seconds.\n\rThe device is initialising: 40 s "
                                 "left   \rThe device is initialising: 39 s left"));
    EXPECT_THAT(shown, HasSubstr("1 s left   \rThe device is initialising: done.     \n"
                                 "The update is complete.\n"));
    EXPECT_EQ(os.CountCalls("Sleep 1000"), 40);
    EXPECT_GE(os.elapsed() - start, 45000u) << "the 5 s before the blocks and the 40 s after";
    EXPECT_EQ(out.str(), "");
}

TEST_F(CtlFirmwareTest, Update_AsksFirstAndGoesOnOnYes) {
    ASSERT_EQ(Run({"firmware", "update", "mf40.img"}, "Y\n"), kExitOk) << err.str();
    EXPECT_THAT(err.str(), HasSubstr("Send this image to the device? Do not switch the device off "
                                     "until it has fully initialised. [y/N] "));
    EXPECT_EQ(device.state.firmwareImage.size(), image.size());
}

TEST_F(CtlFirmwareTest, Update_ThatTheDeviceStopsTaking_EndsWithCode4) {
    device.faults.acceptBudget = 8 + 9 + 8 + 5000;  // probe, read, start, then part of a block
    EXPECT_EQ(Run({"firmware", "update", "mf40.img", "--yes"}), kExitWriteFailed);
    EXPECT_THAT(err.str(), HasSubstr("writing the data failed: the device stopped taking the "
                                     "image after 4096 of 10000 bytes"));
    EXPECT_THAT(err.str(), Not(HasSubstr("complete")));
}

// An image larger than the device has room for is refused at its first block beyond that
// room: the download fails as the panel shows it, and the device keeps the image it had,
// so that its memory (and the simulator's state file) never holds what it cannot keep.
TEST_F(CtlFirmwareTest, Update_LargerThanTheDeviceHasRoomFor_IsRefusedAndTheOldImageKept) {
    device.state.firmwareImage = {'$', 'I', 'M', 'G', 1};
    device.firmwareCapacity = 6000;
    EXPECT_EQ(Run({"firmware", "update", "mf40.img", "--yes"}), kExitWriteFailed);
    EXPECT_THAT(err.str(), HasSubstr("the device stopped taking the image after 4096 of 10000 "
                                     "bytes (a device without room for an image refuses it so)"));
    EXPECT_TRUE(device.firmwareRefused());
    EXPECT_EQ(device.state.firmwareImage, (Bytes{'$', 'I', 'M', 'G', 1}));

    os.Sleep(sim::kFirmwareStreamIdleLimitMs + 1);
    ASSERT_EQ(Run({"info"}), kExitOk) << "once the host was quiet, the device answers again";
    device.firmwareCapacity = image.size();
    ASSERT_EQ(Run({"firmware", "update", "mf40.img", "--yes"}), kExitOk) << err.str();
    EXPECT_EQ(device.state.firmwareImage.size(), image.size());
}

}  // namespace
}  // namespace pd::ctl::testing
