#pragma once

#include <optional>

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const WindowRect&) const = default;
};

// A window that fits in four fifths of the work area is moved to its tenth and given four
// fifths of its size; a larger one stays where it is.
inline std::optional<WindowRect> initialPlacement(const WindowRect& window, int workRight,
                                                  int workBottom) {
    if (window.right() > 4 * workRight / 5 || window.bottom() > 4 * workBottom / 5) {
        return std::nullopt;
    }
    return WindowRect{workRight / 10, workBottom / 10, 4 * workRight / 5, 4 * workBottom / 5};
}
