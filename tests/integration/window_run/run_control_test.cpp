#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <numeric>

#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "platform/messages.h"
#include "scripted_prompter.h"
#include "simulator_on_pty.h"
#include "window/acquisition/control_sets.h"
#include "window/acquisition/run_control.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"
#include "window_state_edit.h"

namespace {

int argc = 1;
char arg0[] = "run_control_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A station with the simulated scan controller on a pty; every frame the window handles while
// acquiring is kept, so the test can add them up itself.
struct Station {
    explicit Station(const std::string& simulator) {
        app();
        sim = startSimulatorOnPty(simulator, &error);
        EXPECT_TRUE(sim) << error;
        setup.SetFailsafeDefaults();
        WindowContext context;
        context.portOverride = sim ? sim->devicePath() : std::string();
        window = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, context);
        window->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        window->state().onFrame([this](const GatheredScan& frame) {
            if (window->state().acquiring()) {
                accumulated.push_back(frame.scan.counts);
            }
        });
        view.setControlText(ctl::kCycles, "0");
        view.setControlText(ctl::kMirrorSpacing, "6");
    }
    ~Station() {
        window.reset();
        QCoreApplication::sendPostedEvents();
    }

    void acquire(std::uint32_t cycles) {
        view.setControlText(ctl::kCycles, std::to_string(cycles));
        window->OnCommand(ctl::kAcquisition);
    }

    std::string error;
    std::unique_ptr<SimulatorOnPty> sim;
    MemoryProfileStore store;
    CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> window;
    std::vector<std::vector<std::uint32_t>> accumulated;
};

// Sweep k of the ramp pattern holds (7k + i) mod 4096 in channel i > 0.
std::uint32_t sweepNumber(const std::vector<std::uint32_t>& counts) {
    return static_cast<std::uint32_t>((counts[1] + 4096 - 1) % 4096);
}

}  // namespace

TEST(RunControl, AcquiresCompletesAndResumesWithEveryFrameAdded) {
    Station st("--time-scale 16 --pattern ramp --channels 1024");
    st.acquire(20);
    ASSERT_TRUE(st.window->state().acquiring());
    EXPECT_EQ(st.view.controlText(ctl::kAcquisition), "Stop acquisition");
    EXPECT_TRUE(st.view.isEnabled(ctl::kAcquisition));
    EXPECT_FALSE(st.view.isEnabled(ctl::kLoad));
    EXPECT_EQ(st.view.progressHigh, 20);
    ASSERT_TRUE(pumpUntil([&] { return !st.window->state().acquiring(); }));

    const CKavroSpectrum& s = st.window->state().spectrum();
    EXPECT_EQ(s.scanCount, 20);
    ASSERT_EQ(st.accumulated.size(), 20u);
    for (std::size_t f = 1; f < st.accumulated.size(); ++f) {
        EXPECT_EQ(sweepNumber(st.accumulated[f]) % 4096,
                  (sweepNumber(st.accumulated[f - 1]) + 7) % 4096)
            << "frame " << f << " follows its predecessor";
    }
    for (std::size_t i = 0; i < 1024; ++i) {
        std::uint32_t sum = 0;
        for (const auto& frame : st.accumulated) {
            sum += frame[i];
        }
        ASSERT_EQ(s.counts[i], sum) << "channel " << i;
    }
    EXPECT_DOUBLE_EQ(s.channelTime, 0.512 / 1024 * 20);
    EXPECT_DOUBLE_EQ(st.window->state().lastScan()->scan.wavelength,
                     st.setup.values().laser_wavelength)
        << "frames carry the configured wavelength before any change of it";
    EXPECT_EQ(st.view.controlText(ctl::kAcquisition), "Resume acquisition");
    EXPECT_EQ(st.view.progress, 0);
    EXPECT_TRUE(st.view.isEnabled(ctl::kLoad));
    EXPECT_TRUE(st.window->state().modified());
    EXPECT_EQ(st.view.controlText(ctl::kRejectedLabel), "rejected :\n0 / 20");

    st.acquire(10);
    ASSERT_TRUE(pumpUntil([&] { return !st.window->state().acquiring(); }));
    EXPECT_EQ(s.scanCount, 30);
    EXPECT_EQ(st.window->runControl().runCycles(), 10u);
    EXPECT_DOUBLE_EQ(s.channelTime, 0.512 / 1024 * 30);
}

TEST(RunControl, UnlimitedRunStopsOnRequestAndObservationDoesNotAccumulate) {
    Station st("--time-scale 16 --pattern ramp --channels 512");
    st.acquire(0);
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().spectrum().scanCount >= 25; }));
    EXPECT_TRUE(st.window->state().acquiring());
    EXPECT_EQ(st.window->state().spectrum().channels, 512)
        << "adopted while nothing was accumulated";
    EXPECT_EQ(st.window->runControl().TimeLeftText().rfind("cycles ", 0), 0u);
    EXPECT_NE(st.window->runControl().TimeLeftText().find("of <infinite> @512 chns"),
              std::string::npos);
    st.window->OnCommand(ctl::kAcquisition);
    EXPECT_FALSE(st.window->state().acquiring());
    const auto scans = st.window->state().spectrum().scanCount;
    const auto counts = st.window->state().spectrum().counts;
    EXPECT_EQ(st.view.controlText(ctl::kAcquisition), "Resume acquisition");

    st.window->plot().setScale(20000);
    st.window->OnCommand(ctl::kObserve);
    ASSERT_TRUE(st.window->state().observing());
    EXPECT_EQ(st.view.controlText(ctl::kObserve), "Stop observing");
    EXPECT_EQ(st.window->plot().scale(), 4096) << "an observation shows 12-bit counts";
    EXPECT_FALSE(st.view.isEnabled(ctl::kAcquisition));
    const auto before = st.view.redraws;
    ASSERT_TRUE(pumpUntil([&] { return st.view.redraws >= before + 5; }));
    EXPECT_EQ(st.window->state().spectrum().scanCount, scans);
    EXPECT_EQ(st.window->state().spectrum().counts, counts);
    ASSERT_TRUE(st.window->state().lastScan());
    EXPECT_EQ(st.window->state().lastScan()->scan.channels, 512);

    st.window->OnCommand(ctl::kObserve);
    EXPECT_FALSE(st.window->state().observing());
    EXPECT_EQ(st.view.controlText(ctl::kObserve), "Observe signal");
    EXPECT_EQ(st.window->state().displayedChannels(), 512);
}

// A 256-channel spectrum with counts of an earlier run, and a gathering that has learnt the
// controller's 1024 channels.
void prepareChannelMismatch(Station& st) {
    editSpectrum(st.window->state(), [](CKavroSpectrum& edited) { edited.SetChannels(256); });
    st.window->OnCommand(ctl::kObserve);
    ASSERT_TRUE(pumpUntil([&] { return st.window->state().lastScan() != nullptr; }));
    st.window->OnCommand(ctl::kObserve);
    editSpectrum(st.window->state(), [](CKavroSpectrum& edited) {
        std::fill(edited.counts.begin(), edited.counts.end(), 3u);
        edited.scanCount = 9;
        edited.channelTime = 9 * 0.512 / 256;
    });
}

constexpr const char* kChannelQuestion =
    "Kavro has detected that the acquisition will run on 1024 channels. Your current "
    "spectrum is 256 channels, instead.If you click OK button, spectrum will be deleted and "
    "resized, otherwise ( if you press CANCEL ) the acquisition will be aborted.";

TEST(RunControl, ChannelQuestionOkStartsACleanSpectrum) {
    Station st("--time-scale 16 --pattern ramp --channels 1024");
    prepareChannelMismatch(st);
    st.prompter.expect(kChannelQuestion, PromptAnswer::Ok);
    st.acquire(5);
    ASSERT_TRUE(pumpUntil([&] { return !st.window->state().acquiring(); }));
    const CKavroSpectrum& s = st.window->state().spectrum();
    EXPECT_EQ(s.channels, 1024);
    EXPECT_EQ(s.scanCount, 5) << "the old run's cycles are gone with its counts";
    EXPECT_DOUBLE_EQ(s.channelTime, 5 * 0.512 / 1024);
    ASSERT_EQ(st.accumulated.size(), 5u);
    std::uint64_t frames = 0, held = 0;
    for (const auto& frame : st.accumulated) {
        frames += std::accumulate(frame.begin(), frame.end(), std::uint64_t{0});
    }
    held = std::accumulate(s.counts.begin(), s.counts.end(), std::uint64_t{0});
    EXPECT_EQ(held, frames) << "only the new run's counts";
    EXPECT_TRUE(st.prompter.done());
}

TEST(RunControl, ChannelQuestionCancelLeavesTheSpectrumUntouched) {
    Station st("--time-scale 16 --pattern ramp --channels 1024");
    const CKavroSpectrum& s = st.window->state().spectrum();
    prepareChannelMismatch(st);
    const CKavroSpectrum before = s;

    st.prompter.expect(kChannelQuestion, PromptAnswer::Cancel);
    st.acquire(5);
    EXPECT_FALSE(st.window->state().acquiring());
    EXPECT_EQ(st.view.controlText(ctl::kAcquisition), "Start acquisition");
    QElapsedTimer wait;
    wait.start();
    pumpUntil([&] { return wait.elapsed() > 300; });
    EXPECT_EQ(s.channels, 256);
    EXPECT_EQ(s.counts, before.counts);
    EXPECT_EQ(s.scanCount, 9);
}

TEST(RunControl, MissingPortIsRefusedAndMissingDeviceReportsThePortError) {
    app();
    {
        MemoryProfileStore store;
        CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
        setup.SetFailsafeDefaults();
        ScriptedPrompter prompter;
        FakeFileDialogs dialogs;
        FakeSpectrumView view;
        view.setControlText(ctl::kCycles, "10");
        view.setControlText(ctl::kMirrorSpacing, "6");
        CSpectrumwnd window(setup, prompter, dialogs, view, {});
        window.OnInitDialog();
        prompter.expect(RunControl::kNoPortConfigured, PromptAnswer::Ok);
        window.OnCommand(ctl::kAcquisition);
        EXPECT_FALSE(window.state().acquiring());
        prompter.expect(RunControl::kNoPortConfigured, PromptAnswer::Ok);
        window.OnCommand(ctl::kObserve);
        EXPECT_FALSE(window.state().observing());

        window.settings().com_port = "/dev/kavro-no-such-device";
        prompter.expect("Error opening serial port ! Could it be busy ?");
        window.OnCommand(ctl::kAcquisition);
        EXPECT_TRUE(window.state().acquiring());
        ASSERT_TRUE(pumpUntil([&] { return !window.state().acquiring(); }));
        EXPECT_EQ(view.controlText(ctl::kAcquisition), "Start Acquisition");
        EXPECT_EQ(view.controlText(ctl::kObserve), "Observe signal");
        EXPECT_TRUE(view.isEnabled(ctl::kAcquisition));
    }
    QCoreApplication::sendPostedEvents();
}

TEST(ControlSets, EnableDisableAndCaptionsFollowTheTable) {
    FakeSpectrumView view;
    ApplyControlSet(Acquiring, view);
    EXPECT_EQ(view.controlText(ctl::kAcquisition), "Stop acquisition");
    for (int id : {ctl::kObserve, ctl::kExit, ctl::kCycles, ctl::kDelete, ctl::kInformation,
                   ctl::kLoad, ctl::kSave, ctl::kAcquisition}) {
        EXPECT_FALSE(view.isEnabled(id)) << id;
    }
    EXPECT_TRUE(view.isEnabled(ctl::kMark1)) << "not named: kept";
    view.progress = 7;
    ApplyControlSet(Idle, view);
    EXPECT_EQ(view.progress, 0);
    EXPECT_TRUE(view.isEnabled(ctl::kLoad));

    ApplyControlSet(ViewerOpen, view);
    ApplyControlSet(ViewerClosed, view, {false, false});
    EXPECT_FALSE(view.isEnabled(ctl::kAcquisition)) << "only the primary window re-enables it";
    ApplyControlSet(ViewerClosed, view, {true, false});
    EXPECT_TRUE(view.isEnabled(ctl::kAcquisition));

    ApplyControlSet(ClientRemoteIdle, view, {true, true});
    EXPECT_EQ(view.controlText(ctl::kAcquisition), "Resume acquisition");
    EXPECT_EQ(view.controlText(ctl::kObserve), "Observe");
    const auto snapshot = view.enabledById;
    for (int n : {8, 11, 12, 17, -1}) {
        ApplyControlSet(n, view);
    }
    EXPECT_EQ(view.enabledById, snapshot);
}

TEST(SpectrumWindow, ShortcutsAndClosingRules) {
    app();
    MemoryProfileStore store;
    CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
    setup.SetFailsafeDefaults();
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    CSpectrumwnd window(setup, prompter, dialogs, view, {});
    window.OnInitDialog();
    QCoreApplication::sendPostedEvents();

    window.settings().enable_network = 1;
    prompter.expect(CSpectrumwnd::kAutomaticNotInNetworkMode);
    window.OnCommand(cmd::kAutomatedShortcut);
    prompter.expect("Unhandled key event!");
    window.OnCommand(cmd::kMarker2Forward + 1);  // a shortcut number nobody handles
    window.OnCommand(cmd::kChatShortcut);        // not a client: nothing

    view.setControlText(ctl::kCycles, "-3");
    prompter.expect("Please enter an integer between 0 and 4294967295.");
    window.OnCommand(ctl::kAcquisition);
    EXPECT_FALSE(window.state().acquiring()) << "a field that does not validate starts nothing";
    view.setControlText(ctl::kCycles, "10");

    for (const char* typed : {"7.5", "0", "41", "7.x"}) {  // only a valid spacing is taken
        view.setControlText(ctl::kMirrorSpacing, typed);
        window.OnCommand(ctl::kMirrorSpacing);
        EXPECT_EQ(window.settings().last_mirror_spacing, 7.5) << typed;
    }

    window.state().runStarted(RunKind::Acquisition);
    EXPECT_FALSE(window.Exit()) << "refused silently during a run";
    window.state().runEnded(RunEnd::Stopped);
    window.state().markModified();
    prompter.expect(CSpectrumwnd::kDiscardAndClose, PromptAnswer::No);
    EXPECT_FALSE(window.Exit());
    EXPECT_FALSE(view.ended);
    prompter.expect(CSpectrumwnd::kDiscardAndClose, PromptAnswer::Yes);
    EXPECT_TRUE(window.Exit());
    EXPECT_TRUE(view.ended && view.endedOk);
}
