#include "sim/VirtualDevice.h"

#include <algorithm>
#include <cstdio>

#include "protocol/ByteOrder.h"
#include "protocol/Frames.h"

namespace pd::sim {

namespace {

// The probe answer: a reply header and six status bytes (the host looks only at the count).
Bytes ProbeAnswer() { return {kEscape, kOpProbe, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}; }

}  // namespace

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

std::size_t VirtualDevice::Receive(std::span<const std::uint8_t> data) {
    if (faults.unplugged) return 0;
    std::size_t taken = data.size();
    if (!faults.receivePieces.empty()) {
        taken = std::min(taken, faults.receivePieces.front());
        faults.receivePieces.pop_front();
    }
    if (faults.acceptBudget) taken = std::min(taken, *faults.acceptBudget);
    const auto accepted = data.first(taken);
    if (RefusesFirmwareData(accepted)) return 0;
    if (faults.acceptBudget) *faults.acceptBudget -= taken;
    if (traffic) traffic->taken.insert(traffic->taken.end(), accepted.begin(), accepted.end());
    const std::size_t image = TakeFirmwareData(accepted);
    inbox_.insert(inbox_.end(), accepted.begin() + static_cast<std::ptrdiff_t>(image),
                  accepted.end());
    TakeFrames();
    return taken;
}

std::size_t VirtualDevice::Send(std::span<std::uint8_t> out) {
    if (faults.unplugged) {
        if (traffic) traffic->sent.push_back(0);
        return 0;
    }
    std::size_t count = std::min(out.size(), outbox_.size());
    if (!faults.sendPieces.empty()) {
        count = std::min(count, faults.sendPieces.front());
        faults.sendPieces.pop_front();
    }
    if (faults.sendLimit) count = std::min(count, *faults.sendLimit);
    std::copy_n(outbox_.begin(), count, out.begin());
    if (traffic) {
        traffic->sent.push_back(count);
        traffic->sentBytes.insert(traffic->sentBytes.end(), outbox_.begin(),
                                  outbox_.begin() + static_cast<std::ptrdiff_t>(count));
    }
    outbox_.erase(outbox_.begin(), outbox_.begin() + static_cast<std::ptrdiff_t>(count));
    for (std::size_t& end : transferEnds_) end -= std::min(end, count);
    while (!transferEnds_.empty() && transferEnds_.front() == 0) transferEnds_.pop_front();
    return count;
}

std::size_t VirtualDevice::NextTransferSize() const {
    return transferEnds_.empty() ? outbox_.size() : transferEnds_.front();
}

void VirtualDevice::Expect(Bytes expected, Bytes reply) {
    script_.push_back({std::move(expected), std::move(reply)});
}

void VirtualDevice::OverrideNextReply(Bytes reply) { nextReply_ = std::move(reply); }

void VirtualDevice::TakeFrames() {
    for (;;) {
        // Resynchronise on the escape byte: anything before it is line noise.
        const auto escape = std::find(inbox_.begin(), inbox_.end(), kEscape);
        inbox_.erase(inbox_.begin(), escape);
        if (inbox_.size() < kFrameHeaderSize) return;
        const std::size_t total = kFrameHeaderSize + ReadBe16(inbox_.data() + 2);
        if (inbox_.size() < total) return;
        Bytes frame(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(total));
        inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(total));
        frames_.push_back(frame);

        // A new command ends whatever answer was still waiting.
        outbox_.clear();
        transferEnds_.clear();
        Bytes reply;
        std::size_t headTransfer = 0;
        if (!script_.empty()) {
            ScriptStep step = std::move(script_.front());
            script_.pop_front();
            if (step.expected != frame) {
                mismatches_.push_back("expected " + Hex(step.expected) + "\n     got " +
                                      Hex(frame));
            }
            reply = std::move(step.reply);
        } else if (nextReply_) {
            reply = std::move(*nextReply_);
            nextReply_.reset();
        } else {
            reply = Answer(frame);
            headTransfer = HeadTransferOf(frame);
        }
        Reply(std::move(reply), headTransfer);
    }
}

void VirtualDevice::Reply(Bytes reply, std::size_t headTransfer) {
    if (faults.silent) return;
    if (faults.replyHeaderLength && reply.size() >= kReplyHeaderSize) {
        WriteBe16(reply.data() + 2, *faults.replyHeaderLength);
    }
    if (faults.replyLimit && reply.size() > *faults.replyLimit) reply.resize(*faults.replyLimit);
    if (reply.empty()) return;
    if (headTransfer > 0 && headTransfer < reply.size()) {
        transferEnds_.push_back(outbox_.size() + headTransfer);
    }
    outbox_.insert(outbox_.end(), reply.begin(), reply.end());
    transferEnds_.push_back(outbox_.size());
}

Bytes VirtualDevice::Answer(const Bytes& frame) {
    if (frame.size() >= 8 && frame[1] == kClassFirmware && frame[7] == kOpFirmwareStart) {
        return AnswerFirmwareStart(frame);
    }
    if (frame.size() >= 8 && frame[1] == kClassPanel && frame[7] == kOpProbe) {
        ++probeCount_;
        return ProbeAnswer();
    }
    if (auto answer = AnswerSystemBlock(frame)) return *std::move(answer);
    if (auto answer = AnswerFaxSettingsBlock(frame)) return *std::move(answer);
    if (IsPhonebookFrame(frame)) return AnswerPhonebook(frame);
    return {};
}

}  // namespace pd::sim
