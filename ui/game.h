#pragma once

#include <QObject>
#include <memory>

#include "pictures.h"
#include "platform.h"
#include "record_keeper.h"

namespace tavola {

class Tavola;

// Loads the window and, for each new game, drops it and loads a fresh one,
// so that every game starts from the window's design-time state.
class Game : public QObject {
  public:
    Game(Platform& platform, RecordKeeper& records);
    ~Game() override;

    // Runs the window's load, shows it and lets it ask the first question.
    void Start();
    // The name dialog has reached the screen: the window is built now, while
    // the player reads it, and every later window at once.
    void FirstPaint();
    Tavola* Window() const { return window_.get(); }
    PictureCache& Pictures() { return pictures_; }

  private:
    void Restart();

    Platform& platform_;
    RecordKeeper& records_;
    PictureCache pictures_; // one set for every game of the process
    std::unique_ptr<Tavola> window_;
    bool painted_ = false;
};

} // namespace tavola
