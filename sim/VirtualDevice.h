// The device's side of the protocol, as a portable model: it takes the bytes the host writes,
// answers each complete command frame, keeps its state, and misbehaves on request.
//
// Used in-process by FakeOs (tests, virtual clock) and by the demo simulator on named pipes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/DeviceState.h"
#include "sim/FirmwareStream.h"

namespace pd::sim {

using Bytes = std::vector<std::uint8_t>;

// Faults the tests and the demo can switch on.
struct DeviceFaults {
    bool unplugged = false;  // USB pipes do not open; on the port routes nothing moves
    bool silent = false;     // takes every command and never answers
    std::optional<std::size_t> replyLimit;           // every answer cut to this many bytes
    std::optional<std::size_t> acceptBudget;         // bytes the device still takes, then no more
    std::optional<std::uint16_t> replyHeaderLength;  // every answer's header claims this length
    // Answers that come in pieces: each read from the device moves at most this many bytes.
    std::optional<std::size_t> sendLimit;
    // The next reads (writes) move at most these many bytes each, one entry per call, in
    // order; 0 makes a call move nothing. Applied before sendLimit and acceptBudget.
    std::deque<std::size_t> sendPieces;
    std::deque<std::size_t> receivePieces;
};

// Every byte that crossed the device's end of the link, for checks that must hold whatever
// the route or the faults did to the traffic.
struct DeviceTraffic {
    Bytes taken;                    // host to device: every byte the device took, in order
    std::vector<std::size_t> sent;  // device to host: the count each Send moved, 0s included
    Bytes sentBytes;                // the bytes of all those sends, back to back
};

// How the device answers a phonebook read.
struct PhonebookReplyOptions {
    bool onlyNonBlank = false;                  // leave the blank positions out
    std::optional<std::uint32_t> shuffleSeed;   // records in an order drawn from this seed
    bool padWithSpaces = true;                  // FF fill behind the texts goes out as spaces
    std::optional<std::uint8_t> countOverride;  // head count instead of the records sent
    Bytes extraRecords;                         // raw bytes sent after the records
};

class VirtualDevice {
public:
    VirtualDevice() = default;
    virtual ~VirtualDevice() = default;

    // Host to device: returns how many of the bytes the device took.
    std::size_t Receive(std::span<const std::uint8_t> data);
    // Device to host: moves up to out.size() waiting bytes into `out`.
    std::size_t Send(std::span<std::uint8_t> out);
    std::size_t PendingBytes() const { return outbox_.size(); }
    // The waiting bytes up to the end of the next transfer: a host that cannot say how much
    // it wants to read (the 9x USB pipes) is handed one transfer per read. Each answer is one
    // transfer, except that a phonebook's head goes apart from its records, which the host
    // asks for separately.
    std::size_t NextTransferSize() const;

    DeviceFaults faults;
    DeviceState state = FactoryDeviceState();
    PhonebookReplyOptions phonebookReply;

    // Firmware download: start answers to give, and the image stream (sim/FirmwareStream.cpp).
    FirmwareFaults firmwareFaults;
    // Time passing with nothing received; a firmware stream ends after more than 2 s of it.
    void Idle(std::uint32_t milliseconds);
    bool FirmwareStreamOpen() const { return firmwareStream_.mode != FirmwareStream::Mode::Off; }
    // Room for a firmware image (tests make it smaller).
    std::size_t firmwareCapacity = kFirmwareCapacity;
    // The last image sent was larger than the device has room for (firmwareCapacity): the
    // device refused it at its first block beyond that, took nothing more, and kept the image
    // it had before.
    bool firmwareRefused() const { return firmwareRefused_; }

    // A chat script for tests: the next complete frame must equal `expected` and is answered
    // with `reply` instead of the device's own answer. Mismatches are kept, in hex.
    void Expect(Bytes expected, Bytes reply);
    const std::vector<std::string>& ScriptMismatches() const { return mismatches_; }
    bool ScriptDone() const { return script_.empty(); }

    // Answers the next complete frame with these bytes instead of the device's own answer.
    void OverrideNextReply(Bytes reply);

    // Switched on, every Receive and Send is recorded (the demo does not, as a download would
    // keep the whole image twice).
    std::optional<DeviceTraffic> traffic;

    // Every complete frame received, in order.
    const std::vector<Bytes>& ReceivedFrames() const { return frames_; }
    std::size_t probeCount() const { return probeCount_; }

protected:
    // The device's own answer to a complete frame; empty for no answer.
    virtual Bytes Answer(const Bytes& frame);

private:
    // The blocks the device keeps, one file each: the answer to a frame that is the block's
    // own (possibly empty), or nothing when the frame is not for that block.
    std::optional<Bytes> AnswerSystemBlock(const Bytes& frame);
    std::optional<Bytes> AnswerFaxSettingsBlock(const Bytes& frame);
    // The phonebook block (sim/PhonebookBlock.cpp).
    static bool IsPhonebookFrame(const Bytes& frame);
    Bytes AnswerPhonebook(const Bytes& frame);
    Bytes PhonebookReadReply() const;
    Bytes TakePhonebookWrite(const Bytes& frame);

    void TakeFrames();
    // `headTransfer` > 0: the answer's first bytes go as a transfer of their own.
    void Reply(Bytes reply, std::size_t headTransfer = 0);
    // The size of the head that the device's own answer to `frame` sends apart; 0 for none.
    static std::size_t HeadTransferOf(const Bytes& frame);
    Bytes AnswerFirmwareStart(const Bytes& frame);
    // How many of the leading bytes are image data rather than command frames.
    std::size_t TakeFirmwareData(std::span<const std::uint8_t> data);
    // True when `data` is image data the device has no room for, or comes while it refuses.
    bool RefusesFirmwareData(std::span<const std::uint8_t> data);

    struct ScriptStep {
        Bytes expected;
        Bytes reply;
    };

    Bytes inbox_;
    std::deque<std::uint8_t> outbox_;
    // Where each transfer waiting in the outbox ends, counted from the outbox's front.
    std::deque<std::size_t> transferEnds_;
    std::deque<ScriptStep> script_;
    std::optional<Bytes> nextReply_;
    std::vector<Bytes> frames_;
    std::vector<std::string> mismatches_;
    std::size_t probeCount_ = 0;
    FirmwareStream firmwareStream_;
    Bytes previousImage_;  // what a refused image gives back
    bool firmwareRefused_ = false;
};

// "1B A4 00 04" style text of a byte string, for test messages.
std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace pd::sim
