#pragma once

#include <QLabel>
#include <QString>

namespace tavola {

// A label whose caption the program reads back exactly as it was set (line
// ends included). A growing label fits its size to the caption on one line,
// its top-left corner fixed; any other keeps its size, wraps at blanks and
// cuts off whatever falls below its bottom edge.
class CaptionLabel : public QLabel {
  public:
    CaptionLabel(const QString& caption, bool grows, QWidget* parent);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    // A growing label with a caption takes its fitted size from the start, as
    // its design-time size was fitted to the caption in the font it was drawn with.
    void FitToCaption();

  private:
    QString caption_;
    bool grows_;
};

} // namespace tavola
