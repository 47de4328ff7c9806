#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPoint>
#include <optional>
#include <vector>

#include "display/canvas.h"

class QPainter;

QColor ToQColor(Colour colour);
// The plot font: Tahoma where installed, otherwise the platform's sans-serif face.
QFont PlotQFont(const CanvasFont& font);

// Canvas on a QPainter. On a 32-bit image without clipping or scaling, lines and pixels are
// written straight into the image (the raster engine's one-pixel lines cost far more than the
// rest of the plot); on any other device they are collected and handed to the painter in
// batches, flushed whenever the order of drawing could matter.
class QPainterCanvas : public Canvas {
public:
    explicit QPainterCanvas(QPainter& painter);
    ~QPainterCanvas() override;
    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

    void fillRect(int left, int top, int right, int bottom, Colour colour) override;
    void setPen(Colour colour) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setPixel(int x, int y, Colour colour) override;
    void setFont(const CanvasFont& font) override;
    void setTextColours(Colour text, Colour background) override;
    void textOut(int x, int y, const std::string& text) override;

    // Draws whatever is still collected; also done on destruction.
    void flush();

private:
    void flushLines();
    void flushPixels();
    void rasterLine(QPoint from, QPoint to, QRgb colour);
    void rasterPixel(int x, int y, QRgb colour);

    QPainter& painter_;
    QImage* image_ = nullptr;  // set when lines and pixels go straight into the image
    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    QPoint offset_;  // the painter's translation, in device pixels
    Colour pen_ = 0;
    QPoint position_;
    std::vector<QLine> lines_;
    Colour pixelColour_ = 0;
    std::vector<QPoint> pixels_;
    QColor text_{Qt::white};
    QColor background_{Qt::black};
    std::optional<CanvasFont> font_;
    std::optional<QFontMetrics> metrics_;
};
