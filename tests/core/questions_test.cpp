#include <gtest/gtest.h>

#include <array>

#include "conversions.h"
#include "quiz_fixture.h"
#include "random_source.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

// The table that makes 0 rare, at each of its boundaries; any other first
// draw stands.
TEST(SecondFactor, ReplacesAZeroByTheTableEntryForG) {
    struct Case {
        int n, g, expected;
    } cases[] = {{0, 0, 1},  {0, 10, 1}, {0, 11, 2}, {0, 20, 2}, {0, 21, 3}, {0, 30, 3},
                 {0, 31, 4}, {0, 40, 4}, {0, 41, 5}, {0, 50, 5}, {0, 51, 6}, {0, 60, 6},
                 {0, 61, 7}, {0, 70, 7}, {0, 71, 5}, {0, 77, 5}, {0, 78, 8}, {0, 83, 8},
                 {0, 84, 9}, {0, 89, 9}, {0, 90, 0}, {0, 99, 0}, {1, 0, 1},  {9, 99, 9}};
    for (const auto& c : cases)
        EXPECT_EQ(SecondFactor(c.n, c.g).value(), c.expected) << "n = " << c.n << ", g = " << c.g;
}

TEST(NewQuestion, DrawsAndShowsTheNextQuestion) {
    QuizFixture f;
    f.controls.answerText = "12";
    f.controls.captions[Label::lblMessage] = "Sbagliato!! 14";
    f.controls.nextEnabled = true;
    f.platform.randomValues = {0.5, 0.35, 0.99};
    f.quiz.NewQuestion();

    EXPECT_EQ(f.quiz.State().colourSeed, 7);
    EXPECT_EQ(f.controls.gradientSeed, 7);
    EXPECT_EQ(f.controls.Caption(Label::lblNum1), "7");
    EXPECT_EQ(f.controls.Caption(Label::lblNum2), "3");
    EXPECT_EQ(f.controls.question, "Quanto fa 7 per 3?");
    EXPECT_EQ(f.quiz.State().expectedProduct, 21);
    EXPECT_EQ(f.controls.answerText, "");
    EXPECT_EQ(f.controls.Caption(Label::lblMessage), "");
    EXPECT_FALSE(f.controls.nextEnabled);
    EXPECT_EQ(f.controls.focus, RecordingControls::Focus::Answer);
}

TEST(NewQuestion, AZeroThatSurvivesTheTableAsksSevenTimesZero) {
    QuizFixture f;
    f.platform.randomValues = {0.0, 0.05, 0.95};
    f.quiz.NewQuestion();
    EXPECT_EQ(f.controls.Caption(Label::lblNum2), "0");
    EXPECT_EQ(f.quiz.State().expectedProduct, 0);
}

TEST(NewQuestion, ColourExtremesStayWithinFourteen) {
    for (const auto& [draw, seed] :
         std::array<std::pair<double, int>, 3>{{{0.0, 0}, {0.9999999, 14}, {0.5, 7}}}) {
        QuizFixture f;
        f.platform.randomValues = {draw, 0.5, 0.5};
        f.quiz.NewQuestion();
        EXPECT_EQ(f.controls.gradientSeed, seed) << draw;
    }
}

TEST(NewQuestion, FirstColourComesFromTheFixedStartOfTheSequence) {
    const int expected = FloorToShort(RandomSource().Next() * 15).value();
    for (int run = 0; run < 3; ++run) {
        QuizFixture f;
        f.quiz.NewQuestion();
        EXPECT_EQ(f.quiz.State().colourSeed, expected);
    }
}

// The two-stage draw's shares, through the game's own question: every pair
// of draws on an even grid of the generator's range, each once, gives each
// factor its designed share, per thousand.
TEST(NewQuestion, SecondFactorFollowsTheDesignedOdds) {
    QuizFixture f;
    f.Load();
    std::array<int, 10> counts{};
    for (int n = 0; n < 10; ++n)
        for (int g = 0; g < 100; ++g) {
            f.platform.randomValues = {0.0, (n + 0.5) / 10, (g + 0.5) / 100};
            f.quiz.NewQuestion();
            ++counts[std::stoi(f.controls.Caption(Label::lblNum2))];
        }
    EXPECT_EQ(counts, (std::array<int, 10>{10, 111, 110, 110, 110, 117, 110, 110, 106, 106}));
}

} // namespace
