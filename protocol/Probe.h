#pragma once

#include "link/DeviceLink.h"

namespace pd {

// True when the device answered the probe with more than the 4 header bytes; the reply's
// contents are not examined.
bool ProbeDevice(DeviceLink& link);

}  // namespace pd
