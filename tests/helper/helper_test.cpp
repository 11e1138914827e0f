// The record helper, run as a program on its compiled-in test folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "quiz_fixture.h"
#include "runtime_error.h"
#include "temp_dir.h"

using namespace tavola;
using namespace tavola::testing;
namespace fs = std::filesystem;

namespace {

const std::string Helper = TAVOLA_TEST_HELPER;
const std::string Folder = TAVOLA_TEST_HELPER_DIR;

std::string In(const std::string& name) {
    return Folder + "/" + name;
}

// Runs a command line and gives its exit status; -1 when a signal ended it.
int Shell(const std::string& command) {
    const int status = std::system(("timeout 10 " + command + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunHelper(const std::vector<std::string>& arguments) {
    std::string command = Helper;
    for (const auto& argument : arguments)
        command += " '" + argument + "'";
    return Shell(command);
}

// A fresh folder holding the record 5 by Anna.
void FreshFolder(mode_t mode = 0775) {
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    ::chmod(Folder.c_str(), mode);
    WriteBytes(In("tavrec7.txt"), "5\r\n");
    WriteBytes(In("ntavrec7.txt"), "Anna\r\n");
}

std::pair<std::string, std::string> Pair() {
    return {ReadBytes(In("tavrec7.txt")), ReadBytes(In("ntavrec7.txt"))};
}

const std::pair<std::string, std::string> OldPair{"5\r\n", "Anna\r\n"};

TEST(RecordHelper, SavesOnlyAScoreThatBeatsTheRecordOnDisk) {
    FreshFolder();
    EXPECT_EQ(RunHelper({"5", "Bruno"}), 1);
    EXPECT_EQ(Pair(), OldPair);
    EXPECT_EQ(RunHelper({"12", "Niccol\xF2"}), 0);
    EXPECT_EQ(Pair(), (std::pair<std::string, std::string>{"12\r\n", "Niccol\xF2\r\n"}));
    EXPECT_EQ(ReadBytes(In("tavola7.journal")), "");

    fs::remove_all(Folder);
    fs::create_directories(Folder);
    ::chmod(Folder.c_str(), 0775);
    EXPECT_EQ(RunHelper({}), 0) << "a first start creates both files";
    EXPECT_EQ(Pair(), (std::pair<std::string, std::string>{"", ""}));
}

TEST(RecordHelper, RefusesBadInputAndLeavesTheFilesAsTheyWere) {
    const std::vector<std::vector<std::string>> refused = {
        {"7"},
        {"7", "Anna", "extra"},
        {"", "Anna"},
        {"123456", "Anna"},
        {"1a", "Anna"},
        {"-1", "Anna"},
        {"+7", "Anna"},
        {" 7", "Anna"},
        {"7", std::string(256, 'x')},
        {"7", "An\rna"},
        {"7", "An\nna"},
    };
    for (const auto& arguments : refused) {
        FreshFolder();
        EXPECT_EQ(RunHelper(arguments), 2) << arguments[0];
        EXPECT_EQ(Pair(), OldPair) << arguments[0];
    }
    FreshFolder();
    EXPECT_EQ(RunHelper({"99999", std::string(255, 'x')}), 0) << "the longest score and name";
}

TEST(RecordHelper, RefusesAFolderThatOthersCouldChange) {
    for (const mode_t mode : {0777, 0755, 0757}) {
        FreshFolder(mode);
        EXPECT_EQ(RunHelper({"9", "Bruno"}), 3) << std::oct << mode;
        EXPECT_EQ(Pair(), OldPair) << std::oct << mode;
    }
    if (::geteuid() == 0) {
        FreshFolder();
        ASSERT_EQ(::chown(Folder.c_str(), 0, 12345), 0); // not the helper's group
        EXPECT_EQ(RunHelper({"9", "Bruno"}), 3);
        EXPECT_EQ(Pair(), OldPair);
    }
}

// Links, FIFOs and leftovers that a careless or hostile hand could leave in
// the folder: the helper never hangs, never writes outside the folder, and
// refuses what it cannot use.
TEST(RecordHelper, HostileFolderStatesNeverHangOrReachOutside) {
    TempDir outside;
    const std::string target = outside / "target";
    struct Case {
        const char* name;
        void (*plant)(const std::string& target);
        int status;
    } cases[] = {
        {"dangling link for the score",
         [](const std::string& t) { fs::remove(In("tavrec7.txt")), fs::create_symlink(t, In("tavrec7.txt")); },
         3},
        {"dangling link for the name",
         [](const std::string& t) { fs::remove(In("ntavrec7.txt")), fs::create_symlink(t, In("ntavrec7.txt")); },
         3},
        {"dangling link for the lock",
         [](const std::string& t) { fs::create_symlink(t, In("tavola7.lock")); }, 3},
        {"dangling link for the journal",
         [](const std::string& t) { fs::create_symlink(t, In("tavola7.journal")); }, 3},
        {"FIFO for the score",
         [](const std::string&) { fs::remove(In("tavrec7.txt")), ::mkfifo(In("tavrec7.txt").c_str(), 0664); },
         3},
        {"FIFO for the lock",
         [](const std::string&) { ::mkfifo(In("tavola7.lock").c_str(), 0664); }, 3},
        {"old temporary name planted as a link",
         [](const std::string& t) { fs::create_symlink(t, In("tavrec7.txt.tmp-4242")); }, 0},
    };
    for (const auto& c : cases) {
        FreshFolder();
        c.plant(target);
        EXPECT_EQ(RunHelper({"9", "Bruno"}), c.status) << c.name;
        EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << c.name << ": wrote outside";
        if (c.status == 0) {
            EXPECT_EQ(Pair(), (std::pair<std::string, std::string>{"9\r\n", "Bruno\r\n"}));
        }
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(In("tavrec7.txt.tmp-4242"))))
        << "old temporary names are cleared at the next save";
}

// A save killed at each system call in turn must leave the old pair or the
// new one, once the next start has recovered. strace counts calls per kind,
// so each kind of call that a save makes is killed at each of its calls.
TEST(RecordHelper, AKillAtAnySystemCallLeavesTheOldPairOrTheNew) {
#ifdef TAVOLA_SANITIZE
    GTEST_SKIP() << "the sanitizer runtime makes thousands of calls of its own; the plain build "
                    "kills the save at each of its calls";
#endif
    if (Shell("strace -o /dev/null true") != 0)
        GTEST_SKIP() << "strace is missing or may not trace here";
    const std::pair<std::string, std::string> newPair{"9\r\n", "Bruno\r\n"};
    int kills = 0;
    for (const char* kind : {"openat", "read", "write", "ftruncate", "fsync", "close", "flock",
                             "fstat", "newfstatat", "getdents64", "unlinkat"}) {
        for (int call = 1;; ++call) {
            FreshFolder();
            const int status = Shell("strace -o /dev/null --inject=" + std::string(kind) +
                                     ":signal=KILL:when=" + std::to_string(call) + " " + Helper +
                                     " 9 Bruno");
            ASSERT_EQ(RunHelper({}), 0) << "the start after a kill at " << kind << " " << call;
            const auto pair = Pair();
            EXPECT_TRUE(pair == OldPair || pair == newPair)
                << "killed at " << kind << " " << call << ": " << pair.first << pair.second;
            if (status == 0) { // the save ran to its end before that call came
                EXPECT_EQ(pair, newPair);
                break;
            }
            ++kills;
        }
    }
    EXPECT_GT(kills, 30) << "the kills never reached the save";
}

// Ten saves at once, twenty rounds: the best score always ends up on disk,
// with its own holder.
TEST(RecordHelper, TenSavesAtOnceKeepTheBest) {
    for (int round = 0; round < 20; ++round) {
        FreshFolder();
        std::vector<pid_t> children;
        for (int game = 0; game < 10; ++game) {
            const int score = 6 + (game * 7 + round) % 10;
            const std::string name = "Player" + std::to_string(score);
            const pid_t child = ::fork();
            if (child == 0) {
                ::execl(Helper.c_str(), Helper.c_str(), std::to_string(score).c_str(), name.c_str(),
                        nullptr);
                ::_exit(127);
            }
            children.push_back(child);
        }
        for (const pid_t child : children)
            ::waitpid(child, nullptr, 0);
        EXPECT_EQ(Pair(), (std::pair<std::string, std::string>{"15\r\n", "Player15\r\n"}))
            << "round " << round;
    }
}

// The game on the shared folder: it reads under the lock and saves through the helper.
TEST(SharedRecord, TheGameReadsTheFolderAndSavesThroughTheHelper) {
    struct Case {
        int rightAnswers;
        std::pair<std::string, std::string> after;
    } cases[] = {{5, OldPair}, {9, {"9\r\n", "Bruno\r\n"}}};
    for (const auto& c : cases) {
        FreshFolder();
        QuizFixture f;
        f.platform.windowsDirectory = Folder;
        f.platform.recordHelper = Helper;
        f.Load("Bruno");
        EXPECT_EQ(f.controls.Caption(Label::lblpunti), "5\r\n");
        EXPECT_EQ(f.controls.Caption(Label::lblnome), "Anna\r\n");
        for (int i = 0; i < c.rightAnswers; ++i)
            f.AskAndAnswer(4, "28");
        const auto said = f.platform.messages.size();
        EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
        EXPECT_EQ(Pair(), c.after) << c.rightAnswers;
        EXPECT_EQ(f.platform.messages.size() > said, c.after != OldPair);
    }

    FreshFolder(0777);
    QuizFixture refused;
    refused.platform.windowsDirectory = Folder;
    refused.platform.recordHelper = Helper;
    try {
        refused.Load();
        ADD_FAILURE() << "a folder that anyone may change was used";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("group"), std::string::npos) << error.what();
    }
}

} // namespace
