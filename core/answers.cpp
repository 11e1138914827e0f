#include "conversions.h"
#include "quiz.h"

namespace tavola {

namespace {

bool IsDigitCode(int code) {
    return code >= '0' && code <= '9';
}

} // namespace

void Quiz::txtAnswer_KeyPress(int& keyAscii) {
    if (keyAscii == Backspace || IsDigitCode(keyAscii))
        return;
    if (keyAscii == Enter) {
        JudgeAnswer();
        return;
    }
    keyAscii = 0;
}

// What lblScore shows, and what the score file keeps of a record.
std::string Quiz::ScoreText() const {
    return FormatNumber(state_.correctCount.value(), "####0");
}

void Quiz::JudgeAnswer() {
    // Only pasted text can spell a number beyond 16 bits ("9e99"); it is
    // simply not the product, rather than a reason to end the game.
    const auto answer = TryNearestShort(LeadingNumber(controls_.AnswerText()));
    if (answer && *answer == state_.expectedProduct) {
        state_.correctCount += 1;
        controls_.SetCaption(Label::lblMessage, "Esatto! " + state_.playerName + " sei forte!");
        platform_.PlayWave(platform_.ProgramDirectory() + "/suoni/Esatto.wav");
    } else {
        state_.wrongCount += 1;
        controls_.SetCaption(Label::lblMessage,
                             "Sbagliato!! " +
                                 FormatNumber(state_.expectedProduct.value(), "####0"));
        platform_.PlayWave(platform_.ProgramDirectory() + "/suoni/no.wav");
        controls_.PaintBlack();
        controls_.SetCaption(Label::lblScore1, FormatNumber(state_.wrongCount.value(), "###0"));
    }
    controls_.SetCaption(Label::lblScore, ScoreText());
    const Short answered = state_.correctCount + state_.wrongCount;
    controls_.SetCaption(Label::lblScore2, FormatNumber(answered.value(), "####0"));
    controls_.SetNextEnabled(true);
    controls_.FocusNext();
}

} // namespace tavola
