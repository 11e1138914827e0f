#pragma once

#include <string>

#include "quiz.h"
#include "recording_controls.h"
#include "temp_dir.h"
#include "test_platform.h"

namespace tavola::testing {

// A quiz on the test platform with its record folder in a fresh temporary folder.
struct QuizFixture {
    TempDir dir;
    TestPlatform platform;
    RecordingControls controls;
    Quiz quiz{platform, controls};
    std::vector<std::string> timeline; // platform calls and control changes, in order

    QuizFixture() {
        platform.windowsDirectory = dir.Path().string();
        platform.timeline = &timeline;
        controls.timeline = &timeline;
    }

    std::string ScoreFile() const { return platform.windowsDirectory + "/tavrec7.txt"; }
    std::string NameFile() const { return platform.windowsDirectory + "/ntavrec7.txt"; }

    // Runs the start of a game for a player of that name.
    void Load(const std::string& name = "Anna") {
        platform.textAnswers.push_back(name);
        quiz.Load();
    }

    // Asks a question whose second factor is `factor` (1 to 9), then types and
    // submits `answer` as the player would.
    void AskAndAnswer(int factor, const std::string& answer) {
        Ask(factor);
        Answer(answer);
    }
    void Ask(int factor) {
        platform.randomValues.insert(platform.randomValues.end(),
                                     {0.0, (factor + 0.5) / 10.0, 0.0});
        quiz.NewQuestion();
    }
    void Answer(const std::string& answer) {
        controls.answerText = answer;
        int enter = Quiz::Enter;
        quiz.txtAnswer_KeyPress(enter);
    }
    // Runs something that must end the program and returns its exit status.
    template <typename Action> int EndsProgram(Action action) {
        try {
            action();
        } catch (const ProgramEnded& ended) {
            return ended.status;
        }
        return -1;
    }
};

} // namespace tavola::testing
