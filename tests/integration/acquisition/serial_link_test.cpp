#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <chrono>
#include <thread>

#include "acquisition/frame_receiver.h"
#include "acquisition/serial_link.h"
#include "platform/pseudo_terminal.h"
#include "scaled_clock.h"
#include "scan_controller_simulator.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"

namespace {

constexpr double kTimeScale = 8;

// Frames as decoded, with the sweep number the ramp pattern puts in channel 1.
class FrameLog : public ReceiverListener {
public:
    void channelsChanged(std::uint16_t channels) override { changes.push_back(channels); }
    void scanReady(const InstrumentState& s) override {
        frames.push_back(s.scanBuffer.counts);
        if (stopAfter && frames.size() == stopAfter) {
            controls->stopRequest = true;
        }
    }
    void scanRejected() override { ++rejected; }
    void x10Changed(bool) override {}
    void alt16Changed(bool) override {}
    void alignmentChanged(bool) override {}

    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<std::uint16_t> changes;
    int rejected = 0;
    std::size_t stopAfter = 0;
    ReceiverControls* controls = nullptr;
};

struct ReceiverRun {
    ReceiverEnd end;
    double seconds;
};

ReceiverRun receive(const std::string& device, FrameLog& log, std::uint16_t channels = 256) {
    SerialLink link;
    EXPECT_TRUE(link.OpenSerialPort(device)) << link.errorText();
    ScaledClock clock(kTimeScale);
    InstrumentState state;
    state.prepare(channels, 0);
    ReceiverControls controls;
    log.controls = &controls;
    ScriptedPrompter noBoxes;
    FrameReceiver receiver(link, clock, state, log, controls);
    const auto start = std::chrono::steady_clock::now();
    const ReceiverEnd end = receiver.run(TimingStrategy::HighResolution, noBoxes);
    return {end, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// Channel i of ramp sweep k holds (7k + i) mod 4096.
void expectRampSweep(const std::vector<std::uint32_t>& counts, unsigned k) {
    for (unsigned i = 1; i < counts.size(); ++i) {
        ASSERT_EQ(counts[i], (7 * k + i) % 4096) << "sweep " << k << " channel " << i;
    }
}

}  // namespace

TEST(SerialLinkOnPty, SimulatedSweepsArriveExactlyAndInOrder) {
    std::string error;
    // The lead-in outlasts the signal check; sweep 1 is taken for synchronisation.
    auto sim = startSimulatorOnPty(
        "--pattern ramp --channels 512 --frames 9 --time-scale 8 --lead-in 8", &error);
    ASSERT_TRUE(sim) << error;
    FrameLog log;
    const ReceiverRun run = receive(sim->devicePath(), log, 256);
    EXPECT_EQ(run.end, ReceiverEnd::Timeout);  // the simulator falls silent after its sweeps
    EXPECT_EQ(log.changes, (std::vector<std::uint16_t>{512}));
    EXPECT_EQ(log.rejected, 0);
    ASSERT_EQ(log.frames.size(), 8u);
    for (unsigned n = 0; n < 8; ++n) {
        ASSERT_EQ(log.frames[n].size(), 512u);
        expectRampSweep(log.frames[n], n + 2);
    }
    EXPECT_TRUE(sim->finished());
}

TEST(SerialLinkOnPty, FaultySweepsAreRejectedAndReceptionGoesOn) {
    std::string error;
    auto sim = startSimulatorOnPty(
        "--pattern ramp --channels 256 --frames 13 --time-scale 8 "
        "--lead-in 8 --short-every 4 --garbage-every 5",
        &error);
    ASSERT_TRUE(sim) << error;
    FrameLog log;
    EXPECT_EQ(receive(sim->devicePath(), log).end, ReceiverEnd::Timeout);
    // Of sweeps 2 ... 13, 4, 8 and 12 are short; noise comes before 5 and 10.
    EXPECT_EQ(log.rejected, 5);
    ASSERT_EQ(log.frames.size(), 9u);
    const unsigned good[] = {2, 3, 5, 6, 7, 9, 10, 11, 13};
    for (unsigned n = 0; n < 9; ++n) {
        expectRampSweep(log.frames[n], good[n]);
    }
}

TEST(SerialLinkOnPty, SilentLineTimesOutAfterTwoAndAHalfSeconds) {
    std::string error;
    auto pty = PseudoTerminal::open(&error);
    ASSERT_TRUE(pty) << error;
    FrameLog log;
    const ReceiverRun run = receive(pty->devicePath(), log);
    EXPECT_EQ(run.end, ReceiverEnd::Timeout);
    EXPECT_GE(run.seconds, 2.4);
    EXPECT_LT(run.seconds, 4.0);
}

TEST(SerialLinkOnPty, SilenceInTheMiddleOfReceptionEndsTheRun) {
    std::string error;
    auto sim = startSimulatorOnPty(
        "--pattern ramp --channels 256 --time-scale 8 --lead-in 8 --silence-after 4:40", &error);
    ASSERT_TRUE(sim) << error;
    FrameLog log;
    EXPECT_EQ(receive(sim->devicePath(), log).end, ReceiverEnd::Timeout);
    EXPECT_EQ(log.frames.size(), 3u);  // 2, 3, 4, then five seconds without a byte
}

TEST(SerialLinkOnPty, StopRequestEndsTheReceiver) {
    std::string error;
    auto sim = startSimulatorOnPty("--channels 1024 --time-scale 8 --lead-in 8", &error);
    ASSERT_TRUE(sim) << error;
    FrameLog log;
    log.stopAfter = 3;
    EXPECT_EQ(receive(sim->devicePath(), log, 1024).end, ReceiverEnd::Stopped);
    EXPECT_EQ(log.frames.size(), 3u);
}

TEST(SerialLinkOnPty, MissingDeviceCannotBeOpenedAndAnOpenPortIsExclusive) {
    SerialLink link;
    EXPECT_FALSE(link.OpenSerialPort("/dev/kavro-no-such-port"));
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(link.readByte().has_value());
    EXPECT_FALSE(link.OpenSerialPort(""));

    std::string error;
    auto pty = PseudoTerminal::open(&error);
    ASSERT_TRUE(pty) << error;
    ASSERT_TRUE(link.OpenSerialPort(pty->devicePath())) << link.errorText();
    SerialLink second;
    EXPECT_FALSE(second.OpenSerialPort(pty->devicePath()));
    link.CloseSerialPort();
    EXPECT_TRUE(second.OpenSerialPort(pty->devicePath())) << second.errorText();
}

TEST(SimulatorProgram, WritesToThePtyItPrints) {
    QProcess sim;
    sim.start(KAVRO_SCANCTL_SIM, {"--pty", "--pattern", "ramp", "--channels", "256", "--time-scale",
                                  "8", "--lead-in", "8", "--frames", "4"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const std::string path = sim.readLine().trimmed().toStdString();
    ASSERT_FALSE(path.empty());
    FrameLog log;
    SerialLink link;
    ASSERT_TRUE(link.OpenSerialPort(path)) << link.errorText();
    ScaledClock clock(kTimeScale);
    InstrumentState state;
    state.prepare(256, 0);
    ReceiverControls controls;
    log.controls = &controls;
    log.stopAfter = 3;
    ScriptedPrompter noBoxes;
    FrameReceiver receiver(link, clock, state, log, controls);
    EXPECT_EQ(receiver.run(TimingStrategy::HighResolution, noBoxes), ReceiverEnd::Stopped);
    ASSERT_EQ(log.frames.size(), 3u);
    expectRampSweep(log.frames[2], 4);
    link.CloseSerialPort();
    EXPECT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
}

TEST(SimulatorProgram, StopEndsTheReceiverOnItsStreamsWithoutFrames) {
    struct Case {
        const char* stream;
        bool noSignalQuestion;
        int stopAfterMs;  // past the signal check, which this clock runs eight times faster
    } cases[] = {{"ascii", true, 2000}, {"filler", false, 1500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stream);
        QProcess sim;
        sim.start(KAVRO_SCANCTL_SIM, {"--pty", "--stream", c.stream, "--time-scale", "8"});
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(sim.waitForReadyRead(5000));
        const std::string path = sim.readLine().trimmed().toStdString();
        SerialLink link;
        ASSERT_TRUE(link.OpenSerialPort(path)) << link.errorText();
        ReceiverControls controls;
        link.setStopFlag(&controls.stopRequest);
        ScaledClock clock(kTimeScale);
        InstrumentState state;
        state.prepare(256, 0);
        FrameLog log;
        ScriptedPrompter operatorAnswers;
        if (c.noSignalQuestion) {
            operatorAnswers.expect(kNoSignalQuestion, PromptAnswer::Ok);
        }
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.stopAfterMs));
            controls.stopRequest = true;
        });
        FrameReceiver receiver(link, clock, state, log, controls);
        const ReceiverEnd end = receiver.run(TimingStrategy::HighResolution, operatorAnswers);
        stopper.join();
        EXPECT_EQ(end, ReceiverEnd::Stopped);
        EXPECT_TRUE(log.frames.empty());
        EXPECT_TRUE(operatorAnswers.done());
        link.CloseSerialPort();
        sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(5000));
    }
}

TEST(SimulatedLine, AHeldUpSimulatorGoesOnAtLineRateInsteadOfBursting) {
    // The sink holds the simulator's thread once, as a loaded machine may; afterwards the
    // bytes must not come faster than 57600 baud allows, or they overrun the receive queue.
    struct HoldOnce : LineSink {
        void write(const std::uint8_t*, std::size_t size) override {
            const auto now = std::chrono::steady_clock::now();
            if (!held && total > 20000) {
                held = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(400));
                resumed = std::chrono::steady_clock::now();
            } else if (held && now - resumed < std::chrono::milliseconds(100)) {
                afterHold += size;
            }
            total += size;
        }
        bool held = false;
        std::size_t total = 0;
        std::size_t afterHold = 0;
        std::chrono::steady_clock::time_point resumed;
    } sink;
    SimulatorOptions o;
    o.timeScale = 4;
    o.frames = 12;
    ScanControllerSimulator sim(o);
    std::atomic<bool> stop{false};
    EXPECT_EQ(sim.run(sink, stop), 12u);
    ASSERT_TRUE(sink.held);
    const double lineBytesIn100ms = ScanControllerSimulator::kLineBytesPerSecond * 4 * 0.1;
    EXPECT_LT(static_cast<double>(sink.afterHold), 1.5 * lineBytesIn100ms);
}

TEST(SimulatorProgram, HelpListsTheOptions) {
    QProcess sim;
    sim.start(KAVRO_SCANCTL_SIM, {"--help"});
    ASSERT_TRUE(sim.waitForFinished(5000));
    const QString help = QString::fromUtf8(sim.readAllStandardOutput());
    for (const char* option :
         {"--device PATH", "--channels N", "--frames N", "--time-scale S", "--seed N", "--x10",
          "--alt16", "--alignment", "--shutter", "--switch-channels", "--short-every",
          "--silence-after", "--stream S"}) {
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
    }
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
