#include "first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <utility>

namespace tavola {

namespace {

// How long after the paint event the work waits: long enough for the paint to
// reach the screen undisturbed, and for a class of thirty started together on
// one server to see every dialog before any game takes the processor for its
// window; far shorter than any child takes to read the dialog and type.
constexpr auto WhileTheChildReads = std::chrono::seconds(1);

// Watches the application's events until a window's paint event, then starts
// the work a second behind it, or as that window hides, whichever is first.
class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QObject* context, std::function<void()> work)
        : QObject(context), work_(std::move(work)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow())
            return false;
        if (event->type() == QEvent::Paint && painted_ == nullptr) {
            painted_ = watched;
            QTimer::singleShot(WhileTheChildReads, this, &FirstPaintWatch::Run);
        } else if (event->type() == QEvent::Hide && watched == painted_) {
            Run();
        }
        return false;
    }

  private:
    void Run() {
        QCoreApplication::instance()->removeEventFilter(this);
        deleteLater();
        if (const auto work = std::exchange(work_, nullptr))
            work();
    }

    std::function<void()> work_;
    QObject* painted_ = nullptr;
};

} // namespace

void AfterFirstPaint(QObject* context, std::function<void()> work) {
    new FirstPaintWatch(context, std::move(work));
}

} // namespace tavola
