#pragma once

#include <cstddef>
#include <cstdint>

// The scan controller's wire format: frames of (high, low) byte pairs separated by 0xFF filler.
// A data byte is never 0xFF, so 0xFF only marks filler and frame ends.
namespace frame_format {

inline constexpr std::uint8_t kFiller = 0xFF;
inline constexpr std::size_t kShutterMapEntries = 1032;
inline constexpr std::uint16_t kMaxChannels = 1024;

constexpr bool isValidChannelCount(std::uint64_t n) {
    return n == 256 || n == 512 || n == 1024;
}

constexpr bool isEndPair(std::uint8_t high, std::uint8_t low) {
    return high == kFiller || low == kFiller;
}

// Channels 1 ... N-1: 12 bits, six from each byte.
constexpr std::uint32_t channelCount(std::uint8_t high, std::uint8_t low) {
    return (high & 0x3Fu) * 64u + (low & 0x3Fu);
}

constexpr std::int32_t shutterBit(std::uint8_t high) {
    return (high >> 7) & 1;
}

// Channel 0 carries its high byte whole; the controller's scale for each channel count is
// applied unchanged.
constexpr std::uint32_t channel0Count(std::uint8_t hi0, std::uint8_t lo0, unsigned channels) {
    const std::uint32_t raw = hi0 * 64u + (lo0 & 0x3Fu);
    switch (channels) {
        case 256:
            return static_cast<std::uint32_t>(raw * 1.667);
        case 512:
            return static_cast<std::uint32_t>(raw * 0.3077);
        case 1024:
            return static_cast<std::uint32_t>(raw * 0.2222);
        default:
            return raw;
    }
}

// 1 in normal measurement, 0 while the controller is in alignment.
constexpr bool alignmentBit(std::uint8_t lo0) {
    return (lo0 & 0x40u) != 0;
}

// The delay setting is an index of 0.5 ms steps; one sweep of 1024 channels lasts 512 ms.
constexpr std::uint16_t shutterDelayChannels(int shutterDelaySetting, unsigned channels) {
    if (shutterDelaySetting <= 0) {
        return 0;
    }
    return static_cast<std::uint16_t>(static_cast<unsigned>(shutterDelaySetting) * channels /
                                      1024u);
}

}  // namespace frame_format
