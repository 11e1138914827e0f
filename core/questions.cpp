#include "conversions.h"
#include "quiz.h"

#include <array>

namespace tavola {

namespace {

struct Replacement {
    int from, to, factor;
};

// Tested in order, first match wins. 71-77 is a second range for 5.
constexpr std::array<Replacement, 11> ZeroReplacements = {{
    {0, 10, 1},
    {11, 20, 2},
    {21, 30, 3},
    {31, 40, 4},
    {41, 50, 5},
    {51, 60, 6},
    {61, 70, 7},
    {71, 77, 5},
    {78, 83, 8},
    {84, 89, 9},
    {90, 101, 0},
}};

} // namespace

Short SecondFactor(Short n, Short g) {
    if (n != 0)
        return n;
    for (const auto& range : ZeroReplacements)
        if (g.value() >= range.from && g.value() <= range.to)
            return range.factor;
    return n;
}

void Quiz::NewQuestion() {
    // The colour is drawn before the reseed, so the first question of a run
    // always takes it from the sequence's fixed start.
    state_.colourSeed = FloorToShort(platform_.RandomNext() * 15);
    controls_.SetAnswerText("");
    controls_.SetCaption(Label::lblMessage, "");
    platform_.RandomReseed();
    const Short firstFactor = 7;
    const Short n = FloorToShort(platform_.RandomNext() * 10);
    const Short g = FloorToShort(platform_.RandomNext() * 100);
    const Short secondFactor = SecondFactor(n, g);
    const std::string first = FormatNumber(firstFactor.value(), "#0");
    const std::string second = FormatNumber(secondFactor.value(), "#0");
    controls_.SetCaption(Label::lblNum1, first);
    controls_.SetCaption(Label::lblNum2, second);
    // Before the button lets go of the focus, which may hand it to the box.
    controls_.SetQuestionSpoken("Quanto fa " + first + " per " + second + "?");
    state_.expectedProduct = firstFactor * secondFactor;
    controls_.SetNextEnabled(false);
    controls_.PaintGradient(state_.colourSeed);
    controls_.FocusAnswer();
}

} // namespace tavola
