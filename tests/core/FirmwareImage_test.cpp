// The check a chosen file passes before it can be downloaded to the device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

constexpr const char* kPath = R"(C:\images\mf40.img)";

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(FirmwareImageTest, CheckFirmwareImage_AcceptsOnlyTheExactSignatureAtTheStart) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> contents;
        bool valid;
        const char* sizeText;
    };
    std::vector<std::uint8_t> large = Bytes("$IMG");
    large.resize(409600, 0xA5);
    const Case cases[] = {
        {"signature alone", Bytes("$IMG"), true, "4 Byte"},
        {"signature and image", large, true, "409600 Byte"},
        {"lower case", Bytes("$img1234"), false, "8 Byte"},
        {"one byte before it", Bytes(" $IMG"), false, "5 Byte"},
        {"three bytes of it", Bytes("$IM"), false, "3 Byte"},
        {"empty file", {}, false, "0 Byte"},
        // A short file leaves zeros in the buffer; zeros must not complete a signature.
        {"signature cut before a zero", {0x24, 0x49, 0x4D}, false, "3 Byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::VirtualDevice device;
        FakeOs os(device);
        os.PutFile(kPath, c.contents);

        const FirmwareImageCheck check = CheckFirmwareImage(os, kPath);

        EXPECT_TRUE(check.opened);
        EXPECT_EQ(check.valid, c.valid);
        EXPECT_EQ(check.size, c.contents.size());
        EXPECT_EQ(check.SizeText(), c.sizeText);
    }
}

TEST(FirmwareImageTest, CheckFirmwareImage_OpensForSharedReadingAndClosesAgain) {
    sim::VirtualDevice device;
    FakeOs os(device);
    os.PutFile(kPath, Bytes("$IMG...."));

    ASSERT_TRUE(CheckFirmwareImage(os, kPath).valid);

    ASSERT_EQ(os.calls().size(), 3u);
    EXPECT_EQ(os.calls()[0],
              std::string("OpenFile ") + kPath +
                  " access=0x80000000 share=0x1 disposition=3 attributes=0x80 -> ok");
    EXPECT_EQ(os.calls()[1], std::string("ReadFile ") + kPath + " 4 -> 4");
    EXPECT_EQ(os.calls()[2], std::string("CloseFile ") + kPath);
}

TEST(FirmwareImageTest, CheckFirmwareImage_MissingFileIsNotOpened) {
    sim::VirtualDevice device;
    FakeOs os(device);

    const FirmwareImageCheck check = CheckFirmwareImage(os, kPath);

    EXPECT_FALSE(check.opened);
    EXPECT_FALSE(check.valid);
    EXPECT_EQ(os.CountCalls("CloseFile"), 0);
}

}  // namespace
}  // namespace pd
