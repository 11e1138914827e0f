// The record helper's edge, as a program on its compiled-in folder, run as
// a player runs it.
#include <gtest/gtest.h>

#include <optional>

#include "record_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(RecordHelper, RefusesBadArgumentsWithItsSentenceAndLeavesTheFiles) {
    const std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> refused = {
        {"uso: tavola7-record [PUNTI NOME]\n", {{"7"}, {"7", "Anna", "extra"}, {"--check", "7", "Anna"}}},
        {"i punti devono essere un numero da 0 a 32767\n",
         {{"", "Anna"}, {"123456", "Anna"}, {"1a", "Anna"}, {"-1", "Anna"}, {"+7", "Anna"}, {" 7", "Anna"},
          {"32768", "Anna"}, {"99999", "Anna"}, // beyond any score the game can reach: never beaten
          {"07", "Anna"}}},                    // no game writes a leading zero
        {"il nome deve stare in 255 byte, senza caratteri di controllo\n",
         {{"7", std::string(256, 'x')}, {"7", "An\rna"}, {"7", "An\nna"}, {"7", "An\tna"}, {"7", "Anna\x7f"},
          {"7", "An\x1fna"}, {"7", "Anna\x1b[2J"}, // a terminal escape, obeyed by an administrator's cat
          // Unassigned in Windows-1252: the game would show a control character.
          {"7", "An\x81na"}, {"7", "An\x8dna"}, {"7", "An\x8fna"}, {"7", "An\x90na"}, {"7", "An\x9dna"}}},
    };
    for (const auto& [sentence, rows] : refused)
        for (const auto& arguments : rows) {
            FreshFolder();
            const Ran ran = RunHelper(arguments);
            EXPECT_EQ(ran.status, 2) << arguments[0] << " " << arguments.back();
            EXPECT_EQ(ran.said, sentence) << arguments[0] << " " << arguments.back();
            EXPECT_EQ(Pair(), OldPair) << arguments[0];
        }
}

// Whatever a child types reaches the files byte for byte, in the files' code
// page, even behind a better record that a save left waiting in the log,
// which has each file rewritten twice through one descriptor. A tie leaves
// even the log as it was.
TEST(RecordHelper, ASavesNameLandsAsTyped) {
    for (const std::string& typed : std::vector<std::string>{"D'Angelo", "Anna Maria", "\x80uro", "", std::string(255, '\xE0')}) {
        FreshFolder();
        Plant(Folder, OldPair, "\n9 5 Carla 1000\r");
        const Ran ran = RunHelper({"32767", typed});
        EXPECT_EQ(std::pair(ran.status, ran.said), std::pair(0, std::string())) << typed;
        EXPECT_EQ(Pair(), Texts("32767\r\n", typed + "\r\n")) << typed;
    }
    FreshFolder();
    EXPECT_EQ(RunHelper({"5", "Bruno"}).status, 1) << "a tie";
    EXPECT_EQ(fs::file_size(In("tavola7.log")), 0u) << "a tie writes nothing";
}

// A folder that others than its owner could change, or of another owner or
// group: the files go with the folder, so that the folder alone is refused.
TEST(RecordHelper, RefusesAFolderThatOthersCouldChange) {
    const std::string others = "Altri oltre al proprietario possono cambiare la cartella";
    const struct {
        mode_t mode;
        uid_t owner; // root's, or a stranger's, which only root can give
        gid_t group;
        std::string said;
    } cases[] = {
        {0777, 0, ::getegid(), others}, {0775, 0, ::getegid(), others}, {0757, 0, ::getegid(), others},
        {02775, 0, ::getegid(), others},
        {0755, 0, 12345, "la cartella non appartiene al gruppo di questo programma"},
        {0755, 12345, ::getegid(), "La cartella ha un proprietario inatteso"},
    };
    for (const auto& c : cases) {
        FreshFolder(c.mode);
        if (::geteuid() == 0) {
            for (const auto& entry : fs::directory_iterator(Folder))
                ASSERT_EQ(::chown(entry.path().c_str(), c.owner, c.group), 0);
            ASSERT_EQ(::chown(Folder.c_str(), c.owner, c.group), 0);
        } else if (c.owner != 0 || c.group != ::getegid()) {
            continue;
        }
        const Ran ran = RunHelper({"9", "Bruno"});
        EXPECT_EQ(ran.status, 70) << c.said;
        EXPECT_NE(ran.said.find(c.said), std::string::npos) << ran.said;
        EXPECT_EQ(Pair(), OldPair) << c.said;
    }
}

// The install step's fold, run as the helper with no argument: the files
// follow the record, which may be in the log alone; a pair that no save
// could write is emptied unless an entry beats it; a held lock or a file
// size limit leaves the files as they were, the limit naming the file it
// stopped; no step loses an entry.
TEST(RecordHelper, AFoldMendsThePairAndKeepsEveryEntry) {
    const Texts anna{"9\r\n", "Anna\r\n"}, cut{"5\r\n", ""}, none{"", ""};
    const std::string waiting = "\n9 4 Anna 1000\r";
    struct Case {
        const char* what;
        Texts files;
        std::string log;
        bool held;
        rlim_t fileLimit;
        int status;
        Texts after, shown;
        std::string kept = {}; // what the log still holds, holes aside
    } cases[] = {
        {"an empty record stays empty", none, "", false, RLIM_INFINITY, 0, none, none},
        {"a name cut short, the record in the log", cut, waiting, false, RLIM_INFINITY, 0, anna, anna},
        {"the same behind a held lock", cut, waiting, true, RLIM_INFINITY, 0, cut, anna, waiting},
        {"a file size limit of 0", OldPair, waiting, false, 0, 61, OldPair, anna, waiting},
        {"a score that no game could write", {"99999\r\n", "Anna\r\n"}, "", false, RLIM_INFINITY, 0, none, none},
        {"the same, beaten in the log", {"99999\r\n", "Anna\r\n"}, waiting, false, RLIM_INFINITY, 0, anna, anna},
        {"a name without its score", {"", "Anna\r\n"}, "", false, RLIM_INFINITY, 0, none, none},
        {"a name that no game could write", {"5\r\n", "An\x01na\r\n"}, "", false, RLIM_INFINITY, 0, none, none},
        {"files ending in a bare line feed keep their record", {"7\n", "Anna\n"}, "", false, RLIM_INFINITY, 0,
         {"7\n", "Anna\n"}, {"7\n", "Anna\n"}},
        {"a half-written entry survives a fold", OldPair, waiting + "\n7 5 Ca", false, RLIM_INFINITY, 0, anna,
         anna, "\n7 5 Ca"},
    };
    for (const auto& c : cases) {
        FreshFolder();
        Plant(Folder, c.files, c.log);
        std::optional<LockHolder> holder;
        if (c.held)
            holder.emplace();
        const Ran ran = RunHelper({}, {.fileLimit = {c.fileLimit, c.fileLimit}});
        EXPECT_EQ(ran.status, c.status) << c.what;
        EXPECT_EQ(ran.said.empty(), c.status == 0) << c.what << ": " << ran.said;
        EXPECT_EQ(ran.said == "Disco pieno: " + In("tavrec7.txt") + "\n", c.status == 61) << c.what << ran.said;
        EXPECT_EQ(Pair(), c.after) << c.what;
        const auto [score, name] = RecordBook(Folder, RecordFolder::Kind::Shared).Read();
        EXPECT_EQ(std::pair(score, name), c.shown) << c.what;
        std::string log = ReadBytes(In("tavola7.log"));
        std::erase(log, '\0');
        EXPECT_EQ(log, c.kept) << c.what;
    }
}

// A save killed at each system call in turn must leave the old pair or the
// new one, once the next start has recovered. strace counts calls per kind,
// so each kind of call that a save makes is killed at each of its calls.
TEST(RecordHelper, AKillAtAnySystemCallLeavesTheOldPairOrTheNew) {
    SKIP_WITHOUT_STRACE();
    int kills = 0;
    for (const std::string kind : {"openat", "read", "write", "ftruncate", "fsync", "close", "flock", "fstat",
                                   "newfstatat", "lseek", "fallocate", "fcntl"}) {
        for (int call = 1;; ++call) {
            FreshFolder();
            const std::string killed = kind + " " + std::to_string(call);
            const int status = Execute({"strace", "-o", "/dev/null", "--inject=" + kind + ":signal=KILL:when=" +
                                    std::to_string(call), Helper, "9", "Bruno"}).status;
            ASSERT_EQ(RunHelper({}).status, 0) << "the start after a kill at " << killed;
            const auto pair = Pair();
            EXPECT_TRUE(pair == OldPair || pair == NewPair) << killed << ": " << pair.first << pair.second;
            if (status == 0) { // the save ran to its end before that call came
                EXPECT_EQ(pair, NewPair);
                break;
            }
            ++kills;
        }
    }
    EXPECT_GT(kills, 30) << "the kills never reached the save";
}

// An input/output error, a full disk or a write cut short in a save: before
// the log's entry is written the save fails with the run-time error and the
// old pair stays; once it is written, the save has happened, and the files
// follow at the next start. A failed sync of the entry is reported, though
// the entry may stand.
TEST(RecordHelper, AFailureAfterTheEntryIsWrittenStillCountsAsSaved) {
    SKIP_WITHOUT_STRACE();
    struct Case {
        const char* call; // the save's writes and syncs: the log's, the name's, the score's
        int status;
        Texts next;
    } cases[] = {
        {"write:error=EIO:when=1", 57, OldPair}, {"fsync:error=EIO:when=1", 57, NewPair},
        {"write:error=ENOSPC:when=1", 61, OldPair}, {"write:error=EFBIG:when=1", 61, OldPair},
        {"write:retval=1:when=1", 61, OldPair}, {"write:retval=1:when=2", 0, NewPair}, // cut short
        {"write:error=EIO:when=2", 0, NewPair}, {"write:error=ENOSPC:when=3", 0, NewPair},
        {"fsync:error=EIO:when=3", 0, NewPair}, {"ftruncate:error=EIO:when=2", 0, NewPair},
        {"fallocate:error=EIO:when=1", 0, NewPair},
    };
    for (const auto& c : cases) {
        FreshFolder();
        const Ran ran = Execute({"strace", "-o", "/dev/null", std::string("--inject=") + c.call, Helper, "9", "Bruno"});
        EXPECT_EQ(ran.status, c.status) << c.call;
        EXPECT_EQ(ran.said.find("tavola7.log") != std::string::npos, c.status != 0) << c.call << ": " << ran.said;
        EXPECT_EQ(RunHelper({}).status, 0) << c.call;
        EXPECT_EQ(Pair(), c.next) << c.call;
        EXPECT_EQ(RunHelper({"9", "Carla"}).status, c.next == NewPair ? 1 : 0) << c.call << ": a tie keeps the older";
    }
}

// A player one entry short of her full share, who keeps the lock, saves
// twice at once: the save that finds the other between its check and its
// append (here held at its write) counts that entry too, and is refused.
TEST(RecordHelper, APlayersSavesAtOnceStayWithinHerShare) {
    SKIP_WITHOUT_STRACE();
    FreshFolder();
    WriteBytes(In("tavola7.log"), Share(::geteuid() == 0 ? Nobody : ::getuid(), 1));
    const LockHolder holder;
    const Process first = HeldBack({"write", In("tavola7.log")}, {Helper, "9", "Bruno"}, {});
    const Ran second = RunHelper({"10", "Bruno"});
    EXPECT_EQ(std::pair(second.status, second.said), std::pair(61, "Disco pieno: " + In("tavola7.log") + "\n"));
    EXPECT_EQ(first.Wait().status, 0);
}

// A player who stops her save halfway keeps her turn for as long as she
// likes: a player of a higher number still takes his own at once, and her
// next save, which waits three seconds for it, finds her share full.
TEST(RecordHelper, AStoppedSaveHoldsUpOnlyItsOwnPlayer) {
    SKIP_WITHOUT_STRACE();
    if (::geteuid() != 0)
        GTEST_SKIP() << "two players need root";
    for (const auto& [stopped, status] : {std::pair<uid_t, int>{1000, 0}, {Nobody, RuntimeError::DiskFull}}) {
        FreshFolder();
        const Process hers = HeldBack({.call = "fsync", .file = In("tavola7.log"), .seconds = 5}, {Helper, "7", "Anna"}, {.uid = stopped});
        const Ran ran = RunHelper({"9", "Bruno"});
        EXPECT_EQ(ran.status, status) << stopped;
        EXPECT_EQ(ran.said, status == 0 ? "" : "Disco pieno: " + In("tavola7.log") + "\n") << stopped;
        EXPECT_EQ(hers.Wait().status, 0) << stopped;
    }
}

} // namespace
