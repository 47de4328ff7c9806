#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "acquisition/data_gathering_thread.h"
#include "platform/messages.h"
#include "platform/pseudo_terminal.h"
#include "scaled_clock.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"

namespace {

// A spectrum window as far as the gathering sees it: records what it handles, on this thread.
class RecordingWindow final : public MessageReceiver {
public:
    struct Seen {
        std::uint32_t id;
        std::uintptr_t value;
        ScanReadyPayload scan;
    };
    std::vector<Seen> seen;
    std::map<std::uint32_t, int> shown;  // each flag as the window shows it, once told

    int count(std::uint32_t id) const {
        int n = 0;
        for (const Seen& s : seen) {
            n += s.id == id;
        }
        return n;
    }
    std::vector<ScanReadyPayload> scans() const {
        std::vector<ScanReadyPayload> out;
        for (const Seen& s : seen) {
            if (s.id == msg::WM_GATHER_SCAN_READY) {
                out.push_back(s.scan);
            }
        }
        return out;
    }

protected:
    void onMessage(Message& m) override {
        const ScanReadyPayload* p = m.payloadAs<ScanReadyPayload>();
        seen.push_back({m.id, m.wParam, p ? *p : nullptr});
        if (m.id == msg::WM_GATHER_X10 || m.id == msg::WM_GATHER_ALT16 ||
            m.id == msg::WM_GATHER_ALIGNMENT) {
            shown[m.id] = static_cast<int>(m.wParam);
        }
    }
};

class Windows final : public GatheringWindows {
public:
    void add(MessageSink& w, bool visible = true) {
        std::lock_guard lock(mutex_);
        list_.push_back({&w, visible});
    }
    std::vector<Window> windowsForBroadcast() override {
        std::lock_guard lock(mutex_);
        return list_;
    }

private:
    std::mutex mutex_;
    std::vector<Window> list_;
};

// Runs the window thread's loop until the condition holds or the time is up.
template <class Condition>
bool handleMessagesUntil(Condition done, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
    return true;
}

class Gathering : public ::testing::Test {
protected:
    void SetUp() override { windows.add(window); }

    std::unique_ptr<CDataGatheringThread> gathering(std::uint16_t windowChannels = 256) {
        auto g = std::make_unique<CDataGatheringThread>(
            windows, prompter,
            GatheringSettings{[this] {
                                  std::lock_guard lock(settingsMutex);
                                  return port;
                              },
                              [this] { return shutterDelay.load(); },
                              [this] { return wavelength.load(); }},
            &clock);
        CKavroSpectrum spectrum;
        spectrum.SetChannels(windowChannels);
        const std::size_t before = window.seen.size();
        g->PrepareGathering(spectrum);
        // Preparation first tells the windows the flags it starts from, ahead of anything the
        // receiver posts; the tests below look at what follows.
        EXPECT_TRUE(handleMessagesUntil([&] { return window.seen.size() >= before + 2; }));
        if (window.seen.size() >= before + 2) {
            EXPECT_EQ(window.seen[before].id, msg::WM_GATHER_X10);
            EXPECT_EQ(window.seen[before].value, 0u);
            EXPECT_EQ(window.seen[before + 1].id, msg::WM_GATHER_ALT16);
            EXPECT_EQ(window.seen[before + 1].value, 0u);
            window.seen.erase(window.seen.begin() + static_cast<std::ptrdiff_t>(before),
                              window.seen.begin() + static_cast<std::ptrdiff_t>(before) + 2);
        }
        return g;
    }
    void usePort(const std::string& path) {
        std::lock_guard lock(settingsMutex);
        port = path;
    }
    std::unique_ptr<SimulatorOnPty> simulator(const std::string& options) {
        std::string error;
        auto sim = startSimulatorOnPty(options, &error);
        EXPECT_TRUE(sim) << error;
        if (sim) {
            usePort(sim->devicePath());
        }
        return sim;
    }

    ScaledClock clock{8};
    RecordingWindow window;
    Windows windows;
    ScriptedPrompter prompter;
    std::mutex settingsMutex;
    std::string port;
    std::atomic<int> shutterDelay{0};
    std::atomic<double> wavelength{0};
};

// Ends the test program when a wait that must be bounded is not: a hang fails the test
// instead of stalling the run.
class Watchdog {
public:
    explicit Watchdog(const char* what, int seconds = 30)
        : thread_([this, what, seconds] {
              std::unique_lock lock(mutex_);
              if (!disarmed_.wait_for(lock, std::chrono::seconds(seconds),
                                      [this] { return done_; })) {
                  std::fprintf(stderr, "hung: %s\n", what);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        disarmed_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable disarmed_;
    bool done_ = false;
    std::thread thread_;
};

// A box the operator has not answered yet.
class UnansweredPrompter final : public Prompter {
public:
    PromptAnswer ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
        std::unique_lock lock(mutex_);
        ++asked_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return answered_; });
        returned_ = true;
        changed_.notify_all();
        return PromptAnswer::Ok;
    }
    void waitUntilAsked() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return asked_ > 0; });
    }
    void answerAndWaitForReturn() {
        std::unique_lock lock(mutex_);
        answered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return returned_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int asked_ = 0;
    bool answered_ = false;
    bool returned_ = false;
};

void expectRampSweep(const GatheredScan& s, unsigned k) {
    for (unsigned i = 1; i < s.scan.counts.size(); ++i) {
        ASSERT_EQ(s.scan.counts[i], (7 * k + i) % 4096) << "sweep " << k << " channel " << i;
    }
}

}  // namespace

TEST_F(Gathering, WindowReceivesEveryCompleteFrameWithItsOwnCopy) {
    auto sim = simulator("--pattern ramp --channels 512 --frames 9 --time-scale 8 --lead-in 8");
    auto g = gathering(256);
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_TIMEOUT) == 1; }));

    // The controller's count is announced before its first frame; the timeout ends the run.
    ASSERT_FALSE(window.seen.empty());
    EXPECT_EQ(window.seen.front().id, msg::WM_GATHER_CHANNELS);
    EXPECT_EQ(window.seen.front().value, 512u);
    EXPECT_EQ(window.seen.back().id, msg::WM_GATHER_TIMEOUT);
    EXPECT_EQ(window.count(msg::WM_GATHER_ALIGNMENT), 1);
    const auto scans = window.scans();
    ASSERT_EQ(scans.size(), 8u);
    for (unsigned n = 0; n < 8; ++n) {
        ASSERT_TRUE(scans[n]);
        EXPECT_EQ(scans[n]->scan.channels, 512);
        expectRampSweep(*scans[n], n + 2);
        EXPECT_TRUE(scans[n]->alignment);
    }
    EXPECT_FALSE(g->receiverRunning());
    EXPECT_EQ(g->currentChannels(), 512);
}

TEST_F(Gathering, RejectedFramesAreReportedAndRestartResumes) {
    auto sim = simulator(
        "--pattern ramp --channels 256 --frames 8 --time-scale 8 --lead-in 8 "
        "--long-every 3");
    auto g = gathering();
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_TIMEOUT) == 1; }));
    EXPECT_EQ(window.count(msg::WM_GATHER_SCAN_REJECTED), 2);  // sweeps 3 and 6
    EXPECT_EQ(window.count(msg::WM_GATHER_SCAN_READY), 5);

    // After the timeout, a start in the window posts a restart to the gathering thread.
    auto again = simulator("--pattern ramp --channels 256 --frames 5 --time-scale 8 --lead-in 8");
    window.seen.clear();
    g->queue().post(makeMessage(msg::WM_GATHER_RESTART));
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_TIMEOUT) == 1; }));
    const auto scans = window.scans();
    ASSERT_EQ(scans.size(), 4u);
    expectRampSweep(*scans.back(), 5);
}

TEST_F(Gathering, StopGatheringEndsTheReceiverAndTheThread) {
    auto sim = simulator("--channels 1024 --time-scale 8 --lead-in 8");
    auto g = gathering(1024);
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_SCAN_READY) >= 2; }));
    g->StopGathering();
    EXPECT_FALSE(g->receiverRunning());
    QCoreApplication::processEvents();
    const std::size_t seen = window.seen.size();
    QThread::msleep(300);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.seen.size(), seen);
    EXPECT_EQ(window.count(msg::WM_GATHER_TIMEOUT), 0);
}

TEST_F(Gathering, MissingDeviceGivesThePortErrorThenARestartCanSucceed) {
    usePort("/dev/kavro-no-such-port");
    auto g = gathering();
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_PORT_ERROR) == 1; }));
    EXPECT_EQ(window.seen.size(), 1u);
    EXPECT_FALSE(g->receiverRunning());

    auto sim = simulator("--pattern ramp --channels 256 --time-scale 8 --lead-in 8");
    g->queue().post(makeMessage(msg::WM_GATHER_RESTART));
    g->queue().post(makeMessage(msg::WM_GATHER_RESTART));  // a second one finds it running
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_SCAN_READY) >= 3; }));
    g->StopGathering();
    EXPECT_EQ(window.count(msg::WM_GATHER_PORT_ERROR), 1);
}

TEST_F(Gathering, BroadcastStopsAtTheFirstHiddenWindow) {
    RecordingWindow second, hidden, after;
    windows.add(second);
    windows.add(hidden, false);
    windows.add(after);
    usePort("/dev/kavro-no-such-port");
    auto g = gathering();
    ASSERT_TRUE(handleMessagesUntil([&] { return second.count(msg::WM_GATHER_PORT_ERROR) == 1; }));
    EXPECT_EQ(second.seen.size(), 3u);  // the flags of the preparation, then the error
    EXPECT_EQ(window.count(msg::WM_GATHER_PORT_ERROR), 1);
    EXPECT_EQ(second.count(msg::WM_GATHER_PORT_ERROR), 1);
    EXPECT_TRUE(hidden.seen.empty());
    EXPECT_TRUE(after.seen.empty());
}

TEST_F(Gathering, OperatorsCancelAtTheNoSignalQuestionEndsTheReceiver) {
    std::string error;
    auto pty = PseudoTerminal::open(&error);
    ASSERT_TRUE(pty) << error;
    usePort(pty->devicePath());
    std::atomic<bool> done{false};
    std::thread noise([&] {  // a busy line without any filler
        const std::vector<std::uint8_t> bytes(64, 0x12);
        while (!done) {
            pty->write(bytes.data(), bytes.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    prompter.expect(kNoSignalQuestion, PromptAnswer::Cancel);
    auto g = gathering();
    const bool ended =
        handleMessagesUntil([&] { return window.count(msg::WM_GATHER_NO_SIGNAL) == 1; });
    done = true;
    noise.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(window.seen.size(), 1u);
    EXPECT_FALSE(g->receiverRunning());
}

TEST_F(Gathering, QueueTakesNewShutterDelayAndWavelength) {
    shutterDelay = 3;  // one channel at 512
    auto sim = simulator("--channels 512 --time-scale 8 --lead-in 8 --shutter 100-199");
    auto g = gathering(512);
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_SCAN_READY) >= 1; }));
    const ShutterMapEntries before = window.scans().front()->ShutterMap;
    EXPECT_EQ(before[100], 0);
    EXPECT_EQ(before[101], 1);
    EXPECT_EQ(before[200], 1);
    EXPECT_EQ(before[201], 0);
    EXPECT_EQ(window.scans().front()->scan.wavelength, 0.0);

    shutterDelay = 10;  // five channels at 512
    wavelength = 532.0;
    g->queue().post(makeMessage(msg::WM_SHUTTER_DELAY_CHANGED));
    g->queue().post(makeMessage(msg::WM_WAVELENGTH_CHANGED));
    const std::size_t seen = window.scans().size();
    ASSERT_TRUE(handleMessagesUntil(
        [&] { return window.count(msg::WM_GATHER_SCAN_READY) >= static_cast<int>(seen) + 3; }));
    const GatheredScan& after = *window.scans().back();
    EXPECT_EQ(after.ShutterMap[104], 0);
    EXPECT_EQ(after.ShutterMap[105], 1);
    EXPECT_EQ(after.ShutterMap[204], 1);
    EXPECT_EQ(after.ShutterMap[205], 0);
    EXPECT_EQ(after.scan.wavelength, 532.0);
    g->StopGathering();
}

TEST_F(Gathering, SlowSweepsAndLongGapsOfTheSimulatorAreDetected) {
    // Near real pace: the rules measure real time.
    auto sim = simulator("--x10 --alt16 --channels 256 --time-scale 1.4 --lead-in 1");
    auto g = gathering();
    ASSERT_TRUE(
        handleMessagesUntil([&] { return window.count(msg::WM_GATHER_SCAN_READY) >= 1; }, 30000));
    g->StopGathering();
    QCoreApplication::processEvents();  // what was posted before the end
    std::vector<std::uint32_t> order;
    for (const auto& s : window.seen) {
        if (s.id != msg::WM_GATHER_ALIGNMENT) {
            order.push_back(s.id);
        }
    }
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<std::uint32_t>(order.begin(), order.begin() + 3),
              (std::vector<std::uint32_t>{msg::WM_GATHER_ALT16, msg::WM_GATHER_X10,
                                          msg::WM_GATHER_SCAN_READY}));
    const GatheredScan& first = *window.scans().front();
    EXPECT_TRUE(first.x10 && first.alt16);
    const double sweep = 5.12 / 1.4;
    EXPECT_NEAR(first.CyclesPerHourEstimate, 3600 / (sweep + 0.128), 3600 / (sweep + 0.128) * 0.03);
    EXPECT_FLOAT_EQ(g->CyclesPerHourEstimate(), window.scans().back()->CyclesPerHourEstimate);
}

TEST_F(Gathering, StopEndsTheReceiverOnLinesThatNeverMakeAFrame) {
    struct Case {
        const char* line;
        const char* simulator;  // nullptr: a silent pty
        bool noSignalQuestion;
    } cases[] = {
        {"text from another device, after OK to the question", "--stream ascii --time-scale 8",
         true},
        {"filler only", "--stream filler --time-scale 8", false},
        {"a silent line", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::unique_ptr<SimulatorOnPty> sim;
        std::unique_ptr<PseudoTerminal> silent;
        if (c.simulator) {
            sim = simulator(c.simulator);
        } else {
            silent = PseudoTerminal::open();
            ASSERT_TRUE(silent);
            usePort(silent->devicePath());
        }
        if (c.noSignalQuestion) {
            prompter.expect(kNoSignalQuestion, PromptAnswer::Ok);
        }
        window.seen.clear();
        auto g = gathering();
        // Past the signal check (half a second at this clock): hunting, or waiting for a byte.
        ASSERT_TRUE(handleMessagesUntil([&] { return prompter.done(); }));
        QThread::msleep(c.noSignalQuestion ? 300 : 1200);
        ASSERT_TRUE(g->receiverRunning());
        {
            Watchdog guard("StopGathering");
            EXPECT_TRUE(g->StopGathering());
        }
        EXPECT_FALSE(g->receiverRunning());
        QCoreApplication::processEvents();
        // A stop is no failure of the line.
        EXPECT_TRUE(window.seen.empty());
    }
}

TEST_F(Gathering, RestartRacingTheStopStartsNoReceiverThatOutlivesIt) {
    auto filler = simulator("--stream filler --time-scale 8");
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        usePort("/dev/kavro-no-such-port");
        window.seen.clear();
        auto g = gathering();
        ASSERT_TRUE(
            handleMessagesUntil([&] { return window.count(msg::WM_GATHER_PORT_ERROR) == 1; }));
        usePort(filler->devicePath());
        // The restart is handled on the gathering thread while the stop runs here.
        g->queue().post(makeMessage(msg::WM_GATHER_RESTART));
        QThread::usleep(static_cast<unsigned long>(round) * 300);
        {
            Watchdog guard("StopGathering racing a restart");
            EXPECT_TRUE(g->StopGathering());
        }
        EXPECT_FALSE(g->receiverRunning());
        g->queue().post(makeMessage(msg::WM_GATHER_RESTART));  // after the stop: nowhere
        QThread::msleep(100);
        EXPECT_FALSE(g->receiverRunning());
    }
}

TEST_F(Gathering, StopThatCannotEndTheReceiverSaysSoAndLetsTheWindowsGo) {
    auto sim = simulator("--stream ascii --time-scale 8");
    static UnansweredPrompter question;  // outlives the receiver that waits in it
    auto g = std::make_unique<CDataGatheringThread>(
        windows, question, GatheringSettings{[this] { return port; }, nullptr, nullptr}, &clock);
    CKavroSpectrum spectrum;
    spectrum.SetChannels(256);
    g->PrepareGathering(spectrum);
    question.waitUntilAsked();
    QCoreApplication::processEvents();
    window.seen.clear();

    EXPECT_FALSE(g->StopGathering(300));
    g.reset();
    question.answerAndWaitForReturn();  // the receiver left behind now ends on its own
    QThread::msleep(200);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.seen.empty());
}

TEST_F(Gathering, ANewGatheringShowsTheNewControllersFlagsNotTheOldOnes) {
    // The first controller sweeps slowly in normal measurement.
    auto slow = simulator("--x10 --channels 256 --time-scale 4 --lead-in 8");
    auto first = gathering();
    ASSERT_TRUE(handleMessagesUntil([&] { return window.shown[msg::WM_GATHER_X10] == 1; }));
    EXPECT_EQ(window.shown[msg::WM_GATHER_ALIGNMENT], 1);
    first->StopGathering();
    first.reset();
    slow.reset();

    // The port changed: a new gathering on a controller at normal pace, in alignment mode.
    auto aligning = simulator("--alignment --channels 256 --time-scale 8 --lead-in 8");
    auto second = gathering();
    ASSERT_TRUE(handleMessagesUntil([&] { return window.count(msg::WM_GATHER_SCAN_READY) >= 3; }));
    second->StopGathering();
    EXPECT_EQ(window.shown[msg::WM_GATHER_X10], 0);
    EXPECT_EQ(window.shown[msg::WM_GATHER_ALT16], 0);
    EXPECT_EQ(window.shown[msg::WM_GATHER_ALIGNMENT], 0);
    EXPECT_FALSE(window.scans().back()->alignment);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
