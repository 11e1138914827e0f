#pragma once

#include <string>

#include "controls.h"
#include "game_state.h"
#include "platform.h"
#include "record_keeper.h"

namespace tavola {

// The typed name as the record files can hold it: at most 255 characters,
// none of them a control character.
std::string NameForTheRecord(const std::string& typed);

// Every rule of the game. The window forwards its events here; the quiz
// answers by changing the controls and calling the platform and the record keeper.
class Quiz {
  public:
    Quiz(Platform& platform, RecordKeeper& records, Controls& controls)
        : platform_(platform), records_(records), controls_(controls) {}

    // The start of a game, before the window is first shown: name, greeting,
    // clock, counters, records.
    void Load();
    // Draws the next multiplication and puts it on screen.
    void NewQuestion();
    // Sees each character typed into the answer box before the box does;
    // setting the code to 0 refuses it. Enter judges the answer.
    void txtAnswer_KeyPress(int& keyAscii);
    // One second of the countdown; may end the game.
    void Timer1_Timer();
    // Leaving with the Exit button: the record check, then the end.
    [[noreturn]] void cmdExit_Click();
    // Asks whether to drop this game for a new one; true when the window is to be reloaded.
    bool ConfirmNewGame();

    GameState& State() { return state_; }

    static constexpr int Backspace = 8;
    static constexpr int Enter = 13;

  private:
    void JudgeAnswer();
    std::string ScoreText() const;
    void StartClock();
    void FinishClockStart();
    std::string ClockText() const;
    bool ClockShowsZero() const;
    [[noreturn]] void EndOfTime();
    void LoadRecords();
    [[noreturn]] void CheckAndSaveRecord();

    Platform& platform_;
    RecordKeeper& records_;
    Controls& controls_;
    GameState state_;
};

// The second factor after the draw that makes 0 rare: a first draw `n` of 0
// is replaced by the table entry for the third draw `g`.
Short SecondFactor(Short n, Short g);

} // namespace tavola
