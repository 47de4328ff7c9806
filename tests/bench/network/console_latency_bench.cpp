// STATUS round trip while other consoles send commands as fast as they can and the
// simulated scan controller streams frames into a running acquisition. The station runs on a
// thread of its own with its event loop, as the window thread does in the program.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"
#include "window/acquisition/run_control.h"
#include "window/network/console_host.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

namespace {

using namespace std::string_literals;
const std::string kPrompt = "KAVRO> \0"s;
constexpr int kPacingMs = 10;  // one STATUS every 10 ms, 6000 of them: a minute under load

// Frames lost in any run; the program fails when there were some.
std::atomic<long> framesLostInAllRuns{0};

// Which sweeps the window accumulated. Channel 1 of ramp sweep k holds (7k + 1) mod 4096, so
// a sweep that never arrived, or arrived damaged and was rejected, shows as a gap in the
// numbers, whatever happens at the edges of the measured time.
class SweepLedger {
public:
    void accumulated(const GatheredScan& frame) {
        if (frame.scan.counts.size() < 2) {
            return;
        }
        constexpr std::uint32_t kInverseOf7 = 3511;  // 7 * 3511 = 1 mod 4096
        const std::uint32_t k = ((frame.scan.counts[1] + 4095) * kInverseOf7) % 4096;
        std::lock_guard lock(mutex_);
        if (counting_ && previous_ >= 0) {
            missing_ +=
                static_cast<long>((k + 4096 - static_cast<std::uint32_t>(previous_)) % 4096) - 1;
        }
        if (counting_) {
            ++accumulated_;
        }
        previous_ = static_cast<long>(k);
    }
    // Counting starts with the next accumulated sweep.
    void startCounting() {
        std::lock_guard lock(mutex_);
        counting_ = true;
        previous_ = -1;
    }
    long missing() const {
        std::lock_guard lock(mutex_);
        return missing_;
    }
    long accumulatedCount() const {
        std::lock_guard lock(mutex_);
        return accumulated_;
    }

private:
    mutable std::mutex mutex_;
    bool counting_ = false;
    long previous_ = -1;
    long missing_ = 0;
    long accumulated_ = 0;
};

class StationThread final : public QThread {
public:
    std::promise<std::uint16_t> port;
    std::atomic<int> scanCount{-1};
    std::atomic<int> rejected{0};
    std::unique_ptr<SimulatorOnPty> sim;
    SweepLedger ledger;

protected:
    void run() override {
        sim = startSimulatorOnPty("--time-scale 16 --channels 1024 --pattern ramp");
        MemoryProfileStore store;
        CRegistersetup setup(store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"});
        setup.SetFailsafeDefaults();
        setup.values().enable_network = 1;
        ScriptedPrompter prompter;
        FakeFileDialogs dialogs;
        FakeSpectrumView view;
        view.setControlText(ctl::kCycles, "0");
        view.setControlText(ctl::kMirrorSpacing, "6");
        WindowContext context;
        context.consolePort = 0;
        context.portOverride = sim ? sim->devicePath() : std::string();
        {
            CSpectrumwnd window(setup, prompter, dialogs, view, context);
            window.OnInitDialog();
            window.state().onFrameAccumulated(
                [this](const GatheredScan& frame) { ledger.accumulated(frame); });
            window.consoleHost().StartServer();
            port.set_value(window.consoleHost().listeningPort());
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                scanCount = window.state().spectrum().scanCount;
                rejected = window.runControl().rejectedFrames();
            });
            watch.start(50);
            exec();
            scanCount = window.state().spectrum().scanCount;
        }
        sim.reset();
    }
};

// Resident memory of the whole process, where the system tells it.
double residentKb() {
#ifdef __linux__
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb;
        }
    }
#endif
    return 0;
}

// A blocking terminal for a thread of its own.
class Terminal {
public:
    explicit Terminal(std::uint16_t port) {
        socket_.connectToHost("127.0.0.1", port);
        socket_.waitForConnected(5000);
        readUntil("KAVRO> ");
    }
    // One line out, its reply back (up to and including the prompt).
    std::string ask(const std::string& line) {
        socket_.write(line.data(), static_cast<qint64>(line.size()));
        socket_.flush();
        return readUntil(kPrompt);
    }
    std::string readUntil(const std::string& end) {
        while (buffer_.find(end) == std::string::npos) {
            if (!socket_.waitForReadyRead(5000)) {
                return {};
            }
            const QByteArray b = socket_.readAll();
            buffer_.append(b.constData(), static_cast<std::size_t>(b.size()));
        }
        const std::size_t cut = buffer_.find(end) + end.size();
        std::string reply = buffer_.substr(0, cut);
        buffer_.erase(0, cut);
        return reply;
    }

private:
    QTcpSocket socket_;
    std::string buffer_;
};

void BM_StatusLatencyUnderLoad(benchmark::State& state) {
    int argc = 1;
    char arg0[] = "console_latency_bench";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    StationThread station;
    auto portReady = station.port.get_future();
    station.start();
    const std::uint16_t port = portReady.get();

    Terminal measuring(port);
    measuring.ask("override\r\n");
    measuring.ask("start 0\r\n");
    // Counted from the first accumulated frames on: the receiver's synchronisation comes first.
    while (station.scanCount < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    station.ledger.startCounting();
    const int rejectedBefore = station.rejected.load();
    const std::uint64_t droppedBefore = station.sim ? station.sim->bytesDropped() : 0;
    const int scansBefore = station.scanCount.load();
    const std::uint64_t framesBefore = station.sim ? station.sim->framesSent() : 0;

    std::atomic<bool> stop{false};
    std::atomic<long> loadReplies{0};
    std::atomic<long> incomplete{0};
    std::atomic<int> connected{0};
    std::vector<std::thread> loaders;
    const int loaderCount = static_cast<int>(state.range(0));
    for (int i = 0; i < loaderCount; ++i) {
        loaders.emplace_back([&, i] {
            Terminal t(port);
            ++connected;
            const std::string lines[] = {"help\r\n", "status\r\n", "get_data\r\n", "bogus\r\n"};
            for (long n = 0; !stop; ++n) {
                const std::string reply = t.ask(lines[(n + i) % 4]);
                if (reply.empty()) {
                    ++incomplete;
                }
                ++loadReplies;
            }
        });
    }

    while (connected < loaderCount) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(state.max_iterations));
    double rssAfterWarmUp = 0;
    for (auto _ : state) {
        if (micros.size() == 500) {
            rssAfterWarmUp = residentKb();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPacingMs));
        const auto t0 = std::chrono::steady_clock::now();
        const std::string reply = measuring.ask("status\r\n");
        const auto t1 = std::chrono::steady_clock::now();
        if (reply.find("END OF REPORT") == std::string::npos) {
            ++incomplete;
        }
        const double us = std::chrono::duration<double, std::micro>(t1 - t0).count();
        micros.push_back(us);
        state.SetIterationTime(us * 1e-6);
    }
    const double rssAtEnd = residentKb();
    stop = true;
    for (auto& t : loaders) {
        t.join();
    }
    measuring.ask("stop\r\n");
    const std::uint64_t framesSent = (station.sim ? station.sim->framesSent() : 0) - framesBefore;
    const std::uint64_t dropped = (station.sim ? station.sim->bytesDropped() : 0) - droppedBefore;
    station.quit();
    station.wait();
    const int scans = station.scanCount.load() - scansBefore;

    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    }
    state.counters["load_replies"] = static_cast<double>(loadReplies.load());
    state.counters["incomplete"] = static_cast<double>(incomplete.load());
    state.counters["frames_sent"] = static_cast<double>(framesSent);
    state.counters["scans"] = scans;
    state.counters["rss_growth_kb"] = rssAtEnd - rssAfterWarmUp;
    const long lost = station.ledger.missing();
    state.counters["accumulated"] = static_cast<double>(station.ledger.accumulatedCount());
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["rejected"] = station.rejected.load() - rejectedBefore;
    state.counters["line_overrun_bytes"] = static_cast<double>(dropped);
    framesLostInAllRuns += lost;
}
// Argument: how many other consoles load the station (0 gives the unloaded reference).
BENCHMARK(BM_StatusLatencyUnderLoad)
    ->Arg(0)
    ->Arg(4)
    ->UseManualTime()
    ->Iterations(6000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (framesLostInAllRuns.load() > 0) {
        std::fprintf(stderr, "console_latency_bench: %ld frames lost\n",
                     framesLostInAllRuns.load());
        return 1;
    }
    return 0;
}
