#pragma once

#include <map>
#include <string>
#include <vector>

#include "controls.h"

namespace tavola::testing {

// The window's controls as plain values, starting from their design-time
// state, with a log of what the core did to them in order.
class RecordingControls : public Controls {
  public:
    enum class Background { SystemFace, Black, Gradient };
    enum class Focus { None, Answer, Next };

    std::map<Label, std::string> captions = {
        {Label::lblScore, "0"},        {Label::lblScore1, "0"}, {Label::lblScore2, "0"},
        {Label::lblconto, "00.00.00"}, {Label::lblpunti, "0"},  {Label::lblnome, "nome"},
    };
    std::string answerText;
    std::string question; // what a screen reader says of the answer box
    std::string verdict;  // and of the next-question button, at the verdict
    bool nextEnabled = false;
    bool timerEnabled = true;
    Focus focus = Focus::None;
    Background background = Background::SystemFace;
    int gradientSeed = -1;
    std::vector<std::string> log;
    std::vector<std::string>* timeline = nullptr; // log, interleaved with another

    std::string Caption(Label label) const;
    void SetCaption(Label label, const std::string& caption) override;
    std::string AnswerText() const override { return answerText; }
    void SetAnswerText(const std::string& text) override;
    void SetQuestionSpoken(const std::string& spoken) override { question = spoken; }
    void FocusAnswer() override;
    void SetNextEnabled(bool enabled) override;
    void FocusNext(const std::string& spoken) override;
    void SetTimerEnabled(bool enabled) override;
    void PaintBlack() override;
    void PaintGradient(Short colourSeed) override;

  private:
    void Note(const std::string& change);
};

} // namespace tavola::testing
