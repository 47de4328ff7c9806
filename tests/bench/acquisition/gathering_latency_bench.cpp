// Latency from the end pair's arrival on the pty to the scan-ready message being handled on the
// window thread: simulator -> pty -> QSerialPort -> receiver -> posted message -> window.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/data_gathering_thread.h"
#include "platform/messages.h"
#include "platform/pseudo_terminal.h"
#include "scan_controller_simulator.h"

namespace {

using Steady = std::chrono::steady_clock;

// Notes when the chunk that carries a sweep's end pair has been handed to the pty.
class TimestampingSink final : public LineSink {
public:
    explicit TimestampingSink(PseudoTerminal& pty) : pty_(pty) {}
    void write(const std::uint8_t* data, std::size_t size) override {
        pty_.write(data, size);
        if (size >= 2 && data[0] != 0xFF && data[size - 1] == 0xFF && data[size - 2] == 0xFF) {
            std::lock_guard lock(mutex);
            endPairs.push_back(Steady::now());  // sweep k (from 1) at index k - 1
        }
    }
    std::mutex mutex;
    std::vector<Steady::time_point> endPairs;

private:
    PseudoTerminal& pty_;
};

// The signal check's seconds run faster, so the run starts quickly.
class FastSecondsClock final : public Clock {
public:
    std::int64_t seconds() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start_)
                   .count() /
               125;
    }
    std::int64_t counterFrequency() override { return system_.counterFrequency(); }
    std::int64_t counter() override { return system_.counter(); }
    std::uint32_t tickMilliseconds() override { return system_.tickMilliseconds(); }

private:
    Steady::time_point start_ = Steady::now();
    SystemClock system_;
};

class TimingWindow final : public MessageReceiver {
public:
    TimingWindow(QEventLoop& loop, std::size_t wanted) : loop_(loop), wanted_(wanted) {}
    std::vector<std::pair<unsigned, Steady::time_point>> handled;  // sweep, when

protected:
    void onMessage(Message& m) override {
        if (m.id != msg::WM_GATHER_SCAN_READY) {
            return;
        }
        const auto now = Steady::now();
        const GatheredScan* scan = gatheredScanOf(m);
        handled.emplace_back((scan->scan.counts[1] - 1) / 7, now);  // ramp: (7k + 1) mod 4096
        if (handled.size() == wanted_) {
            loop_.quit();
        }
    }

private:
    QEventLoop& loop_;
    std::size_t wanted_;
};

class OneWindow final : public GatheringWindows {
public:
    explicit OneWindow(MessageSink& w) : w_(w) {}
    std::vector<Window> windowsForBroadcast() override { return {{&w_, true}}; }

private:
    MessageSink& w_;
};

class NoBoxes final : public Prompter {
public:
    PromptAnswer ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
        return PromptAnswer::Cancel;
    }
};

void BM_EndPairToWindow(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    const auto channels = static_cast<unsigned>(state.range(1));
    std::vector<double> latencies;
    for (auto _ : state) {
        auto pty = PseudoTerminal::open();
        if (!pty) {
            state.SkipWithError("no pty");
            return;
        }
        SimulatorOptions options;
        options.channels = channels;
        options.pattern = SimulatorOptions::Pattern::Ramp;
        options.timeScale = 4;
        options.leadIn = 12;
        options.frames = frames + 1;
        TimestampingSink sink(*pty);
        std::atomic<bool> stop{false};
        std::thread controller([&] { ScanControllerSimulator(options).run(sink, stop); });

        QEventLoop loop;
        TimingWindow window(loop, frames);
        OneWindow windows(window);
        NoBoxes prompter;
        FastSecondsClock clock;
        const std::string path = pty->devicePath();
        CDataGatheringThread gathering(
            windows, prompter, {[path] { return path; }, [] { return 0; }, [] { return 0.0; }},
            &clock);
        CKavroSpectrum spectrum;
        spectrum.SetChannels(static_cast<std::uint16_t>(channels));
        gathering.PrepareGathering(spectrum);
        loop.exec();
        stop = true;
        controller.join();
        gathering.StopGathering();

        std::lock_guard lock(sink.mutex);
        for (const auto& [sweep, when] : window.handled) {
            if (sweep >= 1 && sweep <= sink.endPairs.size()) {
                latencies.push_back(
                    std::chrono::duration<double, std::micro>(when - sink.endPairs[sweep - 1])
                        .count());
            }
        }
    }
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        state.SkipWithError("no frames");
        return;
    }
    auto at = [&](double q) {
        return latencies[static_cast<std::size_t>(q * static_cast<double>(latencies.size() - 1))];
    };
    state.counters["frames"] = static_cast<double>(latencies.size());
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies.back();
}

}  // namespace

BENCHMARK(BM_EndPairToWindow)
    ->Args({200, 1024})
    ->Args({200, 256})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
