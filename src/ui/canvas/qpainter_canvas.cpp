#include "ui/canvas/qpainter_canvas.h"

#include <QPainter>
#include <QPen>
#include <QString>
#include <QStringList>

QColor ToQColor(Colour colour) {
    return QColor(colourRed(colour), colourGreen(colour), colourBlue(colour));
}

QFont PlotQFont(const CanvasFont& font) {
    QFont f;
    f.setFamilies(QStringList{QString::fromStdString(font.family), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(font.pointSize > 0 ? font.pointSize : 1);
    f.setWeight(font.bold ? QFont::Bold : QFont::Normal);
    return f;
}

namespace {

// Width 0 is the one-pixel cosmetic pen; a flat cap leaves out the end point of each line.
QPen plotPen(Colour colour) {
    return QPen(ToQColor(colour), 0, Qt::SolidLine, Qt::FlatCap);
}

}  // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setBackgroundMode(Qt::TransparentMode);
}

QPainterCanvas::~QPainterCanvas() {
    flush();
}

void QPainterCanvas::flush() {
    flushLines();
    flushPixels();
}

void QPainterCanvas::flushLines() {
    if (lines_.empty()) {
        return;
    }
    painter_.setPen(plotPen(pen_));
    painter_.drawLines(lines_.data(), static_cast<int>(lines_.size()));
    lines_.clear();
}

void QPainterCanvas::flushPixels() {
    if (pixels_.empty()) {
        return;
    }
    painter_.setPen(plotPen(pixelColour_));
    painter_.drawPoints(pixels_.data(), static_cast<int>(pixels_.size()));
    pixels_.clear();
}

void QPainterCanvas::fillRect(int left, int top, int right, int bottom, Colour colour) {
    flush();
    painter_.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), ToQColor(colour));
}

void QPainterCanvas::setPen(Colour colour) {
    if (colour != pen_) {
        flushLines();
        pen_ = colour;
    }
}

void QPainterCanvas::moveTo(int x, int y) {
    position_ = QPoint(x, y);
}

void QPainterCanvas::lineTo(int x, int y) {
    const QPoint to(x, y);
    if (to != position_) {  // a line of no length draws nothing
        flushPixels();
        lines_.emplace_back(position_, to);
    }
    position_ = to;
}

void QPainterCanvas::setPixel(int x, int y, Colour colour) {
    flushLines();
    if (colour != pixelColour_) {
        flushPixels();
        pixelColour_ = colour;
    }
    pixels_.emplace_back(x, y);
}

void QPainterCanvas::setFont(const CanvasFont& font) {
    if (font_ && *font_ == font) {
        return;
    }
    flush();
    font_ = font;
    painter_.setFont(PlotQFont(font));
    metrics_.emplace(painter_.fontMetrics());
}

void QPainterCanvas::setTextColours(Colour text, Colour background) {
    text_ = ToQColor(text);
    background_ = ToQColor(background);
}

void QPainterCanvas::textOut(int x, int y, const std::string& text) {
    flush();
    if (!metrics_) {
        setFont(CanvasFont{});
    }
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    painter_.fillRect(QRect(x, y, metrics_->horizontalAdvance(s), metrics_->height()), background_);
    painter_.setPen(text_);
    painter_.drawText(QPoint(x, y + metrics_->ascent()), s);
}
