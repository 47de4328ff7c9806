#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/byte_source.h"
#include "acquisition/frame_receiver.h"
#include "acquisition/link_clock.h"

// A line and its clocks in one: every byte arrives a scripted time after the previous one, and
// the clocks show that time. When the script runs out the line is silent: a read times out.
class ScriptedLine : public ByteSource, public Clock {
public:
    static constexpr std::int64_t kFrequency = 1'000'000'000;  // counter in nanoseconds

    // n bytes, each `spacing` seconds after the one before.
    ScriptedLine& bytes(const std::vector<std::uint8_t>& b, double spacing = 0.0001);
    ScriptedLine& filler(int n, double spacing = 0.0001);
    // The next byte arrives this much later.
    ScriptedLine& wait(double seconds);
    // A frame whose pairs take `body` seconds from lo0 to the end pair.
    ScriptedLine& frame(const std::vector<std::uint8_t>& frameBytes, double body = 0.001);
    // Enough filler in the first four seconds for the signal check.
    ScriptedLine& signalPresent();

    std::optional<std::uint8_t> readByte() override;
    std::int64_t seconds() override { return kEpoch + now_ / kFrequency; }
    std::int64_t counterFrequency() override { return frequency_; }
    std::int64_t counter() override { return now_; }
    std::uint32_t tickMilliseconds() override {
        return static_cast<std::uint32_t>(tickStart_ + now_ / 1'000'000);
    }

    // Runs `action` once, as the first byte at or after `seconds` of line time is read.
    ScriptedLine& when(double seconds, std::function<void()> action);

    void setNoCounter() { frequency_ = 0; }
    void setTickStart(std::uint32_t ms) { tickStart_ = ms; }
    std::size_t remaining() const { return script_.size(); }
    double now() const { return static_cast<double>(now_) / kFrequency; }

private:
    static constexpr std::int64_t kEpoch = 1'700'000'000;
    struct Arrival {
        std::int64_t delay;
        std::uint8_t byte;
    };
    std::deque<Arrival> script_;
    std::int64_t pendingDelay_ = 0;
    std::int64_t now_ = 0;
    std::int64_t frequency_ = kFrequency;
    std::uint32_t tickStart_ = 0;
    std::int64_t actionAt_ = 0;
    std::function<void()> action_;
};

// One frame on the wire: hi0, lo0, pairs for channels 1 ... endAt - 1, then the end pair.
struct WireFrame {
    unsigned endAt = 256;
    std::function<std::uint32_t(unsigned)> count = [](unsigned i) { return i % 4096; };
    std::function<int(unsigned)> shutter = [](unsigned) { return 0; };
    std::uint8_t hi0 = 0x01;
    std::uint8_t lo0 = 0x40;  // normal measurement
    std::uint8_t endHigh = 0xFF;
    std::uint8_t endLow = 0xFF;

    std::vector<std::uint8_t> bytes() const;
};

// Records what the receiver announces, with a copy of the frame at each scan-ready.
class RecordingListener : public ReceiverListener {
public:
    void channelsChanged(std::uint16_t channels) override;
    void scanReady(const InstrumentState& state) override;
    void scanRejected() override { events.push_back("rejected"); }
    void x10Changed(bool on) override { events.push_back(on ? "x10 on" : "x10 off"); }
    void alt16Changed(bool on) override { events.push_back(on ? "alt16 on" : "alt16 off"); }
    void alignmentChanged(bool normal) override {
        events.push_back(normal ? "alignment 1" : "alignment 0");
    }

    std::function<void(const InstrumentState&)> onReady;
    std::vector<std::string> events;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<ShutterMapEntries> shutterMaps;
};
