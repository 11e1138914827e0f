#include "background.h"

#include <QPainter>
#include <cmath>

namespace tavola {

Background::Background(QWidget* parent) : QWidget(parent) {}

void Background::PaintGradient(int colourSeed) {
    constexpr int Bands = 256;
    QImage picture(size(), QImage::Format_RGB32);
    QPainter painter(&picture);
    const double bandHeight = static_cast<double>(height()) / Bands;
    // Each band runs from its rounded top to the next band's rounded top, so
    // the bands meet without gaps and end exactly at the bottom edge.
    for (int band = 0; band < Bands; ++band) {
        const int top = static_cast<int>(std::lround(band * bandHeight));
        const int bottom = static_cast<int>(std::lround((band + 1) * bandHeight));
        painter.fillRect(0, top, width(), bottom - top,
                         QColor(10 * colourSeed, 10 * colourSeed, band));
    }
    painter.end();
    picture_ = picture;
    update();
}

void Background::PaintBlack() {
    picture_ = QImage(size(), QImage::Format_RGB32);
    picture_.fill(Qt::black);
    update();
}

void Background::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (picture_.isNull())
        painter.fillRect(rect(), palette().color(QPalette::Button));
    else
        painter.drawImage(0, 0, picture_);
}

} // namespace tavola
