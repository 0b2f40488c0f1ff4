// The check a file passes before it is offered to the device as a firmware image: it opens,
// its first four bytes are "$IMG", and it is no larger than the download can send, whose
// count of bytes is a 32-bit one. Nothing else in the file is looked at.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Os.h"

namespace pd {

inline constexpr std::array<std::uint8_t, 4> kFirmwareImageSignature = {0x24, 0x49, 0x4D, 0x47};
// The largest image the download can send: its size is taken as an unsigned 32-bit count.
inline constexpr std::uint64_t kLargestFirmwareImage = 0xFFFFFFFFu;

struct FirmwareImageCheck {
    bool opened = false;                    // false: the file could not be opened for reading
    FileError openError = FileError::None;  // why, when it could not
    bool tooLarge = false;                  // larger than kLargestFirmwareImage
    bool valid = false;  // opened, the image signature at offset 0, and not too large
    std::uint64_t size = 0;

    // The size as the page shows it: the decimal byte count, a space, "Byte".
    std::string SizeText() const;
};

// Opens `path` for reading (other readers allowed), takes its size and its first four bytes,
// and closes it again. A name the system keeps for a device is not opened.
FirmwareImageCheck CheckFirmwareImage(Os& os, const std::string& path);

}  // namespace pd
