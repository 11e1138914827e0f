#pragma once

#include <QImage>
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
    QImage Canvas() const;
    void Show(QImage picture);

    QImage picture_;
};

} // namespace tavola
