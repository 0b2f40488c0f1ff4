// What the record tests share: a virtual device at the end of the ECP route, the fake OS with
// its virtual clock, and helpers for literal wire bytes and whole-record comparisons.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "link/DeviceLink.h"
#include "sim/VirtualDevice.h"
#include "testing/FakeOs.h"

namespace pd::recordtest {

using sim::Bytes;

// Ticks the busy wait itself reads past its length; anything beyond means an extra wait.
inline constexpr std::uint64_t kWaitSlackMs = 5;

struct RecordBench {
    RecordBench() { link.UseLink(LinkKind::Ecp1); }

    // Runs one operation and returns the virtual milliseconds it took.
    std::uint64_t Timed(const std::function<void()>& operation) {
        const std::uint64_t start = os.elapsed();
        operation();
        return os.elapsed() - start;
    }
    int Reads() const { return os.CountCalls("ReadFile"); }

    sim::VirtualDevice device;
    FakeOs os{device};
    DeviceLink link{os};
};

// Wire bytes written as a string literal (use the s suffix so that zero bytes survive).
inline Bytes Wire(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Every byte of a record, padding and terminators included, to prove a record untouched.
template <typename Record>
std::array<std::uint8_t, sizeof(Record)> RawBytes(const Record& record) {
    std::array<std::uint8_t, sizeof(Record)> bytes;
    std::memcpy(bytes.data(), &record, sizeof(Record));
    return bytes;
}

// A record filled with a byte no reply in these tests carries, so that a stray write shows.
template <typename Record>
Record Poisoned() {
    Record record;
    std::memset(static_cast<void*>(&record), 0xA5, sizeof(Record));
    return record;
}

// Stores `text` the way the pages do: the whole capacity cleared, then the characters.
template <std::size_t Capacity>
void SetText(char (&field)[Capacity], std::string_view text) {
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy_n(text.begin(), std::min(text.size(), Capacity - 1), field);
}

inline void ExpectWaited(std::uint64_t spent, std::uint64_t waitMs) {
    EXPECT_GE(spent, waitMs) << "the exchange must spend its whole wait";
    EXPECT_LE(spent, waitMs + kWaitSlackMs) << "the exchange waited longer than its one wait";
}

inline void ExpectScriptFollowed(const sim::VirtualDevice& device) {
    EXPECT_TRUE(device.ScriptDone()) << "the device never saw the expected frame";
    for (const auto& mismatch : device.ScriptMismatches()) ADD_FAILURE() << mismatch;
}

}  // namespace pd::recordtest
