#include "acquisition/instrument_state.h"

void InstrumentState::prepare(std::uint16_t channels, int shutterDelaySetting) {
    currentChannels = channels;
    shutterDelayChannels = frame_format::shutterDelayChannels(shutterDelaySetting, channels);
    // Room for the largest frame up front, so a channel-count change never allocates.
    scanBuffer.counts.reserve(frame_format::kMaxChannels);
    scanBuffer.SetChannels(channels);
    scanBuffer.ClearCounts();
    CyclesPerHourEstimate = kDefaultCyclesPerHour;
    alignmentAnnounced = false;
}
