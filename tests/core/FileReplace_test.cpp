// The one save, on the simulated PC's files: fresh names a volume of 8.3 names takes, and the
// fresh files that earlier saves of a target left behind, gone with its next save while
// everything else in the folder stays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileReplace.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kText = {'n', 'e', 'w'};

TEST(FileReplace, SavesOnAVolumeOfShortNamesAndSaysWhenANameIsTooLong) {
    sim::VirtualDevice device;
    FakeOs os(device);
    os.SetShortNamesOnly(true);
    os.PutFile(R"(A:\KIRJA.PBF)", {'o', 'l', 'd'});
    FileError error = FileError::Other;
    EXPECT_TRUE(ReplaceFileContents(os, R"(A:\KIRJA.PBF)", {kText}, &error));
    EXPECT_EQ(error, FileError::None);
    EXPECT_EQ(os.FileContents(R"(A:\KIRJA.PBF)"), kText);
    EXPECT_EQ(os.FileNames(), std::vector<std::string>{R"(A:\KIRJA.PBF)"});

    const struct {
        const char* path;
        FileError error;
    } refused[] = {
        {R"(A:\PUHELINMUISTIO.PBF)", FileError::BadName},  // no 8.3 name
        {R"(A:\)", FileError::BadName},                    // no name at all
        {R"(A:\LPT1.PBF)", FileError::DeviceName},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(ReplaceFileContents(os, r.path, {kText}, &error)) << r.path;
        EXPECT_EQ(error, r.error) << r.path;
        EXPECT_FALSE(CanSave(os, r.path, &error)) << r.path;
        EXPECT_EQ(error, r.error) << r.path;
    }
    EXPECT_EQ(os.FileNames(), std::vector<std::string>{R"(A:\KIRJA.PBF)"});
}

TEST(FileReplace, ASaveRemovesTheFreshFilesEarlierSavesOfItsTargetLeftAndNothingElse) {
    sim::VirtualDevice device;
    FakeOs os(device);
    const std::string target = R"(C:\Kirjat\kirja.PBF)";
    // What a save killed half way leaves: its fresh file, under today's name and under the
    // name of earlier versions.
    std::string leftNow, leftOther, backup;
    FileError error = FileError::None;
    os.CloseFile(CreateUnguessableFile(os, target, ".tmp", &leftNow, &error));
    const std::string leftBefore = target + ".0123456789abcdef.tmp";
    os.PutFile(leftBefore, {'x'});
    // What is not this target's, or not a leftover: another file's fresh file, the old file
    // a save set aside, and files of the user's that look a little like them.
    os.CloseFile(CreateUnguessableFile(os, R"(C:\Kirjat\muu.PBF)", ".tmp", &leftOther, &error));
    os.CloseFile(CreateUnguessableFile(os, target, ".old", &backup, &error));
    const std::vector<std::string> kept = {R"(C:\Kirjat\~pdnotes.tmp)",
                                           R"(C:\Kirjat\kirja.PBF.backup.tmp)",
                                           R"(C:\Kirjat\~WRL0001.tmp)", leftOther, backup};
    for (const std::string& name : kept) {
        if (!os.FileExists(name)) os.PutFile(name, {'u'});
    }
    ASSERT_EQ(leftNow.rfind(R"(C:\Kirjat\~pd)", 0), 0u) << leftNow;
    ASSERT_EQ(leftNow.size(), std::string(R"(C:\Kirjat\)").size() + 27);

    ASSERT_TRUE(ReplaceFileContents(os, target, {kText}, &error));
    EXPECT_FALSE(os.FileExists(leftNow));
    EXPECT_FALSE(os.FileExists(leftBefore));
    for (const std::string& name : kept) EXPECT_TRUE(os.FileExists(name)) << name;
    EXPECT_EQ(os.FileNames().size(), kept.size() + 1);
    EXPECT_TRUE(os.watchedFreshFiles().empty());
}

}  // namespace
}  // namespace pd
