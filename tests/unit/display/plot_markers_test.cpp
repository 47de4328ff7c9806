#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/plot_markers.h"
#include "plot_test_support.h"

namespace {

class MarkerTest : public ::testing::Test {
protected:
    MarkerTest()
        : spectrum(makeSpectrum(512, 20.0)),
          geometry(ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear)),
          context{geometry, spectrum} {
        markers.setEnabled(0, true);
        markers.setEnabled(1, true);
    }

    // The first pixel whose click lands on the channel.
    int clickX(std::uint16_t channel) const {
        for (int x = 0; x < kW; ++x) {
            if (ChannelAtX(x, geometry, 512) == channel) {
                return x;
            }
        }
        ADD_FAILURE() << "no pixel for channel " << channel;
        return 0;
    }

    CKavroSpectrum spectrum;
    PlotGeometry geometry;
    MarkerContext context;
    MarkerPair markers;
};

TEST_F(MarkerTest, ClickOutsideTheChannelsGivesChannelZero) {
    struct Case {
        int x;
        std::uint16_t channel;
    };
    // sx = 389 / 512: no whole pixel falls on channel 511, x 421 is past the last channel.
    const std::vector<Case> cases = {{10, 0},  {31, 0},  {32, 0},  {33, 1}, {420, 510},
                                     {421, 0}, {422, 0}, {452, 0}, {-5, 0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(markers.click(0, c.x, context));
        EXPECT_EQ(markers.marker(0).channel, c.channel) << c.x;
    }
}

TEST_F(MarkerTest, ClickPlacesTheMarkerAndItsCaption) {
    spectrum.counts[100] = 75;
    ASSERT_TRUE(markers.click(1, clickX(100), context));
    const auto& m = markers.marker(1);
    EXPECT_EQ(m.channel, 100);
    EXPECT_EQ(m.x, geometry.x(100));
    EXPECT_EQ(m.y, geometry.y(75) + 5);
    EXPECT_EQ(m.caption, "mark2: -6.11 GHz");  // (100 - 256) * 20 / 511

    markers.setEnabled(0, false);
    EXPECT_FALSE(markers.click(0, 200, context));
    EXPECT_EQ(markers.caption(0), "Mark1 ");
}

TEST_F(MarkerTest, KeysStopAtBothEnds) {
    markers.setChannel(0, 0);
    ASSERT_TRUE(markers.moveByKey(kMarker1LeftCommand, context));
    EXPECT_EQ(markers.marker(0).channel, 0);
    markers.setChannel(1, 511);
    ASSERT_TRUE(markers.moveByKey(kMarker2RightCommand, context));
    EXPECT_EQ(markers.marker(1).channel, 511);
    markers.moveByKey(kMarker2LeftCommand, context);
    EXPECT_EQ(markers.marker(1).channel, 510);
    markers.moveByKey(kMarker1RightCommand, context);
    EXPECT_EQ(markers.marker(0).channel, 1);
    markers.setEnabled(0, false);
    EXPECT_FALSE(markers.moveByKey(kMarker1RightCommand, context));
    EXPECT_EQ(markers.marker(0).channel, 1);
    EXPECT_FALSE(markers.moveByKey(10005, context));
}

TEST_F(MarkerTest, CaptionAfterClickAndAfterKeyDiffer) {
    markers.click(0, 0, context);
    EXPECT_EQ(markers.caption(0), "mark1: -10.02 GHz");
    markers.moveByKey(kMarker1LeftCommand, context);
    EXPECT_EQ(markers.marker(0).channel, 0);
    EXPECT_EQ(markers.caption(0), "mark1: -10.00 GHz");
}

TEST_F(MarkerTest, ZeroAmplitudeGivesNegativeZeroBelowTheCentre) {
    spectrum.scanAmplitude = 0;
    markers.click(0, clickX(5), context);
    EXPECT_EQ(markers.caption(0), "mark1: -0.00 GHz");
    markers.click(1, clickX(300), context);
    EXPECT_EQ(markers.caption(1), "mark2: 0.00 GHz");
}

TEST_F(MarkerTest, ApexOffsetFollowsWhatPlacedTheMarker) {
    spectrum.counts[40] = 100;
    markers.click(0, clickX(40), context);
    const int onTrace = geometry.y(100);
    EXPECT_EQ(markers.marker(0).y, onTrace + 5);
    markers.rescale(context);
    EXPECT_EQ(markers.marker(0).y, onTrace);
    markers.moveByKey(kMarker1RightCommand, context);
    markers.moveByKey(kMarker1LeftCommand, context);
    EXPECT_EQ(markers.marker(0).y, onTrace - 5);
    markers.recompute(context);
    EXPECT_EQ(markers.marker(0).y, onTrace + 5);
    EXPECT_EQ(markers.caption(0), "mark1: -8.45 GHz");  // recompute uses the click caption

    // A zoom moves the apex with the trace.
    const PlotGeometry zoomed =
        ComputePlotGeometry(kW, kH, 512, ZoomIn(150, 2.0), ScaleType::Linear);
    markers.rescale(MarkerContext{zoomed, spectrum});
    EXPECT_EQ(markers.marker(0).y, zoomed.y(100));
}

TEST_F(MarkerTest, SpanReadOut) {
    markers.click(0, clickX(100), context);
    markers.click(1, clickX(100), context);
    EXPECT_EQ(markers.spanText(spectrum), "markers span:\n\r0.00 GHz");
    markers.click(1, clickX(356), context);
    EXPECT_EQ(markers.spanText(spectrum), "markers span:\n\r10.02 GHz");  // 256 * 20 / 511
    EXPECT_EQ(markers.lowerChannel(), 100);
    EXPECT_EQ(markers.higherChannel(), 356);
    markers.setEnabled(1, false);
    EXPECT_EQ(markers.spanText(spectrum), "");
}

TEST_F(MarkerTest, ButtonsLimitChannelsAndTheFitWindowForcesBothOn) {
    markers.setChannel(0, 700);
    markers.buttonsChanged(false, true, false, 512);
    EXPECT_EQ(markers.marker(0).channel, 511);
    EXPECT_FALSE(markers.enabled(0));
    EXPECT_TRUE(markers.enabled(1));
    markers.buttonsChanged(false, false, true, 512);
    EXPECT_TRUE(markers.bothEnabled());
}

TEST_F(MarkerTest, FewerChannelsResetBothToTheCentre) {
    markers.setChannel(0, 700);
    markers.setChannel(1, 20);
    EXPECT_TRUE(markers.resetForChannels(256));
    EXPECT_EQ(markers.marker(0).channel, 128);
    EXPECT_EQ(markers.marker(1).channel, 128);
    EXPECT_FALSE(markers.enabled(0));
    EXPECT_FALSE(markers.enabled(1));
    markers.setChannel(0, 200);
    EXPECT_FALSE(markers.resetForChannels(256));
}

TEST_F(MarkerTest, DrawingRules) {
    spectrum.counts[100] = 60;   // well below the top
    spectrum.counts[300] = 149;  // within 40 pixels of the top: not drawn
    markers.click(0, clickX(100), context);
    markers.click(1, clickX(300), context);
    PlotStyle style;
    RecordingCanvas canvas;
    markers.draw(canvas, geometry, style, spectrum);
    const int x = markers.marker(0).x;
    const int y = markers.marker(0).y;
    const Colour c = style.colours[2];
    const std::vector<RecordingCanvas::Segment> expected = {{x, y, x - 5, y - 5, c},
                                                            {x - 5, y - 5, x + 5, y - 5, c},
                                                            {x + 5, y - 5, x, y, c},
                                                            {x, y - 7, x, y - 4, c}};
    EXPECT_EQ(canvas.segments(), expected);
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "freq: -6.11 GHz");
    EXPECT_EQ(texts[0].x, x - 20);
    EXPECT_EQ(texts[0].y, y - 35);
    EXPECT_EQ(texts[1].text, "counts:    60");
    EXPECT_EQ(texts[1].y, y - 23);
    EXPECT_LE(markers.marker(1).y, 40);
    EXPECT_EQ(markers.caption(1), "mark2: 1.72 GHz");  // the caption shows all the same

    // Marker 2 where it can be drawn: two ticks.
    markers.rescale(context);
    spectrum.counts[300] = 10;
    markers.click(1, clickX(300), context);
    markers.setEnabled(0, false);
    canvas.clear();
    markers.draw(canvas, geometry, style, spectrum);
    const auto segs = canvas.segments(style.colours[3]);
    ASSERT_EQ(segs.size(), 5u);
    const int x2 = markers.marker(1).x;
    const int y2 = markers.marker(1).y;
    EXPECT_EQ(segs[3],
              (RecordingCanvas::Segment{x2 - 3, y2 - 7, x2 - 3, y2 - 4, style.colours[3]}));
    EXPECT_EQ(segs[4],
              (RecordingCanvas::Segment{x2 + 3, y2 - 7, x2 + 3, y2 - 4, style.colours[3]}));
}

TEST_F(MarkerTest, AcquisitionRepaintRecomputesMarkers) {
    markers.setChannel(0, 256);
    markers.setEnabled(1, false);
    spectrum.counts[256] = 30;
    PlotScene scene = makeScene(PlotMode::Acquiring, &spectrum);
    scene.markers = &markers;
    RecordingCanvas canvas;
    PaintSpectrumPlot(canvas, scene, PlotStyle{}, PlotView{});
    EXPECT_EQ(markers.caption(0), "mark1: 0.00 GHz");
    EXPECT_EQ(markers.marker(0).y, geometry.y(30) + 5);
    EXPECT_TRUE(canvas.findText("counts:    30"));
}

}  // namespace
