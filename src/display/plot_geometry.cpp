#include "display/plot_geometry.h"

#include <cmath>

namespace {

// Keeps far-off points representable and well away from anything a canvas would draw.
constexpr float kMinY = -32768.0f;
constexpr float kMaxY = 32767.0f;

int clampedFloor(float v) {
    if (std::isnan(v)) {
        return 0;
    }
    v = std::floor(v);
    if (v < kMinY) {
        return static_cast<int>(kMinY);
    }
    if (v > kMaxY) {
        return static_cast<int>(kMaxY);
    }
    return static_cast<int>(v);
}

float countTerm(const PlotGeometry& g, std::uint32_t count, double factor) {
    if (count == 0) {
        return 0.0f;  // also keeps 0 * infinity out when the scale is undefined
    }
    const float c = static_cast<float>(count);
    float term = g.scale == ScaleType::Linear ? c * g.sy : std::log10(c) * g.sy;
    if (factor != 1.0) {
        term *= static_cast<float>(factor);
    }
    return std::isnan(term) ? 0.0f : term;
}

}  // namespace

int PlotGeometry::x(std::uint32_t channel) const {
    return marginX + clampedFloor(static_cast<float>(channel) * sx);
}

int PlotGeometry::x(std::uint32_t index, float stretch) const {
    return marginX + clampedFloor(static_cast<float>(index) * stretch * sx);
}

int PlotGeometry::y(std::uint32_t count, double factor) const {
    return clampedFloor(static_cast<float>(baseline) - countTerm(*this, count, factor));
}

int PlotGeometry::liveY(std::uint32_t count) const {
    return clampedFloor(static_cast<float>(baseline + 1) - countTerm(*this, count, 1.0));
}

PlotGeometry ComputePlotGeometry(int width, int height, std::uint16_t channels, int ymax,
                                 ScaleType scale) {
    PlotGeometry g;
    g.width = width > 0 ? width : 0;
    g.height = height > 0 ? height : 0;
    g.marginX = static_cast<std::uint16_t>(g.width / 14);
    g.marginY = static_cast<std::uint16_t>(g.height / 14);
    g.baseline = g.height - g.marginY;
    g.channels = channels;
    g.scale = scale;
    const float boxWidth = static_cast<float>(g.width - 2 * g.marginX);
    const float boxHeight = static_cast<float>(g.height - 2 * g.marginY);
    g.sx = channels == 0 ? 1.0f : boxWidth / static_cast<float>(channels);
    const float top = static_cast<float>(ymax);
    g.sy = scale == ScaleType::Linear ? boxHeight / top : boxHeight / std::log10(top);
    return g;
}
