// The virtual device's side of a firmware download: how it answers the start command, and
// the stream of image bytes that follows it.
#pragma once

#include <cstdint>
#include <deque>

namespace pd::sim {

// How the device answers one firmware start command.
enum class StartAnswer {
    Accept,          // 9 bytes beginning with the escape byte, then the image stream
    Refuse,          // no answer and no stream
    WrongFirstByte,  // 9 bytes beginning with something else, and no stream
    Short,           // the stream starts but the answer loses its last byte on the way
};

struct FirmwareFaults {
    // One entry for each coming start command, in order; once empty, starts are accepted.
    std::deque<StartAnswer> startAnswers;
};

// A stream that has received image bytes ends when nothing more came for longer than this.
// The host's longest pause inside a stream is a block's two retry pauses of a second each.
inline constexpr std::uint32_t kFirmwareStreamIdleLimitMs = 2000;

struct FirmwareStream {
    enum class Mode {
        Off,        // bytes are command frames
        Awaiting,   // started; the first byte that is not an escape begins the image
        Receiving,  // every byte is image data
        // The image outgrew the device's room for it: nothing more is taken
        // until the host has been quiet for the idle limit.
        Refused,
    };
    Mode mode = Mode::Off;
    std::uint32_t idleMs = 0;
};

}  // namespace pd::sim
