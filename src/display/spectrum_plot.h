#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "display/canvas.h"
#include "display/plot_geometry.h"
#include "display/plot_markers.h"
#include "display/plot_style.h"
#include "display/plot_view.h"
#include "spectrum/kavro_spectrum.h"

// Which traces a repaint draws; the window picks it from its operating state.
enum class PlotMode {
    Idle,          // the window's spectrum, markers
    Acquiring,     // the spectrum with shutter zones, the cycle in progress if enabled, markers
    Observing,     // the scan buffer with shutter zones
    ExtraSpectra,  // up to four extra spectra, then the window's spectrum, markers
    Client,        // the last data record of the remote station
};

// Data record status bits.
inline constexpr std::uint8_t kRecordObserving = 1;
inline constexpr std::uint8_t kRecordAcquiring = 2;
inline constexpr std::uint8_t kRecordAlt16 = 4;
inline constexpr std::uint8_t kRecordX10 = 8;
inline constexpr std::uint8_t kRecordAlignmentMode = 16;

struct ExtraSpectrum {
    const CKavroSpectrum* spectrum = nullptr;
    double factor = 1.0;  // multiplies the count term of the mapping
};

// The parts of a received data record that the plot shows.
struct ClientPlotRecord {
    std::uint16_t channels = 0;
    double scanAmplitude = 0;                // GHz, labels the x axis
    std::span<const std::uint32_t> counts;   // accumulated spectrum
    std::span<const std::int32_t> realtime;  // last completed cycle
    std::span<const std::int32_t> shutter;   // shutter map
    std::uint8_t status = 0;
};

// Everything one repaint reads besides the settings and the view state. Pointers and spans
// are borrowed for the duration of the call.
struct PlotScene {
    PlotMode mode = PlotMode::Idle;
    int width = 0;  // plot area in pixels
    int height = 0;
    std::uint16_t displayedChannels = 0;
    const CKavroSpectrum* spectrum = nullptr;   // the window's spectrum
    std::span<const std::uint32_t> scanCounts;  // the scan buffer: cycle in progress / live scan
    std::uint16_t scanChannels = 0;
    std::span<const std::int32_t> shutterMap;
    // ExtraSpectra: entry k in `color2` + k, an entry without a spectrum is skipped; the
    // multiple viewer's overlays come here too, with its "show main spectrum" switch.
    std::span<const ExtraSpectrum> extraSpectra;  // at most 4 are drawn
    bool showMainSpectrum = true;
    const ClientPlotRecord* client = nullptr;  // Client mode
    // Drawn in Idle, Acquiring and ExtraSpectra; recomputed first while acquiring, so the
    // captions may change during the repaint.
    MarkerPair* markers = nullptr;
    std::string statusLine;  // drawn at (20, 10)
    std::string backupLine;  // empty: none; never drawn in Client mode
};

PlotGeometry ScenePlotGeometry(const PlotScene& scene, const PlotView& view);

// Background, axes, ticks, labels, the status line and the backup line.
PlotGeometry PaintPlotFrame(Canvas& canvas, const PlotScene& scene, const PlotStyle& style,
                            const PlotView& view);
// The whole plot: the frame, then the traces of the scene's mode.
void PaintSpectrumPlot(Canvas& canvas, const PlotScene& scene, const PlotStyle& style,
                       const PlotView& view);
