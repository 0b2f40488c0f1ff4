// The fake machine for fuzzing: FakeOs with a limit on virtual time and on calls, so that an
// operation that would never end stops the run instead, plus the misbehaviour of drivers and
// files that the virtual device itself cannot show (counts that lie, short and failing file
// reads, a file size that is not the file's).
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>

#include "fuzz/FuzzInput.h"
#include "testing/FakeOs.h"

namespace pd::fuzz {

// Files the targets create live under this drive; every other path the core opens is the
// device (port files, the ECP driver, the USB pipes).
inline constexpr const char* kFileDrive = "C:\\";

class FuzzOs : public FakeOs {
public:
    using FakeOs::FakeOs;

    // From now on the operation may spend `milliseconds` of virtual time. Calls that do not
    // move the clock (file and port access, the libraries' transfers) are limited too, to a
    // count that no loop which waits on the clock can reach.
    void Allow(std::uint64_t milliseconds) {
        deadline_ = elapsed() + milliseconds;
        callLimit_ = 4 * milliseconds + 100000;
        callsMade_ = 0;
    }

    // Device transfers report these counts, one per call, instead of what really moved: a
    // driver or library that reports nonsense.
    std::deque<long long> reportedCounts;
    // Reads of the targets' files move at most this many bytes each.
    std::optional<std::uint32_t> fileReadChunk;
    // Reads of the targets' files fail from the nth (1-based) on.
    std::optional<int> failFileReadsFrom;
    // What the size query says instead of the file's size.
    std::optional<std::uint64_t> reportedFileSize;

    FileHandle OpenFile(const std::string& path, std::uint32_t desiredAccess,
                        std::uint32_t shareMode, std::uint32_t creationDisposition,
                        std::uint32_t flagsAndAttributes) override {
        CountCall();
        const FileHandle file = FakeOs::OpenFile(path, desiredAccess, shareMode,
                                                 creationDisposition, flagsAndAttributes);
        if (file != kNoFile && path.rfind(kFileDrive, 0) != 0) deviceFiles_.insert(file);
        return file;
    }

    bool ReadFile(FileHandle file, void* buffer, std::uint32_t count,
                  std::uint32_t* done) override {
        CountCall();
        if (deviceFiles_.count(file) != 0) {
            const bool ok = FakeOs::ReadFile(file, buffer, count, done);
            Report(done);
            return ok;
        }
        ++fileReads_;
        if (failFileReadsFrom && fileReads_ >= *failFileReadsFrom) {
            *done = 0;
            return false;
        }
        if (fileReadChunk) count = std::min(count, *fileReadChunk);
        return FakeOs::ReadFile(file, buffer, count, done);
    }

    bool WriteFile(FileHandle file, const void* data, std::uint32_t count,
                   std::uint32_t* done) override {
        CountCall();
        const bool ok = FakeOs::WriteFile(file, data, count, done);
        if (deviceFiles_.count(file) != 0) Report(done);
        return ok;
    }

    bool GetFileSize(FileHandle file, std::uint64_t* size) override {
        CountCall();
        const bool ok = FakeOs::GetFileSize(file, size);
        if (ok && reportedFileSize) *size = *reportedFileSize;
        return ok;
    }

    int CallEntryPoint(ProcAddress proc, void* buffer, int count) override {
        CountCall();
        int result = FakeOs::CallEntryPoint(proc, buffer, count);
        if (!reportedCounts.empty()) {
            result = static_cast<int>(reportedCounts.front());
            reportedCounts.pop_front();
        }
        return result;
    }

    std::uint32_t TickCount() override {
        const std::uint32_t now = FakeOs::TickCount();
        CheckTime();
        return now;
    }

    void Sleep(std::uint32_t milliseconds) override {
        FakeOs::Sleep(milliseconds);
        CheckTime();
    }

    std::uint8_t PortIn(std::uint16_t port) override {
        CountCall();
        return FakeOs::PortIn(port);
    }

    void PortOut(std::uint16_t port, std::uint8_t value) override {
        CountCall();
        FakeOs::PortOut(port, value);
    }

private:
    void Report(std::uint32_t* done) {
        if (reportedCounts.empty()) return;
        *done = static_cast<std::uint32_t>(reportedCounts.front());
        reportedCounts.pop_front();
    }

    void CheckTime() const {
        PD_FUZZ_CHECK(elapsed() <= deadline_,
                      "the operation did not end within its virtual time (" +
                          std::to_string(deadline_) + " ms since the fake machine started)");
    }

    void CountCall() {
        ++callsMade_;
        PD_FUZZ_CHECK(callsMade_ <= callLimit_,
                      "the operation made " + std::to_string(callsMade_) +
                          " calls without the clock moving enough to end it");
    }

    std::uint64_t deadline_ = UINT64_MAX;
    std::uint64_t callLimit_ = UINT64_MAX;
    std::uint64_t callsMade_ = 0;
    int fileReads_ = 0;
    std::set<FileHandle> deviceFiles_;
};

}  // namespace pd::fuzz
