// The Windows version Wine reports to one program, chosen by the program's file name: the
// value Version of HKCU\Software\Wine\AppDefaults\NAME ("win95", "win98", "nt40", "win2k",
// "winxp"; without it the program sees the prefix's own version). The program's version
// query and its route to the device follow it.
#pragma once

#include <optional>
#include <string>

namespace pd::e2e {

// Sets the version Wine reports to every program named `program` (e.g. L"PanelDesk.exe")
// started from now on, for as long as the object lives; an empty `version` is the prefix's
// own. What was set before comes back when the object goes.
class WineVersionMode {
public:
    WineVersionMode(std::wstring program, const std::wstring& version);
    WineVersionMode(const WineVersionMode&) = delete;
    WineVersionMode& operator=(const WineVersionMode&) = delete;
    ~WineVersionMode();

    // False when the registry refused the setting.
    bool ok() const { return ok_; }

private:
    std::wstring key_;
    std::optional<std::wstring> previous_;
    bool ok_ = false;
};

}  // namespace pd::e2e
