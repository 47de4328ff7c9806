#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CSpectrumwnd;

// The plot area (control 1077): paints the window's plot through the same painter as the
// exported images into a cached image, and hands its size and mouse clicks to the plot logic.
class PlotWidget final : public QWidget {
    Q_OBJECT
public:
    explicit PlotWidget(QWidget* parent = nullptr);
    void attach(CSpectrumwnd* logic);

    // The data or the view changed: paint afresh on the next paint event.
    void refresh();
    // The plot at the current size into a PNG file, replaced atomically.
    bool saveImage(const QString& path);
    // What was last painted on screen.
    const QImage& image() const { return image_; }

protected:
    void paintEvent(class QPaintEvent* event) override;
    void resizeEvent(class QResizeEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;

private:
    void render(QImage& target);

    CSpectrumwnd* logic_ = nullptr;
    QImage image_;
    bool stale_ = true;
};
