// The real OS seam against real files, a real named pipe and the system's libraries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "link/DirectPort.h"
#include "platform/FileReplace.h"
#include "platform/ScopedFile.h"
#include "win32/GuardedRead.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd {
namespace {

class Win32OsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TCHAR folder[MAX_PATH];
        ASSERT_NE(GetTempPath(MAX_PATH, folder), 0u);
        base_ = Utf8FromText(folder) + "paneldesk-os-test-" + std::to_string(GetCurrentProcessId());
    }
    void TearDown() override {
        for (const char* suffix : {"-a.bin", "-b.bin"}) os.RemoveFile(base_ + suffix);
    }
    std::string Path(const char* suffix) const { return base_ + suffix; }

    Win32Os os;
    std::string base_;
};

TEST_F(Win32OsTest, FilesAreCreatedWrittenReadReplacedAndRemoved) {
    const std::string a = Path("-a.bin");
    const std::string b = Path("-b.bin");
    EXPECT_EQ(os.OpenFile(a, access::kRead, share::kRead, disposition::kOpenExisting,
                          attributes::kNormal),
              kNoFile);
    {
        ScopedFile file(os, os.OpenFile(a, access::kWrite, share::kNone, disposition::kCreateAlways,
                                        attributes::kNormal));
        ASSERT_TRUE(file);
        std::uint32_t written = 0;
        EXPECT_TRUE(os.WriteFile(file.get(), "$IMG-data", 9, &written));
        EXPECT_EQ(written, 9u);
        // A disk file has no comm time-outs.
        CommTimeouts timeouts;
        EXPECT_FALSE(os.GetCommTimeouts(file.get(), &timeouts));
    }
    {
        ScopedFile file(os, os.OpenFile(a, access::kRead, share::kRead, disposition::kOpenExisting,
                                        attributes::kNormal));
        ASSERT_TRUE(file);
        std::uint64_t size = 0;
        EXPECT_TRUE(os.GetFileSize(file.get(), &size));
        EXPECT_EQ(size, 9u);
        char buffer[16] = {};
        std::uint32_t read = 0;
        EXPECT_TRUE(os.ReadFile(file.get(), buffer, sizeof buffer, &read));
        EXPECT_EQ(std::string(buffer, read), "$IMG-data");
    }
    EXPECT_TRUE(os.ReplaceFileWith(a, b));
    EXPECT_EQ(os.OpenFile(a, access::kRead, share::kRead, disposition::kOpenExisting,
                          attributes::kNormal),
              kNoFile);
    EXPECT_TRUE(os.RemoveFile(b));
    EXPECT_FALSE(os.RemoveFile(b));
}

// A folder of its own for the save tests, emptied and removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& base) : path_(WidenUtf8(base + "-save")) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directory(path_);
    }
    ~ScratchFolder() {
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const {
        return NarrowToUtf8(path_.wstring()) + "\\" + name;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(NarrowToUtf8(entry.path().filename().wstring()));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

void PutText(const std::string& path, const std::string& text, DWORD attributes) {
    const tstring wide = TextFromUtf8(path);
    HANDLE file = CreateFile(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    SetFileAttributes(wide.c_str(), attributes);
}

std::string TextOf(Win32Os& os, const std::string& path) {
    ScopedFile file(os, os.OpenFile(path, access::kRead, share::kRead, disposition::kOpenExisting,
                                    attributes::kNormal));
    char buffer[64] = {};
    std::uint32_t read = 0;
    if (!file || !os.ReadFile(file.get(), buffer, sizeof buffer, &read)) return "<none>";
    return std::string(buffer, read);
}

// The save path on the three ways the program can take: ReplaceFile (Windows 2000 and later),
// the rename that Windows NT 4.0 is left with, and the renames through a backup of Windows 95,
// 98 and ME. Each way the target keeps its attributes, anything but a plain writable file is
// refused untouched, and nothing is left behind.
TEST_F(Win32OsTest, SaveReplacesOnlyAPlainWritableFileAndKeepsItsAttributes) {
    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>("new"), 3);
    struct Case {
        const char* what;
        DWORD attributes;  // 0: no file there; INVALID_FILE_ATTRIBUTES: a folder
        bool saved;
        FileError error;
    };
    const Case cases[] = {
        {"no file yet", 0, true, FileError::None},
        {"a plain file", FILE_ATTRIBUTE_NORMAL, true, FileError::None},
        {"a hidden system file", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true,
         FileError::None},
        {"a read-only file", FILE_ATTRIBUTE_READONLY, false, FileError::ReadOnly},
        {"a folder", INVALID_FILE_ATTRIBUTES, false, FileError::IsFolder},
    };
    enum class Way { Windows2000, Nt4, Windows9x };
    for (const Way way : {Way::Windows2000, Way::Nt4, Way::Windows9x}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (way == Way::Nt4         ? " (NT 4.0)"
                                                : way == Way::Windows9x ? " (Windows 9x)"
                                                                        : ""));
            Win32Os system;
            if (way == Way::Nt4) system.ReplaceAsOnNt4();
            if (way == Way::Windows9x) system.SaveAsOnWindows9x();
            const ScratchFolder folder(base_);
            const std::string target = folder / "kirja.PBF";
            if (c.attributes == INVALID_FILE_ATTRIBUTES) {
                CreateDirectory(TextFromUtf8(target).c_str(), nullptr);
            } else if (c.attributes != 0) {
                PutText(target, "old", c.attributes);
            }
            FileError error = FileError::Other;
            EXPECT_EQ(ReplaceFileContents(system, target, {text}, &error), c.saved);
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(folder.Names(), std::vector<std::string>{"kirja.PBF"});
            if (c.attributes == INVALID_FILE_ATTRIBUTES) continue;
            EXPECT_EQ(TextOf(system, target), c.saved ? "new" : "old");
            const DWORD kept = GetFileAttributes(TextFromUtf8(target).c_str());
            const DWORD wanted = c.attributes == 0 ? FILE_ATTRIBUTE_NORMAL : c.attributes;
            const DWORD mask =
                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
            EXPECT_EQ(kept & mask, wanted & mask);
        }
    }
    Win32Os system;
    FileError error = FileError::None;
    for (const char* device : {"NUL", "lpt1.txt", "\\\\.\\PhysicalDrive0"}) {
        EXPECT_FALSE(ReplaceFileContents(system, device, {text}, &error)) << device;
        EXPECT_EQ(error, FileError::DeviceName) << device;
    }
}

// A name near the longest a folder takes (255 characters): the fresh file's name does not grow
// with the target's, so a target that may be named may be saved.
TEST_F(Win32OsTest, SaveOfANameNearTheLongestWorksEveryWay) {
    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>("new"), 3);
    for (const bool nt4 : {false, true}) {
        for (const bool windows9x : {false, true}) {
            if (nt4 && windows9x) continue;
            Win32Os system;
            if (nt4) system.ReplaceAsOnNt4();
            if (windows9x) system.SaveAsOnWindows9x();
            const ScratchFolder folder(base_);
            // The ANSI program's paths end at MAX_PATH, whatever the volume would take: its
            // longest name is what is left of that after the folder.
            const std::size_t longest =
                sizeof(TCHAR) == 1 ? std::min<std::size_t>(240, MAX_PATH - 1 - (folder / "").size())
                                   : 240;
            const std::string target = folder / std::string(longest, 'k');
            PutText(target, "old", FILE_ATTRIBUTE_NORMAL);
            FileError error = FileError::Other;
            EXPECT_TRUE(ReplaceFileContents(system, target, {text}, &error))
                << DescribeFileError(error)
                << (nt4         ? " (NT 4.0)"
                    : windows9x ? " (9x)"
                                : "");
            EXPECT_EQ(TextOf(system, target), "new");
            EXPECT_EQ(folder.Names().size(), 1u);
        }
    }
}

// The old file that a save had to leave under its backup name (the new file could not take
// its place, nor the old one go back) is put back by the next save of it: replaced then as it
// would have been, or, where it may not be replaced, back in its place untouched.
TEST_F(Win32OsTest, NextSavePutsBackTheOldFileALaterSaveLeftAside) {
    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>("new"), 3);
    enum class Way { Windows2000, Nt4, Windows9x };
    for (const Way way : {Way::Windows2000, Way::Nt4, Way::Windows9x}) {
        for (const bool readOnly : {false, true}) {
            SCOPED_TRACE((readOnly ? "read-only, " : "") + std::string(way == Way::Nt4 ? "NT 4.0"
                                                                       : way == Way::Windows9x
                                                                           ? "9x"
                                                                           : "2000"));
            Win32Os system;
            if (way == Way::Nt4) system.ReplaceAsOnNt4();
            if (way == Way::Windows9x) system.SaveAsOnWindows9x();
            const ScratchFolder folder(base_);
            const std::string target = folder / "kirja.PBF";
            std::string backup;
            FileError error = FileError::None;
            system.CloseFile(CreateUnguessableFile(system, target, ".old", &backup, &error));
            PutText(backup, "old", readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
            PutText(folder / "muu.PBF.0123456789abcdef.old", "other", FILE_ATTRIBUTE_NORMAL);

            EXPECT_EQ(ReplaceFileContents(system, target, {text}, &error), !readOnly);
            EXPECT_EQ(error, readOnly ? FileError::ReadOnly : FileError::None);
            EXPECT_EQ(TextOf(system, target), readOnly ? "old" : "new");
            EXPECT_EQ(folder.Names(),
                      (std::vector<std::string>{"kirja.PBF", "muu.PBF.0123456789abcdef.old"}));
        }
    }
}

DWORD WINAPI CloseAfterAWhile(LPVOID file) {
    ::Sleep(100);
    CloseHandle(static_cast<HANDLE>(file));
    return 0;
}

// What Ctrl+C does before mf40ctl ends: the watched fresh files go, a file still being written
// as soon as its writer lets go of it; nothing else goes.
TEST_F(Win32OsTest, InterruptRemovesTheWatchedFreshFilesOnly) {
    const ScratchFolder folder(base_);
    const std::string writing = folder / "~pdwriting.tmp";
    const std::string done = folder / "~pddone.tmp";
    const std::string forgotten = folder / "~pdforgotten.tmp";
    const std::string other = folder / "other.tmp";
    for (const std::string& name : {done, forgotten, other}) {
        PutText(name, "x", FILE_ATTRIBUTE_NORMAL);
    }
    const HANDLE held = CreateFile(TextFromUtf8(writing).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (const std::string& name : {writing, done, forgotten}) os.WatchFreshFile(name, true);
    os.WatchFreshFile(forgotten, false);
    const HANDLE closer = CreateThread(nullptr, 0, CloseAfterAWhile, held, 0, nullptr);

    Win32Os::RemoveWatchedFreshFiles();
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"other.tmp", "~pdforgotten.tmp"}));
    for (const std::string& name : {writing, done}) os.WatchFreshFile(name, false);
}

TEST_F(Win32OsTest, FileCallsSayWhyTheyFailedAndCreateNewNeverOpensAFileThatIsThere) {
    const ScratchFolder folder(base_);
    const std::string file = folder / "a.bin";
    EXPECT_EQ(os.OpenFile(file, access::kRead, share::kRead, disposition::kOpenExisting,
                          attributes::kNormal),
              kNoFile);
    EXPECT_EQ(os.LastFileError(), FileError::NotFound);
    EXPECT_EQ(os.OpenFile(folder / "", access::kRead, share::kRead, disposition::kOpenExisting,
                          attributes::kNormal),
              kNoFile);
    EXPECT_EQ(os.LastFileError(), FileError::IsFolder);

    ScopedFile first(os, os.OpenFile(file, access::kWrite, share::kRead | share::kWrite,
                                     disposition::kCreateNew, attributes::kNormal));
    ASSERT_TRUE(first);
    EXPECT_EQ(os.OpenFile(file, access::kWrite, share::kRead | share::kWrite,
                          disposition::kCreateNew, attributes::kNormal),
              kNoFile);
    EXPECT_EQ(os.LastFileError(), FileError::Exists);

    // Two holders of one lock: without waiting the second is told it is in use; with
    // LockFileEx and with the plain LockFile that Windows 95, 98 and ME have.
    first.Close();
    Win32Os os9x;
    os9x.SaveAsOnWindows9x();
    for (Win32Os* locker : {&os, &os9x}) {
        const auto open = [&] {
            return ScopedFile(os, os.OpenFile(file, access::kRead, share::kRead | share::kWrite,
                                              disposition::kOpenAlways, attributes::kNormal));
        };
        ScopedFile holder = open();
        ScopedFile other = open();
        ASSERT_TRUE(holder && other);
        EXPECT_TRUE(locker->LockFile(holder.get(), false));
        EXPECT_FALSE(locker->LockFile(other.get(), false));
        EXPECT_EQ(locker->LastFileError(), FileError::InUse);
        holder.Close();
        EXPECT_TRUE(locker->LockFile(other.get(), true)) << "the lock goes with its handle";
    }

    std::uint8_t a[8] = {}, b[8] = {};
    ASSERT_TRUE(os.RandomBytes(a, sizeof a));
    ASSERT_TRUE(os.RandomBytes(b, sizeof b));
    EXPECT_NE(std::vector<std::uint8_t>(a, a + 8), std::vector<std::uint8_t>(b, b + 8));
}

TEST_F(Win32OsTest, PathsCarryNonAsciiCharacters) {
    const std::string path = Path("-a.bin").insert(Path("").size(), "-puhelinmuistiö");
    ScopedFile file(os, os.OpenFile(path, access::kWrite, share::kNone, disposition::kCreateAlways,
                                    attributes::kNormal));
    ASSERT_TRUE(file);
    file.Close();
    EXPECT_TRUE(os.RemoveFile(path));
}

TEST_F(Win32OsTest, NamedPipeCarriesBytesBothWays) {
    const tstring name = TEXT("\\\\.\\pipe\\PanelDeskOsTest\\") + ToTString(GetCurrentProcessId()) +
                         TEXT("\\PIPE00");
    HANDLE server =
        CreateNamedPipe(name.c_str(), PIPE_ACCESS_DUPLEX,
                        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);

    // Opened the way the link selection tests the write pipe.
    ScopedFile client(os, os.OpenFile(Utf8FromText(name), access::kRead | access::kWrite,
                                      share::kRead | share::kWrite, disposition::kOpenExisting,
                                      attributes::kNormal));
    ASSERT_TRUE(client);
    if (!ConnectNamedPipe(server, nullptr)) {
        EXPECT_EQ(GetLastError(), DWORD{ERROR_PIPE_CONNECTED});
    }

    const std::uint8_t probe[] = {0x1B, 0xA4, 0x00, 0x04, 0x50, 0xE0, 0x82, 0xCD};
    std::uint32_t written = 0;
    EXPECT_TRUE(os.WriteFile(client.get(), probe, sizeof probe, &written));
    EXPECT_EQ(written, sizeof probe);
    std::uint8_t received[16] = {};
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(server, received, sizeof received, &got, nullptr));
    EXPECT_EQ(std::vector<std::uint8_t>(received, received + got),
              std::vector<std::uint8_t>(std::begin(probe), std::end(probe)));

    const std::uint8_t reply[] = {0x1B, 0xCD, 0x00, 0x01, 0x00};
    DWORD put = 0;
    ASSERT_TRUE(::WriteFile(server, reply, sizeof reply, &put, nullptr));
    std::uint8_t answer[43] = {};
    std::uint32_t read = 0;
    EXPECT_TRUE(os.ReadFile(client.get(), answer, sizeof answer, &read));
    EXPECT_EQ(read, sizeof reply);
    EXPECT_EQ(answer[1], 0xCD);

    client.Close();
    CloseHandle(server);
}

TEST_F(Win32OsTest, LibrariesAreLoadedByNameAndTheirEntryPointsFound) {
    EXPECT_EQ(os.LoadLibraryByName("no-such-library-paneldesk.dll"), kNoLibrary);
    const LibraryHandle kernel = os.LoadLibraryByName("kernel32.dll");
    ASSERT_NE(kernel, kNoLibrary);
    EXPECT_NE(os.FindEntryPoint(kernel, "GetTickCount"), kNoProc);
    EXPECT_EQ(os.FindEntryPoint(kernel, "NoSuchEntryPoint"), kNoProc);
    os.FreeLibrary(kernel);
}

TEST_F(Win32OsTest, VersionClockAndSleepAnswer) {
    OsVersion version;
    ASSERT_TRUE(os.GetVersion(&version));
    EXPECT_EQ(version.platformId, kPlatformNt);
    EXPECT_GE(version.majorVersion, 5u);

    const std::uint32_t start = os.TickCount();
    os.Sleep(50);
    EXPECT_GE(os.TickCount() - start, 25u);  // coarse system tick under Wine
    os.DebugOutput("PanelDesk test line");
}

// Windows 95, 98 and ME map the BIOS data area into every program; elsewhere (here, and on any
// Windows NT) the read that a program told it runs on Windows 95 makes must not kill it.
TEST_F(Win32OsTest, BiosWordIsReadOnlyWhereTheMemoryCanBeRead) {
    EXPECT_EQ(os.BiosWord(kBiosFirstParallelPort), 0);
#if defined(__i386__)
    auto* const readable = static_cast<std::uint16_t*>(
        VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    void* const unreadable = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_TRUE(readable && unreadable);
    readable[1] = 0x0378;
    const struct {
        std::uintptr_t address;
        int read;
        std::uint16_t word;
    } cases[] = {
        {reinterpret_cast<std::uintptr_t>(readable + 1), 1, 0x0378},
        {reinterpret_cast<std::uintptr_t>(unreadable), 0, 0xBEEF},
        {kBiosFirstParallelPort, 0, 0xBEEF},
    };
    for (const auto& c : cases) {
        std::uint16_t word = 0xBEEF;
        EXPECT_EQ(pdReadWordGuarded(c.address, &word), c.read) << std::hex << c.address;
        EXPECT_EQ(word, c.word) << std::hex << c.address;
    }
    VirtualFree(readable, 0, MEM_RELEASE);
    VirtualFree(unreadable, 0, MEM_RELEASE);
#endif
}

}  // namespace
}  // namespace pd
