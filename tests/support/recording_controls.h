#pragma once

#include <map>
#include <string>

#include "controls.h"

namespace tavola::testing {

// The window's controls as plain values, starting from their design-time state.
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

    std::string Caption(Label label) const {
        const auto found = captions.find(label);
        return found == captions.end() ? std::string() : found->second;
    }
    void SetCaption(Label label, const std::string& caption) override { captions[label] = caption; }
    std::string AnswerText() const override { return answerText; }
    void SetAnswerText(const std::string& text) override { answerText = text; }
    void SetQuestionSpoken(const std::string& spoken) override { question = spoken; }
    void FocusAnswer() override { focus = Focus::Answer; }
    void SetNextEnabled(bool enabled) override { nextEnabled = enabled; }
    void FocusNext(const std::string& spoken) override {
        verdict = spoken;
        focus = Focus::Next;
    }
    void SetTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void PaintBlack() override { background = Background::Black; }
    void PaintGradient(Short colourSeed) override {
        background = Background::Gradient;
        gradientSeed = colourSeed.value();
    }
};

} // namespace tavola::testing
