// The device's end of the parallel cable, at register level, for tests of the direct route.
//
// It watches the control lines the host writes (PortOut), drives the status lines the host
// reads (PortIn), and answers each host event after a delay of its own on its world's clock.
// It takes compatibility-mode bytes (Busy handshake) and sends nibble-mode bytes (negotiation,
// nibble transfer, termination), so the bytes the host writes reach the device and the bytes
// it reads come from it. It can hang at any of its own events, and any status line can be held
// at a fixed level.
//
// Its world is SimulatedOs with a VirtualDevice in the core tests (the virtual clock, the port
// calls hooked), or the real clock and a device elsewhere, where the host's own port
// instructions are caught and handed to PortIn and PortOut (the 32-bit end-to-end tests).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/SimulatedOs.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

// What the peripheral does on its side, each in answer to the host (IEEE 1284 numbers where
// the standard gives one).
enum class PeripheralEvent {
    ForwardBusy,        // Busy high: a strobed byte is being taken
    ForwardAck,         // the byte goes to the device; nAck pulses low
    ForwardReady,       // nAck and Busy back: ready for the next byte
    Event2,             // negotiation answered: nAck low, nFault, Select and PError high
    Event5,             // XFlag and the data-available lines set
    Event6,             // nAck high: nibble mode entered
    Event8,             // a nibble on the data lines
    Event9,             // nAck low: the nibble is valid
    Event11,            // nAck high: the host has the nibble
    Event23,            // termination: Busy and nFault high
    Event24,            // nAck low, XFlag inverted
    Event27,            // nAck high
    CompatibilityIdle,  // after event 28: the compatibility idle lines
};
inline constexpr int kPeripheralEventCount = 13;

// "device busy", "device 2", ... as the trace writes it.
std::string PeripheralEventName(PeripheralEvent event);

inline constexpr std::uint16_t kFirstParallelPortBase = 0x0378;
inline constexpr std::uint32_t kDefaultReactionMs = 1;

// What the peripheral needs of the world it sits in.
class CableEnd {
public:
    virtual ~CableEnd() = default;
    // Milliseconds, as a tick counter that may wrap.
    virtual std::uint32_t Now() = 0;
    // Host to device: how many of the bytes the device took.
    virtual std::size_t Receive(std::span<const std::uint8_t> data) = 0;
    // Device to host: moves up to out.size() waiting bytes into `out`.
    virtual std::size_t Send(std::span<std::uint8_t> out) = 0;
    virtual std::size_t PendingBytes() = 0;
};

class Ieee1284Peripheral {
public:
    // Hooks itself into `os`'s port access until destroyed, on its virtual clock.
    Ieee1284Peripheral(SimulatedOs& os, VirtualDevice& device,
                       std::uint16_t base = kFirstParallelPortBase);
    // Hooks into nothing: the caller hands it the host's port accesses. `keepTrace` false
    // keeps no trace, for runs too long to hold one.
    Ieee1284Peripheral(CableEnd& end, std::uint16_t base, bool keepTrace);
    ~Ieee1284Peripheral();
    Ieee1284Peripheral(const Ieee1284Peripheral&) = delete;
    Ieee1284Peripheral& operator=(const Ieee1284Peripheral&) = delete;

    // --- Behaviour -------------------------------------------------------------------------
    // Virtual milliseconds between what causes an event and the event.
    void SetDelay(PeripheralEvent event, std::uint32_t milliseconds);
    void SetAllDelays(std::uint32_t milliseconds);
    // The device hangs instead of performing the nth occurrence of `event`; from then on no
    // line moves and no byte moves.
    void StallAt(PeripheralEvent event, int occurrence = 1);
    // A status line (register bit 3..7, as a line level) stuck whatever the device drives.
    void HoldStatusLine(int bit, bool level);
    // Register bits 0..2, which carry no line.
    std::uint8_t reservedStatusBits = 0;

    // --- What happened ---------------------------------------------------------------------
    struct TraceEntry {
        std::uint32_t tick;
        std::string what;  // "host 7", "device 8", "host strobe", "device busy", ...
    };
    const std::vector<TraceEntry>& trace() const { return trace_; }
    std::vector<std::string> TraceNames() const;
    void ClearTrace() { trace_.clear(); }
    // Tick of the first trace entry named `what` from position `from` on; nullopt if none.
    std::optional<std::uint32_t> TickOf(const std::string& what, std::size_t from = 0) const;

    // Logical levels of nStrobe, nAutoFd, nInit, nSelectIn as the host last wrote them.
    std::uint8_t controlLines() const { return control_; }
    // The byte on the data lines at the last negotiation (event 0).
    std::uint8_t extensibilityByte() const { return extensibility_; }
    // The status register as the host would read it now.
    std::uint8_t StatusRegister() const;
    bool stalled() const { return stalled_; }

    // --- The host's side of the registers ---------------------------------------------------
    std::uint8_t PortIn(std::uint16_t port);
    void PortOut(std::uint16_t port, std::uint8_t value);

private:
    enum class Phase {
        CompatibilityIdle,    // waits for a strobe or for event 1
        ForwardBusy,          // waits for nStrobe high
        DeviceFull,           // the device took no more: Busy stays high
        NegotiationAnswered,  // waits for events 3 and 4
        ReverseIdle,          // waits for event 7 while there is data
        NibbleValid,          // waits for event 10
        SecondNibbleWait,     // waits for event 7 of the high nibble
        Terminating,          // waits for event 25
        Terminated,           // waits for event 28
    };

    // The compatibility idle lines, with the default delays and no history.
    void StartIdle();
    // Performs every event that is due and every host event the lines show, in order.
    void Advance();
    bool TakeHostEvent();
    void Perform(PeripheralEvent event);
    void Schedule(PeripheralEvent event);
    void Enter(Phase phase);
    void Trace(std::string what);
    void SetLine(int bit, bool level);
    void ShowDataAvailability();
    bool Control(std::uint8_t line) const { return (control_ & line) != 0; }

    // The world of the first constructor, which it owns; the second's is the caller's.
    std::unique_ptr<CableEnd> ownEnd_;
    CableEnd& end_;
    SimulatedOs* hookedOs_ = nullptr;
    std::uint16_t base_;
    bool keepTrace_ = true;

    std::array<std::uint32_t, kPeripheralEventCount> delays_{};
    std::array<int, kPeripheralEventCount> occurrences_{};
    std::optional<PeripheralEvent> stallEvent_;
    int stallOccurrence_ = 0;
    bool stalled_ = false;
    std::uint8_t holdMask_ = 0;
    std::uint8_t holdLevels_ = 0;

    Phase phase_ = Phase::CompatibilityIdle;
    std::optional<PeripheralEvent> due_;
    std::uint32_t dueSince_ = 0;

    std::uint8_t data_ = 0;        // the data register as last written
    std::uint8_t control_ = 0x07;  // logical control lines
    bool strobeFell_ = false;      // latched until the phase that waits for it takes it
    std::uint8_t strobedByte_ = 0;
    std::uint8_t extensibility_ = 0;
    std::uint8_t lines_ = 0;    // status line levels by register bit (bit 7 = Busy line)
    std::uint8_t sending_ = 0;  // the byte being sent in nibbles
    bool highNibble_ = false;

    std::vector<TraceEntry> trace_;
};

}  // namespace pd::sim
