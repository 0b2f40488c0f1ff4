// The command frames the panel sends. Every frame is: escape, command class, a big-endian
// count of the bytes after the first four, three route bytes, the operation, and for block
// commands the block selector and the block's data.
#pragma once

#include <array>
#include <cstdint>

namespace pd {

inline constexpr std::uint8_t kEscape = 0x1B;
inline constexpr std::uint8_t kClassPanel = 0xA4;
inline constexpr std::uint8_t kClassFirmware = 0xA5;

inline constexpr std::uint8_t kOpProbe = 0xCD;
inline constexpr std::uint8_t kOpReadBlock = 0xC1;
inline constexpr std::uint8_t kOpWriteBlock = 0xC2;
inline constexpr std::uint8_t kOpFirmwareStart = 0x05;

inline constexpr std::uint8_t kBlockSystem = 0x40;
inline constexpr std::uint8_t kBlockFaxSettings = 0x41;
inline constexpr std::uint8_t kBlockPhonebook = 0x42;

inline constexpr int kFrameHeaderSize = 4;  // escape, class, 2-byte count
inline constexpr int kReplyHeaderSize = 4;  // bytes 2..3: big-endian payload length
inline constexpr int kBlockFrameHeaderSize = 9;

inline constexpr std::array<std::uint8_t, 8> kProbeCommand = {0x1B, 0xA4, 0x00, 0x04,
                                                              0x50, 0xE0, 0x82, 0xCD};
inline constexpr std::array<std::uint8_t, 9> kSystemReadCommand = {0x1B, 0xA4, 0x00, 0x05, 0x50,
                                                                   0xE0, 0x82, 0xC1, 0x40};
inline constexpr std::array<std::uint8_t, 9> kFaxSettingsReadCommand = {
    0x1B, 0xA4, 0x00, 0x05, 0x50, 0xE0, 0x82, 0xC1, 0x41};
inline constexpr std::array<std::uint8_t, 10> kPhonebookReadCommand = {
    0x1B, 0xA4, 0x00, 0x06, 0x50, 0xE0, 0x82, 0xC1, 0x42, 0xFF};
// Headers of the write frames; the record bytes follow.
inline constexpr std::array<std::uint8_t, 9> kAdvancedWriteHeader = {0x1B, 0xA4, 0x00, 0xA7, 0x50,
                                                                     0xE0, 0x82, 0xC2, 0x40};
inline constexpr std::array<std::uint8_t, 9> kFaxSettingsWriteHeader = {
    0x1B, 0xA4, 0x00, 0x16, 0x50, 0xE0, 0x82, 0xC2, 0x41};
// The firmware start differs by route in its fifth byte.
inline constexpr std::array<std::uint8_t, 8> kFirmwareStartChannel = {0x1B, 0xA5, 0x00, 0x04,
                                                                      0x50, 0xE0, 0x82, 0x05};
inline constexpr std::array<std::uint8_t, 8> kFirmwareStartParallel = {0x1B, 0xA5, 0x00, 0x04,
                                                                       0x40, 0xE0, 0x82, 0x05};

// Waits between a command and its reply, sized for the device, not the PC.
inline constexpr std::uint32_t kProbeWaitMs = 1500;
inline constexpr std::uint32_t kBlockReadWaitMs = 1000;
inline constexpr std::uint32_t kAdvancedWriteWaitMs = 1000;
inline constexpr std::uint32_t kFaxSettingsWriteWaitMs = 500;
// What the pages wait after each exchange before the next can start.
inline constexpr std::uint32_t kPageSettleMs = 500;

inline constexpr int kProbeReplySize = 43;
inline constexpr int kAcknowledgementSize = 10;

}  // namespace pd
