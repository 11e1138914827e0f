#pragma once

#include <QCursor>
#include <QIcon>

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
