#include <gtest/gtest.h>

#include "quiz_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

void Tick(QuizFixture& f, int times) {
    for (int i = 0; i < times; ++i)
        f.quiz.Timer1_Timer();
}

TEST(Countdown, LoadStartsFiveMinutesWithABudgetOf900) {
    QuizFixture f;
    f.Load();
    EXPECT_EQ(f.controls.Caption(Label::lblconto), "00:05:00");
    EXPECT_EQ(f.quiz.State().secondsBudget, 900);
    EXPECT_TRUE(f.controls.timerEnabled);
}

TEST(Countdown, ShowsEachSecondAndBorrowsWithoutShowingSixty) {
    struct Case {
        int ticks;
        const char* clock;
        int budget;
    } cases[] = {
        {1, "00:04:59", 899},   {59, "00:04:01", 841},  {60, "00:04:00", 840},
        {61, "00:03:59", 839},  {240, "00:01:00", 660}, {241, "00:00:59", 659},
        {299, "00:00:01", 601}, {300, "00:00:00", 600},
    };
    QuizFixture f;
    f.Load();
    int done = 0;
    for (const auto& c : cases) {
        Tick(f, c.ticks - done);
        done = c.ticks;
        EXPECT_EQ(f.controls.Caption(Label::lblconto), c.clock) << c.ticks << " ticks";
        EXPECT_EQ(f.quiz.State().secondsBudget, c.budget) << c.ticks << " ticks";
    }
}

TEST(Countdown, BorrowsAnHourToo) {
    QuizFixture f;
    f.Load();
    f.quiz.State().clockHours = 1;
    f.quiz.State().clockMinutes = 0;
    f.controls.captions[Label::lblconto] = "01:00:00";
    Tick(f, 1);
    EXPECT_EQ(f.controls.Caption(Label::lblconto), "00:59:59");
}

// The end of time says goodbye first, then offers a score above the record
// shown, and announces it only when the keeper takes it.
TEST(Countdown, TheTickAfterZeroSaysGoodbyeWithTheBudgetAndTheDateThenTheRecord) {
    struct Case {
        int right;
        const char* shown; // the record at the start
        bool taken;
        std::size_t offers;
        bool announced;
    } cases[] = {
        {0, "", true, 0, false},
        {1, "", true, 1, true},
        {1, "1\r\n", true, 0, false},
        {2, "1\r\n", false, 1, false}, // another game saved as much meanwhile
        {7, "  7 punti\r\n", true, 0, false}, // foreign files, read by their leading number
        {1, "record!\r\n", true, 1, true},
    };
    for (const auto& c : cases) {
        QuizFixture f;
        f.files.shown = {c.shown, "Bruno\r\n"};
        f.files.taken = c.taken;
        f.Load("Anna");
        ScoreRight(f, c.right);
        Tick(f, 300);
        const auto shown = f.platform.messages.size();
        EXPECT_EQ(f.EndsProgram([&] { Tick(f, 1); }), 0);
        ASSERT_EQ(f.platform.messages.size(), shown + 1 + c.announced) << c.right;
        EXPECT_EQ(f.platform.messages[shown].prompt, "Ciao a presto. Ore 600");
        EXPECT_EQ(f.platform.messages[shown].title, "Data 07/12/2026");
        EXPECT_EQ(f.files.offers.size(), c.offers) << c.right;
        if (c.offers > 0) {
            EXPECT_EQ(f.files.offers[0],
                      (std::pair<int, std::string>{c.right, "Anna"}));
        }
        if (c.announced) {
            EXPECT_EQ(f.platform.messages.back().prompt,
                      "Ok! Ho registrato il tuo record, C A M P I O N E");
        }
    }
}

TEST(Countdown, AnEmptyBudgetSaysTimeIsUpFirst) {
    QuizFixture f;
    f.Load();
    f.quiz.State().secondsBudget = 0;
    EXPECT_EQ(f.EndsProgram([&] { Tick(f, 1); }), 0);
    ASSERT_GE(f.platform.messages.size(), 2u);
    EXPECT_EQ(f.platform.messages[f.platform.messages.size() - 2].prompt, "Tempo scaduto");
    EXPECT_EQ(f.platform.messages.back().prompt, "Ciao a presto. Ore 0");
}

} // namespace
