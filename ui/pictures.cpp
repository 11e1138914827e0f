#include "pictures.h"

#include <QGuiApplication>
#include <QPixmap>

namespace tavola::Pictures {

namespace {

// A designed picture with its double-size drawing, which Qt paints on a
// screen scaled by two instead of blowing the small one up.
QIcon WithDoubleSize(const QString& name, const QString& suffix, int size) {
    QIcon icon(":/pictures/" + name + suffix);
    icon.addFile(":/pictures/" + name + "@2x.png", QSize(2 * size, 2 * size));
    return icon;
}

// A pointer drawn for the screen's scale; its hot spot is in the designed
// picture's pixels either way.
QCursor Pointer(const QString& name, int hotX, int hotY) {
    if (qGuiApp->devicePixelRatio() <= 1)
        return QCursor(QPixmap(":/pictures/" + name + ".cur"), hotX, hotY);
    QPixmap sharp(":/pictures/" + name + "@2x.png");
    sharp.setDevicePixelRatio(2);
    return QCursor(sharp, hotX, hotY);
}

} // namespace

QIcon WindowIcon() {
    return WithDoubleSize("tavola", ".ico", 48);
}

QCursor Pointer() {
    return Pointer("pointer", 2, 2);
}

QCursor IconPointer() {
    return Pointer("iconpointer", 16, 16);
}

QIcon Stopwatch() {
    return WithDoubleSize("stopwatch", ".ico", 32);
}

PictureButton::Faces NextFaces() {
    return {WithDoubleSize("smile", ".ico", 32), WithDoubleSize("neutral", ".ico", 32),
            WithDoubleSize("laugh", ".ico", 32)};
}

PictureButton::Faces ExitFaces() {
    const QIcon noEntry = WithDoubleSize("noentry", ".ico", 32);
    return {noEntry, noEntry, noEntry};
}

} // namespace tavola::Pictures
