// The check a file passes before it is offered to the device as a firmware image: it opens,
// and its first four bytes are "$IMG". Nothing else in the file is looked at.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Os.h"

namespace pd {

inline constexpr std::array<std::uint8_t, 4> kFirmwareImageSignature = {0x24, 0x49, 0x4D, 0x47};

struct FirmwareImageCheck {
    bool opened = false;  // false: the file could not be opened for reading
    FileError openError = FileError::None;  // why, when it could not
    bool valid = false;   // opened, and the image signature is at offset 0
    std::uint64_t size = 0;

    // The size as the page shows it: the decimal byte count, a space, "Byte".
    std::string SizeText() const;
};

// Opens `path` for reading (other readers allowed), takes its size and its first four bytes,
// and closes it again.
FirmwareImageCheck CheckFirmwareImage(Os& os, const std::string& path);

}  // namespace pd
