#pragma once

#include <cstdint>
#include <string>

// A colour as the settings store it: 0x00BBGGRR.
using Colour = std::uint32_t;

inline constexpr int colourRed(Colour c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int colourGreen(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int colourBlue(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

struct CanvasFont {
    std::string family = "Tahoma";
    int pointSize = 7;
    bool bold = false;

    bool operator==(const CanvasFont&) const = default;
};

// The few drawing calls the plot needs, with the semantics of a window's device context:
// integer pixel coordinates, a current pen position, lines that leave out their end point,
// text placed by its top-left corner on an opaque background.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills [left, right) x [top, bottom).
    virtual void fillRect(int left, int top, int right, int bottom, Colour colour) = 0;
    // A solid pen of width 0 (one pixel) for the following lines.
    virtual void setPen(Colour colour) = 0;
    virtual void moveTo(int x, int y) = 0;
    // Line from the pen position to (x, y), end point excluded; the pen moves to (x, y).
    virtual void lineTo(int x, int y) = 0;
    virtual void setPixel(int x, int y, Colour colour) = 0;
    virtual void setFont(const CanvasFont& font) = 0;
    virtual void setTextColours(Colour text, Colour background) = 0;
    // One line of text, top-left corner at (x, y), background filled behind it.
    virtual void textOut(int x, int y, const std::string& text) = 0;
};
