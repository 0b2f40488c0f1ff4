// mf40ctl.exe as a user runs it: from the demo folder, over the stand-in libraries and the
// demo's pipes to the simulator, with the real clock, one process per command. What a command
// wrote is read back from the simulator's own state file, never taken from mf40ctl's word.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "PanelDeskVersion.h"
#include "sim/DeviceStateFile.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {
namespace {

constexpr DWORD kCommandWithinMs = 60000;
constexpr DWORD kStateWithinMs = 5000;
constexpr DWORD kPollMs = 50;
constexpr DWORD kNotEnded = 0xFFFFFFFF;

// Where the fields live in the simulator's memory (index = reply byte - 4).
constexpr int kAnswerDelay = 6 + 13;
constexpr int kPowerSave = 6 + 6;
constexpr int kLanguage = 157 - 4;
constexpr int kCustomerName = 163 - 4;
constexpr int kCustomerNameWidth = 20;

std::string Trimmed(const std::uint8_t* field, int width) {
    std::string text;
    for (int i = 0; i < width && field[i] != 0xFF && field[i] != 0; ++i) {
        text += static_cast<char>(field[i]);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// An entry of the device's phonebook as "NAME|NUMBER".
std::string Entry(const sim::DeviceState& state, int position) {
    const std::uint8_t* record = state.phonebook.data() + position * sim::kPhonebookRecordSize;
    return Trimmed(record + 1, 20) + "|" + Trimmed(record + 21, 46);
}

// Text as written to a Windows console or file in text mode, with its line ends as "\n".
std::string Lines(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') lines += text[i];
    }
    return lines;
}

struct CtlRun {
    std::string command;
    DWORD code = kNotEnded;
    std::string out;
    std::string err;
};

std::ostream& operator<<(std::ostream& stream, const CtlRun& run) {
    return stream << "mf40ctl " << run.command << " (exit " << run.code << ")\n--- out:\n"
                  << run.out << "--- err:\n"
                  << run.err;
}

class Mf40ctlE2e : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(simulator_.Start(TEXT(""), &error)) << error;
    }

    CtlRun Ctl(const tstring& arguments) {
        CtlRun run;
        run.command = Utf8FromText(arguments);
        const tstring out = work_.File(TEXT("ctl.out"));
        const tstring err = work_.File(TEXT("ctl.err"));
        ChildProcess ctl;
        std::string error;
        if (!ctl.Start(DemoFolder() + TEXT("\\mf40ctl.exe"), arguments, work_.path(), out, &error,
                       err)) {
            run.err = error;
            return run;
        }
        if (!ctl.WaitForExit(kCommandWithinMs)) {
            run.err = "did not end in time\n" + simulator_.Output();
            return run;
        }
        run.code = ctl.ExitCode().value_or(kNotEnded);
        run.out = Lines(FileBytes(out));
        run.err = Lines(FileBytes(err));
        return run;
    }

    // Waits for the simulator's state file to show `wanted`; false when it never does.
    bool AwaitState(const std::function<bool(const sim::DeviceState&)>& wanted,
                    sim::DeviceState* last = nullptr) {
        const std::string path = Utf8FromText(simulator_.StatePath());
        for (DWORD waited = 0;; waited += kPollMs) {
            const sim::LoadedDeviceState loaded = sim::LoadDeviceState(os_, path);
            if (last) *last = loaded.state;
            if (loaded.outcome == sim::StateFileOutcome::Loaded && wanted(loaded.state)) {
                return true;
            }
            if (waited >= kStateWithinMs) return false;
            Sleep(kPollMs);
        }
    }

    Simulator simulator_;
    ScratchFolder work_;
    Win32Os os_;
};

TEST_F(Mf40ctlE2e, VersionBlockVersionFlagAndDeviceAgree) {
    const tstring program = DemoFolder() + TEXT("\\mf40ctl.exe");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSize(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "mf40ctl.exe has no version block";
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfo(program.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValue(block.data(), TEXT("\\"), reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(PD_VERSION_MINOR, PD_VERSION_MAJOR)));
    TCHAR* text = nullptr;
    ASSERT_TRUE(VerQueryValue(block.data(), TEXT("\\StringFileInfo\\040B04B0\\FileVersion"),
                              reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(Utf8FromText(text), PD_VERSION_STRING);

    const CtlRun version = Ctl(TEXT("--version"));
    EXPECT_EQ(version.code, 0u) << version;
    EXPECT_EQ(version.out, std::string(PD_VERSION_STRING) + "\n") << version;

    const CtlRun info = Ctl(TEXT("info"));
    EXPECT_EQ(info.code, 0u) << info;
    EXPECT_NE(info.out.find("Model:                   Ostrex MF 40\n"), std::string::npos) << info;

    const CtlRun unknown = Ctl(TEXT("frobnicate"));
    EXPECT_EQ(unknown.code, 2u) << unknown;
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos) << unknown;
}

// One user's session, each step checked in the simulator's memory: change settings, options
// and phonebook, see them, export, back up, change everything again, and restore.
TEST_F(Mf40ctlE2e, EveryWriteReachesTheDeviceAndRestoreBringsBackWhatTheBackupSaw) {
    const CtlRun settings = Ctl(TEXT("settings set answerDelay=5 powerSave=off"));
    ASSERT_EQ(settings.code, 0u) << settings;
    EXPECT_TRUE(AwaitState([](const sim::DeviceState& s) {
        return s.faxSettings[kAnswerDelay] == 5 && s.faxSettings[kPowerSave] == 0;
    })) << "the simulator does not hold the settings written";
    const CtlRun settingsShown = Ctl(TEXT("settings"));
    EXPECT_NE(settingsShown.out.find("powerSave=off\n"), std::string::npos) << settingsShown;
    EXPECT_NE(settingsShown.out.find("answerDelay=5\n"), std::string::npos) << settingsShown;

    const CtlRun options = Ctl(TEXT("options set \"customerName=e2e oy\" language=English"));
    ASSERT_EQ(options.code, 0u) << options;
    EXPECT_TRUE(AwaitState([](const sim::DeviceState& s) {
        return Trimmed(s.systemData.data() + kCustomerName, kCustomerNameWidth) == "E2E OY" &&
               s.systemData[kLanguage] == 0;
    })) << "the simulator does not hold the options written";
    const CtlRun optionsShown = Ctl(TEXT("options --json"));
    EXPECT_NE(optionsShown.out.find("\"customerName\": \"E2E OY\","), std::string::npos)
        << optionsShown;

    ASSERT_TRUE(PutFileBytes(work_.File(TEXT("in.csv")),
                             "Nro;Nimi;Puhelinnumero\r\n"
                             "3;Virtanen Oy;09 123 456\r\n"
                             "7;\"Doe, Jane\";p55\r\n"));
    const CtlRun imported = Ctl(TEXT("phonebook import in.csv"));
    ASSERT_EQ(imported.code, 0u) << imported;
    sim::DeviceState saved;
    ASSERT_TRUE(AwaitState(
        [](const sim::DeviceState& s) {
            return Entry(s, 2) == "Virtanen Oy|09123456" && Entry(s, 6) == "Doe, Jane|P55";
        },
        &saved))
        << "entry 3: " << Entry(saved, 2) << ", entry 7: " << Entry(saved, 6);

    const CtlRun exported = Ctl(TEXT("phonebook export out.csv"));
    ASSERT_EQ(exported.code, 0u) << exported;
    EXPECT_EQ(FileBytes(work_.File(TEXT("out.csv"))),
              "\xEF\xBB\xBFNro;Nimi;Puhelinnumero\r\n3;Virtanen Oy;09123456\r\n"
              "7;\"Doe, Jane\";P55\r\n");
    const CtlRun listed = Ctl(TEXT("phonebook"));
    EXPECT_EQ(listed.out,
              "  Nro  Nimi                  Puhelinnumero\n"
              "    3  Virtanen Oy           09123456\n"
              "    7  Doe, Jane             P55\n")
        << listed;

    const CtlRun backup = Ctl(TEXT("backup device.json"));
    ASSERT_EQ(backup.code, 0u) << backup;
    ASSERT_TRUE(
        PutFileBytes(work_.File(TEXT("other.csv")), "Nro;Nimi;Puhelinnumero\n2;Other;222\n"));
    for (const TCHAR* command :
         {TEXT("settings set answerDelay=7"), TEXT("options set customerName=LOST"),
          TEXT("phonebook import other.csv --replace")}) {
        const CtlRun run = Ctl(command);
        ASSERT_EQ(run.code, 0u) << run;
    }
    ASSERT_TRUE(AwaitState([](const sim::DeviceState& s) {
        return s.faxSettings[kAnswerDelay] == 7 && Entry(s, 2) == "|" && Entry(s, 1) == "Other|222";
    })) << "the changes after the backup did not reach the device";

    const CtlRun restore = Ctl(TEXT("restore device.json"));
    ASSERT_EQ(restore.code, 0u) << restore;
    sim::DeviceState now;
    EXPECT_TRUE(AwaitState(
        [&](const sim::DeviceState& s) {
            return s.faxSettings == saved.faxSettings && s.systemData == saved.systemData &&
                   s.phonebook == saved.phonebook;
        },
        &now))
        << "answerDelay " << int(now.faxSettings[kAnswerDelay]) << ", customerName '"
        << Trimmed(now.systemData.data() + kCustomerName, kCustomerNameWidth) << "', entry 2 "
        << Entry(now, 1) << ", entry 3 " << Entry(now, 2);
}

}  // namespace
}  // namespace pd::e2e
