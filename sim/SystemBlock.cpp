// The device's system block: identity, versions, counters and the advanced options.
#include <algorithm>

#include "protocol/Frames.h"
#include "protocol/SystemRecord.h"
#include "sim/BlockReplies.h"
#include "sim/VirtualDevice.h"

namespace pd::sim {

namespace {

// The advanced frame carries two runs of the block back to back: the device identification
// (reply bytes 42..81) and everything from the receive mode to the end (147..268). The rest
// (model, versions, counters) is the device's own and cannot be written.
struct WritableRun {
    int replyOffset;
    int width;
};
constexpr WritableRun kWritableRuns[] = {{42, 40}, {147, 122}};

}  // namespace

std::optional<Bytes> VirtualDevice::AnswerSystemBlock(const Bytes& frame) {
    if (std::ranges::equal(frame, kSystemReadCommand)) {
        return BlockReply(kOpReadBlock, state.systemData);
    }
    // The frame's count makes any frame with this header exactly as long as the layout.
    if (StartsWith(frame, kAdvancedWriteHeader) &&
        frame.size() == static_cast<std::size_t>(kAdvancedFrameSize)) {
        auto from = frame.begin() + kBlockFrameHeaderSize;
        for (const WritableRun& run : kWritableRuns) {
            std::copy_n(from, run.width,
                        state.systemData.begin() + (run.replyOffset - kReplyHeaderSize));
            from += run.width;
        }
        return WriteAcknowledgement();
    }
    return std::nullopt;
}

}  // namespace pd::sim
