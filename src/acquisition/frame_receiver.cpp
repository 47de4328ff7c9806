#include "acquisition/frame_receiver.h"

#include <algorithm>

using namespace frame_format;

FrameReceiver::FrameReceiver(ByteSource& line, Clock& clock, InstrumentState& state,
                             ReceiverListener& listener, ReceiverControls& controls)
    : line_(line), clock_(clock), state_(state), listener_(listener), controls_(controls) {}

ReceiverEnd FrameReceiver::run(TimingStrategy strategy, Prompter& prompter) {
    try {
        if (!checkSignal()) {
            // Nobody may be left to answer once the station is stopping.
            if (controls_.stopRequest.load()) {
                return ReceiverEnd::Stopped;
            }
            if (prompter.ask(kNoSignalQuestion, kDefaultCaption, PromptButtons::OkCancel,
                             PromptIcon::Exclamation) != PromptAnswer::Ok) {
                return ReceiverEnd::NoSignal;
            }
        }
        if (!synchronise()) {
            return ReceiverEnd::Stopped;
        }
        startTiming(strategy);
        for (;;) {
            receiveFrame();
        }
    } catch (const LinkTimeoutError&) {
        return ReceiverEnd::Timeout;
    } catch (const StopRequested&) {
        return ReceiverEnd::Stopped;
    }
}

std::uint8_t FrameReceiver::readLinkByte() {
    if (controls_.stopRequest.load(std::memory_order_relaxed)) {
        throw StopRequested();
    }
    const std::optional<std::uint8_t> b = line_.readByte();
    if (!b) {
        // A line may give up waiting early because of the stop: that is no timeout.
        if (controls_.stopRequest.load()) {
            throw StopRequested();
        }
        throw LinkTimeoutError();
    }
    return *b;
}

std::uint8_t FrameReceiver::skipFiller() {
    std::uint8_t b = readLinkByte();
    while (b == kFiller) {
        b = readLinkByte();
    }
    return b;
}

bool FrameReceiver::checkSignal() {
    const std::int64_t t0 = clock_.seconds();
    int filler = 0;
    while (clock_.seconds() - t0 < kFirstCheckSeconds) {
        filler += readLinkByte() == kFiller;
    }
    if (filler >= kFirstCheckFiller) {
        return true;
    }
    while (clock_.seconds() - t0 < kSecondCheckSeconds) {
        filler += readLinkByte() == kFiller;
    }
    return filler >= kSecondCheckFiller;
}

bool FrameReceiver::synchronise() {
    try {
        while (readLinkByte() != kFiller) {
        }
        for (;;) {
            skipFiller();    // hi0
            readLinkByte();  // lo0
            std::uint64_t pairs = 0;
            std::uint8_t high = 0;
            do {
                ++pairs;
                high = readLinkByte();
                readLinkByte();
            } while (high != kFiller);
            if (isValidChannelCount(pairs)) {
                if (pairs != state_.currentChannels) {
                    changeChannelsAtSync(static_cast<std::uint16_t>(pairs));
                }
                return true;
            }
        }
    } catch (const StopRequested&) {
        return false;
    }
}

void FrameReceiver::changeChannelsAtSync(std::uint16_t channels) {
    listener_.channelsChanged(channels);
    state_.scanBuffer.SetChannels(channels);
    state_.scanBuffer.ClearCounts();
    state_.currentChannels = channels;
    state_.shutterDelayChannels =
        shutterDelayChannels(controls_.shutterDelaySetting.load(), channels);
}

void FrameReceiver::startTiming(TimingStrategy strategy) {
    frequency_ = clock_.counterFrequency();
    strategy_ = frequency_ > 0 ? strategy : TimingStrategy::Ticks;
    threshold_ = frequency_ * kThresholdNumerator / kThresholdDenominator;
    previousFrameEnd_ = clock_.counter();
    alt16Hysteresis_ = 0;
    goodFrames_ = 0;
    alt16Reference_ = x10Reference_ = clock_.tickMilliseconds();
}

void FrameReceiver::takeRequests() {
    if (controls_.clearShutterMap.exchange(false)) {
        state_.ShutterMap.fill(0);
    }
    state_.shutterDelayChannels =
        shutterDelayChannels(controls_.shutterDelaySetting.load(), state_.currentChannels);
}

FrameKind FrameReceiver::receiveFrame() {
    takeRequests();
    const std::uint8_t hi0 = skipFiller();
    const std::uint8_t lo0 = readLinkByte();
    gapRule();

    const bool alignment = alignmentBit(lo0);
    if (alignment != state_.alignment || !state_.alignmentAnnounced) {
        state_.alignment = alignment;
        state_.alignmentAnnounced = true;
        listener_.alignmentChanged(alignment);
    }

    const std::uint64_t channels = state_.currentChannels;
    auto& counts = state_.scanBuffer.counts;
    // The buffer follows the channel count; the bound only matters for a count of 0.
    const std::uint64_t stored = std::min<std::uint64_t>(channels, counts.size());
    if (stored > 0) {
        counts[0] = channel0Count(hi0, lo0, static_cast<unsigned>(channels));
    }
    const std::int64_t bodyStart = clock_.counter();

    const std::uint64_t delay = state_.shutterDelayChannels;
    std::uint64_t i = 1;
    for (;; ++i) {
        const std::uint8_t high = readLinkByte();
        const std::uint8_t low = readLinkByte();
        if (i < stored) {
            // A window spectrum of more than 1024 channels must not push the map's end.
            const std::uint64_t entry = std::min(i + delay, channels);
            if (entry < kShutterMapEntries) {
                state_.ShutterMap[entry] = shutterBit(high);
            }
            counts[i] = channelCount(high, low);
        }
        if (isEndPair(high, low)) {
            break;
        }
    }
    if (strategy_ == TimingStrategy::HighResolution) {
        bodyRule(bodyStart);
    }

    if (i == channels) {
        ++goodFrames_;
        listener_.scanReady(state_);
        return FrameKind::Complete;
    }
    if (isValidChannelCount(i)) {
        const auto n = static_cast<std::uint16_t>(i);
        state_.scanBuffer.SetChannels(n);  // keeps what was stored; new channels hold 0
        state_.currentChannels = n;
        listener_.channelsChanged(n);
        ++goodFrames_;
        listener_.scanReady(state_);
        state_.shutterDelayChannels = shutterDelayChannels(controls_.shutterDelaySetting.load(), n);
        return FrameKind::ChannelChange;
    }
    listener_.scanRejected();
    return FrameKind::Rejected;
}

void FrameReceiver::setX10(bool on) {
    if (on != state_.x10) {
        state_.x10 = on;
        listener_.x10Changed(on);
    }
}

void FrameReceiver::setAlt16(bool on) {
    if (on != state_.alt16) {
        state_.alt16 = on;
        listener_.alt16Changed(on);
    }
}

std::uint32_t FrameReceiver::elapsedTicks(std::uint32_t now, std::uint32_t since) {
    return now >= since ? now - since : 0;  // a wrapped counter counts as no time
}

void FrameReceiver::gapRule() {
    if (strategy_ == TimingStrategy::HighResolution) {
        const std::int64_t gap = clock_.counter() - previousFrameEnd_;
        if (gap > 2 * threshold_) {
            alt16Hysteresis_ = kAlt16Hysteresis;
            setAlt16(true);
        } else if (state_.alt16) {
            if (alt16Hysteresis_ > 0) {
                --alt16Hysteresis_;
            }
            if (alt16Hysteresis_ == 0) {
                setAlt16(false);
            }
        }
        return;
    }
    // A rejected frame leaves its number to the next one.
    const std::uint64_t n = goodFrames_ + 1;
    if (n % kTickAlt16Frames == 0) {
        const std::uint32_t now = clock_.tickMilliseconds();
        setAlt16(elapsedTicks(now, alt16Reference_) > kTickAlt16Ms);
        alt16Reference_ = now;
    }
    if (n % kTickX10Frames == 0) {
        const std::uint32_t now = clock_.tickMilliseconds();
        const std::uint32_t perFrame = elapsedTicks(now, x10Reference_) / kTickX10Frames;
        setX10(perFrame >= kTickX10MinMs && perFrame <= kTickX10MaxMs);
        x10Reference_ = now;
    }
}

void FrameReceiver::bodyRule(std::int64_t bodyStart) {
    const std::int64_t end = clock_.counter();
    const std::int64_t body = end - bodyStart;
    const bool wasOn = state_.x10;
    setX10(body > threshold_);
    if (state_.x10) {
        const float seconds = static_cast<float>(body) / static_cast<float>(frequency_);
        state_.CyclesPerHourEstimate = static_cast<float>(3600 / (seconds + kSweepOverheadSeconds));
    } else if (wasOn) {
        state_.CyclesPerHourEstimate = kDefaultCyclesPerHour;
    }
    previousFrameEnd_ = end;
}
