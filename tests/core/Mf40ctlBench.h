// What the companion's command tests share: the command line run in-process against a
// virtual device through FakeOs, with its output, errors and the device's memory at hand.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "mf40ctl/Mf40ctl.h"
#include "sim/DeviceStateFile.h"
#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd::ctl::testing {

using sim::Bytes;

// A device that answers writes as if it took them, and may then forget the fax settings.
class ForgetfulDevice : public sim::VirtualDevice {
public:
    bool forgetFaxSettings = false;

protected:
    Bytes Answer(const Bytes& frame) override {
        const auto kept = state.faxSettings;
        Bytes reply = VirtualDevice::Answer(frame);
        if (forgetFaxSettings) state.faxSettings = kept;
        return reply;
    }
};

inline constexpr int kRecord = sim::kPhonebookRecordSize;

// Standard output on a full disk: every byte is refused, as /dev/full refuses it.
class FullOutput : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

class CtlTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> arguments, const std::string& input = "") {
        return RunInto(out, arguments, input);
    }
    // The same with standard output refusing every write; `out` stays empty.
    int RunIntoFullOutput(std::vector<std::string> arguments) {
        FullOutput full;
        std::ostream fullOut(&full);
        return RunInto(fullOut, arguments, "");
    }

    void PutFile(const std::string& path, const std::string& text) {
        os.PutFile(path, Bytes(text.begin(), text.end()));
    }
    std::string File(const std::string& path) const {
        const auto bytes = os.FileContents(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<no file>");
    }

    // The device's own phonebook record at `position`, as name and number texts.
    std::string DeviceEntry(int position) const {
        const std::uint8_t* record = device.state.phonebook.data() + position * kRecord;
        const auto text = [](const std::uint8_t* field, int width) {
            std::string value;
            for (int i = 0; i < width && field[i] != 0xFF && field[i] != 0; ++i) {
                value += static_cast<char>(field[i]);
            }
            while (!value.empty() && value.back() == ' ') value.pop_back();
            return value;
        };
        return text(record + 1, 20) + "|" + text(record + 21, 46);
    }
    void PutDeviceEntry(int position, const std::string& name, const std::string& number) {
        std::uint8_t* record = device.state.phonebook.data() + position * kRecord;
        std::fill(record + 1, record + kRecord, std::uint8_t{0xFF});
        std::memcpy(record + 1, name.data(), std::min<std::size_t>(name.size(), 20));
        std::memcpy(record + 21, number.data(), std::min<std::size_t>(number.size(), 46));
    }

    // Frames that would change the device: block writes and firmware starts.
    int WritesReceived() const {
        return static_cast<int>(std::count_if(
            device.ReceivedFrames().begin(), device.ReceivedFrames().end(), [](const Bytes& f) {
                return (f.size() > 7 && f[7] == 0xC2) || (f.size() > 1 && f[1] == 0xA5);
            }));
    }

    static bool SameMemory(const sim::DeviceState& a, const sim::DeviceState& b) {
        return a.systemData == b.systemData && a.faxSettings == b.faxSettings &&
               a.phonebook == b.phonebook && a.firmwareImage == b.firmwareImage;
    }

    ForgetfulDevice device;
    FakeOs os{device};
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;

private:
    int RunInto(std::ostream& output, const std::vector<std::string>& arguments,
                const std::string& input) {
        out.str("");
        out.clear();
        err.str("");
        in.str(input);
        in.clear();
        CommandContext context{os, output, err, in};
        return RunMf40ctl(arguments, context);
    }
};

}  // namespace pd::ctl::testing
