#include <gtest/gtest.h>

#include <array>

#include "conversions.h"
#include "quiz_fixture.h"
#include "random_source.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(SecondFactor, ReplacesAZeroByTheTableEntryForG) {
    struct Case {
        int g, expected;
    } cases[] = {{0, 1},  {10, 1}, {11, 2}, {20, 2}, {21, 3}, {30, 3}, {31, 4}, {40, 4},
                 {41, 5}, {50, 5}, {51, 6}, {60, 6}, {61, 7}, {70, 7}, {71, 5}, {77, 5},
                 {78, 8}, {83, 8}, {84, 9}, {89, 9}, {90, 0}, {99, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(SecondFactor(0, c.g).value(), c.expected) << "g = " << c.g;
}

TEST(SecondFactor, NeverChangesAFirstDrawOtherThanZero) {
    for (int n = 1; n <= 9; ++n)
        for (int g = 0; g <= 99; ++g)
            ASSERT_EQ(SecondFactor(n, g).value(), n) << "n = " << n << ", g = " << g;
}

TEST(NewQuestion, DrawsAndShowsInTheOrderThePlayerRelies) {
    QuizFixture f;
    f.controls.answerText = "12";
    f.controls.captions[Label::lblMessage] = "Sbagliato!! 14";
    f.controls.nextEnabled = true;
    f.platform.randomValues = {0.5, 0.35, 0.99};
    f.quiz.NewQuestion();

    EXPECT_EQ(f.timeline, (std::vector<std::string>{
                              "RandomNext", "answer text", "caption lblMessage", "RandomReseed",
                              "RandomNext", "RandomNext", "caption lblNum1", "caption lblNum2",
                              "disable next", "paint gradient", "focus answer"}));
    EXPECT_EQ(f.quiz.State().colourSeed, 7);
    EXPECT_EQ(f.controls.gradientSeed, 7);
    EXPECT_EQ(f.controls.Caption(Label::lblNum1), "7");
    EXPECT_EQ(f.controls.Caption(Label::lblNum2), "3");
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

// Guards the two-stage draw as a whole: the real generator, the reseed before
// every question, the flooring and the replacement table.
TEST(NewQuestion, SecondFactorFollowsTheDesignedOdds) {
    RandomSource random;
    std::array<int, 10> counts{};
    constexpr int Draws = 1'000'000;
    for (int i = 0; i < Draws; ++i) {
        random.Reseed();
        const Short n = FloorToShort(random.Next() * 10);
        const Short g = FloorToShort(random.Next() * 100);
        ++counts[SecondFactor(n, g).value()];
    }
    const std::array<double, 10> expected = {1.0,  11.1, 11.0, 11.0, 11.0,
                                             11.7, 11.0, 11.0, 10.6, 10.6};
    for (int factor = 0; factor < 10; ++factor)
        EXPECT_NEAR(100.0 * counts[factor] / Draws, expected[factor], 0.3) << "factor " << factor;
}

} // namespace
