#include "caption_label.h"

#include <algorithm>

namespace tavola {

namespace {

// The record files end their one line in CR LF; on screen that is a line
// break, and a stray NUL from a foreign file shows as nothing.
QString OnScreen(QString caption) {
    caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    caption.remove(QChar(u'\0'));
    return caption;
}

} // namespace

CaptionLabel::CaptionLabel(const QString& caption, bool grows, QWidget* parent)
    : QLabel(OnScreen(caption), parent), caption_(caption), grows_(grows) {
    setTextFormat(Qt::PlainText);
    setWordWrap(!grows);
    setIndent(0);
}

void CaptionLabel::SetCaption(const QString& caption) {
    caption_ = caption;
    setText(OnScreen(caption));
    if (grows_)
        FitToCaption();
}

void CaptionLabel::FitToCaption() {
    // A trailing line break still takes a line, as it did in the old label.
    const int lines = static_cast<int>(text().count('\n')) + 1;
    const QSize hint = sizeHint();
    resize(hint.width(),
           std::max(hint.height(), lines * fontMetrics().height() + 2 * frameWidth()));
}

} // namespace tavola
