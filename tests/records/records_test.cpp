#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "quiz_fixture.h"
#include "record_folder.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <cstdio>

using namespace tavola;
using namespace tavola::testing;

namespace {

TEST(Records, AHugeRecordFileShowsOnlyItsStart) {
    DiskQuizFixture f;
    WriteBytes(f.NameFile(), std::string(50 << 20, 'x'));
    f.Load();
    EXPECT_EQ(f.controls.Caption(Label::lblnome).size(), RecordFolder::ReadLimit);
}

TEST(Records, AnUnusableRecordFileIsARunTimeErrorNamingIt) {
    DiskQuizFixture folder;
    std::filesystem::create_directory(folder.NameFile());
    try {
        folder.Load();
        ADD_FAILURE() << "a folder in place of the name file was accepted";
    } catch (const RuntimeError& error) {
        // Spelled as the game always spelled it: the folder, a separator, another.
        EXPECT_NE(std::string(error.what()).find(folder.files.place.folder + "//ntavrec7.txt"),
                  std::string::npos)
            << error.what();
    }

    // A folder that cannot be made, a link in the folder's place (another
    // user's, say), and a folder of another user's.
    for (const char* place : {"file/tavola7", "link", "others"}) {
        DiskQuizFixture f;
        WriteBytes(f.dir / "file", "");
        std::filesystem::create_directory_symlink(f.dir.Path(), f.dir / "link");
        std::filesystem::create_directory(f.dir / "others");
        if (::geteuid() == 0)
            ASSERT_EQ(::chown((f.dir / "others").c_str(), 12345, 12345), 0);
        else if (std::string_view(place) == "others")
            continue; // only root may give a folder away
        f.files.place.folder = f.dir / place;
        EXPECT_THROW(f.Load(), RuntimeError) << place;
    }
}

TEST(Records, ALongRecordFolderIsUsedWhole) {
    DiskQuizFixture f;
    const std::string deep = f.dir / (std::string(100, 'a') + "/" + std::string(100, 'b'));
    std::filesystem::create_directories(deep);
    f.files.place.folder = deep;
    f.Load();
    EXPECT_TRUE(std::filesystem::exists(deep + "/tavrec7.txt"));
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
        const std::string mount = "unshare -m --propagation private sh -c 'mount -t tmpfs -o size=32k tmpfs " +
                                  mountPoint.Path().string();
        if (std::system((mount + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "this machine does not allow a private tmpfs (unshare -m and mount)";
        EXPECT_EQ(std::system((mount + " && exec env " + FullDiskEnv + "=" + mountPoint.Path().string() + " " +
                               std::filesystem::read_symlink("/proc/self/exe").string() +
                               " --gtest_filter=RecordsOnAFullDisk.*'")
                                  .c_str()),
                  0)
            << "the save on a full disk went wrong; see above";
        return;
    }

    DiskQuizFixture f;
    f.files.place.folder = mounted;
    WriteBytes(f.ScoreFile(), "5\r\n");
    WriteBytes(f.NameFile(), "Anna\r\n");
    f.Load("Bruno");
    ScoreRight(f, 6);
    // Room for part of the log's entry only, at the end of its last page:
    // the write is cut short, and the save says so.
    WriteBytes(f.files.place.folder + "/tavola7.log", std::string(4090, '\n'));
    std::vector<std::string> fillers;
    FillDisk(mounted, fillers);
    ASSERT_FALSE(fillers.empty());

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

    // On a full disk a start, which only reads, shows the log's record and plays on.
    std::ofstream(f.files.place.folder + "/tavola7.log", std::ios::app) << "\n9 5 Carla\r";
    FillDisk(mounted, fillers);
    DiskQuizFixture next;
    next.files.place.folder = mounted;
    next.Load("Dario");
    EXPECT_EQ(next.controls.Caption(Label::lblpunti), "9\r\n");
    EXPECT_EQ(next.controls.Caption(Label::lblnome), "Carla\r\n");
}

// Every file and folder that a game makes must be synced into its parent
// before anything relies on it, or a power cut can lose it after the save was
// acknowledged. The game runs under strace, which names each descriptor's
// file, and each creation must be followed by an fsync of its folder.
constexpr const char* SyncProbeEnv = "TAVOLA7_SYNC_PROBE_DIR";

TEST(RecordsOnAPowerCut, EveryNewFileAndFolderIsSyncedIntoItsParent) {
    if (const char* probe = std::getenv(SyncProbeEnv)) {
        const std::string folder = std::string(probe) + "/data/tavola7";
        DiskQuizFixture f;
        f.files.place.folder = folder;
        f.Load("Bruno");
        ScoreRight(f, 1);
        EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
        return;
    }
#ifdef TAVOLA_SANITIZE
    GTEST_SKIP() << "the leak checker cannot run under strace; the plain build traces the game";
#endif
    if (std::system("strace -o /dev/null true 2>/dev/null") != 0)
        GTEST_SKIP() << "strace is missing or may not trace here";
    TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string trace = dir / "trace";
    ASSERT_EQ(std::system(("strace -f -y -qq -e trace=openat,mkdir,fsync,fallocate -o " + trace + " env " +
                           SyncProbeEnv + "=" + dir.Path().string() + " " + self +
                           " --gtest_filter=RecordsOnAPowerCut.* >/dev/null")
                              .c_str()),
              0);
    std::vector<std::string> lines;
    {
        std::istringstream log(ReadBytes(trace));
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
    }
    const auto made = [&](const std::string& line) -> std::string {
        if (line.find(dir.Path().string()) == std::string::npos)
            return {};
        std::smatch m;
        static const std::regex opened(R"re(openat\(.*O_CREAT.*\) = \d+<([^>]+)>)re");
        static const std::regex madeFolder(R"re(mkdir\("([^"]+)", \d+\) = 0)re");
        if (std::regex_search(line, m, opened) || std::regex_search(line, m, madeFolder))
            return m[1];
        return {};
    };
    int creations = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string path = made(lines[i]);
        if (path.empty() || path == trace)
            continue;
        ++creations;
        const std::string parent = std::filesystem::path(path).parent_path().string();
        // Synced at once: before anything else is opened or made, opening the
        // folders concerned aside.
        bool synced = false;
        for (std::size_t j = i + 1; j < lines.size() && !synced; ++j) {
            synced = lines[j].find("fsync(") != std::string::npos &&
                     lines[j].find("<" + parent + ">") != std::string::npos;
            std::smatch result;
            static const std::regex openedAs(R"re((openat|mkdir)\(.*\) = (\d+<([^>]+)>)?)re");
            if (!synced && std::regex_search(lines[j], result, openedAs) &&
                result[3] != parent && result[3] != path)
                break;
        }
        EXPECT_TRUE(synced) << path << " was not synced into " << parent << " at once";
    }
    EXPECT_GE(creations, 6) << "two folders, the lock, the two files and the log";

    // The files hold the record durably before the log lets go of it.
    const auto first = [&](const std::string& call, const std::string& file) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(call + "(") != std::string::npos &&
                lines[i].find("/" + file + ">") != std::string::npos)
                return static_cast<long>(i);
        return -1L;
    };
    const long punched = first("fallocate", "tavola7.log");
    EXPECT_GE(punched, 0) << "the save's fold punched nothing out of the log";
    for (const char* file : {"tavrec7.txt", "ntavrec7.txt"}) {
        const long synced = first("fsync", file);
        EXPECT_TRUE(synced >= 0 && synced < punched) << file << " was not synced before the punch";
    }
}

} // namespace

namespace {

// Runs `play` in a child process as an ordinary player where the test runs as
// root, who may write even a read-only file; gives what `play` returns.
int AsPlayer(const std::string& folder, const std::function<int()>& play) {
    if (::geteuid() != 0)
        return play();
    constexpr uid_t nobody = 65534;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        EXPECT_EQ(::lchown(entry.path().c_str(), nobody, nobody), 0);
    EXPECT_EQ(::chown(folder.c_str(), nobody, nobody), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        int outcome = 99;
        try { // nothing may escape into the child's copy of the test runner
            if (::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0)
                outcome = play();
        } catch (...) {
            outcome = 98;
        }
        ::_exit(outcome);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A save that cannot land leaves the game as it was: a record file that the
// player may not write ends the save with the run-time error, leaves both
// files untouched, and never keeps the child from playing. (A hard link is
// the hostile folder states' row.)
TEST(Records, ASaveThatCannotLandLeavesTheFilesAndTheNextStartPlays) {
    enum Outcome { AsDesigned = 0, SavedAnyway, StartFailed, ShownWrongPair };
    TempDir outer;
    const std::string folder = outer / "records";
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "/tavrec7.txt", "5\r\n");
    WriteBytes(folder + "/ntavrec7.txt", "Anna\r\n");
    WriteBytes(folder + "/tavola7.log", "");
    WriteBytes(folder + "/tavola7.lock", "");
    ::chmod((folder + "/ntavrec7.txt").c_str(), 0444);
    const int outcome = AsPlayer(outer.Path().string(), [&] {
        DiskQuizFixture game;
        game.files.place.folder = folder;
        game.Load("Carla");
        if (game.controls.Caption(Label::lblpunti) != "5\r\n")
            return ShownWrongPair;
        ScoreRight(game, 10);
        try {
            game.quiz.cmdExit_Click();
            return SavedAnyway;
        } catch (const RuntimeError& error) {
            if (std::string(error.what()).find("Autorizzazione negata") == std::string::npos)
                return SavedAnyway;
        }
        DiskQuizFixture next;
        next.files.place.folder = folder;
        try {
            next.Load("Dario");
        } catch (const RuntimeError&) {
            return StartFailed;
        }
        return next.controls.Caption(Label::lblpunti) == "5\r\n" ? AsDesigned : ShownWrongPair;
    });
    EXPECT_EQ(outcome, AsDesigned);
    EXPECT_EQ(ReadBytes(folder + "/tavrec7.txt"), "5\r\n");
    EXPECT_EQ(ReadBytes(folder + "/ntavrec7.txt"), "Anna\r\n");
}

} // namespace
