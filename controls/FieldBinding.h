// A control of a page bound to one byte of a device record: a drop-down list whose position
// is the byte, or a check box whose state is. A page keeps a table of them and its shown
// values in an array of the same order.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace pd {

template <typename Record>
struct FieldBinding {
    int id;
    std::uint8_t Record::*field;
};

// True when control `id` is one of the table's.
template <typename Record, std::size_t Count>
bool Binds(const FieldBinding<Record> (&table)[Count], int id) {
    return std::ranges::any_of(table, [id](const FieldBinding<Record>& b) { return b.id == id; });
}

// The record's bytes as the page's values.
template <typename Record, std::size_t Count>
void ShowFields(const FieldBinding<Record> (&table)[Count], const Record& record,
                std::array<int, Count>& values) {
    for (std::size_t i = 0; i < Count; ++i) values[i] = record.*table[i].field;
}

// The page's values into the record: the low byte of each, so a list without a selection
// (-1) gives 0xFF.
template <typename Record, std::size_t Count>
void StoreFields(const FieldBinding<Record> (&table)[Count], const std::array<int, Count>& values,
                 Record& record) {
    for (std::size_t i = 0; i < Count; ++i) {
        record.*table[i].field = static_cast<std::uint8_t>(values[i]);
    }
}

}  // namespace pd
