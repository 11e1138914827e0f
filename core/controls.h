#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "short_int.h"

namespace tavola {

// The labels whose captions the quiz core writes.
enum class Label {
    lblNum1,
    lblNum2,
    lblMessage,
    lblScore,
    lblScore1,
    lblScore2,
    lblconto,
    lblpunti,
    lblnome,
    lblnome1,
};

// Each label's name in the window, in the order of the enumeration: the one
// list that the core and the window share.
inline constexpr std::array<std::string_view, 10> LabelNames = {
    "lblNum1",   "lblNum2",  "lblMessage", "lblScore", "lblScore1",
    "lblScore2", "lblconto", "lblpunti",   "lblnome",  "lblnome1",
};
static_assert(LabelNames.size() == static_cast<std::size_t>(Label::lblnome1) + 1);

constexpr std::string_view NameOf(Label label) {
    return LabelNames[static_cast<std::size_t>(label)];
}

// The window as the quiz core sees it: the few controls it touches and the
// background. The core decides and keeps its own state; whoever implements
// this only shows, and is asked only for what the player typed.
class Controls {
  public:
    virtual ~Controls() = default;

    virtual void SetCaption(Label label, const std::string& caption) = 0;

    virtual std::string AnswerText() const = 0;
    virtual void SetAnswerText(const std::string& text) = 0;
    // What a screen reader says of the answer box when it takes the focus:
    // the question on screen, such as "Quanto fa 7 per 3?".
    virtual void SetQuestionSpoken(const std::string& question) = 0;
    virtual void FocusAnswer() = 0;

    virtual void SetNextEnabled(bool enabled) = 0;
    // Gives the next-question button the focus, with what a screen reader
    // says of it then: the verdict and the three counters.
    virtual void FocusNext(const std::string& verdict) = 0;

    virtual void SetTimerEnabled(bool enabled) = 0;

    virtual void PaintBlack() = 0;
    virtual void PaintGradient(Short colourSeed) = 0;
};

} // namespace tavola
