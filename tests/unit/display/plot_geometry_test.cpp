#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/plot_geometry.h"
#include "display/plot_view.h"
#include "plot_test_support.h"

namespace {

TEST(PlotGeometry, MarginsBaselineAndChannelWidth) {
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear);
    EXPECT_EQ(g.marginX, 32);
    EXPECT_EQ(g.marginY, 18);
    EXPECT_EQ(g.baseline, 241);
    EXPECT_FLOAT_EQ(g.sx, 389.0f / 512.0f);
    EXPECT_EQ(g.x(0), 32);
    EXPECT_EQ(g.x(511), 32 + 388);  // floor(511 * 389 / 512)
    EXPECT_FLOAT_EQ(ComputePlotGeometry(kW, kH, 0, 150, ScaleType::Linear).sx, 1.0f);
}

TEST(PlotGeometry, LinearFullScaleLiesOnTheTopOfTheBox) {
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear);
    EXPECT_EQ(g.y(150), g.marginY);
    EXPECT_EQ(g.y(0), g.baseline);
    EXPECT_EQ(g.liveY(0), g.baseline + 1);
    EXPECT_LT(g.y(160), g.marginY);
    EXPECT_GE(g.y(160), 1);
    EXPECT_EQ(g.y(10, 2.0), g.y(20));  // the scale factor multiplies the count term
}

TEST(PlotGeometry, LogarithmicZeroAndOneSitOnTheBaseline) {
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 512, 1000, ScaleType::Logarithmic);
    EXPECT_EQ(g.y(0), 241);
    EXPECT_EQ(g.y(1), 241);
    EXPECT_EQ(g.liveY(0), 242);
    EXPECT_EQ(g.liveY(1), 242);
    EXPECT_EQ(g.y(1000), g.marginY);
}

TEST(PlotGeometry, UndefinedScalesStayDrawable) {
    // Ymax 0 (linear) and Ymax 1 (logarithmic) divide by zero.
    for (const auto scale : {ScaleType::Linear, ScaleType::Logarithmic}) {
        const PlotGeometry g =
            ComputePlotGeometry(kW, kH, 512, scale == ScaleType::Linear ? 0 : 1, scale);
        EXPECT_EQ(g.y(0), g.baseline);
        EXPECT_LT(g.y(5), 0);
        EXPECT_GE(g.y(5), -32768);
    }
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 512, 1, ScaleType::Logarithmic);
    EXPECT_EQ(g.y(1), g.baseline);
    // A count far above the area never wraps back into it.
    const PlotGeometry normal = ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear);
    EXPECT_EQ(normal.y(4000000000u), -32768);
}

TEST(PlotView, ZoomSteps) {
    struct Case {
        int ymax;
        double factor;
        int in;
        int out;
    };
    const std::vector<Case> cases = {
        {3, 2.0, 2, 6},         {1, 2.0, 1, 2},  {0, 2.0, 10, 0},
        {1000, 2.0, 500, 2000}, {7, 3.0, 3, 21}, {900000000, 2.0, 450000000, kMaxScale},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZoomIn(c.ymax, c.factor), c.in) << c.ymax;
        EXPECT_EQ(ZoomOut(c.ymax, c.factor), c.out) << c.ymax;
    }
    EXPECT_EQ(ZoomIn(40, 0.0), 40);  // a broken factor leaves the scale alone
    EXPECT_EQ(InitialYmax(0), 150);
    EXPECT_EQ(InitialYmax(1000), 1000);
}

TEST(PlotView, ScaleFieldReadsLikePercentD) {
    EXPECT_EQ(ReadScaleField("1500"), 1500);
    EXPECT_EQ(ReadScaleField("  42abc"), 42);
    EXPECT_EQ(ReadScaleField("-7"), -7);
    EXPECT_EQ(ReadScaleField("99999999999"), 2147483647);
    EXPECT_FALSE(ReadScaleField(""));
    EXPECT_FALSE(ReadScaleField("abc"));
    EXPECT_FALSE(ReadScaleField("- 5"));
}

class PlotFrameTest : public ::testing::Test {
protected:
    std::vector<RecordingCanvas::Segment> ticksAt(int x0, int x1) const {
        std::vector<RecordingCanvas::Segment> out;
        for (const auto& s : canvas.segments()) {
            if (s.x0 == x0 && s.x1 == x1 && s.y0 == s.y1) {
                out.push_back(s);
            }
        }
        return out;
    }
    std::vector<std::string> textsAtX(int x) const {
        std::vector<std::string> out;
        for (const auto& t : canvas.texts()) {
            if (t.x == x) {
                out.push_back(t.text);
            }
        }
        return out;
    }

    CKavroSpectrum spectrum = makeSpectrum(512, 20.0);
    PlotStyle style;
    PlotView view;
    RecordingCanvas canvas;
};

TEST_F(PlotFrameTest, BackgroundFontAndAxes) {
    style.fontPoints = 9;
    style.bold = true;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    const auto& first = canvas.calls.front();
    EXPECT_EQ(first.op, RecordingCanvas::Op::FillRect);
    EXPECT_EQ(first.x0, kW);
    EXPECT_EQ(first.y0, kH);
    EXPECT_EQ(first.colour, style.colours[0]);
    const auto text = canvas.findText("GHz");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->colour, style.colours[6]);
    EXPECT_EQ(text->background, style.colours[0]);
    bool fontSet = false;
    for (const auto& c : canvas.calls) {
        fontSet |= c.op == RecordingCanvas::Op::SetFont && c.font == CanvasFont{"Tahoma", 9, true};
    }
    EXPECT_TRUE(fontSet);
    const auto axes = canvas.segments(style.colours[6]);
    EXPECT_NE(std::find(axes.begin(), axes.end(),
                        RecordingCanvas::Segment{32, 18, 32, 241, style.colours[6]}),
              axes.end());
    EXPECT_NE(std::find(axes.begin(), axes.end(),
                        RecordingCanvas::Segment{32, 241, 421, 241, style.colours[6]}),
              axes.end());
}

TEST_F(PlotFrameTest, FiveYTicksGiveSixLinearLabels) {
    style.yTicks = 5;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    const auto ticks = ticksAt(29, 35);
    ASSERT_EQ(ticks.size(), 5u);
    const std::vector<int> ys = {18, 62, 107, 151, 196};  // 18 + trunc(k * 223 / 5)
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        EXPECT_EQ(ticks[k].y0, ys[k]);
    }
    const auto labels = textsAtX(7);  // ceil(0.2 * 32)
    EXPECT_EQ(labels, (std::vector<std::string>{"150", "120", "90", "60", "30", "0"}));
    EXPECT_EQ(canvas.texts().at(5).y, 241);
}

TEST_F(PlotFrameTest, LogarithmicLabelsAreDecades) {
    style.yTicks = 3;
    view.scale = ScaleType::Logarithmic;
    view.ymax = 1000;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    EXPECT_EQ(textsAtX(7), (std::vector<std::string>{"1000", "100", "10", "1"}));
    view.ymax = 3500;  // not a power of ten: the top label still reads the scale
    style.yTicks = 2;
    canvas.clear();
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    EXPECT_EQ(textsAtX(7), (std::vector<std::string>{"3500", "60", "1"}));
}

TEST_F(PlotFrameTest, XLabelsAreFrequencyOffsets) {
    style.xTicks = 4;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    std::vector<std::pair<int, std::string>> labels;
    for (const auto& t : canvas.texts()) {
        if (t.y == 244) {  // 259 - ceil(0.8 * 18)
            labels.emplace_back(t.x, t.text);
        }
    }
    const std::vector<std::pair<int, std::string>> expected = {
        {32, "-10.00"}, {129, "-5.00"}, {226, " 0.00"}, {323, " 5.00"}, {421, "10.00"}};
    EXPECT_EQ(labels, expected);
    const auto ghz = canvas.findText("GHz");
    ASSERT_TRUE(ghz);
    EXPECT_EQ(ghz->x, 207);  // ceil(453 / 2 - 20)
    EXPECT_EQ(ghz->y, 250);  // ceil(259 - 0.3 * 32)
    EXPECT_EQ(ticksAt(29, 35).size(), 10u);
    int xTicks = 0;
    for (const auto& s : canvas.segments()) {
        xTicks += s.y0 == 238 && s.y1 == 244 && s.x0 == s.x1;
    }
    EXPECT_EQ(xTicks, 4);
}

TEST_F(PlotFrameTest, NoLabelsWithoutScaleOrAmplitude) {
    spectrum.scanAmplitude = 0;
    view.ymax = 0;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    EXPECT_TRUE(canvas.texts().empty());
    EXPECT_EQ(ticksAt(29, 35).size(), 10u);  // the ticks stay
}

TEST_F(PlotFrameTest, DisabledAxesAndZeroTicksDrawNothing) {
    style.enableX = false;
    style.yTicks = 0;
    PaintPlotFrame(canvas, makeScene(PlotMode::Idle, &spectrum), style, view);
    EXPECT_TRUE(canvas.texts().empty());
    EXPECT_EQ(canvas.segments().size(), 1u);  // the y axis itself
}

TEST_F(PlotFrameTest, StatusAndBackupLines) {
    PlotScene scene = makeScene(PlotMode::Idle, &spectrum);
    scene.statusLine = "File : <NONAME> - UNCHANGED - PROGRAM IDLE ";
    scene.backupLine = "Last backup on file BCK1.DAT at 1000 cycles";
    PaintPlotFrame(canvas, scene, style, view);
    const auto status = canvas.findText(scene.statusLine);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->x, 20);
    EXPECT_EQ(status->y, 10);
    const auto backup = canvas.findText(scene.backupLine);
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->x, 272);  // ceil(0.6 * 453)
    EXPECT_EQ(backup->y, 244);

    ClientPlotRecord record;
    scene.mode = PlotMode::Client;
    scene.client = &record;
    canvas.clear();
    PaintPlotFrame(canvas, scene, style, view);
    EXPECT_FALSE(canvas.findText(scene.backupLine));
    EXPECT_TRUE(canvas.findText(scene.statusLine));
}

}  // namespace
