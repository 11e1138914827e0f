// The record's rules, pure: the files' code page, and what a reading of the
// files and the log holds.
#include <gtest/gtest.h>

#include "record_book.h"
#include "windows1252.h"

using namespace tavola;

namespace {

// A name goes to disk a byte a character, in the files' code page, and what
// the files hold comes back byte for byte; what the code page lacks is "?".
TEST(RecordRules, NamesGoToDiskInTheCodePageAndEveryByteComesBack) {
    const struct {
        const char *typed, *stored;
    } cases[] = {
        {"Niccolò Müller", "Niccol\xF2 M\xFCller"},
        // Bytes 80-9F, each against the code page's own character (five are unassigned).
        {"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ",
         "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
         "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F"},
        {"Ζωή 😀", "??? ?"},
        {"a\xFF" "b", "a?b"}, // broken UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWindows1252(c.typed), c.stored) << c.typed;
        if (std::string(c.stored).find('?') == std::string::npos) {
            EXPECT_EQ(FromWindows1252(c.stored), c.typed) << c.typed;
        }
    }
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
}

// The record that a reading holds: only whole entries by the rules count,
// files that hold no score as a save writes it count for less than any, and
// a tie keeps the older.
TEST(RecordRules, OnlyWholeEntriesByTheRulesCountAndATieKeepsTheOlder) {
    const char *score = "5\r\n", *name = "Anna\r\n";
    const RecordBook::Pair anna{"5", "Anna"};
    struct Case {
        const char* what;
        const char *score, *name, *log; // the files' bytes and the log's
        RecordBook::Pair best;
    } cases[] = {
        {"a better entry", score, name, "\n9 5 Bruno 1000\r", {"9", "Bruno"}},
        {"a tie keeps the older entry", score, name, "\n9 5 Bruno 1000\r\n9 5 Carla 1001\r", {"9", "Bruno"}},
        {"a tie with the files keeps the files", score, name, "\n5 5 Bruno 1000\r", anna},
        {"a leading zero", score, name, "\n09 5 Bruno 1000\r", anna},
        {"above any game's score", score, name, "\n32768 5 Bruno 1000\r", anna},
        {"cut short before its end, then another", score, name, "\n9 5 Bruno 1000\n6 5 Carla 1000\r", {"6", "Carla"}},
        {"cut short at the log's end", score, name, "\n9 5 Bruno 1000", anna},
        {"a length that is not its name's", score, name, "\n9 4 Bruno 1000\r", anna},
        {"ended by a line feed alone", score, name, "\n9 5 Bruno 1000\n", anna},
        {"a name with blanks", score, name, "\n9 10 Anna Maria 1000\r", {"9", "Anna Maria"}},
        {"without its player's number", score, name, "\n9 5 Bruno\r", anna},
        {"a player's number with a leading zero", score, name, "\n9 5 Bruno 01000\r", anna},
        {"more after the name than a player's number", score, name, "\n9 5 Bruno 1000 1\r", anna},
        {"a control character in its name", score, name, "\n9 5 Br\x01no 1000\r", anna},
        {"files ending in a bare line feed", "7\n", "Anna\n", "\n6 5 Bruno 1000\r", {"7", "Anna"}},
        {"files that no save could write", "99999\r\n", name, "\n1 5 Bruno 1000\r", {"1", "Bruno"}},
        {"empty files", "", "", "\n0 5 Bruno 1000\r", {"0", "Bruno"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordBook::BestOf({c.score, c.name, RecordBook::DecodeLog(c.log, 0, 1000)}).pair, c.best)
            << c.what;
}

// Whether a save is the record, from the reading just after its append:
// entries appended before it count as older, the files as the oldest.
TEST(RecordRules, ASaveIsTheRecordOnlyWhenNothingOlderHoldsAsMuch) {
    const RecordBook::Entry mine{{"9", "Carla"}, 30, 1000}, older{{"9", "Bruno"}, 12, 1001}, lower{{"8", "Bruno"}, 12, 1001};
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
