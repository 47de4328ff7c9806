// Whole-plot repaints into a 1920 x 1080 image through the QPainter canvas.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "display/spectrum_plot.h"
#include "display/status_text.h"
#include "ui/canvas/plot_image.h"
#include "ui/canvas/qpainter_canvas.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// An elastic line at the centre, a Brillouin doublet and Poisson noise.
CKavroSpectrum brillouinSpectrum(std::uint16_t channels, double peak, unsigned seed) {
    CKavroSpectrum s;
    s.SetChannels(channels);
    s.scanAmplitude = 50.0;
    std::mt19937 random(seed);
    const double centre = channels / 2.0;
    const double shift = channels * 0.3;
    const double width = channels / 200.0;
    for (std::uint16_t i = 0; i < channels; ++i) {
        auto lorentz = [&](double at, double w) {
            const double d = (i - at) / w;
            return 1.0 / (1.0 + d * d);
        };
        const double mean =
            20.0 + peak * lorentz(centre, width) +
            0.1 * peak * (lorentz(centre - shift, 3 * width) + lorentz(centre + shift, 3 * width));
        s.counts[i] = std::poisson_distribution<std::uint32_t>(mean)(random);
    }
    return s;
}

struct Fixture {
    Fixture() {
        spectrum = brillouinSpectrum(1024, 5000, 1);
        extras[0] = brillouinSpectrum(1024, 4000, 2);
        extras[1] = brillouinSpectrum(512, 3000, 3);
        extras[2] = brillouinSpectrum(256, 2000, 4);
        extras[3] = brillouinSpectrum(1024, 1000, 5);
        for (std::size_t k = 0; k < extras.size(); ++k) {
            offered[k] = ExtraSpectrum{&extras[k], 1.0 + 0.25 * static_cast<double>(k)};
        }
        scan = brillouinSpectrum(1024, 50, 6).counts;
        for (std::size_t i = 300; i < 420; ++i) {
            shutter[i] = 1;
        }
        // Full scale: the elastic line just fits, as after zooming out from the autoscale level.
        view.ymax = static_cast<int>(spectrum.MaxCount(0, 1024) * 1.1);
        scene.width = kWidth;
        scene.height = kHeight;
        scene.displayedChannels = 1024;
        scene.spectrum = &spectrum;
        scene.extraSpectra = offered;
        scene.scanCounts = scan;
        scene.scanChannels = 1024;
        scene.shutterMap = shutter;
        scene.markers = &markers;
        markers.setEnabled(0, true);
        markers.setEnabled(1, true);
        const PlotGeometry g = ScenePlotGeometry(scene, view);
        markers.click(0, g.x(400), MarkerContext{g, spectrum});
        markers.click(1, g.x(620), MarkerContext{g, spectrum});
        LocalStatus status;
        status.fileName = "BRILLOUIN_SAMPLE_0042.DAT";
        status.modified = true;
        status.acquiring = true;
        status.cycleField = 5625;
        status.runCycles = 100;
        status.displayedChannels = 1024;
        scene.statusLine = LocalStatusLine(status);
        scene.backupLine = BackupLine(true, "BCK1000.DAT", 1000);
        style.enableCurrent = true;
    }

    CKavroSpectrum spectrum;
    std::array<CKavroSpectrum, 4> extras;
    std::array<ExtraSpectrum, 4> offered;
    std::vector<std::uint32_t> scan;
    std::array<std::int32_t, 1032> shutter{};
    MarkerPair markers;
    PlotScene scene;
    PlotStyle style;
    PlotView view;
};

void renderLoop(benchmark::State& state, PlotMode mode, DrawStyle drawStyle, int ymax = 0) {
    Fixture f;
    f.scene.mode = mode;
    f.view.style = drawStyle;
    if (ymax != 0) {
        f.view.ymax = ymax;
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        RenderPlotInto(image, f.scene, f.style, f.view);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_ExtraSpectraLines(benchmark::State& state) {
    renderLoop(state, PlotMode::ExtraSpectra, DrawStyle::Line);
}
void BM_ExtraSpectraDots(benchmark::State& state) {
    renderLoop(state, PlotMode::ExtraSpectra, DrawStyle::Dots);
}
// Zoomed onto the Brillouin doublet: the elastic line is cut at the top edge.
void BM_ExtraSpectraLinesZoomed(benchmark::State& state) {
    renderLoop(state, PlotMode::ExtraSpectra, DrawStyle::Line, 800);
}
// At the autoscale level of a noisy spectrum: most of every trace is cut at the top edge.
void BM_AcquiringAtAutoscaleLines(benchmark::State& state) {
    Fixture f;
    renderLoop(state, PlotMode::Acquiring, DrawStyle::Line, f.spectrum.AutoscaleLevel());
}
void BM_AcquiringWithOverlayLines(benchmark::State& state) {
    renderLoop(state, PlotMode::Acquiring, DrawStyle::Line);
}
void BM_AcquiringWithOverlayDots(benchmark::State& state) {
    renderLoop(state, PlotMode::Acquiring, DrawStyle::Dots);
}

// What a device other than a plain image costs: the canvas hands lines to QPainter (a clip
// turns the direct image path off).
void BM_ExtraSpectraLinesThroughQPainter(benchmark::State& state) {
    Fixture f;
    f.scene.mode = PlotMode::ExtraSpectra;
    // 0: full scale; -1: the autoscale level, far below the peaks, so that most points are
    // cut at the top edge and the trace is mostly full-height strokes.
    if (state.range(0) == -1) {
        f.view.ymax = f.spectrum.AutoscaleLevel();
    } else if (state.range(0) != 0) {
        f.view.ymax = static_cast<int>(state.range(0));
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setClipRect(0, 0, kWidth, kHeight);
        QPainterCanvas canvas(painter);
        PaintSpectrumPlot(canvas, f.scene, f.style, f.view);
        canvas.flush();
        benchmark::DoNotOptimize(image.constBits());
    }
}

// Rendering into a cached image and drawing that onto the target, as a widget would.
void BM_ExtraSpectraLinesImageBlit(benchmark::State& state) {
    Fixture f;
    f.scene.mode = PlotMode::ExtraSpectra;
    QImage cache(kWidth, kHeight, QImage::Format_RGB32);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        RenderPlotInto(cache, f.scene, f.style, f.view);
        QPainter painter(&target);
        painter.drawImage(0, 0, cache);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

// The painter alone, on a canvas that draws nothing.
class NullCanvas : public Canvas {
public:
    void fillRect(int, int, int, int, Colour) override {}
    void setPen(Colour) override {}
    void moveTo(int, int) override {}
    void lineTo(int x, int) override { sink += x; }
    void setPixel(int x, int, Colour) override { sink += x; }
    void setFont(const CanvasFont&) override {}
    void setTextColours(Colour, Colour) override {}
    void textOut(int x, int, const std::string&) override { sink += x; }
    long sink = 0;
};

void BM_PainterOnlyExtraSpectra(benchmark::State& state) {
    Fixture f;
    f.scene.mode = PlotMode::ExtraSpectra;
    NullCanvas canvas;
    for (auto _ : state) {
        PaintSpectrumPlot(canvas, f.scene, f.style, f.view);
        benchmark::DoNotOptimize(canvas.sink);
    }
}

BENCHMARK(BM_ExtraSpectraLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtraSpectraDots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtraSpectraLinesZoomed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcquiringAtAutoscaleLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtraSpectraLinesThroughQPainter)
    ->Arg(0)
    ->Arg(800)
    ->Arg(-1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtraSpectraLinesImageBlit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcquiringWithOverlayLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcquiringWithOverlayDots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PainterOnlyExtraSpectra)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);  // fonts need a GUI application
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
