// The device's fax-settings block: six status bytes and the 17 settings.
#include <algorithm>

#include "protocol/FaxSettings.h"
#include "protocol/Frames.h"
#include "sim/BlockReplies.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

namespace {

// Where the settings start in the block the device keeps (after its six status bytes).
constexpr int kFirstSetting = 6;
static_assert(kFirstSetting + kFaxSettingsCount == kFaxSettingsPayloadSize);

}  // namespace

std::optional<Bytes> VirtualDevice::AnswerFaxSettingsBlock(const Bytes& frame) {
    if (std::ranges::equal(frame, kFaxSettingsReadCommand)) {
        return BlockReply(kOpReadBlock, state.faxSettings);
    }
    if (StartsWith(frame, kFaxSettingsWriteHeader) &&
        frame.size() == static_cast<std::size_t>(kFaxSettingsFrameSize)) {
        std::copy_n(frame.begin() + kBlockFrameHeaderSize, kFaxSettingsCount,
                    state.faxSettings.begin() + kFirstSetting);
        return WriteAcknowledgement();
    }
    return std::nullopt;
}

}  // namespace pd::sim
