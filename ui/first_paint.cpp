#include "first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace tavola {

namespace {

// How long after the paint event the work waits: long enough for the paint to
// leave the program and reach the screen undisturbed, far shorter than any
// child takes to read the dialog and type.
constexpr auto AfterThePaintReachesTheScreen = std::chrono::milliseconds(50);

// Watches the application's events until a window's paint event, then starts
// the work a moment behind it.
class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QObject* context, std::function<void()> work)
        : QObject(context), work_(std::move(work)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(AfterThePaintReachesTheScreen, parent(), std::move(work_));
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> work_;
};

} // namespace

void AfterFirstPaint(QObject* context, std::function<void()> work) {
    new FirstPaintWatch(context, std::move(work));
}

} // namespace tavola
