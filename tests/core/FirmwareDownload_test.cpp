// The firmware download over every route, end to end through FakeOs and the virtual device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "firmware/FirmwareDownload.h"
#include "protocol/Frames.h"
#include "sim/Ieee1284Peripheral.h"
#include "testing/FakeOs.h"

namespace pd {
namespace {

using sim::Bytes;
using sim::StartAnswer;
using testing::ElementsAre;
using testing::ElementsAreArray;
using Outcome = FirmwareDownloadOutcome;

constexpr const char* kImagePath = R"(C:\images\mf40.img)";
constexpr const char* kEcpDevice = R"(\\.\LptxEcp1)";
constexpr std::uint32_t kWhole = std::numeric_limits<std::uint32_t>::max();

// The start frames as the device knows them, written out so that a wrong byte in the panel's
// own table cannot pass: the channel form carries 0x50, the ECP and direct-port form 0x40.
const Bytes kChannelStart = {0x1B, 0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x05};
const Bytes kParallelStart = {0x1B, 0xA5, 0x00, 0x04, 0x40, 0xE0, 0x82, 0x05};

Bytes MakeImage(std::size_t size) {
    Bytes image = {0x24, 0x49, 0x4D, 0x47};
    image.resize(size);
    for (std::size_t i = 4; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 31 + i / 251);
    return image;
}

// FakeOs whose device writes take only as much as a script says, one entry per write.
class ScriptedWritesOs : public FakeOs {
public:
    using FakeOs::FakeOs;

    std::deque<std::uint32_t> writeLimits;  // kWhole takes everything; empty: all whole
    std::vector<std::uint32_t> requested;   // what each write asked for

    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override {
        requested.push_back(count);
        if (!writeLimits.empty()) {
            count = std::min(count, writeLimits.front());
            writeLimits.pop_front();
        }
        return FakeOs::WriteFile(file, data, count, done);
    }
};

class RecordingObserver : public FirmwareDownloadObserver {
public:
    explicit RecordingObserver(FakeOs& os) : os_(os) {}

    void OnFileOpened() override { events.push_back("opened"); }
    void OnTransferStart() override {
        events.push_back("transfer");
        if (onTransferStart) onTransferStart();
    }
    void OnBlockSent(std::uint32_t sent, int percent) override {
        sentCounts.push_back(sent);
        percents.push_back(percent);
        if (afterBlock) afterBlock(sent);
    }
    void OnDataWritten() override {
        events.push_back("written");
        // The page must show its message before the long wait, not after it.
        longWaitsBeforeWritten = os_.CountCalls("Sleep 40000");
    }

    std::vector<std::string> events;
    std::vector<std::uint32_t> sentCounts;
    std::vector<int> percents;
    int longWaitsBeforeWritten = -1;
    std::function<void()> onTransferStart;
    std::function<void(std::uint32_t)> afterBlock;

private:
    FakeOs& os_;
};

enum class Route { Lpt, UsbNt5, Ecp, Direct };

// One PC with one device on one route.
struct Bench {
    explicit Bench(Route route) {
        switch (route) {
            case Route::Lpt:
                link.UseLink(LinkKind::Lpt1);
                break;
            case Route::UsbNt5:
                link.DetectOsFamily();
                link.SelectLink();
                EXPECT_EQ(link.state().linkIndex, LinkKind::Usb);
                break;
            case Route::Ecp:
                link.UseLink(LinkKind::Ecp1);
                break;
            case Route::Direct:
                link.UseDirectPort(true);
                peripheral.emplace(os, device);
                break;
        }
        os.ClearCalls();
    }

    Bytes PutImage(std::size_t size) {
        Bytes image = MakeImage(size);
        os.PutFile(kImagePath, image);
        return image;
    }

    Outcome Download() { return DownloadFirmware(link, kImagePath, observer); }

    int StartsReceived(const Bytes& start) const {
        const auto& frames = device.ReceivedFrames();
        return static_cast<int>(std::count(frames.begin(), frames.end(), start));
    }

    // Every file and device the download opened is closed again.
    void ExpectEverythingClosed() const {
        int opened = 0;
        for (const auto& call : os.calls()) {
            if (call.rfind("OpenFile", 0) == 0 && call.find("-> ok") != std::string::npos) {
                ++opened;
            }
        }
        EXPECT_EQ(os.CountCalls("CloseFile"), opened);
    }

    sim::VirtualDevice device;
    ScriptedWritesOs os{device};
    DeviceLink link{os};
    std::optional<sim::Ieee1284Peripheral> peripheral;
    RecordingObserver observer{os};
};

TEST(FirmwareDownloadTest, DownloadFirmware_EachRouteDeliversTheImageByteForByte) {
    struct Case {
        const char* what;
        Route route;
        const Bytes& start;
    };
    const Case cases[] = {
        {"LPT port file", Route::Lpt, kChannelStart},
        {"USB pipes on NT 5", Route::UsbNt5, kChannelStart},
        {"ECP driver", Route::Ecp, kParallelStart},
        {"direct port", Route::Direct, kParallelStart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(c.route);
        const Bytes image = bench.PutImage(10000);

        EXPECT_EQ(bench.Download(), Outcome::Completed);

        EXPECT_THAT(bench.device.ReceivedFrames(), ElementsAre(c.start));
        EXPECT_EQ(bench.device.state.firmwareImage, image);
        EXPECT_THAT(bench.observer.sentCounts, ElementsAre(4096, 8192, 10000));
        EXPECT_THAT(bench.observer.percents, ElementsAre(40, 81, 100));
        EXPECT_THAT(bench.observer.events, ElementsAre("opened", "transfer", "written"));
        EXPECT_EQ(bench.observer.longWaitsBeforeWritten, 0);
        // The device has been idle long enough to have closed its stream.
        EXPECT_FALSE(bench.device.FirmwareStreamOpen());
        EXPECT_GE(bench.os.elapsed(), 45000u);
        bench.ExpectEverythingClosed();
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_ChannelRouteReadsTheStartAnswerAndPausesAtEachStep) {
    Bench bench(Route::Lpt);
    const Bytes image = bench.PutImage(4096);

    EXPECT_EQ(bench.Download(), Outcome::Completed);

    EXPECT_THAT(bench.os.ArgumentsOf("Sleep "), ElementsAre("500", "5000", "40000"));
    EXPECT_EQ(bench.os.CountCalls("ReadFile LPT1 9 -> 9"), 1);
    EXPECT_THAT(bench.observer.sentCounts, ElementsAre(4096));
    EXPECT_THAT(bench.observer.percents, ElementsAre(100));
    EXPECT_EQ(bench.device.state.firmwareImage, image);
    bench.ExpectEverythingClosed();
}

TEST(FirmwareDownloadTest, DownloadFirmware_ChannelStartIsRepeatedOnceAfterAnUnacceptedAnswer) {
    struct Case {
        const char* what;
        std::deque<StartAnswer> answers;
        Outcome outcome;
        std::vector<std::string> sleeps;
        bool imageArrives;
    };
    const std::vector<std::string> repeatedThenSent = {"500", "6000", "500", "5000", "40000"};
    const std::vector<std::string> repeatedThenGivenUp = {"500", "6000", "500"};
    const Case cases[] = {
        {"no first answer", {StartAnswer::Refuse}, Outcome::Completed, repeatedThenSent, true},
        {"first answer not a frame",
         {StartAnswer::WrongFirstByte},
         Outcome::Completed,
         repeatedThenSent,
         true},
        {"first answer short", {StartAnswer::Short}, Outcome::Completed, repeatedThenSent, true},
        // The second answer is not judged by its first byte: the blocks go to a device that
        // has not started.
        {"both answers not frames",
         {StartAnswer::WrongFirstByte, StartAnswer::WrongFirstByte},
         Outcome::Completed,
         repeatedThenSent,
         false},
        {"both answers short",
         {StartAnswer::Short, StartAnswer::Short},
         Outcome::WriteFailed,
         repeatedThenGivenUp,
         false},
        {"no answer at all",
         {StartAnswer::Refuse, StartAnswer::Refuse},
         Outcome::WriteFailed,
         repeatedThenGivenUp,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(Route::Lpt);
        bench.device.firmwareFaults.startAnswers = c.answers;
        const Bytes image = bench.PutImage(5000);

        EXPECT_EQ(bench.Download(), c.outcome);

        EXPECT_EQ(bench.StartsReceived(kChannelStart), 2);
        EXPECT_EQ(bench.os.ArgumentsOf("Sleep "), c.sleeps);
        EXPECT_EQ(bench.device.state.firmwareImage == image, c.imageArrives);
        if (c.outcome == Outcome::WriteFailed) {
            EXPECT_TRUE(bench.observer.sentCounts.empty()) << "no block after a failed start";
        }
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_EcpRoutePreparesTheDriverAndHoldsItOpen) {
    Bench bench(Route::Ecp);
    const Bytes image = bench.PutImage(5000);

    EXPECT_EQ(bench.Download(), Outcome::Completed);

    std::vector<std::string> driverCalls;
    for (const auto& call : bench.os.calls()) {
        if (call.find(kEcpDevice) != std::string::npos || call.rfind("Sleep", 0) == 0) {
            driverCalls.push_back(call);
        }
    }
    const std::string driver = kEcpDevice;
    EXPECT_THAT(driverCalls,
                ElementsAreArray({
                    "OpenFile " + driver +
                        " access=0x40000000 share=0x0 disposition=3 attributes=0x0 -> ok",
                    "DeviceControl " + driver + " 0x00182014 [00]",
                    "DeviceControl " + driver + " 0x00182004 [10]",
                    "DeviceControl " + driver + " 0x00182008 [01 00 00 00]",
                    "WriteFile " + driver + " 8 -> 8",
                    std::string("Sleep 5000"),
                    "WriteFile " + driver + " 4096 -> 4096",
                    "WriteFile " + driver + " 904 -> 904",
                    std::string("Sleep 40000"),
                    "CloseFile " + driver,
                }));
    EXPECT_EQ(bench.device.state.firmwareImage, image);
    bench.ExpectEverythingClosed();
}

TEST(FirmwareDownloadTest, DownloadFirmware_StartThatCannotBeSentFailsBeforeAnyBlock) {
    struct Case {
        const char* what;
        Route route;
        std::function<void(Bench&)> arrange;
    };
    const Case cases[] = {
        {"channel start cut short", Route::Lpt, [](Bench& b) { b.device.faults.acceptBudget = 7; }},
        {"ECP driver does not open", Route::Ecp, [](Bench& b) { b.os.FailOpen(kEcpDevice); }},
        {"ECP start cut short", Route::Ecp, [](Bench& b) { b.device.faults.acceptBudget = 7; }},
        {"direct port device never busy", Route::Direct,
         [](Bench& b) { b.peripheral->StallAt(sim::PeripheralEvent::ForwardBusy); }},
        {"no first parallel port", Route::Direct, [](Bench& b) { b.os.biosPortWord = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(c.route);
        c.arrange(bench);
        bench.PutImage(5000);

        EXPECT_EQ(bench.Download(), Outcome::WriteFailed);

        EXPECT_THAT(bench.observer.events, ElementsAre("opened"));
        EXPECT_EQ(bench.os.CountCalls("Sleep 5000"), 0);
        EXPECT_TRUE(bench.device.state.firmwareImage.empty());
        bench.ExpectEverythingClosed();
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_ShortBlockWriteIsRetriedAfterPausesThenJudged) {
    struct Case {
        const char* what;
        std::deque<std::uint32_t> limits;  // the start first, then the block's writes
        Outcome outcome;
        std::vector<std::uint32_t> requested;
        int pauses;
    };
    const Case cases[] = {
        {"retry takes the rest", {kWhole, 1000, kWhole}, Outcome::Completed, {8, 4096, 3096}, 1},
        {"retry takes only part", {kWhole, 1000, 1000}, Outcome::WriteFailed, {8, 4096, 3096}, 1},
        {"second retry takes the rest",
         {kWhole, 1000, 0, kWhole},
         Outcome::Completed,
         {8, 4096, 3096, 3096},
         2},
        {"no retry takes anything",
         {kWhole, 1000, 0, 0},
         Outcome::WriteFailed,
         {8, 4096, 3096, 3096},
         2},
        {"first write takes nothing", {kWhole, 0, kWhole}, Outcome::Completed, {8, 4096, 4096}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(Route::Lpt);
        bench.os.writeLimits = c.limits;
        const Bytes image = bench.PutImage(4096);

        EXPECT_EQ(bench.Download(), c.outcome);

        EXPECT_EQ(bench.os.requested, c.requested);
        EXPECT_EQ(bench.os.CountCalls("Sleep 1000"), c.pauses);
        if (c.outcome == Outcome::Completed) {
            EXPECT_EQ(bench.device.state.firmwareImage, image);
            EXPECT_THAT(bench.observer.sentCounts, ElementsAre(4096));
        } else {
            EXPECT_TRUE(bench.observer.sentCounts.empty());
            EXPECT_EQ(bench.os.CountCalls("Sleep 40000"), 0);
        }
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_DeviceThatStopsTakingDataFailsAfterTwoPauses) {
    for (const Route route : {Route::Lpt, Route::Direct}) {
        SCOPED_TRACE(route == Route::Lpt ? "LPT port file" : "direct port");
        Bench bench(route);
        bench.device.faults.acceptBudget = 8 + 5000;
        const Bytes image = bench.PutImage(10000);

        EXPECT_EQ(bench.Download(), Outcome::WriteFailed);

        EXPECT_THAT(bench.observer.sentCounts, ElementsAre(4096));
        EXPECT_EQ(bench.os.CountCalls("Sleep 1000"), 2);
        EXPECT_EQ(bench.device.state.firmwareImage, Bytes(image.begin(), image.begin() + 5000));
        bench.ExpectEverythingClosed();
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_PercentageDividesFirstThenScalesAndTruncates) {
    struct Case {
        std::uint32_t size;
        std::vector<std::pair<int, int>> blockAndPercent;  // block number from 1
    };
    const Case cases[] = {
        {4096, {{1, 100}}},
        {4097, {{1, 99}, {2, 100}}},
        {409600, {{28, 28}, {29, 28}, {30, 30}, {57, 56}, {58, 57}, {100, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes");
        Bench bench(Route::Lpt);
        bench.PutImage(c.size);

        ASSERT_EQ(bench.Download(), Outcome::Completed);

        const auto& percents = bench.observer.percents;
        for (const auto& [block, percent] : c.blockAndPercent) {
            ASSERT_LE(static_cast<std::size_t>(block), percents.size());
            EXPECT_EQ(percents[static_cast<std::size_t>(block) - 1], percent)
                << "after block " << block;
        }
        EXPECT_EQ(bench.observer.sentCounts.back(), c.size);
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_FileThatEndsEarlyFailsAsAReadError) {
    struct Case {
        const char* what;
        bool cutBeforeFirstBlock;
        std::vector<std::uint32_t> sent;
    };
    const Case cases[] = {
        {"cut to nothing before the first block", true, {}},
        {"cut to 5000 bytes after the first block", false, {4096, 5000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(Route::Lpt);
        const Bytes image = bench.PutImage(10000);
        const Bytes cut(image.begin(), image.begin() + (c.cutBeforeFirstBlock ? 0 : 5000));
        const auto cutFile = [&] { bench.os.PutFile(kImagePath, cut); };
        if (c.cutBeforeFirstBlock) {
            bench.observer.onTransferStart = cutFile;
        } else {
            bench.observer.afterBlock = [&](std::uint32_t sent) {
                if (sent == 4096) cutFile();
            };
        }

        EXPECT_EQ(bench.Download(), Outcome::ReadFailed);

        EXPECT_EQ(bench.observer.sentCounts, c.sent);
        EXPECT_EQ(bench.device.state.firmwareImage, cut);
        EXPECT_THAT(bench.observer.events, ElementsAre("opened", "transfer"));
        EXPECT_EQ(bench.os.CountCalls("Sleep 40000"), 0);
        bench.ExpectEverythingClosed();
    }
}

TEST(FirmwareDownloadTest, DownloadFirmware_FileThatGrowsIsSentOnlyToItsSizeAtTheStart) {
    Bench bench(Route::Ecp);
    const Bytes image = bench.PutImage(6000);
    bench.observer.afterBlock = [&](std::uint32_t) {
        Bytes grown = image;
        grown.resize(20000, 0xEE);
        bench.os.PutFile(kImagePath, grown);
    };

    EXPECT_EQ(bench.Download(), Outcome::Completed);

    EXPECT_THAT(bench.observer.sentCounts, ElementsAre(4096, 6000));
    EXPECT_EQ(bench.device.state.firmwareImage, image);
}

// Nothing reaches the device for a file that is gone, nor for one whose size its 32-bit
// count cannot say (it has grown to 4 GiB since the page checked it).
TEST(FirmwareDownloadTest, DownloadFirmware_MissingOrTooLargeFileSendsNothingAndReportsIt) {
    for (const bool tooLarge : {false, true}) {
        SCOPED_TRACE(tooLarge ? "4 GiB" : "missing");
        Bench bench(Route::Lpt);
        if (tooLarge) bench.os.PutLargeFile(kImagePath, MakeImage(4), std::uint64_t{1} << 32);

        EXPECT_EQ(bench.Download(), tooLarge ? Outcome::ReadFailed : Outcome::FileNotOpened);

        EXPECT_TRUE(bench.device.ReceivedFrames().empty());
        EXPECT_EQ(bench.observer.events.size(), tooLarge ? 1u : 0u) << "at most the file opened";
        EXPECT_TRUE(bench.os.ArgumentsOf("Sleep ").empty());
        bench.ExpectEverythingClosed();
    }
}

// The channel and the download reach each route only through the link's table; every row of
// it must be reachable, and the port registers win over whatever the link says.
TEST(FirmwareDownloadTest, ActiveRoute_DirectPortWinsThenAnyEcpLinkThenTheUsbFamily) {
    struct Case {
        std::uint32_t platform;
        std::uint32_t major;
        std::uint32_t minor;
        bool directPortIo;
        LinkKind link;
        RouteKind route;
    };
    const Case cases[] = {
        {kPlatformWin9x, 4, 0, true, LinkKind::Usb, RouteKind::DirectPort},
        {kPlatformWin9x, 4, 0, true, LinkKind::Ecp1, RouteKind::DirectPort},
        {kPlatformNt, 4, 0, false, LinkKind::Ecp1, RouteKind::EcpDriver},
        {kPlatformNt, 5, 0, false, LinkKind::Ecp3, RouteKind::EcpDriver},
        {kPlatformWin9x, 4, 10, false, LinkKind::Lpt1, RouteKind::LptPortFile},
        {kPlatformNt, 5, 1, false, LinkKind::Lpt3, RouteKind::LptPortFile},
        {kPlatformWin9x, 4, 10, false, LinkKind::Usb, RouteKind::Usb9x},
        {kPlatformNt, 5, 0, false, LinkKind::Usb, RouteKind::UsbNt5},
    };
    std::vector<RouteKind> reached;
    for (const Case& c : cases) {
        sim::VirtualDevice device;
        FakeOs os(device);
        os.SetVersion(c.platform, c.major, c.minor);
        DeviceLink link(os);
        link.DetectOsFamily();
        link.UseDirectPort(c.directPortIo);
        link.UseLink(c.link);
        EXPECT_EQ(link.ActiveRouteKind(), c.route)
            << "directPortIo " << c.directPortIo << ", link " << static_cast<int>(c.link);
        reached.push_back(link.ActiveRouteKind());
    }
    for (int kind = 0; kind < kRouteKindCount; ++kind) {
        EXPECT_NE(std::find(reached.begin(), reached.end(), static_cast<RouteKind>(kind)),
                  reached.end())
            << "no case reaches route " << kind;
    }
}

}  // namespace
}  // namespace pd
