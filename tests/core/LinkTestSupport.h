// A device, a fake machine and a link wired together, for the core tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/DeviceLink.h"
#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd::testing {

struct WindowsVersion {
    const char* name;
    std::uint32_t platformId;
    std::uint32_t major;
    std::uint32_t minor;
};

inline constexpr WindowsVersion kWindows95{"Windows 95", kPlatformWin9x, 4, 0};
inline constexpr WindowsVersion kWindows98{"Windows 98", kPlatformWin9x, 4, 10};
inline constexpr WindowsVersion kWindowsMe{"Windows ME", kPlatformWin9x, 4, 90};
inline constexpr WindowsVersion kWindowsNt4{"Windows NT 4.0", kPlatformNt, 4, 0};
inline constexpr WindowsVersion kWindows2000{"Windows 2000", kPlatformNt, 5, 0};
inline constexpr WindowsVersion kWindowsXp{"Windows XP", kPlatformNt, 5, 1};

class LinkTest : public ::testing::Test {
protected:
    void RunOn(const WindowsVersion& version) {
        os.SetVersion(version.platformId, version.major, version.minor);
        link.DetectOsFamily();
    }
    // Detects the family and selects the link, then forgets the calls that took.
    void ConnectOn(const WindowsVersion& version) {
        RunOn(version);
        link.SelectLink();
        os.ClearCalls();
    }
    // The call log without the libraries' look-ups, which every test would otherwise repeat.
    std::vector<std::string> Transfers() const { return os.CallsExcept({"FindEntryPoint"}); }

    sim::VirtualDevice device;
    FakeOs os{device};
    DeviceLink link{os};
};

}  // namespace pd::testing
