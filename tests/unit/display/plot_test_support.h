#pragma once

#include <cstdint>
#include <vector>

#include "display/recording_canvas.h"
#include "display/spectrum_plot.h"
#include "spectrum/kavro_spectrum.h"

// The window size of the edge cases: mX 32, mY 18, baseline 241.
inline constexpr int kW = 453;
inline constexpr int kH = 259;

inline CKavroSpectrum makeSpectrum(std::uint16_t channels, double amplitude = 20.0) {
    CKavroSpectrum s;
    s.SetChannels(channels);
    s.scanAmplitude = amplitude;
    return s;
}

inline PlotScene makeScene(PlotMode mode, const CKavroSpectrum* spectrum) {
    PlotScene scene;
    scene.mode = mode;
    scene.width = kW;
    scene.height = kH;
    scene.spectrum = spectrum;
    scene.displayedChannels = spectrum ? spectrum->channels : 0;
    return scene;
}

// Only the calls that come after the frame, i.e. the traces and markers.
inline std::vector<RecordingCanvas::Call> traceCalls(const PlotScene& scene, const PlotStyle& style,
                                                     const PlotView& view) {
    RecordingCanvas frame;
    PaintPlotFrame(frame, scene, style, view);
    RecordingCanvas all;
    PaintSpectrumPlot(all, scene, style, view);
    return {all.calls.begin() + static_cast<std::ptrdiff_t>(frame.calls.size()), all.calls.end()};
}
