#include "answer_keys.h"

#include <QKeyEvent>

#include "quiz.h"

namespace tavola {

int KeyAscii(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Quiz::Enter;
    case Qt::Key_Backspace:
        return Quiz::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return -1;
    default:
        break;
    }
    const QString text = key.text();
    if (text.isEmpty())
        return -1;
    const char16_t code = text.at(0).unicode();
    return code < 256 ? code : '?';
}

} // namespace tavola
