#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>

#include "plot_test_support.h"
#include "ui/canvas/plot_image.h"
#include "ui/canvas/qpainter_canvas.h"

namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF;  // 0x00BBGGRR
constexpr Colour kBlue = 0xFF0000;

class QPainterCanvasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "qpainter_canvas_test";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) {
            app_ = std::make_unique<QGuiApplication>(argc, argv);
        }
    }

    // Gone before static destruction, where Qt's own globals may already be torn down.
    static void TearDownTestSuite() { app_.reset(); }

    // throughPainter: a clip turns the direct image path off, as on a widget.
    template <class Draw>
    QImage paint(int w, int h, Draw draw, bool throughPainter = false) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        if (throughPainter) {
            painter.setClipRect(0, 0, w, h);
        }
        {
            QPainterCanvas canvas(painter);
            draw(canvas);
        }
        painter.end();
        return image;
    }

    static bool is(const QImage& image, int x, int y, Colour c) {
        return image.pixelColor(x, y) == ToQColor(c);
    }

    static inline std::unique_ptr<QGuiApplication> app_;
};

TEST_F(QPainterCanvasTest, LinesLeaveOutTheirEndPoint) {
    const QImage image = paint(12, 12, [](Canvas& c) {
        c.setPen(kRed);
        c.moveTo(2, 2);
        c.lineTo(6, 2);  // a polyline: the corner pixel belongs to the next stroke
        c.lineTo(6, 5);
        c.moveTo(0, 7);
        c.lineTo(3, 10);
        c.moveTo(9, 9);
        c.lineTo(9, 9);  // no length, nothing drawn
    });
    for (int x = 2; x <= 6; ++x) {
        EXPECT_TRUE(is(image, x, 2, kRed)) << x;
    }
    EXPECT_TRUE(is(image, 6, 4, kRed));
    EXPECT_TRUE(is(image, 6, 5, kBlack));
    EXPECT_TRUE(is(image, 7, 2, kBlack));
    EXPECT_TRUE(is(image, 0, 7, kRed));
    EXPECT_TRUE(is(image, 2, 9, kRed));
    EXPECT_TRUE(is(image, 3, 10, kBlack));
    EXPECT_TRUE(is(image, 9, 9, kBlack));
}

TEST_F(QPainterCanvasTest, LinesToFarPointsAreClippedToTheImage) {
    const QImage image = paint(12, 12, [](Canvas& c) {
        c.setPen(kRed);
        c.moveTo(5, 6);
        c.lineTo(5, -32768);
        c.moveTo(-32768, 10);
        c.lineTo(32767, 10);
        c.moveTo(-20, -20);
        c.lineTo(40, 40);
    });
    for (int y = 0; y <= 6; ++y) {
        EXPECT_TRUE(is(image, 5, y, kRed)) << y;
    }
    EXPECT_TRUE(is(image, 5, 7, kBlack));
    for (int x = 0; x < 12; ++x) {
        EXPECT_TRUE(is(image, x, 10, kRed)) << x;
        EXPECT_TRUE(is(image, x, x, kRed)) << x;
    }
}

TEST_F(QPainterCanvasTest, FillsPixelsAndPenChangesKeepTheirOrder) {
    for (const bool throughPainter : {false, true}) {
        SCOPED_TRACE(throughPainter);
        const QImage image = paint(
            10, 10,
            [](Canvas& c) {
                c.fillRect(1, 1, 4, 3, kBlue);
                c.setPixel(8, 8, kRed);
                c.setPixel(8, 7, kBlue);
                c.setPen(kRed);
                c.moveTo(0, 5);
                c.lineTo(5, 5);
                c.setPen(kBlue);
                c.moveTo(2, 5);
                c.lineTo(3, 5);  // over the red line
            },
            throughPainter);
        EXPECT_TRUE(is(image, 1, 1, kBlue));
        EXPECT_TRUE(is(image, 3, 2, kBlue));
        EXPECT_TRUE(is(image, 4, 2, kBlack));
        EXPECT_TRUE(is(image, 3, 3, kBlack));
        EXPECT_TRUE(is(image, 8, 8, kRed));
        EXPECT_TRUE(is(image, 8, 7, kBlue));
        EXPECT_TRUE(is(image, 1, 5, kRed));
        EXPECT_TRUE(is(image, 2, 5, kBlue));
        EXPECT_TRUE(is(image, 3, 5, kRed));
    }
}

TEST_F(QPainterCanvasTest, TextSitsBelowItsTopLeftCornerOnItsBackground) {
    const QImage image = paint(80, 40, [](Canvas& c) {
        c.setFont(CanvasFont{"Tahoma", 9, true});
        c.setTextColours(kRed, kBlue);
        c.textOut(10, 10, "GHz");
    });
    EXPECT_TRUE(is(image, 10, 10, kBlue));  // the background starts at the corner
    EXPECT_TRUE(is(image, 9, 10, kBlack));
    EXPECT_TRUE(is(image, 10, 9, kBlack));
    int red = 0;
    for (int y = 10; y < 40; ++y) {
        for (int x = 10; x < 80; ++x) {
            red += image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).blue() < 100;
        }
    }
    EXPECT_GT(red, 5);
}

TEST_F(QPainterCanvasTest, PlotFontFallsBackToASansSerifFace) {
    const QFont font = PlotQFont(CanvasFont{"Tahoma", 12, true});
    EXPECT_EQ(font.pointSize(), 12);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.families().front(), "Tahoma");
    EXPECT_FALSE(QFontInfo(font).family().isEmpty());
}

TEST_F(QPainterCanvasTest, RendersThePlotIntoAnImage) {
    CKavroSpectrum spectrum = makeSpectrum(512);
    for (std::size_t i = 0; i < 512; ++i) {
        spectrum.counts[i] = 75;
    }
    PlotScene scene = makeScene(PlotMode::Idle, &spectrum);
    PlotStyle style;
    const QImage image = RenderPlotImage(scene, style, PlotView{});
    ASSERT_EQ(image.size(), QSize(kW, kH));
    EXPECT_TRUE(is(image, kW - 1, 0, style.colours[0]));
    const PlotGeometry g = ComputePlotGeometry(kW, kH, 512, 150, ScaleType::Linear);
    EXPECT_TRUE(is(image, g.x(200), g.y(75), style.colours[1]));
    EXPECT_TRUE(is(image, g.marginX, 100, style.colours[6]));  // the y axis
}

}  // namespace
