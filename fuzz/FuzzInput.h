// Reading a fuzz input as a little script, writing one for the seed corpus, and stopping the
// run with a report when an invariant breaks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pd::fuzz {

using Bytes = std::vector<std::uint8_t>;

// Takes fields from the front of the input. An input that runs out reads as zeros, so every
// input, however short, is a complete script.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

    std::uint8_t Byte() { return data_.empty() ? 0 : Consume(1)[0]; }
    std::uint16_t Be16() { return static_cast<std::uint16_t>((Byte() << 8) | Byte()); }
    std::uint32_t Be32() { return (std::uint32_t{Be16()} << 16) | Be16(); }
    // Up to `count` bytes; fewer when the input ends first.
    std::span<const std::uint8_t> Take(std::size_t count) {
        return Consume(std::min(count, data_.size()));
    }
    std::span<const std::uint8_t> Rest() { return Consume(data_.size()); }
    bool empty() const { return data_.empty(); }

private:
    std::span<const std::uint8_t> Consume(std::size_t count) {
        const auto taken = data_.first(count);
        data_ = data_.subspan(count);
        return taken;
    }

    std::span<const std::uint8_t> data_;
};

// The whole input as text, for the targets that read files of text.
inline std::string_view InputText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The same fields written out, for the seeds.
class FuzzOutput {
public:
    FuzzOutput& Byte(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    FuzzOutput& Be16(std::uint16_t value) {
        return Byte(static_cast<std::uint8_t>(value >> 8)).Byte(static_cast<std::uint8_t>(value));
    }
    FuzzOutput& Be32(std::uint32_t value) {
        return Be16(static_cast<std::uint16_t>(value >> 16))
            .Be16(static_cast<std::uint16_t>(value));
    }
    FuzzOutput& Append(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

[[noreturn]] inline void InvariantBroken(const char* file, int line, const char* condition,
                                         const std::string& what) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n    check: %s\n", file, line, what.c_str(),
                 condition);
    std::abort();  // libFuzzer keeps the input that got here
}

}  // namespace pd::fuzz

// Stops the run, and so keeps the input, when `condition` does not hold.
#define PD_FUZZ_CHECK(condition, what)                                                       \
    do {                                                                                     \
        if (!(condition)) ::pd::fuzz::InvariantBroken(__FILE__, __LINE__, #condition, what); \
    } while (false)
