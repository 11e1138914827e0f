#include <gtest/gtest.h>

#include "quiz_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(Load, AsksGreetsAndStartsInOrder) {
    QuizFixture f;
    f.Load("Anna");
    EXPECT_EQ(f.platform.asked, std::vector<std::string>{"Come ti chiami?"});
    ASSERT_EQ(f.platform.messages.size(), 1u);
    EXPECT_EQ(f.platform.messages[0].prompt, " Anna vediamo se sei un vero campione  ");
    EXPECT_EQ(f.platform.messages[0].title, std::nullopt);
    EXPECT_EQ(f.controls.Caption(Label::lblnome1), "Anna");
    const std::vector<std::string> start(f.timeline.begin(), f.timeline.begin() + 6);
    EXPECT_EQ(start,
              (std::vector<std::string>{"timer off", "AskText", "ShowMessage", "caption lblnome1",
                                        "timer on", "GetWindowsDirectoryA"}));
    EXPECT_EQ(f.timeline.back(), "caption lblconto");
    EXPECT_EQ(f.quiz.State().correctCount, 0);
    EXPECT_EQ(f.controls.Caption(Label::lblScore), "0") << "left at its design-time value";
}

TEST(Load, ACancelledNameIsEmptyAndTheGameGoesOn) {
    QuizFixture f;
    f.Load("");
    EXPECT_EQ(f.platform.messages[0].prompt, "  vediamo se sei un vero campione  ");
    EXPECT_EQ(f.controls.Caption(Label::lblnome1), "");
    EXPECT_EQ(f.quiz.State().playerName, "");
}

TEST(NewGame, NoKeepsTheGameAndYesAcknowledgesTheLimit) {
    struct Case {
        Reply reply;
        const char* limit;
        bool reload;
        std::vector<std::string> said;
    } cases[] = {
        {Reply::No, "", false, {"INIZIAMO UNA NUOVA GARA  ?"}},
        {Reply::Yes,
         "",
         true,
         {"INIZIAMO UNA NUOVA GARA  ?", " Anna siccome non hai scelto arriviamo fino al 10."}},
        {Reply::Yes, "5", true, {"INIZIAMO UNA NUOVA GARA  ?"}},
    };
    for (const auto& c : cases) {
        QuizFixture f;
        f.Load("Anna");
        f.platform.messages.clear();
        f.platform.asked.clear();
        f.platform.replies = {c.reply};
        f.platform.textAnswers = {c.limit};
        EXPECT_EQ(f.quiz.ConfirmNewGame(), c.reload);
        std::vector<std::string> said;
        for (const auto& message : f.platform.messages)
            said.push_back(message.prompt);
        EXPECT_EQ(said, c.said);
        EXPECT_EQ(f.platform.messages[0].buttons, Buttons::YesNoQuestion);
        EXPECT_EQ(f.platform.messages[0].title, "INIZIARE NUOVA GARA");
        EXPECT_EQ(f.platform.asked.size(), c.reload ? 1u : 0u);
        if (c.reload) {
            EXPECT_EQ(f.platform.asked[0], "Tavola pitagorica fino al numero? ");
        }
    }
}

} // namespace
