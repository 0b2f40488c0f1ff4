#include "sim/Ieee1284Peripheral.h"

namespace pd::sim {

namespace {

// The cable as the peripheral sees it. Kept apart from the host's own constants on purpose:
// a wrong bit on the host side must show up as a failed handshake, not cancel out.
constexpr std::uint8_t kStrobeLine = 0x01;
constexpr std::uint8_t kAutoFdLine = 0x02;
constexpr std::uint8_t kSelectInLine = 0x08;
constexpr std::uint8_t kControlLineMask = 0x0F;
constexpr std::uint8_t kControlInversion = 0x0B;  // nStrobe, nAutoFd, nSelectIn

constexpr int kFaultBit = 3;
constexpr int kSelectBit = 4;
constexpr int kPErrorBit = 5;
constexpr int kAckBit = 6;
constexpr int kBusyBit = 7;
constexpr std::uint8_t kBusyRegisterInversion = 0x80;
constexpr std::uint8_t kReservedStatusMask = 0x07;

// The nibble's data bits go out on nFault, Select, PError and Busy, least significant first.
constexpr int kNibbleLines[4] = {kFaultBit, kSelectBit, kPErrorBit, kBusyBit};

int Index(PeripheralEvent event) { return static_cast<int>(event); }

// SimulatedOs's virtual clock, read without moving it, and the virtual device.
class SimulatedCable : public CableEnd {
public:
    SimulatedCable(SimulatedOs& os, VirtualDevice& device) : os_(os), device_(device) {}
    std::uint32_t Now() override { return os_.PeekTick(); }
    std::size_t Receive(std::span<const std::uint8_t> data) override {
        return device_.Receive(data);
    }
    std::size_t Send(std::span<std::uint8_t> out) override { return device_.Send(out); }
    std::size_t PendingBytes() override { return device_.PendingBytes(); }

private:
    SimulatedOs& os_;
    VirtualDevice& device_;
};

}  // namespace

std::string PeripheralEventName(PeripheralEvent event) {
    switch (event) {
        case PeripheralEvent::ForwardBusy:
            return "device busy";
        case PeripheralEvent::ForwardAck:
            return "device ack";
        case PeripheralEvent::ForwardReady:
            return "device ready";
        case PeripheralEvent::Event2:
            return "device 2";
        case PeripheralEvent::Event5:
            return "device 5";
        case PeripheralEvent::Event6:
            return "device 6";
        case PeripheralEvent::Event8:
            return "device 8";
        case PeripheralEvent::Event9:
            return "device 9";
        case PeripheralEvent::Event11:
            return "device 11";
        case PeripheralEvent::Event23:
            return "device 23";
        case PeripheralEvent::Event24:
            return "device 24";
        case PeripheralEvent::Event27:
            return "device 27";
        case PeripheralEvent::CompatibilityIdle:
            return "device idle";
    }
    return "device ?";
}

Ieee1284Peripheral::Ieee1284Peripheral(SimulatedOs& os, VirtualDevice& device, std::uint16_t base)
    : ownEnd_(std::make_unique<SimulatedCable>(os, device)),
      end_(*ownEnd_),
      hookedOs_(&os),
      base_(base) {
    StartIdle();
    os.onPortIn = [this](std::uint16_t port) { return PortIn(port); };
    os.onPortOut = [this](std::uint16_t port, std::uint8_t value) { PortOut(port, value); };
}

Ieee1284Peripheral::Ieee1284Peripheral(CableEnd& end, std::uint16_t base, bool keepTrace)
    : end_(end), base_(base), keepTrace_(keepTrace) {
    StartIdle();
}

void Ieee1284Peripheral::StartIdle() {
    SetAllDelays(kDefaultReactionMs);
    // Back in compatibility mode at once after event 28, so that a write straight after a
    // read finds the device ready for it.
    SetDelay(PeripheralEvent::CompatibilityIdle, 0);
    Perform(PeripheralEvent::CompatibilityIdle);
    trace_.clear();
    occurrences_.fill(0);
}

Ieee1284Peripheral::~Ieee1284Peripheral() {
    if (hookedOs_ == nullptr) return;
    hookedOs_->onPortIn = nullptr;
    hookedOs_->onPortOut = nullptr;
}

void Ieee1284Peripheral::SetDelay(PeripheralEvent event, std::uint32_t milliseconds) {
    delays_[static_cast<std::size_t>(Index(event))] = milliseconds;
}

void Ieee1284Peripheral::SetAllDelays(std::uint32_t milliseconds) { delays_.fill(milliseconds); }

void Ieee1284Peripheral::StallAt(PeripheralEvent event, int occurrence) {
    stallEvent_ = event;
    stallOccurrence_ = occurrence;
}

void Ieee1284Peripheral::HoldStatusLine(int bit, bool level) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    holdMask_ |= mask;
    holdLevels_ = static_cast<std::uint8_t>(level ? holdLevels_ | mask : holdLevels_ & ~mask);
}

std::vector<std::string> Ieee1284Peripheral::TraceNames() const {
    std::vector<std::string> names;
    names.reserve(trace_.size());
    for (const auto& entry : trace_) names.push_back(entry.what);
    return names;
}

std::optional<std::uint32_t> Ieee1284Peripheral::TickOf(const std::string& what,
                                                        std::size_t from) const {
    for (std::size_t i = from; i < trace_.size(); ++i) {
        if (trace_[i].what == what) return trace_[i].tick;
    }
    return std::nullopt;
}

std::uint8_t Ieee1284Peripheral::StatusRegister() const {
    const std::uint8_t levels =
        static_cast<std::uint8_t>((lines_ & ~holdMask_) | (holdLevels_ & holdMask_));
    return static_cast<std::uint8_t>((levels ^ kBusyRegisterInversion) & ~kReservedStatusMask) |
           static_cast<std::uint8_t>(reservedStatusBits & kReservedStatusMask);
}

std::uint8_t Ieee1284Peripheral::PortIn(std::uint16_t port) {
    if (port != base_ + 1) return 0xFF;  // the host reads nothing else
    Advance();
    return StatusRegister();
}

void Ieee1284Peripheral::PortOut(std::uint16_t port, std::uint8_t value) {
    if (port == base_) {
        data_ = value;
    } else if (port == base_ + 2) {
        const auto lines =
            static_cast<std::uint8_t>((value ^ kControlInversion) & kControlLineMask);
        // A strobe is latched on its falling edge, so a host that raises it again at once
        // (events 3 and 4) is not missed.
        if (Control(kStrobeLine) && (lines & kStrobeLine) == 0) {
            strobeFell_ = true;
            strobedByte_ = data_;
        }
        control_ = lines;
    } else {
        return;
    }
    Advance();
}

void Ieee1284Peripheral::Advance() {
    while (!stalled_) {
        if (due_) {
            const std::uint32_t now = end_.Now();
            if (now - dueSince_ < delays_[static_cast<std::size_t>(Index(*due_))]) return;
            const PeripheralEvent event = *due_;
            due_.reset();
            const int occurrence = ++occurrences_[static_cast<std::size_t>(Index(event))];
            if (stallEvent_ == event && stallOccurrence_ == occurrence) {
                stalled_ = true;
                Trace(PeripheralEventName(event) + " stalled");
                return;
            }
            Perform(event);
            continue;
        }
        if (!TakeHostEvent()) return;
    }
}

bool Ieee1284Peripheral::TakeHostEvent() {
    const bool selectIn = Control(kSelectInLine);
    const bool autoFd = Control(kAutoFdLine);
    const bool strobe = Control(kStrobeLine);
    const bool reverse = phase_ == Phase::NegotiationAnswered || phase_ == Phase::ReverseIdle ||
                         phase_ == Phase::NibbleValid || phase_ == Phase::SecondNibbleWait;
    if (reverse && !selectIn) {
        Trace("host 22");
        Schedule(PeripheralEvent::Event23);
        return true;
    }
    switch (phase_) {
        case Phase::CompatibilityIdle:
            if (selectIn && !autoFd) {
                Trace("host 1");
                extensibility_ = data_;
                Schedule(PeripheralEvent::Event2);
                return true;
            }
            if (strobeFell_) {
                strobeFell_ = false;
                Trace("host strobe");
                Schedule(PeripheralEvent::ForwardBusy);
                return true;
            }
            return false;
        case Phase::ForwardBusy:
            if (!strobe) return false;
            Trace("host release");
            Schedule(PeripheralEvent::ForwardAck);
            return true;
        case Phase::NegotiationAnswered:
            if (!strobeFell_ || !strobe) return false;
            strobeFell_ = false;
            Trace("host 3");
            Trace("host 4");
            Schedule(PeripheralEvent::Event5);
            return true;
        case Phase::ReverseIdle:
            ShowDataAvailability();
            if (autoFd || end_.PendingBytes() == 0) return false;
            Trace("host 7");
            highNibble_ = false;
            Schedule(PeripheralEvent::Event8);
            return true;
        case Phase::NibbleValid:
            if (!autoFd) return false;
            Trace("host 10");
            Schedule(PeripheralEvent::Event11);
            return true;
        case Phase::SecondNibbleWait:
            if (autoFd) return false;
            Trace("host 7");
            highNibble_ = true;
            Schedule(PeripheralEvent::Event8);
            return true;
        case Phase::Terminating:
            if (autoFd) return false;
            Trace("host 25");
            Schedule(PeripheralEvent::Event27);
            return true;
        case Phase::Terminated:
            if (!autoFd) return false;
            Trace("host 28");
            Schedule(PeripheralEvent::CompatibilityIdle);
            return true;
        case Phase::DeviceFull:
            return false;
    }
    return false;
}

void Ieee1284Peripheral::Perform(PeripheralEvent event) {
    Trace(PeripheralEventName(event));
    switch (event) {
        case PeripheralEvent::ForwardBusy:
            SetLine(kBusyBit, true);
            Enter(Phase::ForwardBusy);
            break;
        case PeripheralEvent::ForwardAck: {
            const std::uint8_t byte = strobedByte_;
            if (end_.Receive({&byte, 1}) == 0) {
                // A device that cannot take the byte keeps Busy up.
                Enter(Phase::DeviceFull);
                break;
            }
            SetLine(kAckBit, false);
            Schedule(PeripheralEvent::ForwardReady);
            break;
        }
        case PeripheralEvent::ForwardReady:
            SetLine(kAckBit, true);
            SetLine(kBusyBit, false);
            Enter(Phase::CompatibilityIdle);
            break;
        case PeripheralEvent::Event2:
            SetLine(kAckBit, false);
            SetLine(kFaultBit, true);
            SetLine(kSelectBit, true);
            SetLine(kPErrorBit, true);
            Enter(Phase::NegotiationAnswered);
            break;
        case PeripheralEvent::Event5:
            // XFlag low accepts the nibble-mode request.
            SetLine(kSelectBit, false);
            ShowDataAvailability();
            Schedule(PeripheralEvent::Event6);
            break;
        case PeripheralEvent::Event6:
            SetLine(kAckBit, true);
            Enter(Phase::ReverseIdle);
            break;
        case PeripheralEvent::Event8: {
            if (!highNibble_) {
                std::uint8_t byte = 0;
                end_.Send({&byte, 1});
                sending_ = byte;
            }
            const int nibble = highNibble_ ? sending_ >> 4 : sending_ & 0x0F;
            for (int i = 0; i < 4; ++i) SetLine(kNibbleLines[i], ((nibble >> i) & 1) != 0);
            Schedule(PeripheralEvent::Event9);
            break;
        }
        case PeripheralEvent::Event9:
            SetLine(kAckBit, false);
            Enter(Phase::NibbleValid);
            break;
        case PeripheralEvent::Event11:
            SetLine(kAckBit, true);
            if (highNibble_) {
                SetLine(kBusyBit, false);
                SetLine(kSelectBit, false);
                ShowDataAvailability();
                Enter(Phase::ReverseIdle);
            } else {
                Enter(Phase::SecondNibbleWait);
            }
            break;
        case PeripheralEvent::Event23:
            SetLine(kBusyBit, true);
            SetLine(kFaultBit, true);
            Schedule(PeripheralEvent::Event24);
            break;
        case PeripheralEvent::Event24:
            SetLine(kAckBit, false);
            SetLine(kSelectBit, true);
            Enter(Phase::Terminating);
            break;
        case PeripheralEvent::Event27:
            SetLine(kAckBit, true);
            Enter(Phase::Terminated);
            break;
        case PeripheralEvent::CompatibilityIdle:
            SetLine(kBusyBit, false);
            SetLine(kAckBit, true);
            SetLine(kPErrorBit, false);
            SetLine(kSelectBit, true);
            SetLine(kFaultBit, true);
            Enter(Phase::CompatibilityIdle);
            break;
    }
}

void Ieee1284Peripheral::Schedule(PeripheralEvent event) {
    due_ = event;
    dueSince_ = end_.Now();
}

void Ieee1284Peripheral::Enter(Phase phase) {
    phase_ = phase;
    // Only strobes that come after the device is ready for them count.
    strobeFell_ = false;
}

void Ieee1284Peripheral::Trace(std::string what) {
    if (!keepTrace_) return;
    trace_.push_back({end_.Now(), std::move(what)});
}

void Ieee1284Peripheral::SetLine(int bit, bool level) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    lines_ = static_cast<std::uint8_t>(level ? lines_ | mask : lines_ & ~mask);
}

void Ieee1284Peripheral::ShowDataAvailability() {
    // nDataAvail low, and AckDataReq with it, while the device has bytes to send.
    const bool none = end_.PendingBytes() == 0;
    SetLine(kFaultBit, none);
    SetLine(kPErrorBit, none);
}

}  // namespace pd::sim
