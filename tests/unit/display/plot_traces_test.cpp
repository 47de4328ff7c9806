#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "plot_test_support.h"

namespace {

using Op = RecordingCanvas::Op;
using Call = RecordingCanvas::Call;

struct Step {
    Op op;
    int x;
    int y;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Step& s) {
    return os << (s.op == Op::MoveTo ? "move" : "line") << "(" << s.x << "," << s.y << ")";
}

// Pen moves and lines only, in order.
std::vector<Step> penSteps(const std::vector<Call>& calls) {
    std::vector<Step> out;
    for (const Call& c : calls) {
        if (c.op == Op::MoveTo || c.op == Op::LineTo) {
            out.push_back({c.op, c.x, c.y});
        }
    }
    return out;
}

class PlotTraceTest : public ::testing::Test {
protected:
    PlotTraceTest() : spectrum(makeSpectrum(512)) {
        geometry = ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear);
    }

    int x(int channel) const { return geometry.x(static_cast<std::uint32_t>(channel)); }

    CKavroSpectrum spectrum;
    PlotGeometry geometry;
    PlotStyle style;
    PlotView view;
};

TEST_F(PlotTraceTest, IdleTraceIsCutOnceAtTheTopAndComesBackDown) {
    spectrum.SetChannels(8);
    spectrum.counts = {99, 0, 150, 160, 1000, 1000, 0, 5};
    geometry = ComputePlotGeometry(kW, kH, 8, 150, ScaleType::Linear);
    const auto steps = penSteps(traceCalls(makeScene(PlotMode::Idle, &spectrum), style, view));
    const std::vector<Step> expected = {
        {Op::MoveTo, 32, 242},                // pen start, one below the baseline
        {Op::LineTo, x(1), 241},              // channel 0 is never drawn
        {Op::LineTo, x(2), 18},               // full scale on the top of the box
        {Op::LineTo, x(3), geometry.y(160)},  // above the box, still inside the area
        {Op::LineTo, x(4), 0},                // first point off the area: up to the top edge
        {Op::MoveTo, x(6), 0},                // channel 5: nothing; channel 6 comes down
        {Op::LineTo, x(6), 241},
        {Op::LineTo, x(7), geometry.y(5)},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(geometry.y(160), 3);
    for (const Call& c : traceCalls(makeScene(PlotMode::Idle, &spectrum), style, view)) {
        if (c.op == Op::LineTo) {
            EXPECT_EQ(c.colour, style.colours[1]);
        }
    }
}

TEST_F(PlotTraceTest, LogarithmicLiveTraceRunsOnePixelBelowTheSpectrum) {
    view.scale = ScaleType::Logarithmic;
    view.ymax = 1000;
    spectrum.counts[1] = 0;
    spectrum.counts[2] = 1;
    auto steps = penSteps(traceCalls(makeScene(PlotMode::Idle, &spectrum), style, view));
    EXPECT_EQ(steps.at(1), (Step{Op::LineTo, x(1), 241}));
    EXPECT_EQ(steps.at(2), (Step{Op::LineTo, x(2), 241}));

    std::vector<std::uint32_t> scan(512, 0);
    scan[2] = 1;
    PlotScene scene = makeScene(PlotMode::Observing, &spectrum);
    scene.scanCounts = scan;
    scene.scanChannels = 512;
    steps = penSteps(traceCalls(scene, style, view));
    ASSERT_EQ(steps.size(), 512u);  // the pen start and channels 1 ... 511
    EXPECT_EQ(steps.at(1), (Step{Op::LineTo, x(1), 242}));
    EXPECT_EQ(steps.at(2), (Step{Op::LineTo, x(2), 242}));
}

TEST_F(PlotTraceTest, ObservingDotsShowShutterZones) {
    view.style = DrawStyle::Dots;
    std::vector<std::uint32_t> scan(512, 30);
    std::array<std::int32_t, 1032> shutter{};
    shutter[3] = shutter[4] = 1;
    PlotScene scene = makeScene(PlotMode::Observing, &spectrum);
    scene.scanCounts = scan;
    scene.scanChannels = 6;
    scene.shutterMap = shutter;
    RecordingCanvas canvas;
    PaintSpectrumPlot(canvas, scene, style, view);
    const auto pixels = canvas.pixels();
    ASSERT_EQ(pixels.size(), 5u * 5u);  // channels 1 ... 5, five pixels each
    const int y = geometry.liveY(30);
    for (int channel = 1; channel <= 5; ++channel) {
        const Colour expected = shutter[channel] ? style.colours[5] : style.colours[7];
        const auto* dot = &pixels[static_cast<std::size_t>(channel - 1) * 5];
        const std::vector<RecordingCanvas::Pixel> cross(dot, dot + 5);
        const std::vector<RecordingCanvas::Pixel> want = {{x(channel), y, expected},
                                                          {x(channel) - 1, y, expected},
                                                          {x(channel) + 1, y, expected},
                                                          {x(channel), y - 1, expected},
                                                          {x(channel), y + 1, expected}};
        EXPECT_EQ(cross, want) << channel;
    }
}

TEST_F(PlotTraceTest, AcquiringLineChangesPenAtShutterZones) {
    std::array<std::int32_t, 1032> shutter{};
    shutter[3] = shutter[4] = 1;
    PlotScene scene = makeScene(PlotMode::Acquiring, &spectrum);
    scene.shutterMap = shutter;
    scene.displayedChannels = 7;
    const auto calls = traceCalls(scene, style, view);
    std::vector<Colour> colours;
    for (const Call& c : calls) {
        if (c.op == Op::LineTo) {
            colours.push_back(c.colour);
        }
    }
    const Colour main = style.colours[1];
    const Colour zone = style.colours[5];
    EXPECT_EQ(colours, (std::vector<Colour>{main, main, zone, zone, main, main}));
}

TEST_F(PlotTraceTest, OverlayTracesPullUpAtEveryPointOffTheArea) {
    style.enableCurrent = true;
    spectrum.counts[2] = 5000;
    spectrum.counts[3] = 5000;
    std::vector<std::uint32_t> scan(512, 0);
    scan[2] = 200;  // above the box: a live trace is drawn towards it
    scan[3] = 5000;
    PlotScene scene = makeScene(PlotMode::Acquiring, &spectrum);
    scene.displayedChannels = 5;
    geometry = ComputePlotGeometry(kW, kH, 5, 150, ScaleType::Linear);
    scene.scanCounts = scan;
    scene.scanChannels = 512;
    const auto steps = penSteps(traceCalls(scene, style, view));
    const std::vector<Step> expected = {
        {Op::MoveTo, 32, 242},
        {Op::LineTo, x(1), 241},
        {Op::LineTo, x(2), 0},
        {Op::LineTo, x(3), 0},
        {Op::LineTo, x(4), 241},
        {Op::MoveTo, 32, 242},
        {Op::LineTo, x(1), 242},
        {Op::LineTo, x(2), geometry.liveY(200)},
        {Op::LineTo, x(3), geometry.liveY(5000)},
        {Op::LineTo, x(4), 242},
    };
    EXPECT_EQ(steps, expected);
    EXPECT_LT(geometry.liveY(200), 0);
}

TEST_F(PlotTraceTest, ExtraSpectrumIsResampledOntoTheWindowChannels) {
    CKavroSpectrum window = makeSpectrum(1024);
    CKavroSpectrum extra = makeSpectrum(256);
    for (std::size_t j = 0; j < 256; ++j) {
        extra.counts[j] = static_cast<std::uint32_t>(j % 100);
    }
    const std::array<ExtraSpectrum, 1> extras = {ExtraSpectrum{&extra, 1.0}};
    PlotScene scene = makeScene(PlotMode::ExtraSpectra, &window);
    scene.extraSpectra = extras;
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 1024, 150, ScaleType::Linear);
    RecordingCanvas canvas;
    PaintSpectrumPlot(canvas, scene, style, view);
    const auto extraLines = canvas.segments(style.colours[2]);
    ASSERT_EQ(extraLines.size(), 256u);
    EXPECT_EQ(extraLines[0].x0, 32);
    EXPECT_EQ(extraLines[0].y0, g.baseline);  // this painter starts on the baseline
    for (std::size_t j = 0; j < 256; ++j) {
        EXPECT_EQ(extraLines[j].x1, g.x(static_cast<std::uint32_t>(4 * j))) << j;
        EXPECT_EQ(extraLines[j].y1, g.y(extra.counts[j])) << j;
    }
    EXPECT_EQ(canvas.segments(style.colours[1]).size(), 1024u);  // channels 0 ... N - 1

    // The multiple viewer can hide the main spectrum; an empty slot keeps the others' colours.
    const std::array<ExtraSpectrum, 2> slots = {ExtraSpectrum{}, ExtraSpectrum{&extra, 1.0}};
    scene.extraSpectra = slots;
    scene.showMainSpectrum = false;
    canvas.clear();
    PaintSpectrumPlot(canvas, scene, style, view);
    EXPECT_TRUE(canvas.segments(style.colours[1]).empty());
    EXPECT_TRUE(canvas.segments(style.colours[2]).empty());
    EXPECT_EQ(canvas.segments(style.colours[3]).size(), 256u);
}

TEST_F(PlotTraceTest, ExtraSpectraScaleAndLiftOff) {
    CKavroSpectrum big = makeSpectrum(1024);  // more channels than shown: every 2nd point
    CKavroSpectrum small = makeSpectrum(512);
    small.counts[1] = 40;
    small.counts[2] = 100;  // 100 x 2 is above the area
    big.counts[2] = 40;
    const std::array<ExtraSpectrum, 2> extras = {ExtraSpectrum{&small, 2.0},
                                                 ExtraSpectrum{&big, 1.0}};
    PlotScene scene = makeScene(PlotMode::ExtraSpectra, &spectrum);
    scene.extraSpectra = extras;
    const auto calls = traceCalls(scene, style, view);
    std::vector<Step> first;
    for (const Call& c : calls) {
        if (c.op == Op::SetPen && !first.empty()) {
            break;
        }
        if (c.op == Op::MoveTo || c.op == Op::LineTo) {
            first.push_back({c.op, c.x, c.y});
        }
    }
    ASSERT_GE(first.size(), 5u);
    EXPECT_EQ(first[0], (Step{Op::MoveTo, 32, 241}));
    EXPECT_EQ(first[1], (Step{Op::LineTo, x(0), 241}));
    EXPECT_EQ(first[2], (Step{Op::LineTo, x(1), geometry.y(80)}));
    EXPECT_EQ(first[3], (Step{Op::MoveTo, x(2), 0}));  // lifted, not joined
    EXPECT_EQ(first[4], (Step{Op::LineTo, x(3), 241}));
    RecordingCanvas canvas;
    PaintSpectrumPlot(canvas, scene, style, view);
    const auto bigLines = canvas.segments(style.colours[3]);
    ASSERT_EQ(bigLines.size(), 512u);
    EXPECT_EQ(bigLines[1].x1, x(1));
    EXPECT_EQ(bigLines[1].y1, geometry.y(40));
}

TEST_F(PlotTraceTest, ExtraSpectraDotsAreTwoStrokes) {
    view.style = DrawStyle::Dots;
    spectrum.SetChannels(2);
    PlotScene scene = makeScene(PlotMode::ExtraSpectra, &spectrum);
    const auto steps = penSteps(traceCalls(scene, style, view));
    const int x1 = geometry.x(0);
    const std::vector<Step> expected = {
        {Op::MoveTo, 32, 241}, {Op::MoveTo, x1 - 1, 241}, {Op::LineTo, x1 + 1, 241},
        {Op::MoveTo, x1, 240}, {Op::LineTo, x1, 242},
    };
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ(std::vector<Step>(steps.begin(), steps.begin() + 5), expected);
}

class ClientTraceTest : public PlotTraceTest {
protected:
    ClientTraceTest() {
        record.channels = 4;
        record.scanAmplitude = 30;
        record.counts = counts;
        record.realtime = realtime;
        record.shutter = shutter;
        counts[1] = counts[2] = counts[3] = 100;
        realtime[1] = realtime[2] = realtime[3] = 10;
        shutter[2] = 1;
        scene = makeScene(PlotMode::Client, &spectrum);
        scene.client = &record;
        scene.displayedChannels = 512;  // the record's channels win
    }
    std::vector<RecordingCanvas::Segment> lines() {
        RecordingCanvas canvas;
        PaintSpectrumPlot(canvas, scene, style, view);
        std::vector<RecordingCanvas::Segment> out;
        for (const auto& s : canvas.segments()) {
            if (s.colour != style.colours[6]) {
                out.push_back(s);
            }
        }
        return out;
    }
    std::array<std::uint32_t, 1024> counts{};
    std::array<std::int32_t, 1024> realtime{};
    std::array<std::int32_t, 1024> shutter{};
    ClientPlotRecord record;
    PlotScene scene;
};

TEST_F(ClientTraceTest, AcquiringRecordShowsCountsZonesAndRealtime) {
    record.status = kRecordAcquiring;
    style.enableCurrent = true;
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 4, 150, ScaleType::Linear);
    const auto segs = lines();
    ASSERT_EQ(segs.size(), 6u);
    const Colour main = style.colours[1];
    const Colour zone = style.colours[5];
    const Colour now = style.colours[7];
    EXPECT_EQ(segs[0], (RecordingCanvas::Segment{32, 242, g.x(1), g.y(100), main}));
    EXPECT_EQ(segs[1].colour, zone);
    EXPECT_EQ(segs[2].colour, main);
    EXPECT_EQ(segs[3], (RecordingCanvas::Segment{32, 242, g.x(1), g.liveY(10), now}));
    EXPECT_EQ(segs[4].colour, zone);
    EXPECT_EQ(segs[5].colour, now);

    RecordingCanvas canvas;
    PaintSpectrumPlot(canvas, scene, style, view);
    EXPECT_TRUE(canvas.findText("15.00"));  // the record's amplitude labels the x axis
}

TEST_F(ClientTraceTest, ObservingShowsRealtimeOnlyAndIdleCountsOnly) {
    record.status = kRecordObserving;
    auto segs = lines();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0].colour, style.colours[7]);
    EXPECT_EQ(segs[1].colour, style.colours[5]);

    record.status = 0;
    segs = lines();
    ASSERT_EQ(segs.size(), 3u);
    for (const auto& s : segs) {
        EXPECT_EQ(s.colour, style.colours[1]);  // no zones on an idle station
    }
}

}  // namespace
