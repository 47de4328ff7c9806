#include "scripted_line.h"

#include <cmath>
#include <utility>

namespace {
std::int64_t toTicks(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * ScriptedLine::kFrequency));
}
}  // namespace

ScriptedLine& ScriptedLine::bytes(const std::vector<std::uint8_t>& b, double spacing) {
    for (std::uint8_t byte : b) {
        script_.push_back({pendingDelay_ + toTicks(spacing), byte});
        pendingDelay_ = 0;
    }
    return *this;
}

ScriptedLine& ScriptedLine::filler(int n, double spacing) {
    return bytes(std::vector<std::uint8_t>(static_cast<std::size_t>(n), 0xFF), spacing);
}

ScriptedLine& ScriptedLine::wait(double seconds) {
    pendingDelay_ += toTicks(seconds);
    return *this;
}

ScriptedLine& ScriptedLine::frame(const std::vector<std::uint8_t>& frameBytes, double body) {
    // hi0 and lo0 come at once; the pairs share the body time evenly.
    bytes({frameBytes[0], frameBytes[1]}, 0);
    const std::vector<std::uint8_t> rest(frameBytes.begin() + 2, frameBytes.end());
    return bytes(rest, body / static_cast<double>(rest.size()));
}

ScriptedLine& ScriptedLine::signalPresent() {
    // The hundredth filler byte arrives exactly at the four-second mark.
    return filler(100, 0.04);
}

std::optional<std::uint8_t> ScriptedLine::readByte() {
    if (script_.empty()) {
        now_ += toTicks(2.5) + pendingDelay_;
        pendingDelay_ = 0;
        return std::nullopt;
    }
    const Arrival a = script_.front();
    script_.pop_front();
    now_ += a.delay;
    if (action_ && now_ >= actionAt_) {
        std::exchange(action_, nullptr)();
    }
    return a.byte;
}

ScriptedLine& ScriptedLine::when(double seconds, std::function<void()> action) {
    actionAt_ = toTicks(seconds);
    action_ = std::move(action);
    return *this;
}

std::vector<std::uint8_t> WireFrame::bytes() const {
    std::vector<std::uint8_t> out{hi0, lo0};
    for (unsigned i = 1; i < endAt; ++i) {
        const std::uint32_t c = count(i);
        out.push_back(static_cast<std::uint8_t>((shutter(i) << 7) | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(c & 0x3F));
    }
    out.push_back(endHigh);
    out.push_back(endLow);
    return out;
}

void RecordingListener::channelsChanged(std::uint16_t channels) {
    events.push_back("channels " + std::to_string(channels));
}

void RecordingListener::scanReady(const InstrumentState& state) {
    events.push_back("ready");
    frames.push_back(state.scanBuffer.counts);
    shutterMaps.push_back(state.ShutterMap);
    if (onReady) {
        onReady(state);
    }
}
