// The virtual device's firmware download: the start command's answer and the image stream.
#include <algorithm>

#include "protocol/Frames.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

namespace {

// The device's answer to the channel form of the start command: a reply header announcing
// five bytes, the route bytes and operation echoed, and a zero status.
constexpr std::uint8_t kStartAnswer[] = {kEscape, kClassFirmware,   0x00, 0x05, 0x50, 0xE0,
                                         0x82,    kOpFirmwareStart, 0x00};
// What a device that will not start sends in place of the escape byte.
constexpr std::uint8_t kStartRefusalMark = 0x15;

bool FrameIs(const Bytes& frame, std::span<const std::uint8_t> command) {
    return std::equal(frame.begin(), frame.end(), command.begin(), command.end());
}

}  // namespace

Bytes VirtualDevice::AnswerFirmwareStart(const Bytes& frame) {
    const bool channelForm = FrameIs(frame, kFirmwareStartChannel);
    if (!channelForm && !FrameIs(frame, kFirmwareStartParallel)) return {};

    StartAnswer answer = StartAnswer::Accept;
    if (!firmwareFaults.startAnswers.empty()) {
        answer = firmwareFaults.startAnswers.front();
        firmwareFaults.startAnswers.pop_front();
    }
    if (answer == StartAnswer::Accept || answer == StartAnswer::Short) {
        firmwareStream_ = FirmwareStream{FirmwareStream::Mode::Awaiting, 0};
        previousImage_ = std::move(state.firmwareImage);
        state.firmwareImage.clear();
        firmwareRefused_ = false;
    }
    // The parallel routes read nothing back, so the device sends nothing there.
    if (!channelForm) return {};

    Bytes reply(std::begin(kStartAnswer), std::end(kStartAnswer));
    switch (answer) {
        case StartAnswer::Accept:
            break;
        case StartAnswer::Refuse:
            return {};
        case StartAnswer::WrongFirstByte:
            reply.front() = kStartRefusalMark;
            break;
        case StartAnswer::Short:
            reply.pop_back();
            break;
    }
    return reply;
}

bool VirtualDevice::RefusesFirmwareData(std::span<const std::uint8_t> data) {
    using Mode = FirmwareStream::Mode;
    if (firmwareStream_.mode == Mode::Refused) return true;
    const bool image = firmwareStream_.mode == Mode::Receiving ||
                       (firmwareStream_.mode == Mode::Awaiting && !data.empty() && inbox_.empty() &&
                        data.front() != kEscape);
    if (!image || state.firmwareImage.size() + data.size() <= firmwareCapacity) return false;
    // Refused whole, before any of it is kept: the device keeps the image it had.
    firmwareStream_ = FirmwareStream{Mode::Refused, 0};
    state.firmwareImage = std::move(previousImage_);
    previousImage_.clear();
    firmwareRefused_ = true;
    return true;
}

std::size_t VirtualDevice::TakeFirmwareData(std::span<const std::uint8_t> data) {
    switch (firmwareStream_.mode) {
        case FirmwareStream::Mode::Off:
        case FirmwareStream::Mode::Refused:
            return 0;
        case FirmwareStream::Mode::Awaiting:
            // An image begins with "$IMG", never with the escape byte: until the first image
            // byte, an escape (or the rest of a frame it began) is a command, such as the
            // start sent once more.
            if (data.empty() || !inbox_.empty() || data.front() == kEscape) return 0;
            firmwareStream_.mode = FirmwareStream::Mode::Receiving;
            break;
        case FirmwareStream::Mode::Receiving:
            break;
    }
    if (!data.empty()) firmwareStream_.idleMs = 0;
    state.firmwareImage.insert(state.firmwareImage.end(), data.begin(), data.end());
    return data.size();
}

void VirtualDevice::Idle(std::uint32_t milliseconds) {
    // Waiting for the first image byte has no limit: the host pauses five seconds there.
    if (firmwareStream_.mode != FirmwareStream::Mode::Receiving &&
        firmwareStream_.mode != FirmwareStream::Mode::Refused) {
        return;
    }
    firmwareStream_.idleMs += std::min(milliseconds, kFirmwareStreamIdleLimitMs + 1);
    if (firmwareStream_.idleMs > kFirmwareStreamIdleLimitMs) {
        firmwareStream_ = FirmwareStream{};
        previousImage_.clear();
    }
}

}  // namespace pd::sim
