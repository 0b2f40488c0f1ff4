// A chosen firmware file, checked and then downloaded: any contents, any size (and a size
// query that disagrees with the file), over every route, to a device that answers the start
// as it likes and takes any count per write.
//
// Input: DeviceScript (over all five routes), the device's start answers (a count and one
// byte each), the size mode (byte) and skew (be32), the most one read of the file moves
// during the download (be16, 0 for no limit), the read from which on reads of the file fail
// (byte, 0 for none), the file length (be32, 0 for the rest of the input as it is), then the
// file's bytes (repeated up to the length).
#include <algorithm>
#include <optional>

#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareImage.h"
#include "fuzz/DeviceScript.h"
#include "protocol/Frames.h"
#include "sim/Ieee1284Peripheral.h"

namespace pd::fuzz {
namespace {

constexpr const char* kImagePath = "C:\\images\\fuzz.img";
// Files grown from a short input stay small enough to run thousands of times a second; the
// direct route moves each byte by handshake and gets less.
constexpr std::uint32_t kLongestFile = 96 * 1024;
constexpr std::uint32_t kLongestDirectFile = 6 * 1024;
constexpr int kMostStartAnswers = 4;
constexpr std::size_t kMostFileReads = 256;

enum class SizeMode { True, Skewed, BeyondFourGigabytes };

class Observer : public FirmwareDownloadObserver {
public:
    explicit Observer(const sim::VirtualDevice& device) : device_(device) {}

    void OnFileOpened() override { Step(0); }
    void OnTransferStart() override {
        Step(1);
        startBytes = device_.traffic->taken.size();
    }
    void OnBlockSent(std::uint32_t sent, int percent) override {
        PD_FUZZ_CHECK(step_ == 1, "a block was reported before the start or after the end");
        PD_FUZZ_CHECK(sent > lastSent && sent - lastSent <= kFirmwareBlockSize,
                      "the sent count must grow by at most a block each time");
        PD_FUZZ_CHECK(percent >= lastPercent && percent <= 100,
                      "the percentage must grow and stay within 0..100");
        lastSent = sent;
        lastPercent = percent;
    }
    void OnDataWritten() override { Step(2); }

    std::optional<std::size_t> startBytes;  // what the device had taken when the blocks began
    std::uint32_t lastSent = 0;
    int lastPercent = 0;
    bool written() const { return step_ == 2; }

private:
    void Step(int expected) {
        PD_FUZZ_CHECK(step_ == expected - 1, "the download's steps came out of order");
        step_ = expected;
    }

    const sim::VirtualDevice& device_;
    int step_ = -1;
};

// The pattern repeated to `length` bytes, by doubling what is already there, so that a large
// file costs a few copies rather than a loop over every byte.
Bytes MakeFile(std::span<const std::uint8_t> pattern, std::uint32_t length) {
    if (length == 0) return Bytes(pattern.begin(), pattern.end());
    static constexpr std::uint8_t kDefaultPattern[] = {0x24, 0x49, 0x4D, 0x47, 0x00, 0x01,
                                                       0x7F, 0x80, 0xFE, 0xFF, 0x1B, 0x20};
    if (pattern.empty()) pattern = kDefaultPattern;
    Bytes file(length);
    std::size_t filled = std::min<std::size_t>(pattern.size(), length);
    std::copy_n(pattern.begin(), filled, file.begin());
    while (filled < length) {
        const std::size_t more = std::min<std::size_t>(filled, length - filled);
        std::copy_n(file.begin(), more, file.begin() + static_cast<std::ptrdiff_t>(filled));
        filled += more;
    }
    return file;
}

void CheckImageCheck(const FirmwareImageCheck& check, const Bytes& file, std::uint64_t size) {
    const bool signature =
        file.size() >= kFirmwareImageSignature.size() &&
        std::equal(kFirmwareImageSignature.begin(), kFirmwareImageSignature.end(), file.begin());
    const bool tooLarge = size > kLargestFirmwareImage;
    PD_FUZZ_CHECK(
        check.opened && check.tooLarge == tooLarge,
        "a file is too large exactly when the system reports more than the largest image");
    PD_FUZZ_CHECK(check.valid == (signature && !tooLarge),
                  "a file is valid exactly when it begins with $IMG and is not too large");
    PD_FUZZ_CHECK(check.size == size && check.SizeText() == std::to_string(size) + " Byte",
                  "the size shown is not the size the system reports");
}

// The longest a download may take: the start with its repeat, the pause before the blocks,
// two retry pauses per block, the wait after the last, and for the direct route the
// handshakes of every byte (a few milliseconds each when the device keeps pace, a second
// per step when it does not).
std::uint64_t LongestDownloadMs(std::uint64_t size, bool direct) {
    const std::uint64_t blocks = size / kFirmwareBlockSize + 1;
    std::uint64_t ms = 60000 + blocks * 3 * kFirmwareRetryPauseMs;
    if (direct) ms += (size + 32) * 20 + blocks * 3 * 2000;
    return ms;
}

}  // namespace
}  // namespace pd::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pd;
    using namespace pd::fuzz;
    FuzzInput input(data, size);
    const DeviceScript script = DeviceScript::Read(input, kRouteCount);
    std::deque<sim::StartAnswer> startAnswers;
    for (int n = input.Byte() % (kMostStartAnswers + 1); n > 0; --n) {
        startAnswers.push_back(static_cast<sim::StartAnswer>(input.Byte() % 4));
    }
    const auto sizeMode = static_cast<SizeMode>(input.Byte() % 3);
    const auto skew = static_cast<std::int32_t>(input.Be32());
    const std::uint16_t readChunk = input.Be16();
    const std::uint8_t failReadsFrom = input.Byte();
    const bool direct = script.route == Route::Direct;
    const std::uint32_t longest = direct ? kLongestDirectFile : kLongestFile;
    const std::uint32_t length = input.Be32() % (longest + 1);
    const Bytes file = MakeFile(input.Rest(), length);
    // Keeps the corpus to inputs that run fast: files of a sane size, read in a sane number
    // of pieces.
    if (file.size() > longest) return -1;
    if (readChunk != 0 && file.size() / readChunk > kMostFileReads) return -1;

    std::uint64_t reported = file.size();
    if (sizeMode == SizeMode::Skewed) {
        reported = static_cast<std::uint64_t>(
            std::max<std::int64_t>(0, static_cast<std::int64_t>(file.size()) + skew));
    } else if (sizeMode == SizeMode::BeyondFourGigabytes) {
        reported = (std::uint64_t{1} << 32) + static_cast<std::uint32_t>(skew);
    }

    sim::VirtualDevice device;
    FuzzOs os(device);
    os.PutFile(kImagePath, file);
    os.reportedFileSize = reported;
    DeviceLink link(os);
    Connect(os, link, script.route);
    std::optional<sim::Ieee1284Peripheral> peripheral;
    if (direct) peripheral.emplace(os, device);
    script.Apply(os, device);
    device.firmwareFaults.startAnswers = startAnswers;

    CheckImageCheck(CheckFirmwareImage(os, kImagePath), file, reported);

    // The check has read the file; the download meets the file's faults.
    if (readChunk != 0) os.fileReadChunk = readChunk;
    if (failReadsFrom != 0) os.failFileReadsFrom = 1 + failReadsFrom;
    Observer observer(device);
    const std::uint64_t toSend = std::min<std::uint64_t>(reported, file.size());
    os.Allow(LongestDownloadMs(toSend, direct));
    const FirmwareDownloadOutcome outcome = DownloadFirmware(link, kImagePath, observer);

    PD_FUZZ_CHECK(outcome != FirmwareDownloadOutcome::FileNotOpened, "the file was there");
    PD_FUZZ_CHECK(observer.written() == (outcome == FirmwareDownloadOutcome::Completed),
                  "the data-written step must come exactly with a completed download");
    PD_FUZZ_CHECK(observer.lastSent <= toSend, "the download claims more than the file holds");
    if (outcome == FirmwareDownloadOutcome::Completed) {
        PD_FUZZ_CHECK(reported <= file.size() && observer.lastSent == reported,
                      "a download completed without sending the whole file");
    }
    if (reported > UINT32_MAX || reported > file.size()) {
        PD_FUZZ_CHECK(outcome != FirmwareDownloadOutcome::Completed,
                      "a download completed with a size the file does not have");
    }

    const Bytes& taken = device.traffic->taken;
    const auto& start =
        script.route == Route::Lpt || script.route == Route::UsbNt5 || script.route == Route::Usb9x
            ? kFirmwareStartChannel
            : kFirmwareStartParallel;
    const std::size_t startBytes = observer.startBytes.value_or(taken.size());
    // Each start reaches the device whole or cut short; a library that overstates its count
    // hides the cut, and the next start follows the cut one. The escape byte begins a start
    // and appears nowhere else in it, so the takings split into starts unambiguously.
    int starts = 0;
    for (std::size_t at = 0; at < startBytes; ++starts) {
        std::size_t matched = 0;
        while (at + matched < startBytes && matched < start.size() &&
               taken[at + matched] == start[matched]) {
            ++matched;
        }
        PD_FUZZ_CHECK(matched > 0, "before the blocks the device may get starts only");
        at += matched;
    }
    PD_FUZZ_CHECK(starts <= 2, "the start is sent at most twice");
    if (script.CountsAreHonest()) {
        const auto image = std::span(taken).subspan(startBytes);
        PD_FUZZ_CHECK(image.size() <= toSend && IsPrefix(image, file),
                      "the device got more than the file, or bytes out of order");
        PD_FUZZ_CHECK(image.size() >= observer.lastSent,
                      "the page counts bytes the device never took");
        PD_FUZZ_CHECK(
            image.size() == observer.lastSent || outcome != FirmwareDownloadOutcome::Completed,
            "a completed download's count is not what the device took");
    }
    return 0;
}
