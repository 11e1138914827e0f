#pragma once

#include <string>

#include "short_int.h"

namespace tavola {

// The labels whose captions the quiz core writes or reads back.
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

// The label's name in the window, such as "lblScore".
const char* NameOf(Label label);

// The window as the quiz core sees it: the few controls it touches and the
// background. The core decides; whoever implements this only shows.
class Controls {
  public:
    virtual ~Controls() = default;

    virtual std::string Caption(Label label) const = 0;
    virtual void SetCaption(Label label, const std::string& caption) = 0;

    virtual std::string AnswerText() const = 0;
    virtual void SetAnswerText(const std::string& text) = 0;
    virtual void FocusAnswer() = 0;

    virtual void SetNextEnabled(bool enabled) = 0;
    virtual void FocusNext() = 0;

    virtual void SetTimerEnabled(bool enabled) = 0;

    virtual void PaintBlack() = 0;
    virtual void PaintGradient(Short colourSeed) = 0;
};

} // namespace tavola
