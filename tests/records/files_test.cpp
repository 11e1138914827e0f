#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime_error.h"
#include "record_book.h"
#include "temp_dir.h"
#include "windows1252.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(Windows1252, NamesGoToDiskAsSingleBytesAndComeBackTheSame) {
    const std::string name = "Niccolò Müller";
    const std::string bytes = "\x4E\x69\x63\x63\x6F\x6C\xF2\x20\x4D\xFC\x6C\x6C\x65\x72";
    EXPECT_EQ(ToWindows1252(name), bytes);
    EXPECT_EQ(FromWindows1252(bytes), name);
    // Bytes 80-9F, each against the code page's own character (five are unassigned).
    const std::string high = "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                             "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F";
    const std::string shown = "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";
    EXPECT_EQ(FromWindows1252(high), shown);
    EXPECT_EQ(ToWindows1252(shown), high);
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(ToWindows1252("Ζωή 😀"), "??? ?");
    EXPECT_EQ(ToWindows1252("a\xFF"
                            "b"),
              "a?b"); // broken UTF-8
}

TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
}

// What a start shows from the two files and the log: only whole entries by
// the rules count, a tie keeps the older, and the start writes nothing.
TEST(RecordBook, OnlyWholeEntriesByTheRulesCountAndATieKeepsTheOlder) {
    struct Case {
        const char* what;
        std::string log;
        const char* score;
        const char* name;
    } cases[] = {
        {"a better entry", "\n9 5 Bruno\r", "9", "Bruno"},
        {"a tie keeps the older entry", "\n9 5 Bruno\r\n9 5 Carla\r", "9", "Bruno"},
        {"a tie with the files keeps the files", "\n5 5 Bruno\r", "5", "Anna"},
        {"a leading zero", "\n09 5 Bruno\r", "5", "Anna"},
        {"above any game's score", "\n32768 5 Bruno\r", "5", "Anna"},
        {"cut short before its end, then another", std::string("\n9 5 Bruno") + "\n6 5 Carla\r", "6", "Carla"},
        {"cut short at the log's end", "\n9 5 Bruno", "5", "Anna"},
        {"a length that is not its name's", "\n9 4 Bruno\r", "5", "Anna"},
        {"ended by a line feed alone", "\n9 5 Bruno\n", "5", "Anna"},
        {"a name with blanks, and its player", "\n9 10 Anna Maria 1000\r", "9", "Anna Maria"},
        {"a player's number with a leading zero", "\n9 5 Bruno 01000\r", "5", "Anna"},
        {"more after the name than a player's number", "\n9 5 Bruno 1000 1\r", "5", "Anna"},
        {"a control character in its name", "\n9 5 Br\x01no\r", "5", "Anna"},
        {"beyond a hole of 2 GiB", std::string("\0", 1) + "\n9 5 Bruno\r", "9", "Bruno"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteBytes(dir / "tavrec7.txt", "5\r\n");
        WriteBytes(dir / "ntavrec7.txt", "Anna\r\n");
        WriteBytes(dir / "tavola7.lock", "");
        WriteBytes(dir / "tavola7.log", "");
        if (c.log.starts_with('\0'))
            std::filesystem::resize_file(dir / "tavola7.log", 2ull << 30);
        {
            std::ofstream log(dir / "tavola7.log", std::ios::binary | std::ios::app);
            log << (c.log.starts_with('\0') ? c.log.substr(1) : c.log);
        }
        RecordBook book(dir.Path().string(), RecordFolder::Kind::Own);
        const auto [score, name] = book.Read();
        EXPECT_EQ(score, std::string(c.score) + "\r\n") << c.what;
        EXPECT_EQ(name, std::string(c.name) + "\r\n") << c.what;
        EXPECT_EQ(ReadBytes(dir / "tavrec7.txt"), "5\r\n") << c.what;
        EXPECT_EQ(ReadBytes(dir / "ntavrec7.txt"), "Anna\r\n") << c.what;
    }
}

// A pair that would break the files' format never reaches them, whoever offers it.
TEST(RecordBook, RefusesAPairThatNoSaveCouldWrite) {
    for (const auto& [score, name] :
         {std::pair<long, std::string>{7, "An\nna"}, {32768, "Anna"}, {-1, "Anna"}}) {
        TempDir dir;
        RecordBook book(dir.Path().string(), RecordFolder::Kind::Own);
        EXPECT_THROW(book.Offer(score, name), RuntimeError) << score << " " << name;
        EXPECT_FALSE(std::filesystem::exists(dir / "tavola7.log")) << score << " " << name;
    }
}

// Whether a save is the record, from the reading just after its append:
// entries appended before it count as older, the files as the oldest.
TEST(RecordBook, ASaveIsTheRecordOnlyWhenNothingOlderHoldsAsMuch) {
    const RecordBook::Entry mine{{"9", "Carla"}, 30, 1000};
    const RecordBook::Entry older{{"9", "Bruno"}, 12, 1001}, lower{{"8", "Bruno"}, 12, 1001};
    struct Case {
        const char* what;
        const char* score;
        std::vector<RecordBook::Entry> entries;
        bool record;
    } cases[] = {
        {"alone in the log", "5\r\n", {mine}, true},
        {"after a lower entry", "5\r\n", {lower, mine}, true},
        {"after an equal entry", "5\r\n", {older, mine}, false},
        {"after the same pair, saved before", "5\r\n", {{mine.pair, 12, 1000}, mine}, false},
        {"the files hold as much", "9\r\n", {mine}, false},
        {"folded into the files by another", "9\r\n", {}, true},
        {"folded by another, not yet punched", "9\r\n", {mine}, true},
        {"folded away and beaten", "10\r\n", {}, false},
    };
    for (const auto& c : cases) {
        RecordBook::Snapshot after{c.score, c.record && c.score[0] == '9' ? "Carla\r\n" : "Anna\r\n", {}};
        after.log.entries = c.entries;
        EXPECT_EQ(RecordBook::IsRecord(after, mine), c.record) << c.what;
    }
}

} // namespace
