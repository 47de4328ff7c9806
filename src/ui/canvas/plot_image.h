#pragma once

#include <QImage>

#include "display/spectrum_plot.h"

// The plot as an image of the scene's size, painted by the same painter as the window.
QImage RenderPlotImage(const PlotScene& scene, const PlotStyle& style, const PlotView& view);
// Paints into an existing image (its size is the plot's size); for repeated renders.
void RenderPlotInto(QImage& image, PlotScene scene, const PlotStyle& style, const PlotView& view);
