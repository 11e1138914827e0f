#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace tavola {

// A button of the old graphical style: a picture centred above the caption on
// a face of its own colour, with separate pictures for the disabled and the
// pressed button where it has them.
class PictureButton : public QPushButton {
  public:
    struct Faces {
        QIcon normal, disabled, pressed;
    };

    PictureButton(const QString& caption, const QColor& face, const Faces& faces, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor face_;
    Faces faces_;
};

} // namespace tavola
