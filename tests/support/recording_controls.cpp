#include "recording_controls.h"

namespace tavola::testing {

void RecordingControls::Note(const std::string& change) {
    log.push_back(change);
    if (timeline)
        timeline->push_back(change);
}

std::string RecordingControls::Caption(Label label) const {
    const auto found = captions.find(label);
    return found == captions.end() ? std::string() : found->second;
}

void RecordingControls::SetCaption(Label label, const std::string& caption) {
    Note("caption " + std::string(NameOf(label)));
    captions[label] = caption;
}

void RecordingControls::SetAnswerText(const std::string& text) {
    Note("answer text");
    answerText = text;
}

void RecordingControls::FocusAnswer() {
    Note("focus answer");
    focus = Focus::Answer;
}

void RecordingControls::SetNextEnabled(bool enabled) {
    Note(enabled ? "enable next" : "disable next");
    nextEnabled = enabled;
}

void RecordingControls::FocusNext(const std::string& spoken) {
    Note("focus next");
    verdict = spoken;
    focus = Focus::Next;
}

void RecordingControls::SetTimerEnabled(bool enabled) {
    Note(enabled ? "timer on" : "timer off");
    timerEnabled = enabled;
}

void RecordingControls::PaintBlack() {
    Note("paint black");
    background = Background::Black;
}

void RecordingControls::PaintGradient(Short colourSeed) {
    Note("paint gradient");
    background = Background::Gradient;
    gradientSeed = colourSeed.value();
}

} // namespace tavola::testing
