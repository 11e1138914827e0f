// The record book on disk, in either folder: the folder's states, what a
// save, a start and a fold do in each, and what a crash or a power cut leaves.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <sstream>

#include "record_fixture.h"
#include "record_store.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

// A pair that would break the files' format never reaches them, whoever offers it.
TEST(RecordBook, RefusesAPairThatNoSaveCouldWrite) {
    for (const auto& [score, name] : {std::pair<long, std::string>{7, "An\nna"}, {32768, "Anna"}, {-1, "Anna"}}) {
        TempDir dir;
        RecordBook book(dir.Path().string(), RecordFolder::Kind::Own);
        EXPECT_THROW(book.Offer(score, name), RuntimeError) << score << " " << name;
        EXPECT_FALSE(fs::exists(dir / "tavola7.log")) << score << " " << name;
    }
}

// A game that plays and saves 9 in either folder under a file size `limit`, in
// a child of its own with a deadline, so that a row that would hang fails alone.
// Gives 0 for a save announced as the record, or the run-time error that ended
// it: Unnamed unless it names `file`, in the game's own lines (no line end of the helper's).
constexpr int Unnamed = 201, Unannounced = 202;
int SaveNine(bool shared, const std::string& file, rlimit limit = As{}.fileLimit) {
    return InChild({.player = false, .fileLimit = limit}, [&] {
        try {
            Game f(shared);
            f.Load("Bruno");
            ScoreRight(f, 9);
            f.EndsProgram([&] { f.quiz.cmdExit_Click(); });
            return f.platform.messages.size() == 2 ? 0 : Unannounced; // the greeting, the record's
        } catch (const RuntimeError& e) {
            const std::string said = e.what();
            return said.find(file) == std::string::npos || said.ends_with('\n') ? Unnamed : e.number();
        }
    });
}

std::string Shown(bool shared, const char* what) { return std::string(shared ? "shared: " : "own: ") + what; }

// Links, FIFOs, missing files and leftovers that a careless or hostile hand
// could leave in either folder: nothing outside the folder is written, and
// what cannot be used is the run-time error naming it, with the files as
// they were. The player's own folder makes a missing file again; the
// computer's makes none.
TEST(RecordBook, OddFilesAreRefusedAndNothingOutsideIsWritten) {
    TempDir outside;
    const std::string target = outside / "target";
    enum Planted { Link, LinkToAFile, Fifo, HardLink, Missing, NotTheOwners };
    struct Case {
        const char* what;
        Planted plant;
        const char* file;
        int own, shared; // the run-time error in each folder; 0: the game plays and saves
    } cases[] = {
        {"dangling link for the score", Link, "tavrec7.txt", 75, 75},
        {"dangling link for the lock", Link, "tavola7.lock", 75, 75},
        {"link to a file outside for the score", LinkToAFile, "tavrec7.txt", 75, 75},
        {"link to a file outside for the log", LinkToAFile, "tavola7.log", 75, 75},
        {"FIFO for the score", Fifo, "tavrec7.txt", 75, 75},
        {"FIFO for the log", Fifo, "tavola7.log", 75, 75},
        {"FIFO for the lock", Fifo, "tavola7.lock", 75, 75},
        {"hard link for the score, which a rewrite would carry outside", HardLink, "tavrec7.txt", 75, 75},
        {"hard link for the log, which a fold would punch outside", HardLink, "tavola7.log", 75, 75},
        // An administrator who deletes the files for a fresh record: no
        // player's game may make them again, owned by that player.
        {"score file missing", Missing, "tavrec7.txt", 0, 53},
        {"lock missing", Missing, "tavola7.lock", 0, 53},
        {"log missing", Missing, "tavola7.log", 0, 53},
        {"a file that a player's own game made", NotTheOwners, "ntavrec7.txt", 0, 70},
    };
    for (const auto& [shared, c] : InBothFolders(cases)) {
        if (c.plant == NotTheOwners && ::geteuid() != 0)
            continue; // only root may give a file away
        FreshFolder();
        fs::remove(target);
        const std::string file = In(c.file);
        if (c.plant == Link || c.plant == LinkToAFile || c.plant == Fifo || c.plant == Missing)
            fs::remove(file);
        if (c.plant == LinkToAFile)
            WriteBytes(target, "someone else's");
        if (c.plant == Link || c.plant == LinkToAFile)
            fs::create_symlink(target, file);
        ASSERT_TRUE(c.plant != Fifo || ::mkfifo(file.c_str(), 0664) == 0);
        if (c.plant == HardLink)
            fs::create_hard_link(file, Folder + "-elsewhere");
        ASSERT_TRUE(c.plant != NotTheOwners || ::chown(file.c_str(), 12345, ::getegid()) == 0);

        SCOPED_TRACE(Shown(shared, c.what));
        const int expected = shared ? c.shared : c.own;
        EXPECT_EQ(SaveNine(shared, c.file), expected);
        EXPECT_EQ(fs::exists(fs::symlink_status(target)) ? ReadBytes(target) : "", c.plant == LinkToAFile ? "someone else's" : "");
        EXPECT_FALSE(c.plant == Missing && shared && fs::exists(fs::symlink_status(file))) << "made again";
        const auto regular = [](const char* name) { return fs::is_regular_file(fs::symlink_status(In(name))); };
        if (regular("tavrec7.txt") && regular("ntavrec7.txt")) {
            EXPECT_EQ(Pair(), expected == 0 ? NewPair : OldPair);
        }
    }
}

// A file size limit refuses a save before it writes: killed by SIGXFSZ, a
// game would never say "Disco pieno".
TEST(RecordBook, AFileSizeLimitRefusesASaveBeforeItWrites) {
    const struct {
        const char* what;
        rlimit limit;
        off_t log; // the log's size, a fold's hole
        int status;
    } cases[] = {
        {"a limit that the save's entry would pass", {0, 0}, 0, 61},
        {"a soft limit below a hard one that allows the save", {0, RLIM_INFINITY}, 0, 0},
        {"a limit below the end of a log that folds left as a hole", {8192, 8192}, 16384, 61},
    };
    for (const auto& [shared, c] : InBothFolders(cases)) {
        FreshFolder();
        fs::resize_file(In("tavola7.log"), c.log);
        EXPECT_EQ(SaveNine(shared, "tavola7.log", c.limit), c.status) << Shown(shared, c.what);
        EXPECT_EQ(Pair(), c.status == 0 ? NewPair : OldPair) << Shown(shared, c.what);
    }
}

// A log at its limit, or a player's share of it full, refuses a save only
// while a stopped holder of the lock keeps every fold out: a player who
// saves on and on behind it fills her own share alone.
TEST(RecordBook, AFullLogRefusesASaveOnlyWhileTheLockIsHeld) {
    const struct {
        const char* what;
        std::string log;
        bool held;
        int status;
    } cases[] = {
        {"the log at its limit, the lock held", std::string(RecordBook::LogLimit, '\n'), true, 61},
        {"the log at its limit, the lock free to fold it", std::string(RecordBook::LogLimit, '\n'), false, 0},
        {"my share filled, the lock held", Share(::getuid()), true, 61},
        {"my share filled, the lock free to fold it", Share(::getuid()), false, 0},
        {"another player's share filled, the lock held", Share(::getuid() + 1), true, 0},
    };
    for (const auto& [shared, c] : InBothFolders(cases)) {
        FreshFolder();
        WriteBytes(In("tavola7.log"), c.log);
        std::optional<LockHolder> holder;
        if (c.held)
            holder.emplace();
        EXPECT_EQ(SaveNine(shared, "tavola7.log"), c.status) << Shown(shared, c.what);
        EXPECT_EQ(Pair(), c.status == 0 && !c.held ? NewPair : OldPair) << Shown(shared, c.what);
    }
}

// A save cut short at any byte of its entry, and a fold cut short after the
// name file or at any byte of the score file: the next start shows the old
// pair or the new, never a mixed one, and the files hold it after a fold.
TEST(RecordBook, TheNextStartShowsTheOldPairOrTheNewAfterACrash) {
    const std::string entry = RecordBook::EncodeEntry({"19", "Bruno"}, 1000);
    const Texts newShown{"19\r\n", "Bruno\r\n"};
    struct Case {
        std::string log, score, name; // as the crash left them
        Texts shown;
    };
    std::vector<Case> cases;
    for (std::size_t cut = 0; cut <= entry.size(); ++cut)
        cases.push_back({entry.substr(0, cut), "5\r\n", "Anna\r\n", cut == entry.size() ? newShown : OldPair});
    for (const char* name : {"", "Br", "Bruno\r\n"})
        cases.push_back({entry, "5\r\n", name, newShown});
    for (const char* score : {"", "1", "19", "19\r", "19\r\n"})
        cases.push_back({entry, score, "Bruno\r\n", newShown});
    for (const auto& [shared, c] : InBothFolders(cases)) {
        FreshFolder();
        Plant(Folder, {c.score, c.name}, c.log);
        Game f(shared);
        f.Load();
        SCOPED_TRACE(Shown(shared, "") + std::to_string(c.log.size()) + " bytes of the entry, files " + c.score + "|" + c.name);
        EXPECT_EQ(Texts(f.controls.Caption(Label::lblpunti), f.controls.Caption(Label::lblnome)), c.shown);
        EXPECT_EQ(Pair(), Texts(c.score, c.name)) << "a start writes nothing";
        EXPECT_EQ(RunHelper({}).status, 0);
        EXPECT_EQ(Pair(), c.shown) << "the files after a fold";
    }
}

// A start that reads the files while a save folds them: strace holds the
// start back between its reads of the score file and of the name file, and
// the save lands in that moment. It still shows the old pair or the new one,
// never the old score beside the new name.
TEST(RecordBook, AFoldDuringAStartNeverShowsAMixedPair) {
    if (const char* probe = Again()) {
        const auto [score, name] = RecordBook(Folder, RecordFolder::Kind::Shared).Read();
        WriteBytes(probe, score + "|" + name);
        return;
    }
    SKIP_WITHOUT_STRACE();
    FreshFolder();
    TempDir dir;
    const std::string shown = dir / "shown";
    const Process start = HeldBack({"pread64", In("ntavrec7.txt")}, Again(shown));
    EXPECT_EQ(RunHelper({"9", "Bruno"}).status, 0);
    ASSERT_EQ(start.Wait().status, 0);
    const std::string pair = ReadBytes(shown);
    EXPECT_TRUE(pair == "5\r\n|Anna\r\n" || pair == "9\r\n|Bruno\r\n") << pair;
}

// A power cut can lose whatever was not synced before the save was
// acknowledged. A game's first save runs under strace, which names each
// descriptor's file; its trace, a line a call.
void SaveAFirstRecord(const std::string& home) {
    Game f(false, home + "/data/tavola7");
    f.Load("Bruno");
    ScoreRight(f, 1);
    EXPECT_EQ(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }), 0);
}

std::vector<std::string> TracedFirstSave(const std::string& dir) {
    const std::string trace = dir + "/trace";
    EXPECT_EQ(Execute(std::vector<std::string>{"strace", "-f", "-y", "-qq", "-e", "trace=openat,mkdir,fsync,fallocate", "-o", trace} + Again(dir),
                  {.player = false}).status, 0);
    std::vector<std::string> lines;
    std::istringstream log(ReadBytes(trace));
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

// Each file and folder made is synced into its parent at once: before
// anything else is opened or made, opening the folders concerned aside.
TEST(RecordBook, EveryNewFileAndFolderIsSyncedIntoItsParent) {
    if (const char* home = Again())
        return SaveAFirstRecord(home);
    SKIP_WITHOUT_STRACE();
    TempDir dir;
    const std::vector<std::string> lines = TracedFirstSave(dir.Path().string());
    static const std::regex made(R"re((?:openat\(.*O_CREAT.*\) = \d+<|mkdir\(")([^>"]+))re"),
        opened(R"re((openat|mkdir)\(.*\) = (\d+<([^>]+)>)?)re");
    int creations = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (lines[i].find(dir.Path().string() + "/data") == std::string::npos || lines[i].find(") = -1") != std::string::npos ||
            !std::regex_search(lines[i], m, made))
            continue;
        ++creations;
        const std::string path = m[1], parent = fs::path(path).parent_path().string();
        bool synced = false;
        for (std::size_t j = i + 1; j < lines.size() && !synced; ++j) {
            synced = lines[j].find("fsync(") != std::string::npos && lines[j].find("<" + parent + ">") != std::string::npos;
            if (!synced && std::regex_search(lines[j], m, opened) && m[3] != parent && m[3] != path)
                break;
        }
        EXPECT_TRUE(synced) << path << " was not synced into " << parent << " at once";
    }
    EXPECT_GE(creations, 6) << "two folders, the lock, the two files and the log";
}

// The files hold the record durably before the log lets go of it.
TEST(RecordBook, TheFilesAreSyncedBeforeTheLogLetsGoOfTheRecord) {
    if (const char* home = Again())
        return SaveAFirstRecord(home);
    SKIP_WITHOUT_STRACE();
    TempDir dir;
    const std::vector<std::string> lines = TracedFirstSave(dir.Path().string());
    const auto first = [&](const std::string& call, const std::string& file) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find(call + "(") != std::string::npos && lines[i].find("/" + file + ">") != std::string::npos)
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

// Where the game keeps its record, decided from what sits beside the program
// and who owns the computer's folder.
TEST(RecordBook, TheRecordIsTheComputersOnlyWhenTheHelperIsInstalledForIt) {
    // The helper: a program's mode, or what stands in its place; the folder: what stands there.
    constexpr mode_t Missing = 0, AFolder = 1, AFile = 2, OfAnotherGroup = 3, OfTheHelpersGroup = 4;
    const struct {
        const char* what;
        mode_t helper, shared;
        bool computers;
    } cases[] = {
        {"installed for the computer", 02755, OfTheHelpersGroup, true},
        {"no helper: the build tree", Missing, OfTheHelpersGroup, false},
        {"an administrator's override drops the bit", 0755, OfTheHelpersGroup, false},
        {"a folder, not a program", AFolder, OfTheHelpersGroup, false},
        {"the folder missing for a moment: a reset's swap", 02755, Missing, true},
        {"a file in place of the folder", 02755, AFile, false},
        {"the folder of another group", 02755, OfAnotherGroup, false},
    };
    for (const auto& c : cases) {
        if (c.shared == OfAnotherGroup && ::geteuid() != 0)
            continue; // only root may give its files to another group
        TempDir dir;
        const std::string program = dir / "bin", helper = program + "/tavola7-record", shared = dir / "games";
        fs::create_directories(c.helper == AFolder ? helper : program);
        if (c.helper > AFolder)
            WriteBytes(helper, "#!/bin/sh\n");
        ASSERT_TRUE(c.helper <= AFolder || ::chmod(helper.c_str(), c.helper) == 0);
        if (c.shared == AFile)
            WriteBytes(shared, "");
        else if (c.shared != Missing)
            fs::create_directory(shared);
        ASSERT_TRUE(c.shared != OfAnotherGroup || ::chown(shared.c_str(), 0, 12345) == 0);

        const RecordPlace place = PickRecordPlace(program, shared, dir / "home/tavola7");
        EXPECT_EQ(place.folder, c.computers ? shared : dir / "home/tavola7") << c.what;
        EXPECT_EQ(place.helper, c.computers ? helper : "") << c.what;
    }
}

// The player's own folder is made on the way to the first record, hers
// alone, its files empty and hers alone; the computer's is installation's
// work, and a game never makes it.
TEST(RecordBook, OnlyThePlayersOwnFolderIsMadeWhenMissing) {
    const struct {
        const char* folder;
        bool shared, made;
    } cases[] = {{"data/tavola7", false, true}, {"file/tavola7", false, false}, {"games/tavola7", true, false}};
    for (const auto& c : cases) {
        TempDir dir;
        WriteBytes(dir / "file", "");
        RecordStore store({dir / c.folder, c.shared ? dir / "helper" : ""});
        if (!c.made) {
            EXPECT_THROW(store.Read(), RuntimeError) << c.folder;
            EXPECT_FALSE(fs::exists(dir / c.folder)) << c.folder;
            continue;
        }
        store.Read();
        EXPECT_EQ(fs::status(dir / "data").permissions(), fs::perms::owner_all);
        for (const char* name : {"tavrec7.txt", "ntavrec7.txt"}) {
            EXPECT_EQ(ReadBytes(In(name, dir / c.folder)), "") << name;
            EXPECT_EQ(fs::status(In(name, dir / c.folder)).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        }
    }
}

// A copy of the computer's record that a player runs as her own (a build's,
// the bench's) has her folder, as the installed one has root's: run as root,
// the test plays a player who is not.
TEST(RecordBook, AComputersFolderOfThePlayersOwnIsHersToUse) {
    TempDir dir;
    GiveToPlayer(dir.Path().string());
    EXPECT_EQ(InChild({}, [&] { return RecordFolder(dir.Path().string(), RecordFolder::Kind::Shared), 0; }), 0);
}

// A read that fails for good (EIO; here a pipe's ESPIPE) is the file's
// error, never a retry for ever.
TEST(RecordBook, AReadThatFailsForGoodIsTheFilesError) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(InChild({.player = false}, [&] { return ReadAt(ends[0], 0, 16, "tavrec7.txt"), 0; }), Thrown);
}

// A player's own folder that a game cannot use, or a file in it, is the
// run-time error naming it, spelled as the game always spelled it: the
// folder, a separator, another.
TEST(RecordBook, AnUnusableOwnFolderIsARunTimeErrorNamingIt) {
    const struct {
        const char *what, *folder, *named;
    } cases[] = {
        {"a folder in place of the name file", "own", "own//ntavrec7.txt"},
        {"a link in the folder's place", "link", "link"},
        {"another user's folder", "others", "others"},
    };
    for (const auto& c : cases) {
        DiskQuizFixture f;
        fs::create_directories(f.dir / "own/ntavrec7.txt");
        fs::create_directory_symlink(f.dir / "own", f.dir / "link");
        fs::create_directory(f.dir / "others");
        if (::chown((f.dir / "others").c_str(), 12345, 12345) != 0 && c.folder == std::string("others"))
            continue; // only root may give a folder away
        f.files.place.folder = f.dir / c.folder;
        try {
            f.Load();
            ADD_FAILURE() << c.what << " was used";
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find(f.dir / c.named), std::string::npos) << error.what();
        }
    }
}

// A start takes a long folder's path whole, and only the start of a huge record file.
TEST(RecordBook, AStartTakesALongFolderWholeAndAHugeFileOnlyItsStart) {
    DiskQuizFixture f;
    const std::string deep = f.dir / (std::string(100, 'a') + "/" + std::string(100, 'b'));
    fs::create_directories(deep);
    f.files.place.folder = deep;
    WriteBytes(f.NameFile(), std::string(50 << 20, 'x'));
    f.Load();
    EXPECT_EQ(f.controls.Caption(Label::lblnome).size(), RecordFolder::ReadLimit);
    EXPECT_TRUE(fs::exists(deep + "/tavrec7.txt"));
}

} // namespace
