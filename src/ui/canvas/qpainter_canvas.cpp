#include "ui/canvas/qpainter_canvas.h"

#include <QPainter>
#include <QPen>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

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
    QPaintDevice* device = painter_.device();
    if (device && device->devType() == QInternal::Image && !painter_.hasClipping() &&
        painter_.compositionMode() == QPainter::CompositionMode_SourceOver) {
        auto* image = static_cast<QImage*>(device);
        const QTransform t = painter_.deviceTransform();
        const bool wholeShift = t.type() <= QTransform::TxTranslate &&
                                t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
        const QImage::Format f = image->format();
        if (wholeShift && (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                           f == QImage::Format_ARGB32_Premultiplied)) {
            image_ = image;
            bits_ = image->bits();  // already detached by the active painter
            stride_ = image->bytesPerLine();
            offset_ = QPoint(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
        }
    }
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
        if (image_) {
            rasterLine(position_ + offset_, to + offset_, ToQColor(pen_).rgb());
        } else {
            flushPixels();
            lines_.emplace_back(position_, to);
        }
    }
    position_ = to;
}

void QPainterCanvas::setPixel(int x, int y, Colour colour) {
    if (image_) {
        rasterPixel(x + offset_.x(), y + offset_.y(), ToQColor(colour).rgb());
        return;
    }
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
    // The plot's texts (file and sample names, read-outs) are the station's Latin-1 texts.
    const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    painter_.fillRect(QRect(x, y, metrics_->horizontalAdvance(s), metrics_->height()), background_);
    painter_.setPen(text_);
    painter_.drawText(QPoint(x, y + metrics_->ascent()), s);
}

void QPainterCanvas::rasterPixel(int x, int y, QRgb colour) {
    if (x < 0 || y < 0 || x >= image_->width() || y >= image_->height()) {
        return;
    }
    reinterpret_cast<QRgb*>(bits_ + y * stride_)[x] = colour;
}

// One-pixel line from `from` to `to`, end point excluded: one pixel per step along the major
// axis, the minor coordinate rounded to the nearest pixel. Only the steps that can fall inside
// the image are walked, so lines to far-off points cost no more than visible ones.
void QPainterCanvas::rasterLine(QPoint from, QPoint to, QRgb colour) {
    const int width = image_->width();
    const int height = image_->height();
    const bool steep = std::abs(to.y() - from.y()) > std::abs(to.x() - from.x());
    const std::int64_t major0 = steep ? from.y() : from.x();
    const std::int64_t minor0 = steep ? from.x() : from.y();
    const std::int64_t majorDelta = (steep ? to.y() : to.x()) - major0;
    const std::int64_t minorDelta = (steep ? to.x() : to.y()) - minor0;
    const std::int64_t steps = std::abs(majorDelta);
    const std::int64_t direction = majorDelta < 0 ? -1 : 1;
    const std::int64_t majorLimit = steep ? height : width;
    const std::int64_t minorLimit = steep ? width : height;

    // Steps i in [first, last) keep the major coordinate inside the image.
    std::int64_t first = 0;
    std::int64_t last = steps;
    if (direction > 0) {
        first = std::max<std::int64_t>(first, -major0);
        last = std::min<std::int64_t>(last, majorLimit - major0);
    } else {
        first = std::max<std::int64_t>(first, major0 - (majorLimit - 1));
        last = std::min<std::int64_t>(last, major0 + 1);
    }
    if (first >= last) {
        return;
    }
    // minor offset = floor((2 i d + n) / 2n), kept as quotient q and numerator num.
    const std::int64_t twoSteps = 2 * steps;
    std::int64_t num = 2 * first * minorDelta + steps;
    std::int64_t q = num >= 0 ? num / twoSteps : -((-num + twoSteps - 1) / twoSteps);
    for (std::int64_t i = first; i < last; ++i) {
        const std::int64_t major = major0 + direction * i;
        const std::int64_t minor = minor0 + q;
        if (minor >= 0 && minor < minorLimit) {
            const std::int64_t px = steep ? minor : major;
            const std::int64_t py = steep ? major : minor;
            reinterpret_cast<QRgb*>(bits_ + py * stride_)[px] = colour;
        }
        num += 2 * minorDelta;
        while (num >= twoSteps * (q + 1)) {
            ++q;
        }
        while (num < twoSteps * q) {
            --q;
        }
    }
}
