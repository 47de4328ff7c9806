#pragma once

#include <cstdint>

enum class ScaleType { Linear, Logarithmic };

// Pixel geometry of one repaint, taken from the plot's client size (left = top = 0).
struct PlotGeometry {
    int width = 0;
    int height = 0;
    std::uint16_t marginX = 0;  // floor(width / 14)
    std::uint16_t marginY = 0;  // floor(height / 14)
    int baseline = 0;           // y of count 0: height - marginY
    std::uint16_t channels = 0;
    float sx = 1.0f;  // pixels per channel
    float sy = 0.0f;  // pixels per count, or per decade in logarithmic scale
    ScaleType scale = ScaleType::Linear;

    int x(std::uint32_t channel) const;
    // x of a point that stands for `stretch` window channels per own channel.
    int x(std::uint32_t index, float stretch) const;
    // y of a count against the baseline; factor scales the count term (extra spectra).
    // Points far above the area are clamped to a large negative y.
    int y(std::uint32_t count, double factor = 1.0) const;
    // y of a live trace: one pixel lower than y().
    int liveY(std::uint32_t count) const;
};

PlotGeometry ComputePlotGeometry(int width, int height, std::uint16_t channels, int ymax,
                                 ScaleType scale);
