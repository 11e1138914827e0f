#pragma once

#include <QWidget>

namespace tavola {

// The window's client area. What is painted on it stays until it is painted
// over, as a persistent drawing surface does; before the first painting it
// shows the system's face colour.
class Background : public QWidget {
  public:
    explicit Background(QWidget* parent = nullptr);

    // 256 bands from top to bottom, band i of colour (10 seed, 10 seed, i).
    void PaintGradient(int colourSeed);
    void PaintBlack();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    enum class Picture { SystemFace, Black, Gradient };

    void Show(Picture picture, int colourSeed);
    void DrawBands(QPainter& painter, const QRect& exposed) const;

    // Only two pictures are ever painted here and each covers the whole
    // area, so remembering which one keeps it: no copy of the screen's
    // pixels is stored, and a repaint fills only what was exposed.
    Picture picture_ = Picture::SystemFace;
    int colourSeed_ = 0;
};

} // namespace tavola
