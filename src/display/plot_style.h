#pragma once

#include <array>
#include <cstdint>

#include "display/canvas.h"

// Colour roles of the plot settings `color0` ... `color7`.
enum PlotColour : int {
    kBackgroundColour = 0,
    kMainSpectrumColour = 1,
    kMarker1Colour = 2,  // also spectrum 2 and the fit baseline
    kMarker2Colour = 3,  // also spectrum 3 and the fit curve
    kSpectrum4Colour = 4,
    kShutterColour = 5,  // also spectrum 5
    kTextColour = 6,     // scale labels, captions, axes
    kCurrentColour = 7,  // the scan or cycle in progress
};

// The display settings the plot reads, filled from the settings store.
struct PlotStyle {
    std::array<Colour, 8> colours{0x000000, 0x00FFFF, 0x0080FF, 0x0000FF,
                                  0xFF8000, 0xFF80FF, 0xFFFFFF, 0x00FF00};
    int fontPoints = 7;  // `spcwin_fnt_weigth`
    bool bold = false;   // `use_bold_on_screen`
    bool enableX = true;
    bool enableY = true;
    std::uint16_t xTicks = 10;   // `xthick`
    std::uint16_t yTicks = 10;   // `ythick`
    bool enableCurrent = false;  // the cycle in progress over the spectrum while acquiring

    Colour colour(int role) const { return colours[static_cast<std::size_t>(role)]; }
    CanvasFont font() const { return CanvasFont{"Tahoma", fontPoints, bold}; }
};
