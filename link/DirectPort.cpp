#include "link/DirectPort.h"

#include <utility>

namespace pd {

namespace {

constexpr std::uint32_t kMillisecondsPerSecond = 1000;

// Runs its action when the scope is left, whichever way.
template <typename Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { action_(); }

private:
    Action action_;
};

bool Bit(std::uint8_t value, int bit) { return ((value >> bit) & 1) != 0; }

// The four data lines of one nibble, least significant first: nFault, Select, PError, Busy.
std::uint8_t NibbleFromStatus(std::uint8_t statusValue) {
    const bool busyLine = !Bit(statusValue, status::kBusy);
    return static_cast<std::uint8_t>(
        (busyLine ? 8 : 0) + (Bit(statusValue, status::kPError) ? 4 : 0) +
        (Bit(statusValue, status::kSelect) ? 2 : 0) + (Bit(statusValue, status::kFault) ? 1 : 0));
}

}  // namespace

std::uint16_t DirectPort::DiscoverPortBase() {
    portBase_ = os_.BiosWord(kBiosFirstParallelPort);
    return portBase_;
}

std::uint16_t DirectPort::KnownPortBase() {
    return portBase_ != 0 ? portBase_ : DiscoverPortBase();
}

void DirectPort::WriteControl(std::uint16_t base) {
    os_.PortOut(static_cast<std::uint16_t>(base + kControlRegister),
                static_cast<std::uint8_t>(controlShadow_ ^ control::kInvertedByHardware));
}

void DirectPort::SetControl(std::uint16_t base, std::uint8_t line, bool high) {
    controlShadow_ =
        static_cast<std::uint8_t>(high ? controlShadow_ | line : controlShadow_ & ~line);
    WriteControl(base);
}

bool DirectPort::StatusLine(std::uint16_t base, int bit) {
    if (bit == status::kBusy) return !Bit(ReadStatus(base), bit);
    // The second read gives the line time to settle after the device changed it.
    ReadStatus(base);
    return Bit(ReadStatus(base), bit);
}

bool DirectPort::WaitStatusLine(std::uint16_t base, int bit, bool level, std::uint32_t seconds) {
    const std::uint32_t limit = seconds * kMillisecondsPerSecond;
    const std::uint32_t start = os_.TickCount();
    // Elapsed time modulo 2^32, so a wrap of the tick counter neither ends nor stretches it.
    std::uint32_t elapsed = 0;
    while (elapsed < limit) {
        if (StatusLine(base, bit) == level) return false;
        elapsed = os_.TickCount() - start;
    }
    return true;
}

bool DirectPort::ForwardWriteByte(std::uint16_t base, std::uint8_t byte) {
    os_.PortOut(static_cast<std::uint16_t>(base + kDataRegister), byte);
    SetControl(base, control::kStrobe, false);
    // A device that never answers the strobe is left with it: there is no state to return
    // to that it would understand better.
    if (WaitStatusLine(base, status::kBusy, true, kHandshakeStepSeconds)) return false;
    SetControl(base, control::kStrobe, true);
    // Busy alone paces the bytes; the nAck pulse that comes with it is not watched.
    return !WaitStatusLine(base, status::kBusy, false, kHandshakeStepSeconds);
}

bool DirectPort::NegotiateReverse(std::uint16_t base, std::uint8_t extensibility) {
    // Start from the compatibility idle lines whatever the shadow says; the shadow is set
    // whole at event 1.
    os_.PortOut(static_cast<std::uint16_t>(base + kControlRegister),
                control::kCompatibilityIdle ^ control::kInvertedByHardware);
    os_.PortOut(static_cast<std::uint16_t>(base + kDataRegister), extensibility);  // event 0

    // Event 1: nSelectIn high and nAutoFd low ask a 1284 device to negotiate.
    controlShadow_ = control::kStrobe | control::kInit | control::kSelectIn;
    WriteControl(base);

    // Event 2: a 1284 device answers with nAck low, nFault, Select and PError high.
    if (WaitStatusLine(base, status::kAck, false, kHandshakeStepSeconds) ||
        WaitStatusLine(base, status::kFault, true, kHandshakeStepSeconds) ||
        WaitStatusLine(base, status::kSelect, true, kHandshakeStepSeconds) ||
        WaitStatusLine(base, status::kPError, true, kHandshakeStepSeconds)) {
        return false;
    }

    // Events 3 and 4: strobe the extensibility byte in and raise nAutoFd.
    controlShadow_ = control::kAutoFd | control::kInit | control::kSelectIn;
    WriteControl(base);
    controlShadow_ |= control::kStrobe;
    WriteControl(base);

    // Event 6: nAck high ends the negotiation. The XFlag of event 5 is not examined: every
    // 1284 device supports nibble mode.
    return !WaitStatusLine(base, status::kAck, true, kHandshakeStepSeconds);
}

bool DirectPort::ReadNibbleByte(std::uint16_t base, std::uint8_t* byte) {
    // nDataAvail low: the device has a byte for us.
    if (WaitStatusLine(base, status::kFault, false, kHandshakeStepSeconds)) return false;

    SetControl(base, control::kAutoFd, false);  // event 7: host ready for a nibble
    if (WaitStatusLine(base, status::kAck, false, kHandshakeStepSeconds)) return false;  // 9
    std::uint8_t value = NibbleFromStatus(ReadStatus(base));
    SetControl(base, control::kAutoFd, true);  // event 10, written twice to let it settle
    WriteControl(base);
    if (WaitStatusLine(base, status::kAck, true, kHandshakeStepSeconds)) return false;  // 11

    SetControl(base, control::kAutoFd, false);  // event 7 of the second nibble
    WriteControl(base);
    if (WaitStatusLine(base, status::kAck, false, kHandshakeStepSeconds)) return false;  // 9
    value = static_cast<std::uint8_t>(value | NibbleFromStatus(ReadStatus(base)) << 4);
    SetControl(base, control::kAutoFd, true);                                           // event 10
    if (WaitStatusLine(base, status::kAck, true, kHandshakeStepSeconds)) return false;  // 11

    // Only a whole byte reaches the caller's buffer, which stays zero where nothing came.
    *byte = value;
    return true;
}

bool DirectPort::TerminateReverse(std::uint16_t base) {
    // Event 22: nSelectIn low and nAutoFd high ask the device back to compatibility mode.
    controlShadow_ =
        static_cast<std::uint8_t>((controlShadow_ & ~control::kSelectIn) | control::kAutoFd);
    WriteControl(base);

    // Events 23 and 24: Busy and nFault high, then nAck low.
    if (WaitStatusLine(base, status::kBusy, true, kHandshakeStepSeconds) ||
        WaitStatusLine(base, status::kFault, true, kHandshakeStepSeconds) ||
        WaitStatusLine(base, status::kAck, false, kHandshakeStepSeconds)) {
        return false;
    }

    SetControl(base, control::kAutoFd, false);  // event 25
    // Event 28 on every way out, so that the port is at the compatibility idle lines even
    // when the device never finished its side. A time-out at event 27 would otherwise leave
    // nAutoFd low, and the next forward write, which never negotiates, would start from a
    // port still half-way through a termination; raising it costs a device that did finish
    // nothing, so it stays.
    ScopeExit release([&] { SetControl(base, control::kAutoFd, true); });
    // Event 27: Busy still high, nAck back high.
    return !WaitStatusLine(base, status::kBusy, true, kHandshakeStepSeconds) &&
           !WaitStatusLine(base, status::kAck, true, kHandshakeStepSeconds);
}

int DirectPort::DirectPortWrite(const std::uint8_t* data, int length) {
    const std::uint16_t base = KnownPortBase();
    // Without a first parallel port there is no address that could safely be touched.
    if (base == 0) return 0;
    int written = 0;
    while (written < length && ForwardWriteByte(base, data[written])) ++written;
    return written;
}

int DirectPort::DirectPortRead(std::uint8_t* buffer, int capacity) {
    const std::uint16_t base = KnownPortBase();
    if (base == 0) return 0;
    // However the negotiation or a byte ends, the device is walked back to compatibility
    // mode, where the next write expects it.
    ScopeExit terminate([&] { TerminateReverse(base); });
    // A device that missed the negotiation still gets the chance to signal data.
    NegotiateReverse(base, kNibbleModeRequest);
    int received = 0;
    while (received < capacity && ReadNibbleByte(base, &buffer[received])) ++received;
    return received;
}

}  // namespace pd
