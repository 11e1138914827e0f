#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include <algorithm>

#include "quiz_fixture.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

void ScoreRight(QuizFixture& f, int rightAnswers) {
    for (int i = 0; i < rightAnswers; ++i)
        f.AskAndAnswer(4, "28");
}

TEST(Records, FirstStartCreatesBothFilesEmptyThroughADoubledSeparator) {
    QuizFixture f;
    f.Load();
    const std::string dir = f.dir.Path().string();
    EXPECT_EQ(ReadBytes(f.ScoreFile()), "");
    EXPECT_EQ(ReadBytes(f.NameFile()), "");
    EXPECT_EQ(f.controls.Caption(Label::lblpunti), "");
    EXPECT_EQ(f.controls.Caption(Label::lblnome), "");
    std::vector<std::string> files;
    std::ranges::copy_if(f.platform.calls, std::back_inserter(files),
                         [](const std::string& call) { return call.starts_with("Open"); });
    EXPECT_EQ(files, (std::vector<std::string>{"OpenAppend " + dir + "//tavrec7.txt",
                                               "OpenAppend " + dir + "//ntavrec7.txt",
                                               "OpenInput " + dir + "//tavrec7.txt",
                                               "OpenInput " + dir + "//ntavrec7.txt"}));
}

TEST(Records, ANewRecordIsWrittenAnnouncedAndShownAtTheNextStart) {
    QuizFixture f;
    f.Load("Niccolò");
    ScoreRight(f, 12);
    EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
    EXPECT_EQ(ReadBytes(f.ScoreFile()), "12\r\n");
    EXPECT_EQ(ReadBytes(f.NameFile()), "Niccol\xF2\r\n");
    EXPECT_EQ(f.platform.messages.back().prompt,
              "Ok! Ho registrato il tuo record, C A M P I O N E");
    EXPECT_EQ(f.platform.messages.back().title, std::nullopt);

    QuizFixture next;
    next.platform.windowsDirectory = f.dir.Path().string();
    next.Load("Bruno");
    EXPECT_EQ(next.controls.Caption(Label::lblpunti), "12\r\n");
    EXPECT_EQ(next.controls.Caption(Label::lblnome), "Niccolò\r\n");
}

TEST(Records, ATieOrALowerScoreWritesNothingAndSaysNothing) {
    for (const int right : {0, 2, 3}) {
        QuizFixture f;
        WriteBytes(f.ScoreFile(), "3\r\n");
        WriteBytes(f.NameFile(), "Anna\r\n");
        f.Load("Bruno");
        ScoreRight(f, right);
        const auto said = f.platform.messages.size();
        EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
        EXPECT_EQ(f.platform.messages.size(), said) << right << " right";
        EXPECT_EQ(ReadBytes(f.ScoreFile()), "3\r\n");
        EXPECT_EQ(ReadBytes(f.NameFile()), "Anna\r\n");
        EXPECT_EQ(std::ranges::count_if(f.platform.calls,
                                        [](const auto& c) { return c.starts_with("OpenOutput"); }),
                  0);
    }
}

TEST(Records, AnEmptyNameIsStoredAsABareLineEnd) {
    QuizFixture f;
    f.Load("");
    ScoreRight(f, 1);
    f.EndsProgram([&] { f.quiz.cmdExit_Click(); });
    EXPECT_EQ(ReadBytes(f.NameFile()), "\r\n");
}

TEST(Records, ScoreIsWrittenBeforeNameUnderOneTransaction) {
    QuizFixture f;
    f.Load();
    ScoreRight(f, 1);
    f.platform.calls.clear();
    f.EndsProgram([&] { f.quiz.cmdExit_Click(); });
    const std::string dir = f.dir.Path().string();
    EXPECT_EQ(
        f.platform.calls,
        (std::vector<std::string>{"BeginTransaction", "NextFreeFileNumber",
                                  "OpenInput " + dir + "//tavrec7.txt", "ReadAll", "CloseFile",
                                  "NextFreeFileNumber", "OpenOutput " + dir + "//tavrec7.txt", "PrintLine 1", "CloseFile",
                                  "NextFreeFileNumber", "OpenOutput " + dir + "//ntavrec7.txt",
                                  "PrintLine Anna", "CloseFile", "ShowMessage", "EndProgram"}));
}

TEST(Records, ExitShowsNoGoodbyeButTheEndOfTimeDoesBeforeTheRecord) {
    QuizFixture f;
    f.Load();
    ScoreRight(f, 1);
    for (int tick = 0; tick < 300; ++tick)
        f.quiz.Timer1_Timer();
    f.EndsProgram([&] { f.quiz.Timer1_Timer(); });
    const auto& messages = f.platform.messages;
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2].prompt, "Ciao a presto. Ore 600");
    EXPECT_EQ(messages.back().prompt, "Ok! Ho registrato il tuo record, C A M P I O N E");
    EXPECT_EQ(ReadBytes(f.ScoreFile()), "1\r\n");
}

TEST(Records, ForeignContentNeverStopsTheStart) {
    struct Case {
        const char* name;
        std::string content;
        int scoreThatBeatsIt;
    } cases[] = {
        {"words", "record!\r\n", 1},
        {"binary with a NUL",
         std::string("\0\x01\xFF"
                     "7",
                     4),
         1},
        {"leading blanks", "  7 punti\r\n", 8},
        {"negative", "-3\r\n", 1},
        {"no line end", "4", 5},
    };
    for (const auto& c : cases) {
        QuizFixture f;
        WriteBytes(f.ScoreFile(), c.content);
        f.Load();
        ScoreRight(f, c.scoreThatBeatsIt);
        f.EndsProgram([&] { f.quiz.cmdExit_Click(); });
        EXPECT_EQ(ReadBytes(f.ScoreFile()), std::to_string(c.scoreThatBeatsIt) + "\r\n") << c.name;
    }
}

TEST(Records, AHugeRecordFileShowsOnlyItsStart) {
    QuizFixture f;
    WriteBytes(f.NameFile(), std::string(50 << 20, 'x'));
    f.Load();
    EXPECT_EQ(f.controls.Caption(Label::lblnome).size(), SequentialFiles::ReadLimit);
}

TEST(Records, AnUnusableRecordFileIsARunTimeErrorNamingIt) {
    QuizFixture folder;
    std::filesystem::create_directory(folder.NameFile());
    try {
        folder.Load();
        ADD_FAILURE() << "a folder in place of the name file was accepted";
    } catch (const RuntimeError& error) {
        EXPECT_NE(std::string(error.what()).find("ntavrec7.txt"), std::string::npos)
            << error.what();
    }

    QuizFixture missing;
    missing.platform.windowsDirectory = missing.dir / "not/there";
    EXPECT_THROW(missing.Load(), RuntimeError);
}

TEST(Records, ALongRecordFolderIsUsedWhole) {
    QuizFixture f;
    const std::string deep = f.dir / (std::string(100, 'a') + "/" + std::string(100, 'b'));
    std::filesystem::create_directories(deep);
    f.platform.windowsDirectory = deep;
    f.Load();
    EXPECT_TRUE(std::filesystem::exists(deep + "/tavrec7.txt"));
    EXPECT_EQ(f.quiz.State().recordDir, deep + "/");
}

// A full disk in the middle of a save must leave the old record whole: neither
// an empty file nor a new score beside the old name. It runs on a tiny tmpfs
// mounted in a private mount namespace, which needs root.
constexpr const char* FullDiskEnv = "TAVOLA7_FULL_DISK_DIR";

void FillDisk(const std::string& dir, std::vector<std::string>& fillers) {
    for (int i = 0;; ++i) {
        const std::string path = dir + "/filler" + std::to_string(i);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        const std::string page(4096, 'f');
        const bool full = fd < 0 || ::write(fd, page.data(), page.size()) != 4096;
        if (fd >= 0)
            ::close(fd);
        if (full) {
            std::filesystem::remove(path);
            return;
        }
        fillers.push_back(path);
    }
}

TEST(RecordsOnAFullDisk, TheOldRecordStaysWhole) {
    const char* mounted = std::getenv(FullDiskEnv);
    if (mounted == nullptr) {
        if (::geteuid() != 0)
            GTEST_SKIP() << "a private tmpfs needs root";
        TempDir mountPoint;
        const std::string probe =
            "unshare -m --propagation private sh -c 'mount -t tmpfs -o size=32k tmpfs " +
            mountPoint.Path().string() + "' 2>/dev/null";
        if (std::system(probe.c_str()) != 0)
            GTEST_SKIP() << "this machine does not allow a private tmpfs (unshare -m and mount)";
        const std::string run =
            "unshare -m --propagation private sh -c 'mount -t tmpfs -o size=32k tmpfs " +
            mountPoint.Path().string() + " && " + FullDiskEnv + "=" + mountPoint.Path().string() +
            " exec /proc/self/exe --gtest_filter=RecordsOnAFullDisk.*'";
        // /proc/self/exe in the shell is the shell; name this test binary instead.
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::string command = run;
        command.replace(command.find("/proc/self/exe"), 14, self);
        EXPECT_EQ(std::system(command.c_str()), 0)
            << "the save on a full disk went wrong; see above";
        return;
    }

    QuizFixture f;
    f.platform.windowsDirectory = mounted;
    WriteBytes(f.ScoreFile(), "5\r\n");
    WriteBytes(f.NameFile(), "Anna\r\n");
    f.Load("Bruno");
    ScoreRight(f, 6);
    std::vector<std::string> fillers;
    FillDisk(mounted, fillers);
    ASSERT_FALSE(fillers.empty());

    // No room even for the journal: the save fails and says so.
    try {
        f.quiz.cmdExit_Click();
        ADD_FAILURE() << "the save reported success on a full disk";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), RuntimeError::DiskFull) << error.what();
    }
    EXPECT_EQ(ReadBytes(f.ScoreFile()), "5\r\n");
    EXPECT_EQ(ReadBytes(f.NameFile()), "Anna\r\n");

    for (const auto& filler : fillers)
        std::filesystem::remove(filler);
    EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
    EXPECT_EQ(ReadBytes(f.ScoreFile()), "6\r\n");
    EXPECT_EQ(ReadBytes(f.NameFile()), "Bruno\r\n");
}

} // namespace
