#include "picture_button.h"

#include <QPainter>
#include <qdrawutil.h>

namespace tavola {

namespace {

constexpr int PictureSize = 32;
constexpr int Gap = 3;

} // namespace

PictureButton::PictureButton(const QString& caption, const QColor& face, const Faces& faces,
                             QWidget* parent)
    : QPushButton(caption, parent), face_(face), faces_(faces) {
    // A push button outside a dialog ignores Enter unless it is told otherwise.
    setAutoDefault(true);
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool sunken = isDown();
    QPalette bevel = palette();
    bevel.setColor(QPalette::Button, face_);
    const QBrush fill(face_);
    qDrawWinButton(&painter, rect(), bevel, sunken, &fill);

    const QIcon& picture = !isEnabled()                         ? faces_.disabled
                           : sunken && !faces_.pressed.isNull() ? faces_.pressed
                                                                : faces_.normal;
    const QFontMetrics metrics(font());
    const int contentHeight = PictureSize + Gap + metrics.height();
    const int shift = sunken ? 1 : 0;
    const int top = (height() - contentHeight) / 2 + shift;
    const QRect pictureRect((width() - PictureSize) / 2 + shift, top, PictureSize, PictureSize);
    picture.paint(&painter, pictureRect, Qt::AlignCenter, QIcon::Normal);

    const QRect captionRect(shift, top + PictureSize + Gap, width(), metrics.height());
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(captionRect, flags, text());
    } else {
        // The engraved look of a disabled caption.
        painter.setPen(Qt::white);
        painter.drawText(captionRect.translated(1, 1), flags, text());
        painter.setPen(face_.darker(160));
        painter.drawText(captionRect, flags, text());
    }

    if (hasFocus()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}

} // namespace tavola
