// The record helper's edge, as a program on its compiled-in folder: the
// arguments it refuses, its statuses, the folder's owner and group, and the
// game's side of it.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <thread>

#include "record_fixture.h"
#include "record_store.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(RecordHelper, RefusesBadInputAndLeavesTheFilesAsTheyWere) {
    const std::vector<std::vector<std::string>> refused = {
        {"7"}, {"7", "Anna", "extra"}, {"--check", "7", "Anna"},
        {"", "Anna"}, {"123456", "Anna"}, {"1a", "Anna"}, {"-1", "Anna"}, {"+7", "Anna"}, {" 7", "Anna"},
        {"32768", "Anna"}, {"99999", "Anna"}, // beyond any score the game can reach: never beaten
        {"07", "Anna"},                       // no game writes a leading zero
        {"7", std::string(256, 'x')}, {"7", "An\rna"}, {"7", "An\nna"}, {"7", "An\tna"}, {"7", "Anna\x7f"},
        {"7", "An\x1fna"}, {"7", "Anna\x1b[2J"}, // a terminal escape, obeyed by an administrator's cat
        // Unassigned in Windows-1252: the game would show a control character.
        {"7", "An\x81na"}, {"7", "An\x8dna"}, {"7", "An\x8fna"}, {"7", "An\x90na"}, {"7", "An\x9dna"},
    };
    for (const auto& arguments : refused) {
        FreshFolder();
        EXPECT_EQ(RunHelper(arguments), 2) << arguments[0];
        EXPECT_EQ(Pair(), OldPair) << arguments[0];
    }
    FreshFolder();
    EXPECT_EQ(RunHelper({"5", "Bruno"}), 1) << "a tie";
    EXPECT_EQ(fs::file_size(In("tavola7.log")), 0u) << "a tie writes nothing";
    EXPECT_EQ(RunHelper({"32767", std::string(255, '\xE0')}), 0) << "the highest score, the longest name";
}

TEST(RecordHelper, RefusesAFolderThatOthersCouldChange) {
    for (const mode_t mode : {0777, 0775, 0757, 02775}) {
        FreshFolder(mode);
        EXPECT_EQ(RunHelper({"9", "Bruno"}), 70) << std::oct << mode;
        EXPECT_EQ(Pair(), OldPair) << std::oct << mode;
    }
    if (::geteuid() == 0) {
        for (const auto& [owner, group] : {std::pair<uid_t, gid_t>{0, 12345},      // not the helper's group
                                           std::pair<uid_t, gid_t>{12345, ::getegid()}}) { // nor root
            // The files go with the folder, so that only the folder's own owner can be refused.
            FreshFolder();
            for (const auto& entry : fs::directory_iterator(Folder))
                ASSERT_EQ(::chown(entry.path().c_str(), owner, group), 0);
            ASSERT_EQ(::chown(Folder.c_str(), owner, group), 0);
            EXPECT_EQ(RunHelper({"9", "Bruno"}), 70) << owner << ":" << group;
            EXPECT_EQ(Pair(), OldPair);
        }
    }
}

// A player who is not in the helper's group opens every file of the folder
// that she can, and holds every lock that she can take on it, her whole
// files' and the byte at the saver's number: his save still lands, and
// waits for none of them. Only root can play two players.
TEST(RecordHelper, NoLockThatAPlayerCanTakeHoldsAnotherPlayersSaveUp) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "two players need root";
    FreshFolder();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        ::alarm(20);
        char locked = 0;
        if (::setgroups(0, nullptr) == 0 && ::setgid(12345) == 0 && ::setuid(12345) == 0)
            for (const char* name : {"tavrec7.txt", "ntavrec7.txt", "tavola7.log", "tavola7.lock"}) {
                const int fd = ::open(In(name).c_str(), O_RDONLY);
                struct flock whole {}, hisTurn {};
                whole.l_type = hisTurn.l_type = F_RDLCK;
                hisTurn.l_start = Nobody;
                hisTurn.l_len = 1;
                locked += fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &whole) == 0 &&
                          ::fcntl(::open(In(name).c_str(), O_RDONLY), F_SETLK, &hisTurn) == 0 &&
                          ::flock(::open(In(name).c_str(), O_RDONLY), LOCK_EX) == 0;
            }
        (void)!::write(ready[1], &locked, 1);
        ::pause();
        ::_exit(0);
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    EXPECT_EQ(locked, 3) << "she holds the pair and the log, and cannot open the lock";
    EXPECT_EQ(RunHelper({"9", "Bruno"}), 0);
    EXPECT_EQ(Pair(), NewPair);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
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
        FILE* hers = HeldBack("fsync", In("tavola7.log"),
                              "setpriv --reuid=" + std::to_string(stopped) + " --regid=" +
                                  std::to_string(::getegid()) + " --clear-groups " + Helper + " 7 Anna",
                              5);
        EXPECT_EQ(RunHelper({"9", "Bruno"}), status) << stopped;
        EXPECT_EQ(WEXITSTATUS(::pclose(hers)), 0) << stopped;
    }
}

// The game on the shared folder, which it reads itself and saves in through the
// helper: a helper that fails, or a start during a reset, or a folder others may change.
TEST(SharedRecord, AHelperThatFailsIsARunTimeError) {
    // A helper ended by a signal, or by a status that it never gives, is a
    // run-time error, never a save; none of the game's environment reaches it.
    const std::string odd = (fs::path(Folder).parent_path() / "odd-helper").string();
    ::setenv("TAVOLA7_NOT_FOR_THE_HELPER", "1", 1);
    for (const auto& [script, error] : {std::pair{"kill -KILL $$", 57}, {"exit 42", 70},
                                        {"[ -z \"$TAVOLA7_NOT_FOR_THE_HELPER\" ] && exit 1; exit 53", 0}}) {
        FreshFolder();
        WriteBytes(odd, std::string("#!/bin/sh\n") + script + "\n");
        ::chmod(odd.c_str(), 0755);
        Game f(true);
        f.files.place.helper = odd;
        f.Load("Bruno");
        ScoreRight(f, 9);
        int number = 0;
        try {
            f.EndsProgram([&] { f.quiz.cmdExit_Click(); });
        } catch (const RuntimeError& e) {
            number = e.number();
        }
        EXPECT_EQ(number, error) << script;
    }
    ::unsetenv("TAVOLA7_NOT_FOR_THE_HELPER");

    // A reset's swap: the folder is missing for a moment, which a start waits out.
    FreshFolder();
    fs::rename(Folder, Folder + "-elsewhere");
    std::jthread back([] {
        ::usleep(10000);
        fs::rename(Folder + "-elsewhere", Folder);
    });
    EXPECT_EQ(RecordStore({Folder, Helper}).Read().score, "5\r\n");
    back.join();

    // The install step's fold under a file size limit: its first rewrite,
    // the name file's, is refused and named.
    WriteBytes(In("tavola7.log"), RecordBook::EncodeEntry({"19", "Bruno"}, 1000));
    FILE* mend = ::popen(("ulimit -f 0; exec " + Player() + Helper + " 2>&1 >/dev/null").c_str(), "r");
    std::string said(512, '\0');
    said.resize(std::fread(said.data(), 1, said.size(), mend));
    EXPECT_EQ(WEXITSTATUS(::pclose(mend)), 61);
    EXPECT_NE(said.find("ntavrec7.txt"), std::string::npos) << said;

    FreshFolder(0777);
    Game refused(true);
    try {
        refused.Load();
        ADD_FAILURE() << "a folder that anyone may change was used";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("proprietario"), std::string::npos) << error.what();
    }
}

} // namespace
