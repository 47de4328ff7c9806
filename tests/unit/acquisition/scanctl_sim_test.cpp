#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "acquisition/frame_receiver.h"
#include "frame_generator.h"
#include "scan_controller_simulator.h"
#include "scripted_line.h"
#include "scripted_prompter.h"
#include "simulator_options.h"

namespace {

SimulatorOptions parsed(const std::string& text) {
    std::string error;
    auto o = parseSimulatorOptions(splitOptionString(text), &error);
    EXPECT_TRUE(o.has_value()) << text << ": " << error;
    return o.value_or(SimulatorOptions{});
}

// Feeds the generator's sweeps through the station's receiver.
struct Decoded {
    std::vector<std::string> events;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<SimulatedFrame> sent;
};

Decoded throughReceiver(const SimulatorOptions& options, int frames, std::uint16_t startChannels) {
    FrameGenerator generator(options);
    ScriptedLine line;
    line.signalPresent().filler(5);
    Decoded d;
    std::vector<std::uint8_t> bytes;
    for (int n = 0; n < frames; ++n) {
        SimulatedFrame f;
        generator.next(f);
        encodeFrame(f, bytes);
        if (!f.garbageBefore.empty()) {
            line.bytes(f.garbageBefore);
        }
        line.filler(10).frame(bytes);
        d.sent.push_back(f);
    }
    InstrumentState state;
    state.prepare(startChannels, 0);
    RecordingListener listener;
    ReceiverControls controls;
    ScriptedPrompter noBoxes;
    FrameReceiver receiver(line, line, state, listener, controls);
    EXPECT_EQ(receiver.run(TimingStrategy::HighResolution, noBoxes), ReceiverEnd::Timeout);
    d.events = listener.events;
    d.frames = listener.frames;
    return d;
}

}  // namespace

TEST(SimulatorOptionsParsing, AcceptsTheDocumentedOptions) {
    const SimulatorOptions o = parsed(
        "--device /dev/pts/4 --channels=512 --frames 10 --time-scale 8 --seed 7 --pattern ramp "
        "--alignment --x10 --alt16 --shutter 10-20,40-41 --switch-channels 256@3 "
        "--short-every 4 --long-every 5 --garbage-every 6 --silence-after 7:3.5 --lead-in 2");
    EXPECT_EQ(o.device, "/dev/pts/4");
    EXPECT_EQ(o.channels, 512u);
    EXPECT_EQ(o.frames, 10u);
    EXPECT_EQ(o.timeScale, 8.0);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(o.pattern, SimulatorOptions::Pattern::Ramp);
    EXPECT_TRUE(o.alignment && o.x10 && o.alt16);
    EXPECT_EQ(o.shutterZones, (std::vector<std::pair<unsigned, unsigned>>{{10, 20}, {40, 41}}));
    EXPECT_EQ(o.switchChannels, 256u);
    EXPECT_EQ(o.switchAfter, 3u);
    EXPECT_EQ(o.shortEvery, 4u);
    EXPECT_EQ(o.longEvery, 5u);
    EXPECT_EQ(o.garbageEvery, 6u);
    EXPECT_EQ(o.silenceAfter, 7u);
    EXPECT_EQ(o.silenceSeconds, 3.5);
    EXPECT_EQ(o.leadIn, 2.0);
}

TEST(SimulatorOptionsParsing, RejectsBadValues) {
    for (const char* text : {"--channels 300", "--channels", "--time-scale 0", "--time-scale -2",
                             "--frames x", "--shutter 20-10", "--switch-channels 512", "--x10=1",
                             "--pattern waves", "--what", "--short-every 0"}) {
        std::string error;
        EXPECT_FALSE(parseSimulatorOptions(splitOptionString(text), &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::string error = "x";
    EXPECT_FALSE(parseSimulatorOptions({"--help"}, &error));
    EXPECT_TRUE(error.empty());
    EXPECT_NE(simulatorHelp().find("--time-scale S"), std::string::npos);
}

TEST(SimulatorOptionsParsing, SplitsLikeAShell) {
    EXPECT_EQ(splitOptionString("  --a 1 \"--b c\"  '--d'"),
              (std::vector<std::string>{"--a", "1", "--b c", "--d"}));
    EXPECT_TRUE(splitOptionString("   ").empty());
}

TEST(SimulatedController, SpectrumSweepsDecodeToWhatWasSent) {
    for (unsigned channels : {256u, 512u, 1024u}) {
        SimulatorOptions o = parsed("--seed 3 --shutter 100-120");
        o.channels = channels;
        const Decoded d = throughReceiver(o, 4, static_cast<std::uint16_t>(channels));
        ASSERT_EQ(d.frames.size(), 3u) << channels;  // the first one is taken for synchronisation
        for (std::size_t k = 0; k < d.frames.size(); ++k) {
            const SimulatedFrame& sent = d.sent[k + 1];
            const auto& got = d.frames[k];
            ASSERT_EQ(got.size(), channels);
            for (unsigned i = 1; i < channels; ++i) {
                ASSERT_EQ(got[i], sent.counts[i]) << channels << " channel " << i;
            }
            const std::uint16_t raw0 = sent.counts[0];
            EXPECT_EQ(got[0], frame_format::channel0Count(static_cast<std::uint8_t>(raw0 >> 6),
                                                          raw0 & 0x3F, channels));
        }
    }
}

TEST(SimulatedController, SpectrumHasTheElasticLineAndTheBrillouinDoublet) {
    const std::vector<double> m = FrameGenerator::spectrumMeans(1024, 20);
    const auto peak = std::max_element(m.begin(), m.end()) - m.begin();
    EXPECT_NEAR(static_cast<double>(peak), 512, 1);
    const auto doublet = std::max_element(m.begin() + 600, m.begin() + 700) - m.begin();
    EXPECT_NEAR(static_cast<double>(doublet), 512 + 0.12 * 1024, 2);
    EXPECT_NEAR(m[doublet], 20, 3);
    EXPECT_LT(m[575], 5);  // the valley between the lines
}

TEST(SimulatedController, SameSeedSameSweeps) {
    auto counts = [](std::uint32_t seed) {
        SimulatorOptions o;
        o.seed = seed;
        FrameGenerator g(o);
        SimulatedFrame f;
        g.next(f);
        g.next(f);
        return f.counts;
    };
    EXPECT_EQ(counts(5), counts(5));
    EXPECT_NE(counts(5), counts(6));
}

TEST(SimulatedController, FaultsAreRejectedAndTheChannelSwitchIsFollowed) {
    const SimulatorOptions o = parsed(
        "--pattern ramp --channels 256 --short-every 3 --long-every 5 --garbage-every 4 "
        "--switch-channels 512@6");
    const Decoded d = throughReceiver(o, 9, 256);
    std::vector<std::string> flow;  // noise may flip the alignment bit; leave that out
    for (const auto& e : d.events) {
        if (e.rfind("alignment", 0) != 0) {
            flow.push_back(e);
        }
    }
    // Sweep 1 synchronises; 3, 6 and 9 are short, 5 is long, noise comes before 4 and 8, and
    // from 7 on the controller sends 512 channels.
    EXPECT_EQ(flow, (std::vector<std::string>{"ready", "rejected", "rejected", "ready", "rejected",
                                              "rejected", "channels 512", "ready", "rejected",
                                              "ready", "rejected"}));
    const unsigned readySweeps[] = {2, 4, 7, 8};
    ASSERT_EQ(d.frames.size(), 4u);
    for (std::size_t n = 0; n < 4; ++n) {
        const unsigned k = readySweeps[n];
        const auto& got = d.frames[n];
        EXPECT_EQ(got[1], 7 * k + 1) << k;
        EXPECT_EQ(got[255], 7 * k + 255) << k;
        const unsigned scaledFor = k == 8 ? 512 : 256;  // the count the sweep began with
        EXPECT_EQ(got[0], frame_format::channel0Count(0, static_cast<std::uint8_t>(k), scaledFor))
            << k;
    }
    EXPECT_EQ(d.frames[2][256], 0u);  // not stored in the sweep that changed the count
    EXPECT_EQ(d.frames[3][511], 7 * 8 + 511u);
}

TEST(SimulatedController, ShutterZonesSetTheBitAndDimTheLightAfterTheLag) {
    SimulatorOptions o = parsed(
        "--pattern flat --intensity 1000 --channels 1024 "
        "--shutter 100-199 --shutter-lag 5");  // 10 channels late
    FrameGenerator g(o);
    SimulatedFrame f;
    g.next(f);
    EXPECT_EQ(f.shutter[99], 0);
    EXPECT_EQ(f.shutter[100], 1);
    EXPECT_EQ(f.shutter[199], 1);
    EXPECT_EQ(f.shutter[200], 0);
    EXPECT_GT(f.counts[105], 800);  // the shutter has not closed yet
    EXPECT_LT(f.counts[115], 40);
    EXPECT_LT(f.counts[205], 40);
    EXPECT_GT(f.counts[215], 800);
}

TEST(SimulatedController, AlignmentModeShowsDipsAndClearsTheAlignmentBit) {
    const std::vector<double> m = FrameGenerator::alignmentMeans(1024, 0);
    const double top = *std::max_element(m.begin(), m.end());
    EXPECT_NEAR(top, 700, 15);
    int dips = 0;
    for (std::size_t i = 1; i < m.size(); ++i) {
        dips += m[i] < top / 2 && m[i - 1] >= top / 2;
    }
    EXPECT_GE(dips, 3);

    SimulatorOptions o = parsed("--alignment --channels 256");
    FrameGenerator g(o);
    SimulatedFrame f;
    g.next(f);
    std::vector<std::uint8_t> bytes;
    encodeFrame(f, bytes);
    EXPECT_FALSE(frame_format::alignmentBit(bytes[1]));
}

TEST(SimulatedController, KeepsTheInstrumentsPace) {
    struct Capture : LineSink {
        void write(const std::uint8_t* data, std::size_t size) override {
            bytes.insert(bytes.end(), data, data + size);
        }
        std::vector<std::uint8_t> bytes;
    } capture;
    SimulatorOptions o = parsed("--channels 256 --frames 3 --time-scale 20");
    ScanControllerSimulator sim(o);
    std::atomic<bool> stop{false};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sim.run(capture, stop), 3u);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 3 * 0.64 / 20 * 0.95);
    // 0.128 s of filler at 5760 bytes/s, then the sweep: 2 + 255 * 2 + 2 bytes.
    EXPECT_EQ(capture.bytes.size(), 3u * (737 + 514));
    EXPECT_EQ(std::count(capture.bytes.begin(), capture.bytes.begin() + 737, 0xFF), 737);
}

TEST(SimulatedController, StreamsWithoutFramesCarryWhatTheyClaimUntilStopped) {
    struct Case {
        const char* options;
        SimulatorOptions::Stream stream;
        std::function<bool(std::uint8_t)> allowed;
    } cases[] = {
        {"--stream ascii", SimulatorOptions::Stream::Ascii,
         [](std::uint8_t b) { return b == '\r' || b == '\n' || (b >= 0x20 && b < 0x7F); }},
        {"--stream filler", SimulatorOptions::Stream::FillerOnly,
         [](std::uint8_t b) { return b == frame_format::kFiller; }},
    };
    for (const Case& c : cases) {
        const SimulatorOptions o = parsed(std::string(c.options) + " --time-scale 50 --frames 2");
        EXPECT_EQ(o.stream, c.stream) << c.options;
        struct StopAfter : LineSink {
            void write(const std::uint8_t* data, std::size_t size) override {
                bytes.insert(bytes.end(), data, data + size);
                if (bytes.size() >= 20000) {
                    stop = true;
                }
            }
            std::vector<std::uint8_t> bytes;
            std::atomic<bool> stop{false};
        } capture;
        ScanControllerSimulator sim(o);
        EXPECT_EQ(sim.run(capture, capture.stop), 0u) << c.options;  // no sweep, ever
        EXPECT_GE(capture.bytes.size(), 20000u) << c.options;
        EXPECT_TRUE(std::all_of(capture.bytes.begin(), capture.bytes.end(), c.allowed))
            << c.options;
    }
    std::string error;
    EXPECT_FALSE(parseSimulatorOptions({"--stream", "morse"}, &error));
}
