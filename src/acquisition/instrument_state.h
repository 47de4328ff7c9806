#pragma once

#include <array>
#include <cstdint>

#include "acquisition/frame_decoding.h"
#include "spectrum/kavro_spectrum.h"

using ShutterMapEntries = std::array<std::int32_t, frame_format::kShutterMapEntries>;

inline constexpr float kDefaultCyclesPerHour = 5625.0f;  // 3600 s / (0.512 s + 0.128 s)

// What the receiver learns from the line. It outlives a port opening: the next opening starts
// from these values.
struct InstrumentState {
    CKavroSpectrum scanBuffer;  // counts of the last frame, sized to the current channel count
    std::uint16_t currentChannels = 0;
    std::uint16_t shutterDelayChannels = 0;
    ShutterMapEntries ShutterMap{};  // shutter bit of channel i at min(i + delay, channels)
    bool alignment = false;          // last alignment bit: true in normal measurement
    // The start value above is no reading: the first frame after preparation tells the windows
    // the bit even when it matches, or they keep what an earlier gathering showed.
    bool alignmentAnnounced = false;
    bool x10 = false;
    bool alt16 = false;
    float CyclesPerHourEstimate = kDefaultCyclesPerHour;

    // Readies the state for a new gathering with the window's channel count.
    void prepare(std::uint16_t channels, int shutterDelaySetting);
};
