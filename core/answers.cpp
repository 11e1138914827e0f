#include "conversions.h"
#include "quiz.h"

namespace tavola {

namespace {

bool IsDigitCode(int code) {
    return code >= '0' && code <= '9';
}

// The message as a sentence to be heard: blanks run together and trimmed, and
// a full stop unless it ends in an exclamation mark.
std::string Spoken(const std::string& message) {
    std::string sentence;
    for (const char c : message)
        if (c != ' ' || (!sentence.empty() && sentence.back() != ' '))
            sentence += c;
    if (!sentence.empty() && sentence.back() == ' ')
        sentence.pop_back();
    return sentence.ends_with('!') ? sentence : sentence + ".";
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
    std::string message;
    if (answer && *answer == state_.expectedProduct) {
        state_.correctCount += 1;
        message = "Esatto! " + state_.playerName + " sei forte!";
        controls_.SetCaption(Label::lblMessage, message);
        platform_.PlayWave(platform_.ProgramDirectory() + "/suoni/Esatto.wav");
    } else {
        state_.wrongCount += 1;
        message = "Sbagliato!! " + FormatNumber(state_.expectedProduct.value(), "####0");
        controls_.SetCaption(Label::lblMessage, message);
        platform_.PlayWave(platform_.ProgramDirectory() + "/suoni/no.wav");
        controls_.PaintBlack();
        controls_.SetCaption(Label::lblScore1, FormatNumber(state_.wrongCount.value(), "###0"));
    }
    controls_.SetCaption(Label::lblScore, ScoreText());
    const Short answered = state_.correctCount + state_.wrongCount;
    const std::string total = FormatNumber(answered.value(), "####0");
    controls_.SetCaption(Label::lblScore2, total);
    controls_.SetNextEnabled(true);
    controls_.FocusNext(Spoken(message) + " Risposte esatte " + ScoreText() + ", errate " +
                        FormatNumber(state_.wrongCount.value(), "###0") + ", totali " + total +
                        ".");
}

} // namespace tavola
