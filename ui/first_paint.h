#pragma once

#include <QObject>
#include <functional>

namespace tavola {

// Runs `work` in `context` once the program's first window has been painted
// and shown: what the player needs only later waits until she sees the first
// dialog, so that it comes as soon as a bare one would. A window closed
// sooner than that runs the work as it closes, so that it is always done
// before anything that follows the window.
void AfterFirstPaint(QObject* context, std::function<void()> work);

} // namespace tavola
