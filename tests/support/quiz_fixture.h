#pragma once

#include <string>

#include "memory_records.h"
#include "quiz.h"
#include "recording_controls.h"
#include "record_store.h"
#include "temp_dir.h"
#include "test_platform.h"

namespace tavola::testing {

// The record on disk, at a place that a test may move before a game.
struct DiskRecords : RecordKeeper {
    RecordPlace place;
    ShownRecord Read() override { return RecordStore(place).Read(); }
    bool Offer(int score, const std::string& name) override {
        return RecordStore(place).Offer(score, name);
    }
};

// A quiz on the test platform, keeping its record in memory or, with
// DiskRecords, in a fresh temporary folder.
template <typename Keeper> struct BasicQuizFixture {
    TempDir dir;
    TestPlatform platform;
    Keeper files;
    RecordingControls controls;
    Quiz quiz{platform, files, controls};

    BasicQuizFixture() {
        if constexpr (requires { files.place; })
            files.place.folder = dir.Path().string();
    }

    std::string ScoreFile() const { return files.place.folder + "/tavrec7.txt"; }
    std::string NameFile() const { return files.place.folder + "/ntavrec7.txt"; }

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

using QuizFixture = BasicQuizFixture<MemoryRecords>;
using DiskQuizFixture = BasicQuizFixture<DiskRecords>;

// Answers that many questions right.
template <typename Keeper> void ScoreRight(BasicQuizFixture<Keeper>& f, int rightAnswers) {
    for (int i = 0; i < rightAnswers; ++i)
        f.AskAndAnswer(4, "28");
}

} // namespace tavola::testing
