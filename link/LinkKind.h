// The routes to the device and the port-name table they index.
#pragma once

#include <cstdint>

namespace pd {

enum class LinkKind : std::int32_t {
    Usb = 0,   // USB pipes; the table name is never opened
    Lpt1 = 1,  // port files with comm time-outs
    Lpt2 = 2,
    Lpt3 = 3,
    Ecp1 = 4,  // the maker's ECP driver devices
    Ecp2 = 5,
    Ecp3 = 6,
};

inline constexpr int kLinkKindCount = 7;

// The port-name table, indexed by LinkKind. The firmware download opens the ECP rows itself,
// so the table is shared rather than private to the channel.
inline constexpr const char* kLinkNames[kLinkKindCount] = {
    "USB", "LPT1", "LPT2", "LPT3", R"(\\.\LptxEcp1)", R"(\\.\LptxEcp2)", R"(\\.\LptxEcp3)",
};

inline const char* LinkName(LinkKind kind) {
    const auto index = static_cast<std::int32_t>(kind);
    return index >= 0 && index < kLinkKindCount ? kLinkNames[index] : "";
}

// The second and third ECP rows are driver devices like the first, so they go the driver's
// way everywhere (its control codes before reads, no comm time-outs, its own firmware route):
// treated as port files, they would be sent comm time-out calls the driver does not know.
// Start-up never chooses them; only an explicit port choice does.
inline bool IsEcpLink(LinkKind kind) {
    return kind == LinkKind::Ecp1 || kind == LinkKind::Ecp2 || kind == LinkKind::Ecp3;
}

}  // namespace pd
