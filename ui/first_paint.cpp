#include "first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace tavola {

namespace {

// Watches the application's events until a window's paint event, then queues
// the work behind it: the paint is on screen by the time the work runs.
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
            QTimer::singleShot(0, parent(), std::move(work_));
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
