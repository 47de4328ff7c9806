#include <gtest/gtest.h>

#include <functional>

#include "acquisition/frame_receiver.h"
#include "scripted_line.h"
#include "scripted_prompter.h"

using Events = std::vector<std::string>;

namespace {

constexpr double kFiller = 0.128;  // normal overhead between sweeps

class Receiver : public ::testing::Test {
protected:
    void prepare(std::uint16_t channels, int shutterDelay = 0) {
        controls.shutterDelaySetting = shutterDelay;
        state.prepare(channels, shutterDelay);
    }
    // Signal, then one frame to synchronise on.
    void synchronisedAt(unsigned channels) {
        line.signalPresent().filler(5);
        line.frame(WireFrame{channels}.bytes());
    }
    // A frame after the normal filler.
    void frameAfterFiller(const WireFrame& f, double body = 0.5, double gap = kFiller) {
        line.filler(10, gap / 10).frame(f.bytes(), body);
    }
    ReceiverEnd run(TimingStrategy strategy = TimingStrategy::HighResolution) {
        return receiver.run(strategy, prompter);
    }

    ScriptedLine line;
    InstrumentState state;
    RecordingListener listener;
    ReceiverControls controls;
    ScriptedPrompter prompter;
    FrameReceiver receiver{line, line, state, listener, controls};
};

}  // namespace

TEST_F(Receiver, SynchronisationSkipsBadFramesAndAdoptsTheControllersChannelCount) {
    prepare(256);
    line.signalPresent().bytes({0x12, 0x34}).filler(5);  // mid-frame start
    line.frame(WireFrame{300}.bytes()).filler(5);        // no valid count: searched on
    line.frame(WireFrame{512}.bytes());                  // k = 512
    frameAfterFiller(WireFrame{512});

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"channels 512", "alignment 1", "ready"}));
    EXPECT_EQ(state.currentChannels, 512);
    ASSERT_EQ(listener.frames.size(), 1u);
    ASSERT_EQ(listener.frames[0].size(), 512u);
    EXPECT_EQ(listener.frames[0][0], 19u);  // 64 * 0.3077
    EXPECT_EQ(listener.frames[0][511], 511u);
}

TEST_F(Receiver, DecodesChannelsAndTheAlignmentBit) {
    prepare(256);
    synchronisedAt(256);
    WireFrame f{256};
    f.hi0 = 0x10;
    f.lo0 = 0x45;
    std::vector<std::uint8_t> bytes = f.bytes();
    bytes[2] = 0x3F, bytes[3] = 0x3F;  // channel 1
    bytes[4] = 0x80, bytes[5] = 0x00;  // channel 2
    line.filler(5).frame(bytes);
    f.lo0 = 0x05;  // alignment mode
    frameAfterFiller(f);

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 1", "ready", "alignment 0", "ready"}));
    const auto& counts = listener.frames.at(0);
    EXPECT_EQ(counts[0], 1715u);
    EXPECT_EQ(counts[1], 4095u);
    EXPECT_EQ(counts[2], 0u);
    EXPECT_EQ(counts[255], 255u);
    EXPECT_EQ(listener.shutterMaps[0][2], 1);
    EXPECT_EQ(listener.shutterMaps[0][1], 0);
    EXPECT_FALSE(state.alignment);
}

TEST_F(Receiver, FirstFrameAfterPreparationAnnouncesTheAlignmentBitEvenWhenItMatches) {
    // A controller in alignment mode sends bit 0, the value a prepared state starts from; the
    // windows may still show what an earlier gathering found.
    prepare(256);
    synchronisedAt(256);
    WireFrame alignmentMode{256};
    alignmentMode.lo0 = 0x05;
    frameAfterFiller(alignmentMode);
    frameAfterFiller(alignmentMode);
    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 0", "ready", "ready"}));
}

TEST_F(Receiver, WiderFrameDuringReceptionSwitchesTheChannelCount) {
    prepare(256);
    synchronisedAt(256);
    WireFrame wide{512};
    wide.count = [](unsigned i) { return 1000 + i; };
    frameAfterFiller(wide);
    frameAfterFiller(WireFrame{512});

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 1", "channels 512", "ready", "ready"}));
    const auto& first = listener.frames.at(0);
    ASSERT_EQ(first.size(), 512u);
    EXPECT_EQ(first[0], 106u);  // channel 0 scaled for the 256 the frame was read with
    EXPECT_EQ(first[255], 1255u);
    for (unsigned i = 256; i < 512; ++i) {
        ASSERT_EQ(first[i], 0u) << i;
    }
    const auto& second = listener.frames.at(1);
    EXPECT_EQ(second[0], 19u);
    EXPECT_EQ(second[400], 400u);
}

TEST_F(Receiver, NarrowerFrameSwitchesDownKeepingTheStoredChannels) {
    prepare(1024);
    synchronisedAt(1024);
    frameAfterFiller(WireFrame{512});
    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 1", "channels 512", "ready"}));
    EXPECT_EQ(listener.frames.at(0).size(), 512u);
    EXPECT_EQ(listener.frames[0][511], 511u);
}

TEST_F(Receiver, FramesEndingAtNoValidCountAreRejected) {
    prepare(256);
    synchronisedAt(256);
    frameAfterFiller(WireFrame{300});
    frameAfterFiller(WireFrame{256});
    WireFrame shortFrame{255};
    shortFrame.endHigh = 0x00;  // an end pair marked only by its low byte
    frameAfterFiller(shortFrame);

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 1", "rejected", "ready", "rejected"}));
    EXPECT_EQ(state.currentChannels, 256);
    EXPECT_EQ(state.scanBuffer.counts.size(), 256u);
    // The end pair before the last channel is stored like any other pair.
    EXPECT_EQ(state.scanBuffer.counts[255], 63u);
}

TEST_F(Receiver, ShutterBitsAreShiftedByTheDelayAndCollectedAtTheEnd) {
    prepare(1024, 10);
    state.ShutterMap.fill(7);
    synchronisedAt(1024);
    WireFrame f{1024};
    f.shutter = [](unsigned i) { return i % 3 == 0 ? 1 : 0; };
    frameAfterFiller(f);
    frameAfterFiller(f);
    listener.onReady = [this](const InstrumentState&) { controls.clearShutterMap = true; };

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(state.shutterDelayChannels, 10);
    const ShutterMapEntries& map = listener.shutterMaps.at(0);
    for (unsigned e = 0; e <= 10; ++e) {
        EXPECT_EQ(map[e], 7) << e;
    }
    for (unsigned e = 11; e < 1024; ++e) {
        ASSERT_EQ(map[e], (e - 10) % 3 == 0 ? 1 : 0) << e;
    }
    EXPECT_EQ(map[1024], 1);  // channels 1014 ... 1023, the last one (1023) wins
    for (unsigned e = 1025; e < map.size(); ++e) {
        EXPECT_EQ(map[e], 7) << e;
    }
    // A clear request takes effect before the next frame.
    EXPECT_EQ(listener.shutterMaps.at(1)[5], 0);
    EXPECT_EQ(listener.shutterMaps.at(1)[13], 1);
}

TEST_F(Receiver, ShutterDelayFollowsTheSettingAndTheChannelCount) {
    prepare(256, 3);
    EXPECT_EQ(state.shutterDelayChannels, 0);
    synchronisedAt(512);  // 3 * 512 / 1024 = 1
    WireFrame f{512};
    f.shutter = [](unsigned i) { return i == 1 ? 1 : 0; };
    frameAfterFiller(f);
    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(state.shutterDelayChannels, 1);
    EXPECT_EQ(listener.shutterMaps.at(0)[2], 1);
    EXPECT_EQ(listener.shutterMaps.at(0)[1], 0);
}

TEST_F(Receiver, SilenceAtAnyStageIsATimeoutNotTheNoSignalQuestion) {
    const WireFrame frame256{256};
    const std::vector<std::uint8_t> whole = frame256.bytes();
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + 200);
    struct Case {
        const char* stage;
        std::function<void(ScriptedLine&)> script;
    } cases[] = {
        {"silent line", [](ScriptedLine&) {}},
        {"signal check", [](ScriptedLine& l) { l.filler(50, 0.04); }},
        {"second signal check", [](ScriptedLine& l) { l.filler(60, 0.1); }},
        {"looking for filler",
         [](ScriptedLine& l) {
             l.signalPresent().bytes({1, 2, 3});
         }},
        {"synchronising", [&](ScriptedLine& l) { l.signalPresent().filler(3).bytes(half); }},
        {"between frames", [&](ScriptedLine& l) { l.signalPresent().filler(3).bytes(whole); }},
        {"within a frame",
         [&](ScriptedLine& l) { l.signalPresent().filler(3).bytes(whole).filler(3).bytes(half); }},
    };
    for (const Case& c : cases) {
        ScriptedLine l;
        c.script(l);
        InstrumentState s;
        s.prepare(256, 0);
        RecordingListener events;
        ReceiverControls requests;
        ScriptedPrompter noBoxes;
        FrameReceiver r(l, l, s, events, requests);
        EXPECT_EQ(r.run(TimingStrategy::HighResolution, noBoxes), ReceiverEnd::Timeout) << c.stage;
        EXPECT_EQ(noBoxes.asked(), 0) << c.stage;
        EXPECT_EQ(l.remaining(), 0u) << c.stage;
    }
}

TEST_F(Receiver, SignalIsPresentWithEnoughFillerByNineSeconds) {
    prepare(256);
    line.filler(99, 0.0405);  // one short when four seconds have passed
    line.filler(125, 0.0396);
    line.wait(0.5).filler(5);  // the 225th arrives after nine seconds
    line.frame(WireFrame{256}.bytes());
    frameAfterFiller(WireFrame{256});
    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, (Events{"alignment 1", "ready"}));
}

TEST_F(Receiver, TooLittleFillerAsksTheOperator) {
    for (PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::Ok}) {
        ScriptedLine l;
        l.bytes(std::vector<std::uint8_t>(3000, 0x12), 0.001);  // busy line, but no filler
        l.filler(200, 0.04);
        l.frame(WireFrame{256}.bytes()).filler(5).frame(WireFrame{256}.bytes());
        InstrumentState s;
        s.prepare(256, 0);
        RecordingListener events;
        ReceiverControls requests;
        ScriptedPrompter operatorAnswers;
        operatorAnswers.expect(kNoSignalQuestion, answer);
        FrameReceiver r(l, l, s, events, requests);

        const ReceiverEnd end = r.run(TimingStrategy::HighResolution, operatorAnswers);
        EXPECT_EQ(operatorAnswers.lastButtons(), PromptButtons::OkCancel);
        EXPECT_EQ(operatorAnswers.lastIcon(), PromptIcon::Exclamation);
        if (answer == PromptAnswer::Cancel) {
            EXPECT_EQ(end, ReceiverEnd::NoSignal);
            EXPECT_TRUE(events.events.empty());
        } else {
            EXPECT_EQ(end, ReceiverEnd::Timeout);
            EXPECT_EQ(events.events, (Events{"alignment 1", "ready"}));
        }
    }
}

TEST_F(Receiver, NoQuestionWhenAStopIsAlreadyRequested) {
    prepare(256);
    line.filler(50, 0.2);  // too little filler over ten seconds
    line.filler(5).frame(WireFrame{256}.bytes());
    controls.stopRequest = true;
    EXPECT_EQ(run(), ReceiverEnd::Stopped);
    EXPECT_EQ(prompter.asked(), 0);
}

TEST_F(Receiver, StopRequestEndsTheLoopBetweenFrames) {
    prepare(256);
    synchronisedAt(256);
    for (int n = 0; n < 5; ++n) {
        frameAfterFiller(WireFrame{256});
    }
    listener.onReady = [this](const InstrumentState&) {
        if (listener.frames.size() == 2) {
            controls.stopRequest = true;
        }
    };
    EXPECT_EQ(run(), ReceiverEnd::Stopped);
    EXPECT_EQ(listener.frames.size(), 2u);
    EXPECT_GT(line.remaining(), 0u);
}

TEST_F(Receiver, StopRequestIsHonouredWhileSynchronisationFindsNoFrame) {
    prepare(256);
    line.signalPresent();
    for (int n = 0; n < 20; ++n) {
        line.filler(3).frame(WireFrame{100}.bytes());
    }
    controls.stopRequest = true;
    EXPECT_EQ(run(), ReceiverEnd::Stopped);
    EXPECT_GT(line.remaining(), 0u);
    EXPECT_TRUE(listener.events.empty());
}

TEST(ReceiverStop, SeenWithinATenthOfASecondOnLinesThatNeverCompleteAFrame) {
    constexpr double kLineByte = 1.0 / 5760;  // 57600 baud
    auto text = [](ScriptedLine& l, double seconds) {
        const std::string line = "T1=+21.37 C T2=+21.40 C P=1013.2 hPa\r\n";
        for (double t = 0; t < seconds; t += kLineByte * static_cast<double>(line.size())) {
            l.bytes(std::vector<std::uint8_t>(line.begin(), line.end()), kLineByte);
        }
    };
    auto signalAndSync = [](ScriptedLine& l) {
        l.signalPresent().filler(5).frame(WireFrame{256}.bytes());
    };
    struct Case {
        const char* line;
        double stopAt;  // seconds of line time
        bool operatorSaysOk;
        std::function<void(ScriptedLine&)> script;
    } cases[] = {
        {"text, in the signal check", 2, false, [&](ScriptedLine& l) { text(l, 30); }},
        {"text, hunting for filler after OK", 12, true, [&](ScriptedLine& l) { text(l, 30); }},
        {"filler only, hunting for a frame", 6, false,
         [](ScriptedLine& l) { l.filler(30 * 5760, kLineByte); }},
        {"frames of no valid count", 6, false,
         [](ScriptedLine& l) {
             l.signalPresent();
             for (int n = 0; n < 300; ++n) {
                 l.filler(20, kLineByte).frame(WireFrame{100}.bytes(), 200 * kLineByte);
             }
         }},
        {"long filler between frames", 7, false,
         [&](ScriptedLine& l) {
             signalAndSync(l);
             l.filler(30 * 5760, kLineByte);
         }},
        {"within a slow sweep", 6.5, false,
         [&](ScriptedLine& l) {
             signalAndSync(l);
             l.filler(10, kLineByte).frame(WireFrame{256}.bytes(), 5.12);
             l.filler(10, kLineByte).frame(WireFrame{256}.bytes(), 5.12);
         }},
    };
    for (const Case& c : cases) {
        ScriptedLine l;
        c.script(l);
        InstrumentState s;
        s.prepare(256, 0);
        RecordingListener events;
        ReceiverControls requests;
        ScriptedPrompter operatorAnswers;
        if (c.operatorSaysOk) {
            operatorAnswers.expect(kNoSignalQuestion, PromptAnswer::Ok);
        }
        l.when(c.stopAt, [&] { requests.stopRequest = true; });
        FrameReceiver r(l, l, s, events, requests);
        EXPECT_EQ(r.run(TimingStrategy::HighResolution, operatorAnswers), ReceiverEnd::Stopped)
            << c.line;
        EXPECT_LT(l.now() - c.stopAt, 0.1) << c.line;
        EXPECT_GT(l.remaining(), 0u) << c.line;
        EXPECT_TRUE(operatorAnswers.done()) << c.line;
    }
}

TEST_F(Receiver, Alt16GoesOnAtALongGapAndOffAfterSeventeenShortOnes) {
    prepare(256);
    synchronisedAt(256);
    frameAfterFiller(WireFrame{256});
    frameAfterFiller(WireFrame{256}, 0.5, 1.3);  // just over 2 T = 1.295 s
    Events expected{"alignment 1", "ready", "alt16 on", "ready"};
    for (int n = 1; n <= 17; ++n) {
        frameAfterFiller(WireFrame{256});
        if (n == 17) {
            expected.push_back("alt16 off");
        }
        expected.push_back("ready");
    }
    frameAfterFiller(WireFrame{256}, 0.5, 1.3);
    frameAfterFiller(WireFrame{256});
    expected.insert(expected.end(), {"alt16 on", "ready", "ready"});

    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events, expected);
    EXPECT_TRUE(state.alt16);
}

TEST_F(Receiver, SlowSweepsSetX10AndMeasureTheCycleRate) {
    prepare(256);
    state.CyclesPerHourEstimate = 100;  // left alone while x10 stays off
    synchronisedAt(256);
    frameAfterFiller(WireFrame{256}, 0.6);
    frameAfterFiller(WireFrame{256}, 0.7);  // over T = 0.6475 s
    frameAfterFiller(WireFrame{256}, 0.5);

    std::vector<float> estimates;
    listener.onReady = [&](const InstrumentState& s) {
        estimates.push_back(s.CyclesPerHourEstimate);
    };
    EXPECT_EQ(run(), ReceiverEnd::Timeout);
    EXPECT_EQ(listener.events,
              (Events{"alignment 1", "ready", "x10 on", "ready", "x10 off", "ready"}));
    ASSERT_EQ(estimates.size(), 3u);
    EXPECT_EQ(estimates[0], 100.0f);
    EXPECT_NEAR(estimates[1], 3600 / (0.7 + 0.128), 0.01);
    EXPECT_EQ(estimates[2], kDefaultCyclesPerHour);
}

namespace {

// Frames of 256 channels, one every `cycle` seconds, as the tick rules see them.
void steadyFrames(ScriptedLine& line, int count, double cycle) {
    for (int n = 0; n < count; ++n) {
        line.filler(10, kFiller / 10).frame(WireFrame{256}.bytes(), cycle - kFiller);
    }
}

Events tickRun(ScriptedLine& line, TimingStrategy strategy) {
    InstrumentState s;
    s.prepare(256, 0);
    RecordingListener events;
    ReceiverControls controls;
    ScriptedPrompter noBoxes;
    FrameReceiver r(line, line, s, events, controls);
    r.run(strategy, noBoxes);
    Events flags;
    int frame = 0;
    for (const std::string& e : events.events) {
        if (e == "ready" || e == "rejected") {
            ++frame;
        } else if (e != "alignment 1") {
            flags.push_back(std::to_string(frame + 1) + " " + e);
        }
    }
    return flags;
}

ScriptedLine& synchronised(ScriptedLine& line) {
    line.signalPresent().filler(5).frame(WireFrame{256}.bytes());
    return line;
}

}  // namespace

TEST(TickStrategy, NormalPaceSetsNoFlag) {
    ScriptedLine line;
    steadyFrames(synchronised(line), 40, 0.64);
    EXPECT_EQ(tickRun(line, TimingStrategy::Ticks), Events{});
}

TEST(TickStrategy, SlowFramesSetX10AtEveryEighthAndAlt16AtEverySeventeenth) {
    // The tick rules also serve when there is no high-resolution counter.
    for (bool counter : {true, false}) {
        ScriptedLine line;
        if (!counter) {
            line.setNoCounter();
        }
        steadyFrames(synchronised(line), 20, 1.2);
        EXPECT_EQ(tickRun(line, counter ? TimingStrategy::Ticks : TimingStrategy::HighResolution),
                  (Events{"8 x10 on", "17 alt16 on"}))
            << counter;
    }
}

TEST(TickStrategy, RejectedFrameKeepsItsNumberForTheNextFrame) {
    ScriptedLine line;
    steadyFrames(synchronised(line), 7, 1.2);
    line.filler(10, kFiller / 10).frame(WireFrame{100}.bytes(), 1.0);  // would be number 8
    steadyFrames(line, 1, 0.2);
    // The rule runs for number 8 twice; the second time about a second has passed.
    EXPECT_EQ(tickRun(line, TimingStrategy::Ticks), (Events{"8 x10 on", "9 x10 off"}));
}

TEST(TickStrategy, WrappedTickCounterCountsAsNoTime) {
    ScriptedLine line;
    line.setTickStart(0xFFFFFFFFu - 7000);  // wraps a few seconds into the loop
    steadyFrames(synchronised(line), 16, 1.2);
    EXPECT_EQ(tickRun(line, TimingStrategy::Ticks), (Events{"16 x10 on"}));
}
