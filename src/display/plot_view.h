#pragma once

#include <optional>
#include <string>

#include "display/plot_geometry.h"

enum class DrawStyle { Line, Dots };

inline constexpr int kMaxScale = 1000000000;  // largest value of the Scale field
inline constexpr int kDefaultScale = 150;     // Ymax when `ymaxstart` is 0

// The window's view state of the plot.
struct PlotView {
    ScaleType scale = ScaleType::Linear;
    DrawStyle style = DrawStyle::Line;
    int ymax = kDefaultScale;  // the Scale field
};

inline int InitialYmax(int ymaxstart) {
    return ymaxstart == 0 ? kDefaultScale : ymaxstart;
}
inline ScaleType ScaleTypeFromSetting(int scaleType) {
    return scaleType == 0 ? ScaleType::Linear : ScaleType::Logarithmic;
}

// ceil(ymax / factor); 0 becomes 10.
int ZoomIn(int ymax, double factor);
// ceil(ymax * factor), kept within the Scale field's range.
int ZoomOut(int ymax, double factor);
// The Scale field's text when it reads as a whole number the way "%d" does.
std::optional<int> ReadScaleField(const std::string& text);
