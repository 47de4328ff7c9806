#include "ui/plot_widget.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPainter>

#include "ui/canvas/plot_image.h"
#include "window/spectrum/atomic_file.h"
#include "window/spectrum_window.h"
#include "window/window_ids.h"

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::number(ctl::kPlotArea));
    setMinimumSize(453, 259);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Every pixel comes from the image: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A click on the plot takes the focus from the edits, so the marker keys reach the window.
    setFocusPolicy(Qt::ClickFocus);
}

void PlotWidget::attach(CSpectrumwnd* logic) {
    logic_ = logic;
    if (logic_) {
        logic_->plot().resize(width(), height());
    }
    refresh();
}

void PlotWidget::refresh() {
    stale_ = true;
    update();
}

void PlotWidget::render(QImage& target) {
    if (!logic_) {
        target.fill(Qt::black);
        return;
    }
    logic_->plot().paint(
        [&target](const PlotScene& scene, const PlotStyle& style, const PlotView& view) {
            RenderPlotInto(target, scene, style, view);
        });
}

void PlotWidget::paintEvent(QPaintEvent*) {
    if (image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        stale_ = true;
    }
    if (stale_) {
        stale_ = false;
        render(image_);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void PlotWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (logic_) {
        logic_->plot().resize(width(), height());
    }
    refresh();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (!logic_) {
        return;
    }
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        logic_->plot().click(0, at.x(), at.y());
    } else if (event->button() == Qt::RightButton) {
        logic_->plot().click(1, at.x(), at.y());
    }
}

bool PlotWidget::saveImage(const QString& path) {
    QImage picture(size(), QImage::Format_RGB32);
    render(picture);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) {
        return false;
    }
    return !writeFileAtomically(path.toStdString(), png.toStdString());
}
