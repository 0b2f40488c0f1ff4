// The real OS seam against real files, a real named pipe and the system's libraries.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/ScopedFile.h"
#include "platform/Win32Os.h"

namespace pd {
namespace {

class Win32OsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
        base_ = NarrowToUtf8(folder) + "paneldesk-os-test-" + std::to_string(GetCurrentProcessId());
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
        ScopedFile file(os, os.OpenFile(a, access::kWrite, share::kNone,
                                        disposition::kCreateAlways, attributes::kNormal));
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

TEST_F(Win32OsTest, PathsCarryNonAsciiCharacters) {
    const std::string path = Path("-a.bin").insert(Path("").size(), "-puhelinmuistiö");
    ScopedFile file(os, os.OpenFile(path, access::kWrite, share::kNone,
                                    disposition::kCreateAlways, attributes::kNormal));
    ASSERT_TRUE(file);
    file.Close();
    EXPECT_TRUE(os.RemoveFile(path));
}

TEST_F(Win32OsTest, NamedPipeCarriesBytesBothWays) {
    const std::wstring name = L"\\\\.\\pipe\\PanelDeskOsTest\\" +
                              std::to_wstring(GetCurrentProcessId()) + L"\\PIPE00";
    HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                     PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096,
                                     4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);

    // Opened the way the link selection tests the write pipe.
    ScopedFile client(os, os.OpenFile(NarrowToUtf8(name), access::kRead | access::kWrite,
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

}  // namespace
}  // namespace pd
