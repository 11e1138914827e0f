#include <gtest/gtest.h>

#include <algorithm>

#include "quiz_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(KeyFilter, LetsThroughOnlyDigitsBackspaceAndEnter) {
    for (int code = 0; code < 256; ++code) {
        QuizFixture f;
        f.Ask(3);
        int key = code;
        f.quiz.txtAnswer_KeyPress(key);
        const bool passes = code == 8 || code == 13 || (code >= '0' && code <= '9');
        EXPECT_EQ(key, passes ? code : 0) << "code " << code;
        EXPECT_EQ(f.quiz.State().wrongCount, code == 13 ? 1 : 0)
            << "only Enter judges; code " << code;
    }
}

TEST(Judgement, RightAnswerPraisesThePlayerThenPlaysTheChime) {
    QuizFixture f;
    f.Load("Anna");
    std::string shownAtTheChime;
    f.platform.playing = [&] { shownAtTheChime = f.controls.Caption(Label::lblMessage); };
    f.AskAndAnswer(8, "56");
    EXPECT_EQ(shownAtTheChime, "Esatto! Anna sei forte!");
    EXPECT_EQ(f.platform.waves, std::vector<std::string>{"/opt/tavola7/suoni/Esatto.wav"});
    EXPECT_EQ(f.controls.background, RecordingControls::Background::Gradient);
    EXPECT_TRUE(f.controls.nextEnabled);
    EXPECT_EQ(f.controls.focus, RecordingControls::Focus::Next);
}

TEST(Judgement, WrongAnswerShowsTheProductBuzzesAndBlacksOut) {
    QuizFixture f;
    f.Load("Anna");
    std::string shownAtTheBuzz;
    f.platform.playing = [&] { shownAtTheBuzz = f.controls.Caption(Label::lblMessage); };
    f.AskAndAnswer(3, "20");
    EXPECT_EQ(shownAtTheBuzz, "Sbagliato!! 21");
    EXPECT_EQ(f.controls.Caption(Label::lblMessage), "Sbagliato!! 21");
    EXPECT_EQ(f.platform.waves, std::vector<std::string>{"/opt/tavola7/suoni/no.wav"});
    EXPECT_EQ(f.controls.background, RecordingControls::Background::Black);
    EXPECT_EQ(f.controls.Caption(Label::lblScore1), "1");
    EXPECT_EQ(f.controls.focus, RecordingControls::Focus::Next);
    EXPECT_EQ(f.controls.verdict, "Sbagliato!! 21. Risposte esatte 0, errate 1, totali 1.");
}

TEST(Judgement, AnEmptyNameLeavesTwoBlanksInThePraise) {
    QuizFixture f;
    f.Load("");
    f.AskAndAnswer(2, "14");
    EXPECT_EQ(f.controls.Caption(Label::lblMessage), "Esatto!  sei forte!");
    EXPECT_EQ(f.controls.verdict, "Esatto! sei forte! Risposte esatte 1, errate 0, totali 1.");
}

TEST(Judgement, EnterOnAnEmptyBoxJudgesZero) {
    QuizFixture right;
    right.platform.randomValues = {0.0, 0.0, 0.95};
    right.quiz.NewQuestion();
    right.Answer("");
    EXPECT_EQ(right.quiz.State().correctCount, 1) << "7 x 0";

    QuizFixture wrong;
    wrong.AskAndAnswer(1, "");
    EXPECT_EQ(wrong.quiz.State().wrongCount, 1) << "7 x 1";
}

TEST(Judgement, CountersAndTheirCaptionsFollowEveryAnswer) {
    QuizFixture f;
    f.Load();
    struct Step {
        int factor;
        const char* answer;
        const char* right;
        const char* wrong;
        const char* total;
    } steps[] = {
        {7, "49", "1", "0", "1"}, {9, "62", "1", "1", "2"}, {4, "28", "2", "1", "3"},
        {6, "0", "2", "2", "4"},  {5, "35", "3", "2", "5"},
    };
    for (const auto& step : steps) {
        f.AskAndAnswer(step.factor, step.answer);
        EXPECT_EQ(f.controls.Caption(Label::lblScore), step.right) << step.answer;
        EXPECT_EQ(f.controls.Caption(Label::lblScore1), step.wrong) << step.answer;
        EXPECT_EQ(f.controls.Caption(Label::lblScore2), step.total) << step.answer;
    }
}

TEST(Judgement, EveryEnterJudgesAndCountsAgain) {
    QuizFixture f;
    f.AskAndAnswer(6, "42");
    f.Answer("42");
    f.Answer("41");
    EXPECT_EQ(f.controls.Caption(Label::lblScore), "2");
    EXPECT_EQ(f.controls.Caption(Label::lblScore2), "3");
}

TEST(Judgement, PastedTextIsReadByItsLeadingNumber) {
    struct Case {
        int factor;
        const char* pasted;
        bool right;
    } cases[] = {
        {3, "21ab", true}, {3, " 21", true},   {3, "2.1e1", true}, {3, "abcd", false},
        {3, "-21", false}, {3, "9e99", false}, {3, "1e5", false},  {3, "20.5", false},
    };
    for (const auto& c : cases) {
        QuizFixture f;
        f.AskAndAnswer(c.factor, c.pasted); // "9e99" and "1e5" are beyond 16 bits: simply wrong
        EXPECT_EQ(f.quiz.State().correctCount, c.right ? 1 : 0) << c.pasted;
        EXPECT_EQ(f.quiz.State().wrongCount, c.right ? 0 : 1) << c.pasted;
    }
}

} // namespace
