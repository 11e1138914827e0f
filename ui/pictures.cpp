#include "pictures.h"

#include <QPixmap>

namespace tavola::Pictures {

QIcon WindowIcon() {
    return QIcon(":/pictures/tavola.ico");
}

QCursor Pointer() {
    return QCursor(QPixmap(":/pictures/pointer.cur"), 2, 2);
}

QCursor IconPointer() {
    return QCursor(QPixmap(":/pictures/iconpointer.cur"), 16, 16);
}

QIcon Stopwatch() {
    return QIcon(":/pictures/stopwatch.ico");
}

PictureButton::Faces NextFaces() {
    return {QIcon(":/pictures/smile.ico"), QIcon(":/pictures/neutral.ico"),
            QIcon(":/pictures/laugh.ico")};
}

PictureButton::Faces ExitFaces() {
    const QIcon noEntry(":/pictures/noentry.ico");
    return {noEntry, noEntry, noEntry};
}

} // namespace tavola::Pictures
