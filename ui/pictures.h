#pragma once

#include <QCursor>
#include <QIcon>
#include <optional>

#include "picture_button.h"

// The pictures that ship inside the program, drawn by scripts/draw-pictures.
namespace tavola::Pictures {

QIcon WindowIcon();
// The window's own pointer: a pencil, its tip the hot spot.
QCursor Pointer();
// A small square inside a square, over the next-question button and the message.
QCursor IconPointer();
QIcon Stopwatch();
// A smiling face; a neutral one while disabled; a laughing one while pressed.
PictureButton::Faces NextFaces();
// A white bar on a red disc.
PictureButton::Faces ExitFaces();

} // namespace tavola::Pictures

namespace tavola {

// The pictures of the window, each made on first use and then shared by the
// window of every new game in the process, rather than decoded and cached
// again for each.
class PictureCache {
  public:
    const QIcon& WindowIcon() { return Once(windowIcon_, Pictures::WindowIcon); }
    const QCursor& Pointer() { return Once(pointer_, Pictures::Pointer); }
    const QCursor& IconPointer() { return Once(iconPointer_, Pictures::IconPointer); }
    const QIcon& Stopwatch() { return Once(stopwatch_, Pictures::Stopwatch); }
    const PictureButton::Faces& NextFaces() { return Once(nextFaces_, Pictures::NextFaces); }
    const PictureButton::Faces& ExitFaces() { return Once(exitFaces_, Pictures::ExitFaces); }

  private:
    template <typename T, typename Make> static const T& Once(std::optional<T>& kept, Make make) {
        if (!kept)
            kept = make();
        return *kept;
    }

    std::optional<QIcon> windowIcon_, stopwatch_;
    std::optional<QCursor> pointer_, iconPointer_;
    std::optional<PictureButton::Faces> nextFaces_, exitFaces_;
};

} // namespace tavola
