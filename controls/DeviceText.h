// Device texts and phonebook texts are single-byte Windows-1252 characters; the user
// interface is UTF-16 in the wide program and the system's ANSI code page in the ANSI one.
// Every window crosses here, through the one codec, whatever the system's own code page is.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "win32/TextMode.h"

namespace pd {

// Every byte of `bytes` as its Windows-1252 character, as this mode shows it (on a system
// whose code page lacks one, as the closest it has, or '?').
tstring FromDeviceBytes(std::string_view bytes);
// One byte per character; a character Windows-1252 lacks becomes the closest one Windows
// knows for it, or '?' when it knows none.
std::string ToDeviceBytes(tstring_view text);
// The bytes for `text`, a field that showed `shownFrom`: those very bytes while the user has
// left it as it was shown, so that an untouched text goes back byte for byte even where the
// screen's code page cannot show all of it; otherwise what the user made of it.
std::string DeviceBytesFor(tstring_view text, std::string_view shownFrom);

// The length of a stored text: up to its first zero byte, never beyond the field.
template <std::size_t Capacity>
std::size_t DeviceTextLength(const char (&field)[Capacity]) {
    return static_cast<std::size_t>(std::find(field, field + Capacity, '\0') - field);
}

// A stored device text as the user sees it, spaces and all.
template <std::size_t Capacity>
tstring FromDeviceText(const char (&field)[Capacity]) {
    return FromDeviceBytes(std::string_view(field, DeviceTextLength(field)));
}

// Stores `text`, shown from this field, back in the device text field of `Capacity` bytes (its
// width and a terminator): the whole field is cleared, then at most its width of bytes is
// copied.
template <std::size_t Capacity>
void StoreDeviceText(char (&field)[Capacity], tstring_view text) {
    const std::string bytes =
        DeviceBytesFor(text, std::string_view(field, DeviceTextLength(field)));
    std::fill(field, field + Capacity, '\0');
    std::copy_n(bytes.begin(), std::min(bytes.size(), Capacity - 1), field);
}

// Turns each trailing space of a stored text into a zero byte, from the end backwards.
template <std::size_t Capacity>
void TrimDeviceText(char (&field)[Capacity]) {
    std::size_t length = DeviceTextLength(field);
    while (length > 0 && field[length - 1] == ' ') field[--length] = '\0';
}

}  // namespace pd
