#include <gtest/gtest.h>

#include "quiz_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(Load, AsksGreetsAndStartsTheClock) {
    QuizFixture f;
    f.Load("Anna");
    EXPECT_EQ(f.platform.asked, std::vector<std::string>{"Come ti chiami?"});
    ASSERT_EQ(f.platform.messages.size(), 1u);
    EXPECT_EQ(f.platform.messages[0].prompt, " Anna vediamo se sei un vero campione  ");
    EXPECT_EQ(f.platform.messages[0].title, std::nullopt);
    EXPECT_EQ(f.controls.Caption(Label::lblnome1), "Anna");
    EXPECT_TRUE(f.controls.timerEnabled) << "the clock runs once the greeting is read";
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

// The name is what the game greets, shows and saves: it must fit the record
// file (255 bytes there, one a character) and carry no control character,
// which a terminal showing the file would obey.
TEST(Load, TheNameFitsTheRecordFileAndHoldsNoControlCharacter) {
    const std::string a300(300, 'a');
    std::string grave300, grave255;
    for (int i = 0; i < 300; ++i)
        grave300 += "\u00e0";
    for (int i = 0; i < 255; ++i)
        grave255 += "\u00e0";
    struct Case {
        std::string typed, kept;
    } cases[] = {
        {"Niccol\u00f2", "Niccol\u00f2"},
        {a300, a300.substr(0, 255)},
        {grave300, grave255},             // cut at a character, never inside one
        {"An\tna\x1b[2J\r\n\x1f", "Anna[2J"}, // controls go, what they introduced stays
        {"Ann\u0085a\x7f", "Anna"},       // C1 controls and DEL too
        {"\u0080Anna\u009F\u00a0", "Anna\u00a0"}, // the first and the last C1 go, a no-break space stays
        {"\u20ac 5", "\u20ac 5"},         // the euro sign is a character of the file's code page
        {"A\xC0\x9An\x9Ana\xED\xA0\x80", "Anna"}, // an overlong control, a stray byte, a surrogate
    };
    for (const auto& c : cases) {
        QuizFixture f;
        f.Load(c.typed);
        EXPECT_EQ(f.quiz.State().playerName, c.kept) << c.typed;
    }
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
