#include "display/spectrum_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kTickHalfLength = 3;
constexpr int kStatusX = 20;
constexpr int kStatusY = 10;
constexpr int kBackupLineRise = 15;  // backup line's top above the bottom edge
constexpr std::size_t kMaxExtraSpectra = 4;

// How a trace treats points it does not draw.
enum class CutRule {
    Once,  // the first such point pulls the line up to the top edge; the next drawn point
           // comes straight down from the top at its own x
    Each,  // every such point pulls the line up to the top edge
};

struct Trace {
    CutRule rule = CutRule::Once;
    bool live = false;  // y against baseline + 1, and a point above the area is still drawn
    Colour colour = 0;
    Colour zoneColour = 0;
    std::span<const std::int32_t> zones;  // empty: no shutter zones
};

int truncated(float v) {
    return static_cast<int>(v);
}

void paintDot(Canvas& canvas, int x, int y, Colour colour) {
    canvas.setPixel(x, y, colour);
    canvas.setPixel(x - 1, y, colour);
    canvas.setPixel(x + 1, y, colour);
    canvas.setPixel(x, y - 1, colour);
    canvas.setPixel(x, y + 1, colour);
}

template <class Count>
void paintTrace(Canvas& canvas, const PlotGeometry& g, DrawStyle style, const Trace& trace,
                std::span<const Count> counts, std::size_t channels) {
    const std::size_t end = std::min(channels, counts.size());
    const bool line = style == DrawStyle::Line;
    const int lowest = g.baseline + 1;
    Colour pen = trace.colour;
    canvas.setPen(pen);
    canvas.moveTo(g.marginX, lowest);
    bool cut = false;
    for (std::size_t i = 1; i < end; ++i) {
        const bool inZone = i < trace.zones.size() && trace.zones[i] != 0;
        const Colour colour = inZone ? trace.zoneColour : trace.colour;
        if (line && colour != pen) {
            pen = colour;
            canvas.setPen(pen);
        }
        const auto count = static_cast<std::uint32_t>(counts[i]);
        const int x = g.x(static_cast<std::uint32_t>(i));
        const int y = trace.live ? g.liveY(count) : g.y(count);
        bool drawn;
        if (trace.rule == CutRule::Once) {
            drawn = y >= 1 && y <= lowest;
        } else {
            // A point above the area reads as far below it unless the trace is live.
            drawn = y <= lowest && (trace.live || y >= 0) && (line || y >= 0);
        }
        if (!line) {
            if (drawn) {
                paintDot(canvas, x, y, colour);
            }
            continue;
        }
        if (drawn) {
            if (cut && trace.rule == CutRule::Once) {
                canvas.moveTo(x, 0);
            }
            canvas.lineTo(x, y);
            cut = false;
        } else if (trace.rule == CutRule::Each || !cut) {
            canvas.lineTo(x, 0);
            cut = true;
        }
    }
}

// Extra spectra and the window's spectrum drawn with them: resampled onto the window's
// channels, scaled by their factor, and lifted off (not joined) where they leave the area.
void paintOverlayTrace(Canvas& canvas, const PlotGeometry& g, DrawStyle style, Colour colour,
                       const CKavroSpectrum& spectrum, double factor) {
    const std::size_t own = std::min<std::size_t>(spectrum.channels, spectrum.counts.size());
    const std::size_t shown = g.channels;
    if (own == 0 || shown == 0) {
        return;
    }
    const std::size_t step = std::max<std::size_t>(1, own / shown);
    const float stretch = static_cast<float>(shown) / static_cast<float>(own);
    const bool line = style == DrawStyle::Line;
    canvas.setPen(colour);
    canvas.moveTo(g.marginX, g.baseline);
    for (std::size_t j = 0; j < own; j += step) {
        const int x = g.x(static_cast<std::uint32_t>(j), stretch);
        const int y = g.y(spectrum.counts[j], factor);
        const bool drawn = y >= 0 && x <= g.width && y <= g.baseline + 1;
        if (!drawn) {
            if (line) {
                canvas.moveTo(x, 0);
            }
            continue;
        }
        if (line) {
            canvas.lineTo(x, y);
        } else {
            canvas.moveTo(x - 1, y);
            canvas.lineTo(x + 1, y);
            canvas.moveTo(x, y - 1);
            canvas.lineTo(x, y + 1);
        }
    }
}

double sceneAmplitude(const PlotScene& scene) {
    if (scene.mode == PlotMode::Client) {
        return scene.client ? scene.client->scanAmplitude : 0.0;
    }
    return scene.spectrum ? scene.spectrum->scanAmplitude : 0.0;
}

void paintYAxis(Canvas& canvas, const PlotGeometry& g, const PlotStyle& style, int ymax) {
    canvas.moveTo(g.marginX, g.marginY);
    canvas.lineTo(g.marginX, g.baseline);
    const unsigned ticks = style.yTicks;
    if (ticks == 0) {
        return;
    }
    const float boxHeight = static_cast<float>(g.height - 2 * g.marginY);
    auto tickY = [&](unsigned k) {
        return g.marginY + truncated(static_cast<float>(k) * boxHeight / static_cast<float>(ticks));
    };
    for (unsigned k = 0; k < ticks; ++k) {
        canvas.moveTo(g.marginX - kTickHalfLength, tickY(k));
        canvas.lineTo(g.marginX + kTickHalfLength, tickY(k));
    }
    if (ymax == 0) {
        return;
    }
    const int labelX = static_cast<int>(std::ceil(0.2f * static_cast<float>(g.marginX)));
    const float top = static_cast<float>(ymax);
    const double decades = std::log10(static_cast<double>(ymax));
    for (unsigned k = 0; k <= ticks; ++k) {
        double rounded;
        if (g.scale == ScaleType::Linear) {
            rounded = std::ceil(top - static_cast<float>(k) * top / static_cast<float>(ticks));
        } else {
            // Powers that are whole numbers exactly (the top label, 1 at the bottom) must not
            // round up past themselves.
            const double value = std::pow(10.0, decades - k * decades / ticks);
            rounded = std::ceil(value * (1.0 - 1e-9));
        }
        char text[16];
        std::snprintf(text, sizeof text, "%d",
                      std::isfinite(rounded) ? static_cast<int>(rounded) : 0);
        canvas.textOut(labelX, tickY(k), text);
    }
}

void paintXAxis(Canvas& canvas, const PlotGeometry& g, const PlotStyle& style, double amplitude) {
    canvas.moveTo(g.marginX, g.baseline);
    canvas.lineTo(g.width - g.marginX, g.baseline);
    const unsigned ticks = style.xTicks;
    const float boxWidth = static_cast<float>(g.width - 2 * g.marginX);
    auto tickX = [&](unsigned k) {
        return g.marginX + truncated(static_cast<float>(k) * boxWidth / static_cast<float>(ticks));
    };
    for (unsigned k = 0; k < ticks; ++k) {
        canvas.moveTo(tickX(k), g.baseline - kTickHalfLength);
        canvas.lineTo(tickX(k), g.baseline + kTickHalfLength);
    }
    if (amplitude == 0) {
        return;
    }
    const float a = static_cast<float>(amplitude);
    const int labelY = g.height - static_cast<int>(std::ceil(0.8f * static_cast<float>(g.marginY)));
    for (unsigned k = 0; ticks != 0 && k <= ticks; ++k) {
        const float value = static_cast<float>(k) * a / static_cast<float>(ticks) - a / 2.0f;
        char text[48];
        std::snprintf(text, sizeof text, "%5.2f", static_cast<double>(value));
        canvas.textOut(tickX(k), labelY, text);
    }
    canvas.textOut(static_cast<int>(std::ceil(static_cast<float>(g.width) / 2.0f - 20.0f)),
                   static_cast<int>(std::ceil(static_cast<float>(g.height) -
                                              0.3f * static_cast<float>(g.marginX))),
                   "GHz");
}

void paintMarkers(Canvas& canvas, const PlotScene& scene, const PlotGeometry& g,
                  const PlotStyle& style, bool recompute) {
    if (!scene.markers || !scene.spectrum) {
        return;
    }
    if (recompute) {
        scene.markers->recompute(MarkerContext{g, *scene.spectrum});
    }
    scene.markers->draw(canvas, g, style, *scene.spectrum);
}

void paintClient(Canvas& canvas, const PlotScene& scene, const PlotGeometry& g,
                 const PlotStyle& style, DrawStyle drawStyle) {
    if (!scene.client) {
        return;
    }
    const ClientPlotRecord& record = *scene.client;
    const std::size_t n = record.channels;
    Trace counts{
        CutRule::Once, false, style.colour(kMainSpectrumColour), style.colour(kShutterColour), {}};
    Trace realtime{CutRule::Each, true, style.colour(kCurrentColour), style.colour(kShutterColour),
                   record.shutter};
    if (record.status & kRecordAcquiring) {
        counts.rule = CutRule::Each;
        counts.zones = record.shutter;
        paintTrace(canvas, g, drawStyle, counts, record.counts, n);
        if (style.enableCurrent) {
            paintTrace(canvas, g, drawStyle, realtime, record.realtime, n);
        }
    } else if (record.status & kRecordObserving) {
        paintTrace(canvas, g, drawStyle, realtime, record.realtime, n);
    } else {
        paintTrace(canvas, g, drawStyle, counts, record.counts, n);
    }
}

}  // namespace

PlotGeometry ScenePlotGeometry(const PlotScene& scene, const PlotView& view) {
    const std::uint16_t channels = scene.mode == PlotMode::Client && scene.client
                                       ? scene.client->channels
                                       : scene.displayedChannels;
    return ComputePlotGeometry(scene.width, scene.height, channels, view.ymax, view.scale);
}

PlotGeometry PaintPlotFrame(Canvas& canvas, const PlotScene& scene, const PlotStyle& style,
                            const PlotView& view) {
    const PlotGeometry g = ScenePlotGeometry(scene, view);
    const Colour background = style.colour(kBackgroundColour);
    const Colour text = style.colour(kTextColour);
    canvas.fillRect(0, 0, g.width, g.height, background);
    canvas.setFont(style.font());
    canvas.setTextColours(text, background);
    canvas.setPen(text);
    if (style.enableY) {
        paintYAxis(canvas, g, style, view.ymax);
    }
    if (style.enableX) {
        paintXAxis(canvas, g, style, sceneAmplitude(scene));
    }
    if (!scene.statusLine.empty()) {
        canvas.textOut(kStatusX, kStatusY, scene.statusLine);
    }
    if (!scene.backupLine.empty() && scene.mode != PlotMode::Client) {
        canvas.textOut(static_cast<int>(std::ceil(0.6f * static_cast<float>(g.width))),
                       g.height - kBackupLineRise, scene.backupLine);
    }
    return g;
}

void PaintSpectrumPlot(Canvas& canvas, const PlotScene& scene, const PlotStyle& style,
                       const PlotView& view) {
    const PlotGeometry g = PaintPlotFrame(canvas, scene, style, view);
    const Colour main = style.colour(kMainSpectrumColour);
    const Colour current = style.colour(kCurrentColour);
    const Colour zone = style.colour(kShutterColour);
    const std::uint16_t n = g.channels;
    switch (scene.mode) {
        case PlotMode::Idle:
            if (scene.spectrum) {
                paintTrace(canvas, g, view.style, Trace{CutRule::Once, false, main, zone, {}},
                           std::span<const std::uint32_t>(scene.spectrum->counts), n);
            }
            paintMarkers(canvas, scene, g, style, false);
            break;
        case PlotMode::Acquiring:
            if (scene.spectrum) {
                const std::span<const std::uint32_t> counts(scene.spectrum->counts);
                if (style.enableCurrent) {
                    paintTrace(canvas, g, view.style,
                               Trace{CutRule::Each, false, main, zone, scene.shutterMap}, counts,
                               n);
                    paintTrace(canvas, g, view.style,
                               Trace{CutRule::Each, true, current, zone, scene.shutterMap},
                               scene.scanCounts, std::min<std::size_t>(n, scene.scanChannels));
                } else {
                    paintTrace(canvas, g, view.style,
                               Trace{CutRule::Once, false, main, zone, scene.shutterMap}, counts,
                               n);
                }
            }
            paintMarkers(canvas, scene, g, style, true);
            break;
        case PlotMode::Observing:
            paintTrace(canvas, g, view.style,
                       Trace{CutRule::Once, true, current, zone, scene.shutterMap},
                       scene.scanCounts, scene.scanChannels);
            break;
        case PlotMode::ExtraSpectra: {
            const std::size_t extras = std::min(kMaxExtraSpectra, scene.extraSpectra.size());
            for (std::size_t k = 0; k < extras; ++k) {
                const ExtraSpectrum& extra = scene.extraSpectra[k];
                if (extra.spectrum) {
                    paintOverlayTrace(canvas, g, view.style,
                                      style.colour(kMarker1Colour + static_cast<int>(k)),
                                      *extra.spectrum, extra.factor);
                }
            }
            if (scene.spectrum && scene.showMainSpectrum) {
                paintOverlayTrace(canvas, g, view.style, main, *scene.spectrum, 1.0);
            }
            paintMarkers(canvas, scene, g, style, false);
            break;
        }
        case PlotMode::Client:
            paintClient(canvas, scene, g, style, view.style);
            break;
    }
}
