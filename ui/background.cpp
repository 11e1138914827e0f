#include "background.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tavola {

Background::Background(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Background::PaintGradient(int colourSeed) {
    Show(Picture::Gradient, colourSeed);
}

void Background::PaintBlack() {
    Show(Picture::Black, 0);
}

void Background::Show(Picture picture, int colourSeed) {
    picture_ = picture;
    colourSeed_ = colourSeed;
    update();
}

void Background::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    switch (picture_) {
    case Picture::SystemFace:
        painter.fillRect(event->rect(), palette().color(QPalette::Button));
        break;
    case Picture::Black:
        painter.fillRect(event->rect(), Qt::black);
        break;
    case Picture::Gradient:
        DrawBands(painter, event->rect());
        break;
    }
}

// The bands are laid out in the screen's own pixels, so that on a scaled
// screen they stay sharp and every band edge falls on a whole pixel row.
void Background::DrawBands(QPainter& painter, const QRect& exposed) const {
    constexpr int Bands = 256;
    const double ratio = devicePixelRatioF();
    const int height = static_cast<int>(std::ceil(this->height() * ratio));
    const int exposedLeft = static_cast<int>(std::floor(exposed.left() * ratio));
    const int exposedRight = static_cast<int>(std::ceil((exposed.right() + 1) * ratio));
    const int exposedTop = static_cast<int>(std::floor(exposed.top() * ratio));
    const int exposedBottom = static_cast<int>(std::ceil((exposed.bottom() + 1) * ratio));
    const double bandHeight = static_cast<double>(height) / Bands;
    painter.scale(1 / ratio, 1 / ratio);
    // Each band runs from its rounded top to the next band's rounded top, so
    // the bands meet without gaps and end exactly at the bottom edge. A
    // clock's tick exposes a few rows: only the bands around them are drawn.
    const int first = std::max(0, static_cast<int>(exposedTop / bandHeight) - 1);
    const int last = std::min(Bands, static_cast<int>(exposedBottom / bandHeight) + 2);
    for (int band = first; band < last; ++band) {
        const int top = static_cast<int>(std::lround(band * bandHeight));
        const int bottom = static_cast<int>(std::lround((band + 1) * bandHeight));
        if (bottom <= exposedTop || top >= exposedBottom)
            continue;
        painter.fillRect(exposedLeft, top, exposedRight - exposedLeft, bottom - top,
                         QColor(10 * colourSeed_, 10 * colourSeed_, band));
    }
}

} // namespace tavola
