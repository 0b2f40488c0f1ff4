#include "protocol/PhonebookTable.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace pd {

namespace {

inline constexpr int kNameEndOffset = kNameOffset + kNameWidth;
inline constexpr int kNumberEndOffset = kNumberOffset + kNumberWidth;

// The text of a field up to its first zero byte, never beyond the field: entries that came
// from a file or the device may hold anything in the terminator bytes behind the fields.
std::string FieldText(std::span<const std::uint8_t, kEntrySize> entry, int offset, int width) {
    const auto* field = reinterpret_cast<const char*>(entry.data() + offset);
    return std::string(field, strnlen(field, static_cast<std::size_t>(width)));
}

// Copies `text` and its terminating zero into a field whose terminator byte follows it;
// a text longer than the field is cut to the field's width.
void PutFieldText(std::span<std::uint8_t, kEntrySize> entry, int offset, int width,
                  const std::string& text) {
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(width));
    std::memcpy(entry.data() + offset, text.data(), length);
    entry[static_cast<std::size_t>(offset) + length] = 0;
}

}  // namespace

PhonebookTable::PhonebookTable(int speedDialCount, int oneTouchCount)
    : speedDialCount_(std::max(speedDialCount, 0)),
      oneTouchCount_(std::max(oneTouchCount, 0)),
      count_(speedDialCount_ + oneTouchCount_),
      bytes_(static_cast<std::size_t>(count_) * kEntrySize, 0) {}

std::span<std::uint8_t, kEntrySize> PhonebookTable::Entry(int position) {
    assert(position >= 0 && position < count_);
    return std::span<std::uint8_t, kEntrySize>(
        bytes_.data() + static_cast<std::size_t>(position) * kEntrySize, kEntrySize);
}

std::span<const std::uint8_t, kEntrySize> PhonebookTable::Entry(int position) const {
    assert(position >= 0 && position < count_);
    return std::span<const std::uint8_t, kEntrySize>(
        bytes_.data() + static_cast<std::size_t>(position) * kEntrySize, kEntrySize);
}

bool PhonebookTable::Contains(int position) const { return position >= 0 && position < count_; }

std::string PhonebookTable::Name(int position) const {
    if (!Contains(position)) return {};
    return FieldText(Entry(position), kNameOffset, kNameWidth);
}

std::string PhonebookTable::Number(int position) const {
    if (!Contains(position)) return {};
    return FieldText(Entry(position), kNumberOffset, kNumberWidth);
}

void PhonebookTable::ClearEntry(int position) {
    if (!Contains(position)) return;
    const auto entry = Entry(position);
    // The terminator bytes stay as they are: the file keeps every byte of an entry.
    std::fill(entry.begin() + kNameOffset, entry.begin() + kNameEndOffset, std::uint8_t{0});
    std::fill(entry.begin() + kNumberOffset, entry.begin() + kNumberEndOffset, std::uint8_t{0});
}

void PhonebookTable::SetEntry(int position, const std::string& name, const std::string& number) {
    if (!Contains(position)) return;
    ClearEntry(position);
    const auto entry = Entry(position);
    PutFieldText(entry, kNameOffset, kNameWidth, name);
    PutFieldText(entry, kNumberOffset, kNumberWidth, number);
}

bool PhonebookTable::IsGroupDial(int position) const {
    return Contains(position) && Entry(position)[kNumberOffset] == kGroupDialMarker;
}

void PhonebookTable::ClearAllEntries() {
    // Group-dial entries belong to the device's group settings; the panel cannot make them.
    for (int position = 0; position < count_; ++position) {
        if (!IsGroupDial(position)) ClearEntry(position);
    }
}

}  // namespace pd
