// Decoding throughput of the receiver against the line rate of 5760 bytes/s.
#include <benchmark/benchmark.h>

#include <vector>

#include "acquisition/frame_receiver.h"
#include "frame_generator.h"

namespace {

// A recorded stream played in a loop, with a clock that never says much time has passed.
class LoopedStream : public ByteSource, public Clock {
public:
    explicit LoopedStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::uint8_t> readByte() override {
        const std::uint8_t b = bytes_[pos_];
        pos_ = pos_ + 1 == bytes_.size() ? 0 : pos_ + 1;
        ++consumed;
        return b;
    }
    std::int64_t seconds() override { return 0; }
    std::int64_t counterFrequency() override { return 1'000'000'000; }
    std::int64_t counter() override { return now_ += 250'000; }
    std::uint32_t tickMilliseconds() override { return static_cast<std::uint32_t>(now_ / 1000000); }

    std::uint64_t consumed = 0;

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    std::int64_t now_ = 0;
};

class Quiet : public ReceiverListener {
public:
    void channelsChanged(std::uint16_t) override {}
    void scanReady(const InstrumentState& s) override { benchmark::DoNotOptimize(&s); }
    void scanRejected() override {}
    void x10Changed(bool) override {}
    void alt16Changed(bool) override {}
    void alignmentChanged(bool) override {}
};

// Simulated sweeps, each after the 737 filler bytes of a normal 0.128 s overhead.
std::vector<std::uint8_t> sweeps(unsigned channels, int count) {
    SimulatorOptions o;
    o.channels = channels;
    FrameGenerator generator(o);
    std::vector<std::uint8_t> stream, frame;
    SimulatedFrame f;
    for (int n = 0; n < count; ++n) {
        generator.next(f);
        encodeFrame(f, frame);
        stream.insert(stream.end(), 737, 0xFF);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

void BM_DecodeSweeps(benchmark::State& state) {
    const auto channels = static_cast<unsigned>(state.range(0));
    const bool highResolution = state.range(1) != 0;
    LoopedStream line(sweeps(channels, 8));
    InstrumentState instrument;
    instrument.prepare(static_cast<std::uint16_t>(channels), 4);
    ReceiverControls controls;
    Quiet quiet;
    FrameReceiver receiver(line, line, instrument, quiet, controls);
    receiver.synchronise();
    receiver.startTiming(highResolution ? TimingStrategy::HighResolution : TimingStrategy::Ticks);
    line.consumed = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(receiver.receiveFrame());
    }
    const double bytes = static_cast<double>(line.consumed);
    state.SetBytesProcessed(static_cast<std::int64_t>(line.consumed));
    state.counters["times_line_rate"] =
        benchmark::Counter(bytes / 5760.0, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_DecodeSweeps)->ArgsProduct({{256, 1024}, {1, 0}})->ArgNames({"channels", "hires"});
BENCHMARK_MAIN();
