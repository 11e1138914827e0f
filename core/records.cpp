#include "conversions.h"
#include "quiz.h"

namespace tavola {

void Quiz::LoadRecords() {
    const ShownRecord shown = records_.Read();
    state_.recordScore = shown.score;
    controls_.SetCaption(Label::lblpunti, shown.score);
    controls_.SetCaption(Label::lblnome, shown.name);
}

void Quiz::CheckAndSaveRecord() {
    // Only right answers count toward a record, as lblScore shows them; a tie
    // keeps the record shown, and nothing is written or said.
    if (LeadingNumber(state_.recordScore) >= state_.correctCount.value())
        platform_.EndProgram();
    // Another game may have set a better record since this one started: the
    // keeper compares again with what it holds, and may refuse.
    if (!records_.Offer(state_.correctCount.value(), state_.playerName))
        platform_.EndProgram();
    platform_.ShowMessage("Ok! Ho registrato il tuo record, C A M P I O N E", Buttons::Ok,
                          std::nullopt);
    platform_.EndProgram();
}

void Quiz::cmdExit_Click() {
    CheckAndSaveRecord();
}

} // namespace tavola
