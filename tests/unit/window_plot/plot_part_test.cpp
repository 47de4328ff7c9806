#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <vector>

#include "display/recording_canvas.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "platform/messages.h"
#include "scripted_prompter.h"
#include "window/acquisition/run_control.h"
#include "window/display/plot_part.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"
#include "window_state_edit.h"

namespace {

int argc = 1;
char arg0[] = "window_plot_test";
char* argv[] = {arg0, nullptr};
QCoreApplication& app() {
    static QCoreApplication instance(argc, argv);
    return instance;
}

class RecordingSink final : public MessageSink {
public:
    void post(Message m) override { messages.push_back({m.id, m.wParam, m.lParam}); }
    struct Posted {
        std::uint32_t id;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Posted> messages;
};

// A window at the plot's reference size, 453 x 259: mX 32, mY 18, baseline 241.
struct Station {
    Station() {
        app();
        setup.SetFailsafeDefaults();
        window = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, WindowContext{});
        window->OnInitDialog();
        QCoreApplication::sendPostedEvents();
        plot().resize(453, 259);
    }
    ~Station() {
        window.reset();
        QCoreApplication::sendPostedEvents();
    }

    PlotPart& plot() { return window->plot(); }

    // What a load leaves behind: 512 channels over 20 GHz, a ramp of counts.
    void load512() {
        editSpectrum(window->state(), [](CKavroSpectrum& s) {
            s.SetChannels(512);
            s.scanAmplitude = 20.0;
            for (std::uint16_t i = 0; i < 512; ++i) {
                s.counts[i] = i % 100;
            }
        });
    }
    void pressMark(int button, bool on) {
        view.setControlChecked(button, on);
        window->OnCommand(button);
    }
    std::string status() { return plot().statusLine(plot().inputs()); }

    MemoryProfileStore store;
    CRegistersetup setup{store, {"/tmp", "/tmp/backup", "Kavro ver. 1.2"}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> window;
};

}  // namespace

TEST(PlotPart, StartsWithTheInitialViewState) {
    Station st;
    EXPECT_EQ(st.view.title, "KAVRO");
    EXPECT_EQ(st.view.controlText(ctl::kScale), "1000");  // ymaxstart
    EXPECT_TRUE(st.view.controlChecked(ctl::kLinear));
    EXPECT_FALSE(st.view.controlChecked(ctl::kLogarithmic));
    EXPECT_TRUE(st.view.controlChecked(ctl::kLineStyle));
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "Mark1 ");
    EXPECT_EQ(st.view.controlText(ctl::kMark2), "Mark2");
    EXPECT_EQ(st.view.controlText(ctl::kMarkerSpan), "");
    for (int id : {cmd::kZoomIn, cmd::kZoomOut, cmd::kZoomAuto, cmd::kSavePlotImage}) {
        EXPECT_TRUE(st.window->menuState(id).enabled) << id;
    }
}

TEST(PlotPart, ClicksPlaceEnabledMarkersAndReachTheFlags) {
    Station st;
    st.load512();
    const int redraws = st.view.redraws;

    st.plot().click(0, 200, 100);  // marker 1 still off
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "Mark1 ");
    EXPECT_EQ(st.view.redraws, redraws);

    st.pressMark(ctl::kMark1, true);
    EXPECT_TRUE(st.window->flags().marker1Shown);
    st.plot().click(0, 10, 100);  // left of the box: channel 0, the ChannelFrequency read-out
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "mark1: -10.02 GHz");
    EXPECT_GT(st.view.redraws, redraws);

    // x = 32 + floor(c * 389 / 512): channel 300 starts at 259.
    st.plot().click(0, 260, 100);
    EXPECT_EQ(st.window->flags().marker1Channel, 300);
    const PlotGeometry g = st.plot().geometry();
    EXPECT_EQ(st.plot().markers().marker(0).x, g.x(300));
    EXPECT_EQ(st.plot().markers().marker(0).y, g.y(st.window->state().spectrum().counts[300]) + 5);

    st.pressMark(ctl::kMark2, true);
    st.plot().click(1, 260, 100);
    const OperatingFlags f = st.window->flags();
    EXPECT_TRUE(f.bothMarkers());
    EXPECT_EQ(f.marker2Channel, 300);
    EXPECT_EQ(st.view.controlText(ctl::kMarkerSpan), "markers span:\n\r0.00 GHz");

    // Outside the plot area and while observing, clicks do nothing.
    st.plot().click(1, 453, 100);
    st.plot().click(1, 100, -1);
    st.window->state().runStarted(RunKind::Observation);
    st.plot().click(1, 100, 100);
    st.window->state().runEnded(RunEnd::Stopped);
    EXPECT_EQ(st.window->flags().marker2Channel, 300);

    st.pressMark(ctl::kMark2, false);
    EXPECT_FALSE(st.window->flags().marker2Shown);
    EXPECT_EQ(st.view.controlText(ctl::kMarkerSpan), "");
}

TEST(PlotPart, MarkerKeysStopAtTheEndsAndUseTheirOwnReadOut) {
    Station st;
    st.load512();
    st.window->OnCommand(cmd::kMarker1Back);  // off: nothing
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "Mark1 ");

    st.pressMark(ctl::kMark1, true);
    st.plot().click(0, 10, 100);
    st.window->OnCommand(cmd::kMarker1Back);
    EXPECT_EQ(st.window->flags().marker1Channel, 0);
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "mark1: -10.00 GHz");
    const PlotGeometry g = st.plot().geometry();
    EXPECT_EQ(st.plot().markers().marker(0).y, g.y(st.window->state().spectrum().counts[0]) - 5);

    st.window->OnCommand(cmd::kMarker1Forward);
    EXPECT_EQ(st.window->flags().marker1Channel, 1);

    // The detailed fit window forwards the keys as a message.
    st.pressMark(ctl::kMark2, true);
    st.window->post(makeMessage(msg::WM_FIT_MARKER_KEY, cmd::kMarker2Back));
    st.window->post(makeMessage(msg::WM_FIT_MARKER_KEY, cmd::kMarker2Forward));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(st.window->flags().marker2Channel, 1);
    EXPECT_EQ(st.view.controlText(ctl::kMark2), "mark2: -9.96 GHz");
}

TEST(PlotPart, ZoomAndScaleFieldSetYmaxAndPutMarkersOnTheTrace) {
    Station st;
    st.load512();
    st.pressMark(ctl::kMark1, true);
    st.plot().click(0, 260, 100);

    st.window->OnCommand(cmd::kZoomIn);
    EXPECT_EQ(st.plot().view().ymax, 500);
    EXPECT_EQ(st.view.controlText(ctl::kScale), "500");
    const PlotGeometry g = st.plot().geometry();
    EXPECT_EQ(st.plot().markers().marker(0).y, g.y(st.window->state().spectrum().counts[300]));

    st.window->OnCommand(ctl::kZoomOut);
    st.window->OnCommand(cmd::kZoomOut);
    EXPECT_EQ(st.view.controlText(ctl::kScale), "2000");

    st.window->OnCommand(cmd::kZoomAuto);
    EXPECT_EQ(st.plot().view().ymax, st.window->state().spectrum().AutoscaleLevel());

    struct Typed {
        const char* text;
        int ymax;
    };
    const Typed cases[] = {
        {"321", 321}, {" 77 counts", 77},         {"abc", 77}, {"2000000000", 77},
        {"-5", 77},   {"1000000000", 1000000000}, {"0", 0}};
    for (const Typed& c : cases) {
        st.view.setControlText(ctl::kScale, c.text);
        st.window->OnCommand(ctl::kScale);
        EXPECT_EQ(st.plot().view().ymax, c.ymax) << c.text;
    }
}

TEST(PlotPart, LinLogChangesTheSettingAndLineDotsTheStyle) {
    Station st;
    st.window->OnCommand(ctl::kLogarithmic);
    EXPECT_EQ(st.window->settings().scale_type, 1);
    EXPECT_EQ(st.plot().view().scale, ScaleType::Logarithmic);
    EXPECT_TRUE(st.view.controlChecked(ctl::kLogarithmic));
    EXPECT_FALSE(st.view.controlChecked(ctl::kLinear));
    st.window->OnCommand(ctl::kLinear);
    EXPECT_EQ(st.window->settings().scale_type, 0);

    st.window->OnCommand(ctl::kDotsStyle);
    EXPECT_EQ(st.plot().view().style, DrawStyle::Dots);
    EXPECT_TRUE(st.view.controlChecked(ctl::kDotsStyle));
    EXPECT_FALSE(st.view.controlChecked(ctl::kLineStyle));
}

TEST(PlotPart, StatusAndBackupLinesFollowTheWindowState) {
    Station st;
    st.window->state().indicationChanged(Indication::Alignment,
                                         true);  // the controller reported measurement mode
    EXPECT_EQ(st.status(), "File : <NONAME> - UNCHANGED - PROGRAM IDLE ");

    // What a load of a long-named calibrated file leaves.
    st.window->state().saved({"brillouin_quartz_2mm_vv_532nm.dat", "x"});
    st.window->state().calibrationApplied(st.window->state().spectrum().scanAmplitude);
    st.window->state().markModified();
    EXPECT_EQ(st.status(),
              " File : brillouin_quartz_2mm_vv_5 - MODIFIED - CALIBRATED - PROGRAM IDLE ");

    st.window->state().indicationChanged(Indication::Alignment, false);
    st.window->state().runStarted(RunKind::Acquisition);
    st.window->state().cycleFieldSet(5625);
    auto frame = std::make_shared<GatheredScan>();
    frame->scan.SetChannels(1024);
    for (int i = 0; i < 100; ++i) {
        st.window->post(makeMessage(msg::WM_GATHER_SCAN_READY, 0, 0, ScanReadyPayload(frame)));
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(st.plot().inputs().mode, PlotMode::Acquiring);
    EXPECT_EQ(st.status(),
              " File : brillouin_quartz_2mm_vv_5 - MODIFIED - CALIBRATED -  ALIGNMENT - ACQUIRING "
              "cycles 100 of 5625 @1024 chns - left :  0 hrs 58 min 56 s");

    EXPECT_EQ(st.plot().backupLine(st.plot().inputs()), "");
    st.window->settings().back_enable = 1;
    st.window->runControl().backupWritten("bk000200.dat", 200);
    EXPECT_EQ(st.plot().backupLine(st.plot().inputs()),
              "Last backup on file bk000200.dat at 200 cycles");
}

TEST(PlotPart, RepaintsDrawTheStateTracesAndSkipReentry) {
    Station st;
    st.load512();
    st.window->state().indicationChanged(Indication::Alignment, true);
    st.pressMark(ctl::kMark1, true);
    st.window->OnCommand(ctl::kLogarithmic);
    st.plot().click(0, 10, 100);
    st.window->OnCommand(cmd::kMarker1Forward);  // the key read-out
    ASSERT_EQ(st.view.controlText(ctl::kMark1), "mark1: -9.96 GHz");

    RecordingSink fit;
    st.plot().setFitWorker(&fit);
    RecordingCanvas canvas;
    int renders = 0;
    PlotPart::Renderer render = [&](const PlotScene& scene, const PlotStyle& style,
                                    const PlotView& view) {
        ++renders;
        st.plot().paint(render);  // a repaint while one runs is dropped
        EXPECT_EQ(scene.width, 453);
        EXPECT_EQ(scene.displayedChannels, 512);
        EXPECT_EQ(view.scale, ScaleType::Logarithmic);
        EXPECT_EQ(style.colours[1], static_cast<Colour>(st.window->settings().color[1]));
        PaintSpectrumPlot(canvas, scene, style, view);
    };
    st.plot().paint(render);
    EXPECT_EQ(renders, 1);
    EXPECT_TRUE(canvas.findText("File : <NONAME> - UNCHANGED - PROGRAM IDLE "));
    EXPECT_TRUE(canvas.findText("freq: -9.98 GHz"));
    ASSERT_EQ(fit.messages.size(), 1u);
    EXPECT_EQ(fit.messages[0].id, msg::WM_FIT_REFRESH);

    // An acquiring repaint recomputes the markers: the button shows the click read-out.
    st.window->state().runStarted(RunKind::Acquisition);
    canvas.clear();
    st.plot().paint(render);
    EXPECT_EQ(st.view.controlText(ctl::kMark1), "mark1: -9.98 GHz");
    EXPECT_EQ(fit.messages.size(), 1u);  // the refresh follows idle repaints only

    // Observing draws no markers.
    st.window->state().runEnded(RunEnd::Stopped);
    st.window->state().runStarted(RunKind::Observation);
    canvas.clear();
    st.plot().paint(render);
    EXPECT_FALSE(canvas.findText("freq: -9.98 GHz"));
    st.plot().setFitWorker(nullptr);
}

TEST(PlotPart, FewerChannelsResetTheMarkersAndObservationSwitchesThemOff) {
    Station st;
    st.pressMark(ctl::kMark1, true);
    st.pressMark(ctl::kMark2, true);
    st.plot().click(0, 300, 100);
    st.plot().click(1, 100, 100);
    ASSERT_GT(st.window->flags().marker1Channel, 256);

    EXPECT_FALSE(st.plot().resetMarkersForChannels(1024));
    EXPECT_TRUE(st.plot().resetMarkersForChannels(256));
    const OperatingFlags f = st.window->flags();
    EXPECT_FALSE(f.marker1Shown || f.marker2Shown);
    EXPECT_EQ(f.marker1Channel, 128);
    EXPECT_EQ(f.marker2Channel, 128);
    EXPECT_FALSE(st.view.controlChecked(ctl::kMark1));
    EXPECT_FALSE(st.view.controlChecked(ctl::kMark2));

    st.pressMark(ctl::kMark1, true);
    st.plot().switchOffMarkers();
    EXPECT_FALSE(st.window->flags().marker1Shown);
    EXPECT_FALSE(st.view.controlChecked(ctl::kMark1));
}

TEST(PlotPart, SavePlotAsImageAsksForAPngName) {
    Station st;
    st.window->OnCommand(cmd::kSavePlotImage);  // cancelled
    EXPECT_TRUE(st.view.savedImages.empty());

    st.dialogs.answer("/tmp/plot.png");
    st.window->OnCommand(cmd::kSavePlotImage);
    ASSERT_EQ(st.dialogs.opened.size(), 2u);
    EXPECT_EQ(st.dialogs.opened[1].kind, "save");
    EXPECT_EQ(st.dialogs.opened[1].defaultExtension, "png");
    EXPECT_EQ(st.view.savedImages, std::vector<std::string>{"/tmp/plot.png"});

    st.view.saveImageSucceeds = false;
    st.dialogs.answer("/nowhere/plot.png");
    st.prompter.expect("Unable to write the image file /nowhere/plot.png");
    st.window->OnCommand(cmd::kSavePlotImage);
    EXPECT_TRUE(st.prompter.done());
}
