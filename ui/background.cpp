#include "background.h"

#include <QPainter>
#include <cmath>

namespace tavola {

Background::Background(QWidget* parent) : QWidget(parent) {}

// Drawn in the screen's own pixels, so that on a scaled screen the bands stay
// sharp and a repaint copies pixels instead of scaling them.
QImage Background::Canvas() const {
    return QImage(size() * devicePixelRatioF(), QImage::Format_RGB32);
}

void Background::Show(QImage picture) {
    picture.setDevicePixelRatio(devicePixelRatioF());
    picture_ = picture;
    update();
}

void Background::PaintGradient(int colourSeed) {
    constexpr int Bands = 256;
    QImage picture = Canvas();
    QPainter painter(&picture);
    const double bandHeight = static_cast<double>(picture.height()) / Bands;
    // Each band runs from its rounded top to the next band's rounded top, so
    // the bands meet without gaps and end exactly at the bottom edge.
    for (int band = 0; band < Bands; ++band) {
        const int top = static_cast<int>(std::lround(band * bandHeight));
        const int bottom = static_cast<int>(std::lround((band + 1) * bandHeight));
        painter.fillRect(0, top, picture.width(), bottom - top,
                         QColor(10 * colourSeed, 10 * colourSeed, band));
    }
    painter.end();
    Show(picture);
}

void Background::PaintBlack() {
    QImage picture = Canvas();
    picture.fill(Qt::black);
    Show(picture);
}

void Background::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull())
        painter.fillRect(rect(), palette().color(QPalette::Button));
    else
        painter.drawImage(0, 0, picture_);
}

} // namespace tavola
