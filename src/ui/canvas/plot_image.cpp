#include "ui/canvas/plot_image.h"

#include <QPainter>

#include "ui/canvas/qpainter_canvas.h"

QImage RenderPlotImage(const PlotScene& scene, const PlotStyle& style, const PlotView& view) {
    QImage image(scene.width > 0 ? scene.width : 1, scene.height > 0 ? scene.height : 1,
                 QImage::Format_RGB32);
    RenderPlotInto(image, scene, style, view);
    return image;
}

void RenderPlotInto(QImage& image, PlotScene scene, const PlotStyle& style, const PlotView& view) {
    scene.width = image.width();
    scene.height = image.height();
    QPainter painter(&image);
    QPainterCanvas canvas(painter);
    PaintSpectrumPlot(canvas, scene, style, view);
}
