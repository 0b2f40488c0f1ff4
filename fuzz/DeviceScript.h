// The part of a fuzz input that sets up the device's end: which route the panel uses, which
// faults the virtual device shows, and which counts the drivers report. Every device target
// starts with it; the seeds write it with FuzzOutput.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzOs.h"
#include "link/DeviceLink.h"
#include "sim/VirtualDevice.h"

namespace pd::fuzz {

enum class Route : std::uint8_t {
    Lpt,     // LPT1 port file
    Ecp,     // the ECP driver
    UsbNt5,  // USB on Windows XP: short writes through the pipe, reads through the library
    Usb9x,   // USB on Windows 98: both pipes as files
    Direct,  // the port registers on Windows 95, against the register-level peripheral
};
// The routes of the block exchanges; the direct route is too slow per byte for five-kilobyte
// replies and has a target of its own.
inline constexpr int kChannelRouteCount = 4;
inline constexpr int kRouteCount = 5;

// Puts the panel on `route` the way start-up would, then forgets the calls that took.
inline void Connect(FuzzOs& os, DeviceLink& link, Route route) {
    switch (route) {
        case Route::Lpt:
            link.UseLink(LinkKind::Lpt1);
            break;
        case Route::Ecp:
            link.UseLink(LinkKind::Ecp1);
            break;
        case Route::UsbNt5:
            os.SetVersion(kPlatformNt, 5, 1);
            link.DetectOsFamily();
            link.SelectLink();
            break;
        case Route::Usb9x:
            os.SetVersion(kPlatformWin9x, 4, 10);
            link.DetectOsFamily();
            link.SelectLink();
            break;
        case Route::Direct:
            os.SetVersion(kPlatformWin9x, 4, 0);
            link.DetectOsFamily();
            link.SelectLink();
            break;
    }
    os.ClearCalls();
}

struct DeviceScript {
    Route route = Route::Lpt;
    sim::DeviceFaults faults;
    std::vector<long long> reportedCounts;

    // Flag bits of the encoded form; each set flag is followed by its fields, in this order.
    enum Flag : std::uint8_t {
        kSilent = 0x01,
        kUnplugged = 0x02,
        kReplyLimit = 0x04,         // be16
        kReplyHeaderLength = 0x08,  // be16
        kSendLimit = 0x10,          // be16
        kAcceptBudget = 0x20,       // be16
        kPieces = 0x40,             // n, n x be16 (sends); m, m x be16 (receives)
        kReportedCounts = 0x80,     // n, n x be32 (two's complement)
    };

    // The counts the host sees are the counts that moved: checks that compare the two hold.
    bool CountsAreHonest() const { return reportedCounts.empty(); }

    static DeviceScript Read(FuzzInput& input, int routeCount) {
        DeviceScript script;
        script.route = static_cast<Route>(input.Byte() % routeCount);
        const std::uint8_t flags = input.Byte();
        sim::DeviceFaults& f = script.faults;
        f.silent = (flags & kSilent) != 0;
        f.unplugged = (flags & kUnplugged) != 0;
        if (flags & kReplyLimit) f.replyLimit = input.Be16();
        if (flags & kReplyHeaderLength) f.replyHeaderLength = input.Be16();
        if (flags & kSendLimit) f.sendLimit = input.Be16();
        if (flags & kAcceptBudget) f.acceptBudget = input.Be16();
        if (flags & kPieces) {
            for (int n = input.Byte(); n > 0; --n) f.sendPieces.push_back(input.Be16());
            for (int n = input.Byte(); n > 0; --n) f.receivePieces.push_back(input.Be16());
        }
        if (flags & kReportedCounts) {
            for (int n = input.Byte(); n > 0; --n) {
                script.reportedCounts.push_back(static_cast<std::int32_t>(input.Be32()));
            }
        }
        return script;
    }

    void Write(FuzzOutput& output) const {
        const sim::DeviceFaults& f = faults;
        const bool pieces = !f.sendPieces.empty() || !f.receivePieces.empty();
        std::uint8_t flags = 0;
        if (f.silent) flags |= kSilent;
        if (f.unplugged) flags |= kUnplugged;
        if (f.replyLimit) flags |= kReplyLimit;
        if (f.replyHeaderLength) flags |= kReplyHeaderLength;
        if (f.sendLimit) flags |= kSendLimit;
        if (f.acceptBudget) flags |= kAcceptBudget;
        if (pieces) flags |= kPieces;
        if (!reportedCounts.empty()) flags |= kReportedCounts;
        output.Byte(static_cast<std::uint8_t>(route)).Byte(flags);
        if (f.replyLimit) output.Be16(static_cast<std::uint16_t>(*f.replyLimit));
        if (f.replyHeaderLength) output.Be16(*f.replyHeaderLength);
        if (f.sendLimit) output.Be16(static_cast<std::uint16_t>(*f.sendLimit));
        if (f.acceptBudget) output.Be16(static_cast<std::uint16_t>(*f.acceptBudget));
        if (pieces) {
            output.Byte(static_cast<std::uint8_t>(f.sendPieces.size()));
            for (std::size_t piece : f.sendPieces) output.Be16(static_cast<std::uint16_t>(piece));
            output.Byte(static_cast<std::uint8_t>(f.receivePieces.size()));
            for (std::size_t piece : f.receivePieces) {
                output.Be16(static_cast<std::uint16_t>(piece));
            }
        }
        if (!reportedCounts.empty()) {
            output.Byte(static_cast<std::uint8_t>(reportedCounts.size()));
            for (long long count : reportedCounts) output.Be32(static_cast<std::uint32_t>(count));
        }
    }

    // After Connect: the faults go to the device, the lying counts to the machine, and the
    // device starts keeping its traffic for the checks.
    void Apply(FuzzOs& os, sim::VirtualDevice& device) const {
        device.faults = faults;
        device.traffic.emplace();
        os.reportedCounts.assign(reportedCounts.begin(), reportedCounts.end());
    }
};

// The device and the panel's link of a target that feeds one exchange: connected on the
// script's route as start-up would, the script applied, and `reply`, when the input left one,
// given in place of the device's own answer to the first command.
struct ScriptedExchange {
    ScriptedExchange(const DeviceScript& script, std::span<const std::uint8_t> reply) {
        Connect(os, link, script.route);
        script.Apply(os, device);
        if (!reply.empty()) device.OverrideNextReply(Bytes(reply.begin(), reply.end()));
    }

    sim::VirtualDevice device;
    FuzzOs os{device};
    DeviceLink link{os};
};

// What the device sent, as the host's reads received it when the counts are honest.
inline std::size_t SentCount(const sim::DeviceTraffic& traffic) { return traffic.sentBytes.size(); }

// True when `prefix` is the first bytes of `whole`.
inline bool IsPrefix(std::span<const std::uint8_t> prefix, std::span<const std::uint8_t> whole) {
    return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

// The reply rule of the write acknowledgements and the fax settings: the count is the
// header's length plus 4, a count of 4 or fewer counting as length 0.
inline bool ReplyRuleHolds(std::span<const std::uint8_t> reply) {
    const std::size_t count = reply.size();
    const std::size_t length = count > 4 ? (std::size_t{reply[2]} << 8) | reply[3] : 0;
    return count == length + 4;
}

}  // namespace pd::fuzz
