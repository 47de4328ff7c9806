#include "display/plot_view.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace {

int limitedScale(double value, int unchanged) {
    if (!std::isfinite(value)) {
        return unchanged;
    }
    if (value > kMaxScale) {
        return kMaxScale;
    }
    if (value < std::numeric_limits<int>::min()) {
        return unchanged;
    }
    return static_cast<int>(value);
}

}  // namespace

int ZoomIn(int ymax, double factor) {
    if (!(factor > 0)) {
        return ymax;
    }
    const int zoomed = limitedScale(std::ceil(ymax / factor), ymax);
    return zoomed == 0 ? 10 : zoomed;
}

int ZoomOut(int ymax, double factor) {
    if (!(factor > 0)) {
        return ymax;
    }
    return limitedScale(std::ceil(ymax * factor), ymax);
}

std::optional<int> ReadScaleField(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
        return std::nullopt;
    }
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value < kLimit) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int>::max()) {
        value = std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        value = std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}
