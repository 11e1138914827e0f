#include "conversions.h"
#include "quiz.h"

namespace tavola {

void Quiz::StartClock() {
    controls_.SetTimerEnabled(true);
    state_.clockHours = 0;
    state_.clockMinutes = 5;
    state_.clockSeconds = 0;
    state_.secondsBudget = 300;
}

void Quiz::FinishClockStart() {
    // 900, not the 300 StartClock set: the clock, not the budget, ends a game.
    state_.secondsBudget = NearestShort(state_.clockSeconds + 900);
    controls_.SetCaption(Label::lblconto, ClockText());
}

std::string Quiz::ClockText() const {
    return FormatNumber(state_.clockHours.value(), "00") + ":" +
           FormatNumber(state_.clockMinutes.value(), "00") + ":" +
           FormatNumber(state_.clockSeconds, "00");
}

// Whether lblconto reads zero. Until the clock starts it shows its design-time
// dots, and the timer is off.
bool Quiz::ClockShowsZero() const {
    return ClockText() == "00:00:00";
}

void Quiz::Timer1_Timer() {
    if (ClockShowsZero())
        EndOfTime();
    if (state_.secondsBudget < 1) {
        platform_.ShowMessage("Tempo scaduto", Buttons::Ok, std::nullopt);
        EndOfTime();
    }
    // A borrow sets the seconds to 60 so that the same tick shows 59.
    if (state_.clockSeconds == 0) {
        if (state_.clockMinutes > 0) {
            state_.clockMinutes -= 1;
            state_.clockSeconds = 60;
        } else if (state_.clockHours > 0) {
            state_.clockHours -= 1;
            state_.clockMinutes = 59;
            state_.clockSeconds = 60;
        } else {
            state_.clockHours = 0;
            state_.clockMinutes = 0;
        }
    }
    state_.clockSeconds -= 1;
    state_.secondsBudget -= 1;
    controls_.SetCaption(Label::lblconto, ClockText());
}

void Quiz::EndOfTime() {
    platform_.ShowMessage("Ciao a presto. Ore " + FormatNumber(state_.secondsBudget.value(), "#0"),
                          Buttons::Ok, "Data " + platform_.Today());
    CheckAndSaveRecord();
}

} // namespace tavola
