#include "quiz.h"

namespace tavola {

void Quiz::Load() {
    controls_.SetTimerEnabled(false);
    state_.playerName = platform_.AskText("Come ti chiami?");
    platform_.ShowMessage(" " + state_.playerName + " vediamo se sei un vero campione  ",
                          Buttons::Ok, std::nullopt);
    controls_.SetCaption(Label::lblnome1, state_.playerName);
    StartClock();
    state_.correctCount = 0;
    state_.wrongCount = 0;
    LoadRecords();
    FinishClockStart();
}

bool Quiz::ConfirmNewGame() {
    const Reply reply = platform_.ShowMessage("INIZIAMO UNA NUOVA GARA  ?", Buttons::YesNoQuestion,
                                              "INIZIARE NUOVA GARA");
    if (reply == Reply::No)
        return false;
    // The answer is only acknowledged: questions always run from 0 to 9.
    if (platform_.AskText("Tavola pitagorica fino al numero? ").empty())
        platform_.ShowMessage(" " + state_.playerName +
                                  " siccome non hai scelto arriviamo fino al 10.",
                              Buttons::Ok, std::nullopt);
    return true;
}

} // namespace tavola
