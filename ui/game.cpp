#include "game.h"

#include "tavola.h"

namespace tavola {

Game::Game(Platform& platform, RecordKeeper& records) : platform_(platform), records_(records) {}

Game::~Game() = default;

void Game::Start() {
    window_ = std::make_unique<Tavola>(platform_, records_, pictures_);
    if (painted_)
        window_->Build();
    // Queued: the old window's menu handler must finish before its window goes.
    connect(window_.get(), &Tavola::newGameRequested, this, &Game::Restart, Qt::QueuedConnection);
    window_->Form_Load();
    window_->show();
}

void Game::FirstPaint() {
    painted_ = true;
    if (window_)
        window_->Build();
}

void Game::Restart() {
    Tavola* old = window_.release();
    old->SetTimerEnabled(false); // the dropped game must not tick on until it is gone
    old->hide();
    old->deleteLater();
    Start();
}

} // namespace tavola
