// Any byte stream through synchronisation and frame reception: no crash, no access outside
// the scan buffer or the shutter map, and the state stays consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "acquisition/frame_receiver.h"

namespace {

// The data is the line; each byte also moves the clocks by an amount it chooses, so the timing
// rules see short and long gaps alike.
class FuzzLine : public ByteSource, public Clock {
public:
    FuzzLine(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::optional<std::uint8_t> readByte() override {
        if (pos_ >= size_) {
            return std::nullopt;
        }
        const std::uint8_t b = data_[pos_++];
        now_ += (b & 0x0F) * 40'000'000 + 1'000;  // up to 0.6 s per byte
        return b;
    }
    std::int64_t seconds() override { return now_ / 1'000'000'000; }
    std::int64_t counterFrequency() override { return 1'000'000'000; }
    std::int64_t counter() override { return now_; }
    std::uint32_t tickMilliseconds() override {
        return static_cast<std::uint32_t>(0xFFFF0000u + now_ / 1'000'000);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::int64_t now_ = 0;
};

class Checks : public ReceiverListener {
public:
    void channelsChanged(std::uint16_t channels) override {
        if (!frame_format::isValidChannelCount(channels)) {
            std::abort();
        }
    }
    void scanReady(const InstrumentState& s) override {
        if (s.scanBuffer.counts.size() != s.currentChannels ||
            s.scanBuffer.channels != s.currentChannels) {
            std::abort();
        }
        for (std::size_t i = 1; i < s.scanBuffer.counts.size(); ++i) {
            if (s.scanBuffer.counts[i] > 4095) {
                std::abort();
            }
        }
    }
    void scanRejected() override {}
    void x10Changed(bool) override {}
    void alt16Changed(bool) override {}
    void alignmentChanged(bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose the window's channel count, the delay setting and the rules.
    static constexpr std::uint16_t kStartChannels[] = {256, 512, 1024, 0, 1, 255, 300, 2048};
    const std::uint16_t channels = kStartChannels[data[0] & 7];
    const int delay = data[1] & 0x0F;  // 0 ... 15, beyond the setting's range too
    const TimingStrategy strategy =
        data[1] & 0x10 ? TimingStrategy::Ticks : TimingStrategy::HighResolution;

    FuzzLine line(data + 2, size - 2);
    InstrumentState state;
    state.prepare(channels, delay);
    state.ShutterMap.fill(7);
    ReceiverControls controls;
    controls.shutterDelaySetting = delay;
    Checks checks;
    FrameReceiver receiver(line, line, state, checks, controls);
    try {
        if (receiver.synchronise()) {
            receiver.startTiming(strategy);
            for (;;) {
                receiver.receiveFrame();
                if (state.scanBuffer.counts.size() != state.currentChannels) {
                    std::abort();
                }
            }
        }
    } catch (const LinkTimeoutError&) {
    }
    for (std::int32_t v : state.ShutterMap) {
        if (v != 0 && v != 1 && v != 7) {
            std::abort();
        }
    }
    return 0;
}
