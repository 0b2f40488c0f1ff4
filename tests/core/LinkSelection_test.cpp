#include <algorithm>
#include <cstring>

#include "tests/core/LinkTestSupport.h"

namespace pd {
namespace {

using testing::LinkTest;
using testing::WindowsVersion;

TEST_F(LinkTest, DetectOsFamily_SetsTheFlagsOfEachWindows) {
    struct Case {
        WindowsVersion version;
        bool win9x, nt5, direct;
    };
    const Case cases[] = {
        {testing::kWindows95, true, false, true},
        {testing::kWindows98, true, false, false},
        {testing::kWindowsMe, true, false, false},
        {testing::kWindowsNt4, false, false, false},
        {testing::kWindows2000, false, true, false},
        {testing::kWindowsXp, false, true, false},
        {{"Windows 10", kPlatformNt, 10, 0}, false, true, false},
        {{"unknown platform", 3, 5, 0}, false, false, false},
    };
    for (const Case& c : cases) {
        RunOn(c.version);
        EXPECT_EQ(link.state().win9xFamily, c.win9x) << c.version.name;
        EXPECT_EQ(link.state().nt5Family, c.nt5) << c.version.name;
        EXPECT_EQ(link.state().directPortIo, c.direct) << c.version.name;
    }
}

TEST_F(LinkTest, DetectOsFamily_FailedVersionQueryClearsEveryFlag) {
    RunOn(testing::kWindows95);
    os.FailVersionQuery();
    link.DetectOsFamily();
    EXPECT_FALSE(link.state().win9xFamily);
    EXPECT_FALSE(link.state().nt5Family);
    EXPECT_FALSE(link.state().directPortIo);
}

TEST_F(LinkTest, SelectLink_ChoosesUsbWhenTheWritePipeOpens) {
    for (const WindowsVersion& version : {testing::kWindows98, testing::kWindowsXp}) {
        sim::VirtualDevice freshDevice;
        FakeOs machine(freshDevice);
        DeviceLink fresh(machine);
        machine.SetVersion(version.platformId, version.major, version.minor);
        fresh.DetectOsFamily();
        fresh.SelectLink();

        EXPECT_EQ(fresh.state().linkIndex, LinkKind::Usb) << version.name;
        const std::string base = machine.usbBasePath();
        EXPECT_STREQ(fresh.state().usbPortName.data(), base.c_str());
        EXPECT_EQ(std::string(fresh.state().usbReadPipeName.data()), base + "\\PIPE01");
        EXPECT_EQ(std::string(fresh.state().usbWritePipeName.data()), base + "\\PIPE00");
        // The maker's library is told the buffer's whole size, 256, and no other.
        EXPECT_EQ(std::ranges::count(machine.calls(), "GetControlPortName 256"), 1) << version.name;
        const bool nineX = version.platformId == kPlatformWin9x;
        EXPECT_EQ(
            machine.CountCalls(nineX ? "LoadLibrary usbnames.dll" : "LoadLibrary usbpipe.dll"), 1)
            << version.name;
        // The open test asks for read and write, shared both ways, existing object only.
        EXPECT_EQ(machine.CountCalls("OpenFile " + base +
                                     "\\PIPE00 access=0xC0000000 share=0x3 disposition=3 "
                                     "attributes=0x80 -> ok"),
                  1)
            << version.name;
        EXPECT_EQ(machine.CountCalls("CloseFile " + base + "\\PIPE00"), 1) << version.name;
    }
}

TEST_F(LinkTest, SelectLink_FallsBackToTheFamilysParallelRoute) {
    struct Case {
        const char* what;
        WindowsVersion version;
        const char* removedLibrary;
        const char* removedEntryPoint;
        bool unplugged;
        LinkKind expected;
    };
    const Case cases[] = {
        {"9x without usbnames.dll", testing::kWindows98, "usbnames.dll", nullptr, false,
         LinkKind::Lpt1},
        {"NT 5 without usbpipe.dll", testing::kWindows2000, "usbpipe.dll", nullptr, false,
         LinkKind::Ecp1},
        {"9x library without GetControlPortName", testing::kWindowsMe, nullptr,
         "GetControlPortName", false, LinkKind::Lpt1},
        {"NT 5 library without Win2kUsbRead", testing::kWindowsXp, nullptr, "Win2kUsbRead", false,
         LinkKind::Ecp1},
        {"NT 5 library without Win2kUsbWrite", testing::kWindowsXp, nullptr, "Win2kUsbWrite", false,
         LinkKind::Ecp1},
        {"9x with the device unplugged", testing::kWindows98, nullptr, nullptr, true,
         LinkKind::Lpt1},
        {"NT 5 with the device unplugged", testing::kWindowsXp, nullptr, nullptr, true,
         LinkKind::Ecp1},
        {"NT 4", testing::kWindowsNt4, nullptr, nullptr, false, LinkKind::Ecp1},
    };
    for (const Case& c : cases) {
        sim::VirtualDevice freshDevice;
        freshDevice.faults.unplugged = c.unplugged;
        FakeOs machine(freshDevice);
        if (c.removedLibrary) machine.RemoveLibrary(c.removedLibrary);
        if (c.removedEntryPoint) {
            machine.RemoveEntryPoint("usbnames.dll", c.removedEntryPoint);
            machine.RemoveEntryPoint("usbpipe.dll", c.removedEntryPoint);
        }
        DeviceLink fresh(machine);
        machine.SetVersion(c.version.platformId, c.version.major, c.version.minor);
        fresh.DetectOsFamily();
        fresh.SelectLink();
        EXPECT_EQ(fresh.state().linkIndex, c.expected) << c.what;
        if (c.unplugged) {
            // The names are built before the open test fails.
            EXPECT_EQ(std::string(fresh.state().usbWritePipeName.data()),
                      machine.usbBasePath() + "\\PIPE00")
                << c.what;
        }
        if (c.removedEntryPoint) {
            EXPECT_EQ(fresh.state().usbLibrary, kNoLibrary) << c.what;
            EXPECT_EQ(machine.CountCalls("FreeLibrary"), 1) << c.what;
        }
    }
}

TEST_F(LinkTest, SelectLink_OnNt4AndAFailedVersionQueryLoadsNoLibrary) {
    ConnectOn(testing::kWindowsNt4);
    os.FailVersionQuery();
    link.DetectOsFamily();
    link.SelectLink();
    EXPECT_EQ(link.state().linkIndex, LinkKind::Ecp1);
    EXPECT_EQ(os.CountCalls("LoadLibrary"), 0);
}

TEST_F(LinkTest, SelectLink_AgainReusesTheLoadedUsbLibrary) {
    device.faults.unplugged = true;
    RunOn(testing::kWindowsXp);
    link.SelectLink();
    EXPECT_EQ(link.state().linkIndex, LinkKind::Ecp1);

    // The user plugs the device in and chooses Retry.
    device.faults.unplugged = false;
    link.SelectLink();
    EXPECT_EQ(link.state().linkIndex, LinkKind::Usb);
    EXPECT_EQ(os.CountCalls("LoadLibrary usbpipe.dll"), 1);
    EXPECT_EQ(os.CountCalls("FreeLibrary"), 0);
}

TEST_F(LinkTest, SelectLink_BasePathWithoutRoomForThePipeSuffixGivesNoUsbRoute) {
    struct Case {
        std::size_t length;
        bool usb;
    };
    // 248 characters + "\PIPE00" + terminator fill the 256-byte buffer exactly.
    for (const Case c : {Case{248, true}, Case{249, false}, Case{255, false}, Case{300, false}}) {
        sim::VirtualDevice freshDevice;
        FakeOs machine(freshDevice);
        std::string base = R"(\\.\)" + std::string(c.length - 4, 'u');
        machine.SetUsbBasePath(base);
        DeviceLink fresh(machine);
        machine.SetVersion(kPlatformNt, 5, 1);
        fresh.DetectOsFamily();
        fresh.SelectLink();
        EXPECT_EQ(fresh.state().linkIndex, c.usb ? LinkKind::Usb : LinkKind::Ecp1)
            << "base path of " << c.length << " characters";
        for (const auto* name : {&fresh.state().usbReadPipeName, &fresh.state().usbWritePipeName}) {
            EXPECT_LT(strnlen(name->data(), kUsbNameSize), static_cast<std::size_t>(kUsbNameSize));
        }
        if (!c.usb) {
            EXPECT_EQ(machine.CountCalls("OpenFile"), 0);
        }
    }
}

TEST(LinkKindTable, NamesEveryRouteInTableOrder) {
    EXPECT_STREQ(LinkName(LinkKind::Usb), "USB");
    EXPECT_STREQ(LinkName(LinkKind::Lpt1), "LPT1");
    EXPECT_STREQ(LinkName(LinkKind::Lpt3), "LPT3");
    EXPECT_STREQ(LinkName(LinkKind::Ecp1), R"(\\.\LptxEcp1)");
    EXPECT_STREQ(LinkName(LinkKind::Ecp3), R"(\\.\LptxEcp3)");
    EXPECT_STREQ(LinkName(static_cast<LinkKind>(7)), "");
}

}  // namespace
}  // namespace pd
