#include "sim/DeviceStateFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/FakeOs.h"

namespace pd::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An independent CRC-32 (bit by bit), so that the file layout is checked against its
// description rather than against the code that writes it.
std::uint32_t ReferenceCrc32(const Bytes& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBe32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

struct Record {
    std::string tag;
    Bytes value;
};

Bytes HandMadeBody(const std::vector<Record>& records) {
    Bytes body;
    for (const Record& record : records) {
        body.insert(body.end(), record.tag.begin(), record.tag.end());
        PutBe32(body, static_cast<std::uint32_t>(record.value.size()));
        body.insert(body.end(), record.value.begin(), record.value.end());
    }
    return body;
}

// A state file laid out by hand: magic, version, body length, body CRC, tagged records.
Bytes WrapBody(const Bytes& body, std::uint16_t version = 1) {
    Bytes file = {'M', 'F', '4', '0', 'S', 'T', 'A', 'T'};
    file.push_back(static_cast<std::uint8_t>(version >> 8));
    file.push_back(static_cast<std::uint8_t>(version));
    PutBe32(file, static_cast<std::uint32_t>(body.size()));
    PutBe32(file, ReferenceCrc32(body));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

Bytes HandMadeFile(const std::vector<Record>& records, std::uint16_t version = 1) {
    return WrapBody(HandMadeBody(records), version);
}

// A device that has been used: every remembered field differs from the factory's.
DeviceState UsedDeviceState() {
    DeviceState state = FactoryDeviceState();
    state.systemData[147 - 4] = 2;  // receive mode changed
    state.faxSettings[6] = 0;
    state.phonebook[1] = 'A';  // first entry's name
    state.firmwareImage = {0x24, 0x49, 0x4D, 0x47, 1, 2, 3};
    return state;
}

class DeviceStateFileTest : public ::testing::Test {
protected:
    VirtualDevice device_;
    FakeOs os_{device_};
};

TEST_F(DeviceStateFileTest, SaveThenLoad_GivesBackEveryField) {
    const DeviceState used = UsedDeviceState();
    ASSERT_TRUE(SaveDeviceState(os_, "mf40.state", used));

    const LoadedDeviceState loaded = LoadDeviceState(os_, "mf40.state");
    EXPECT_EQ(loaded.outcome, StateFileOutcome::Loaded);
    EXPECT_EQ(loaded.state.systemData, used.systemData);
    EXPECT_EQ(loaded.state.faxSettings, used.faxSettings);
    EXPECT_EQ(loaded.state.phonebook, used.phonebook);
    EXPECT_EQ(loaded.state.firmwareImage, used.firmwareImage);
    EXPECT_EQ(os_.FileNames(), std::vector<std::string>{"mf40.state"})
        << "the fresh file was not put in place";
}

TEST_F(DeviceStateFileTest, Load_MissingFileGivesFactoryState) {
    const LoadedDeviceState loaded = LoadDeviceState(os_, "nowhere.state");
    EXPECT_EQ(loaded.outcome, StateFileOutcome::Missing);
    EXPECT_TRUE(SameDeviceState(loaded.state, FactoryDeviceState()));
}

TEST_F(DeviceStateFileTest, Load_DamagedFileIsReportedWithTheFactoryState) {
    const Bytes good = EncodeDeviceState(UsedDeviceState());
    auto flipped = [&](std::size_t at) {
        Bytes bytes = good;
        bytes[at] ^= 0x01;
        return bytes;
    };
    const Bytes system(kSystemPayloadSize, 0x33);
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty file", {}},
        {"header cut short", Bytes(good.begin(), good.begin() + 10)},
        {"body cut short", Bytes(good.begin(), good.end() - 1)},
        {"one more byte",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }()},
        {"foreign magic", flipped(0)},
        {"bit flipped in the body", flipped(good.size() / 2)},
        {"newer format", HandMadeFile({{"SYSD", system}}, 2)},
        {"system block too short", HandMadeFile({{"SYSD", Bytes(kSystemPayloadSize - 1, 0)}})},
        {"phonebook of 79 entries",
         HandMadeFile({{"PHBK", Bytes(79 * kPhonebookRecordSize, 0xFF)}})},
        {"field longer than the body",
         [&] {
             Bytes body = HandMadeBody({{"FAXS", Bytes(kFaxSettingsPayloadSize, 0)}});
             body[7] += 1;  // the record's length, one past what follows
             return WrapBody(body);
         }()},
        {"same field twice", HandMadeFile({{"SYSD", system}, {"SYSD", system}})},
        {"record header cut short", HandMadeFile({{"SYSD", system}, {"FAX", {}}})},
    };
    for (const auto& c : cases) {
        os_.PutFile("mf40.state", c.bytes);
        const LoadedDeviceState loaded = LoadDeviceState(os_, "mf40.state");
        EXPECT_EQ(loaded.outcome, StateFileOutcome::Damaged) << c.what;
        EXPECT_TRUE(SameDeviceState(loaded.state, FactoryDeviceState())) << c.what;
    }
}

// A state file that is there but cannot be read is no fresh device: taking it for one and
// saving over it would lose the phonebook and the settings.
TEST_F(DeviceStateFileTest, Load_OnlyAFileThatIsNotThereIsAFreshDevice) {
    const struct {
        FileError openFails;
        StateFileOutcome outcome;
        const char* problem;
    } cases[] = {
        {FileError::NotFound, StateFileOutcome::Missing, ""},
        {FileError::AccessDenied, StateFileOutcome::Unreadable,
         "the virtual device's state file 'mf40.state' cannot be read: access denied"},
        {FileError::IsFolder, StateFileOutcome::Unreadable,
         "the virtual device's state file 'mf40.state' cannot be read: is a folder"},
        {FileError::InUse, StateFileOutcome::Unreadable,
         "the virtual device's state file 'mf40.state' cannot be read: in use by another "
         "program"},
    };
    for (const auto& c : cases) {
        VirtualDevice device;
        FakeOs os(device);
        os.FailOpen("mf40.state", c.openFails);
        const LoadedDeviceState loaded = LoadDeviceState(os, "mf40.state");
        EXPECT_EQ(loaded.outcome, c.outcome) << c.problem;
        EXPECT_EQ(StateFileProblem(loaded, "mf40.state"), c.problem);
    }
    os_.PutFile("mf40.state", {'M', 'F'});
    EXPECT_EQ(StateFileProblem(LoadDeviceState(os_, "mf40.state"), "mf40.state"),
              "the virtual device's state file 'mf40.state' is damaged or is not a state file; "
              "move it away to start from the factory state");
}

TEST_F(DeviceStateFileTest, Load_ReadsFileLaidOutByHand) {
    Bytes system(kSystemPayloadSize, 0x20);
    system[0] = 0x11;
    Bytes fax(kFaxSettingsPayloadSize, 0x02);
    Bytes phonebook(kPhonebookEntries * kPhonebookRecordSize, 0x00);
    const Bytes firmware = {0x24, 0x49, 0x4D, 0x47};
    os_.PutFile(
        "mf40.state",
        HandMadeFile({{"SYSD", system}, {"FAXS", fax}, {"PHBK", phonebook}, {"FWIM", firmware}}));

    const LoadedDeviceState loaded = LoadDeviceState(os_, "mf40.state");
    ASSERT_EQ(loaded.outcome, StateFileOutcome::Loaded);
    EXPECT_EQ(Bytes(loaded.state.systemData.begin(), loaded.state.systemData.end()), system);
    EXPECT_EQ(Bytes(loaded.state.faxSettings.begin(), loaded.state.faxSettings.end()), fax);
    EXPECT_EQ(loaded.state.phonebook, phonebook);
    EXPECT_EQ(loaded.state.firmwareImage, firmware);
}

// Files written before a field existed, or by a build that knows more fields, still load:
// what is missing keeps its factory value, and what is unknown is kept and written back as
// it came, after the known fields, so that a newer build's fields outlive an older one's save.
TEST_F(DeviceStateFileTest, Load_MissingFieldKeepsFactoryValueAndUnknownFieldsAreWrittenBack) {
    Bytes fax(kFaxSettingsPayloadSize, 0x07);
    os_.PutFile("mf40.state", HandMadeFile({{"ZZZZ", {1, 2, 3}}, {"FAXS", fax}, {"QQQQ", {}}}));

    const LoadedDeviceState loaded = LoadDeviceState(os_, "mf40.state");
    ASSERT_EQ(loaded.outcome, StateFileOutcome::Loaded);
    const DeviceState factory = FactoryDeviceState();
    EXPECT_EQ(Bytes(loaded.state.faxSettings.begin(), loaded.state.faxSettings.end()), fax);
    EXPECT_EQ(loaded.state.systemData, factory.systemData);
    EXPECT_EQ(loaded.state.phonebook, factory.phonebook);
    EXPECT_TRUE(loaded.state.firmwareImage.empty());

    ASSERT_TRUE(SaveDeviceState(os_, "mf40.state", loaded.state));
    EXPECT_EQ(*os_.FileContents("mf40.state"),
              HandMadeFile({{"SYSD", Bytes(factory.systemData.begin(), factory.systemData.end())},
                            {"FAXS", fax},
                            {"PHBK", factory.phonebook},
                            {"FWIM", {}},
                            {"ZZZZ", {1, 2, 3}},
                            {"QQQQ", {}}}));
}

TEST_F(DeviceStateFileTest, Save_FailureLeavesPreviousFileWhole) {
    const DeviceState first = FactoryDeviceState();
    ASSERT_TRUE(SaveDeviceState(os_, "mf40.state", first));
    const Bytes before = *os_.FileContents("mf40.state");

    os_.SetDiskSpace(100);  // the disk fills up part way through the new file
    EXPECT_FALSE(SaveDeviceState(os_, "mf40.state", UsedDeviceState()));
    EXPECT_EQ(*os_.FileContents("mf40.state"), before);
    EXPECT_EQ(os_.FileNames(), std::vector<std::string>{"mf40.state"})
        << "a half-written file was left behind";

    os_.SetDiskSpace(std::nullopt);
    os_.FailReplace(true);  // the new file is whole but cannot be put in place
    EXPECT_FALSE(SaveDeviceState(os_, "mf40.state", UsedDeviceState()));
    EXPECT_EQ(*os_.FileContents("mf40.state"), before);
    EXPECT_EQ(os_.FileNames(), std::vector<std::string>{"mf40.state"});
}

TEST_F(DeviceStateFileTest, Save_AStateTheFileCannotHoldIsNeverWritten) {
    ASSERT_TRUE(SaveDeviceState(os_, "mf40.state", UsedDeviceState()));
    const Bytes before = *os_.FileContents("mf40.state");
    DeviceState tooLarge = UsedDeviceState();
    tooLarge.firmwareImage.assign(kFirmwareCapacity + 1, 0x24);
    FileError error = FileError::None;
    EXPECT_FALSE(SaveDeviceState(os_, "mf40.state", tooLarge, &error));
    EXPECT_EQ(error, FileError::TooLarge);
    EXPECT_EQ(*os_.FileContents("mf40.state"), before);
    EXPECT_EQ(LoadDeviceState(os_, "mf40.state").outcome, StateFileOutcome::Loaded);
}

TEST(DeviceStateCompare, SameDeviceState_NoticesAChangeInAnyField) {
    const DeviceState factory = FactoryDeviceState();
    EXPECT_TRUE(SameDeviceState(factory, FactoryDeviceState()));

    const struct {
        const char* field;
        void (*change)(DeviceState&);
    } cases[] = {
        {"systemData", [](DeviceState& s) { s.systemData.back() ^= 1; }},
        {"faxSettings", [](DeviceState& s) { s.faxSettings[10] ^= 1; }},
        {"phonebook", [](DeviceState& s) { s.phonebook.back() ^= 1; }},
        {"firmwareImage", [](DeviceState& s) { s.firmwareImage.push_back(0); }},
    };
    for (const auto& c : cases) {
        DeviceState changed = FactoryDeviceState();
        c.change(changed);
        EXPECT_FALSE(SameDeviceState(factory, changed)) << c.field;
    }
}

}  // namespace
}  // namespace pd::sim
