// Times a firmware download over the demo link: the real OS seam, the stand-in usbpipe.dll
// from the demo folder, real pipes to mf40sim.exe and the real clock.
//
//   firmware_timing [--size BYTES] [--runs N]
//
// Each run starts a simulator of its own, downloads an image of BYTES bytes (1 MiB unless
// told) and prints the whole download's time, the pauses the download takes on purpose (5 s
// before the first block, 40 s after the last, the start answer's half second), what is left
// when they are taken away, and the times of the blocks. It ends by checking, in the
// simulator's state file, that the device holds the image byte for byte. A measuring tool,
// not a test: it judges no time.
#include <windows.h>
#include <tchar.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "firmware/FirmwareDownload.h"
#include "link/DeviceLink.h"
#include "sim/DeviceStateFile.h"
#include "tests/e2e/E2eSupport.h"
#include "win32/TextMode.h"
#include "win32/Win32Os.h"

namespace pd::e2e {
namespace {

constexpr DWORD kServeWithinMs = 30000;
constexpr DWORD kPollMs = 50;
// The simulator writes a change to its state file within a beat or two.
constexpr DWORD kStateSavedMs = 500;

// The real OS seam, noting every sleep the download asks for and how long it really took.
class TimedOs : public Win32Os {
public:
    struct SleepTaken {
        std::uint32_t asked;
        double took;
        double ended;
    };
    std::vector<SleepTaken> sleeps;

    void Sleep(std::uint32_t milliseconds) override {
        const double start = MillisecondsNow();
        Win32Os::Sleep(milliseconds);
        const double end = MillisecondsNow();
        sleeps.push_back({milliseconds, end - start, end});
    }
};

class BlockClock : public FirmwareDownloadObserver {
public:
    double transferStart = 0;
    double dataWritten = 0;
    std::vector<double> blockEnds;

    void OnTransferStart() override { transferStart = MillisecondsNow(); }
    void OnBlockSent(std::uint32_t, int) override { blockEnds.push_back(MillisecondsNow()); }
    void OnDataWritten() override { dataWritten = MillisecondsNow(); }
};

std::vector<std::uint8_t> MakeImage(std::size_t size) {
    std::vector<std::uint8_t> image = {'$', 'I', 'M', 'G'};
    image.resize(std::max<std::size_t>(size, image.size()));
    std::uint32_t state = 0x4D463430;
    for (std::size_t i = 4; i < image.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        image[i] = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

const char* OutcomeName(FirmwareDownloadOutcome outcome) {
    switch (outcome) {
        case FirmwareDownloadOutcome::Completed:
            return "completed";
        case FirmwareDownloadOutcome::FileNotOpened:
            return "file not opened";
        case FirmwareDownloadOutcome::WriteFailed:
            return "write failed";
        case FirmwareDownloadOutcome::ReadFailed:
            return "read failed";
    }
    return "?";
}

bool OneRun(int run, std::size_t size) {
    ScratchFolder scratch;
    const tstring statePath = scratch.File(TEXT("mf40sim.state"));
    const tstring imagePath = scratch.File(TEXT("timing.img"));
    const std::vector<std::uint8_t> image = MakeImage(size);
    if (!PutFileBytes(imagePath, std::string_view(reinterpret_cast<const char*>(image.data()),
                                                  image.size()))) {
        std::printf("cannot write %s\n", pd::Utf8FromText(imagePath).c_str());
        return false;
    }

    if (DemoPipesServed()) {
        std::printf("another simulator serves the demo pipes; stop it first\n");
        return false;
    }
    ChildProcess simulator;
    std::string error;
    const tstring arguments =
        TEXT("--state \"") + statePath + TEXT("\" --exit-with ") + ToTString(GetCurrentProcessId());
    if (!simulator.Start(DemoFolder() + TEXT("\\mf40sim.exe"), arguments, scratch.path(),
                         scratch.File(TEXT("mf40sim.log")), &error)) {
        std::printf("%s\n", error.c_str());
        return false;
    }
    for (DWORD waited = 0; !DemoPipesServed() && waited < kServeWithinMs; waited += kPollMs) {
        Sleep(kPollMs);
    }
    if (!DemoPipesServed()) {
        std::printf("the simulator did not serve its pipes\n");
        return false;
    }

    TimedOs os;
    DeviceLink link(os);
    link.DetectOsFamily();
    link.SelectLink();
    if (link.state().linkIndex != LinkKind::Usb) {
        std::printf("the link is not USB: the stand-in usbpipe.dll was not found\n");
        return false;
    }

    BlockClock clock;
    const double start = MillisecondsNow();
    const FirmwareDownloadOutcome outcome =
        DownloadFirmware(link, pd::Utf8FromText(imagePath), clock);
    const double total = MillisecondsNow() - start;

    double slept = 0;
    std::uint64_t asked = 0;
    std::string pauses;
    for (const auto& sleep : os.sleeps) {
        slept += sleep.took;
        asked += sleep.asked;
        pauses += (pauses.empty() ? "" : " + ") + std::to_string(sleep.asked);
    }
    // The first block begins when the pause before it ends.
    double previous = clock.transferStart;
    for (const auto& sleep : os.sleeps) {
        if (sleep.asked == kFirmwareBeforeFirstBlockMs) previous = sleep.ended;
    }
    const double firstBlockBegins = previous;
    std::vector<double> blocks;
    for (double end : clock.blockEnds) {
        blocks.push_back(end - previous);
        previous = end;
    }
    std::vector<double> sorted = blocks;
    std::sort(sorted.begin(), sorted.end());

    std::printf("run %d: %zu bytes, %zu blocks, %s\n", run, size, blocks.size(),
                OutcomeName(outcome));
    std::printf("  whole download          %9.1f ms\n", total);
    std::printf("  pauses asked for        %9llu ms (%s)\n", static_cast<unsigned long long>(asked),
                pauses.c_str());
    std::printf("  pauses really taken     %9.1f ms\n", slept);
    std::printf("  left without the pauses %9.1f ms\n", total - slept);
    double startPauses = 0;
    for (const auto& sleep : os.sleeps) {
        if (sleep.ended <= clock.transferStart) startPauses += sleep.took;
    }
    std::printf("  start, without pauses   %9.1f ms (file open, start command, its answer)\n",
                clock.transferStart - start - startPauses);
    if (!sorted.empty()) {
        std::printf("  first to last block     %9.1f ms\n",
                    clock.blockEnds.back() - firstBlockBegins);
        const auto at = [&](double share) {
            const auto index = static_cast<std::size_t>(share * static_cast<double>(sorted.size()));
            return sorted[std::min(sorted.size() - 1, index)];
        };
        std::printf("  block min/median/90%%/99%%/max  %.2f / %.2f / %.2f / %.2f / %.2f ms\n",
                    sorted.front(), at(0.5), at(0.9), at(0.99), sorted.back());
        std::printf("  all blocks at the median    %9.1f ms\n",
                    at(0.5) * static_cast<double>(sorted.size()));
    }

    Sleep(kStateSavedMs);
    Win32Os plain;
    const sim::LoadedDeviceState saved = sim::LoadDeviceState(plain, pd::Utf8FromText(statePath));
    const bool same = saved.state.firmwareImage == image;
    std::printf("  device holds the image: %s (%zu bytes)\n", same ? "yes, byte for byte" : "NO",
                saved.state.firmwareImage.size());
    simulator.Kill();
    return outcome == FirmwareDownloadOutcome::Completed && same;
}

}  // namespace
}  // namespace pd::e2e

int _tmain(int argc, TCHAR** argv) {
    std::size_t size = 1024 * 1024;
    int runs = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const pd::tstring option = argv[i];
        if (option == TEXT("--size")) {
            size = _tcstoul(argv[i + 1], nullptr, 10);
        } else if (option == TEXT("--runs")) {
            runs = static_cast<int>(_tcstol(argv[i + 1], nullptr, 10));
        }
    }
    // The maker's libraries are looked for on the standard search path, which ends with the
    // current folder: the demo folder, with the stand-ins.
    if (!SetCurrentDirectory(pd::e2e::DemoFolder().c_str())) {
        std::printf("no demo folder at %s\n", pd::Utf8FromText(pd::e2e::DemoFolder()).c_str());
        return 1;
    }
    bool good = true;
    for (int run = 1; run <= runs; ++run) good = pd::e2e::OneRun(run, size) && good;
    return good ? 0 : 1;
}
