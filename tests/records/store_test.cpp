#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "record_folder.h"
#include "record_store.h"
#include "runtime_error.h"
#include "temp_dir.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

// Where the game keeps its record, decided from what sits beside the program
// and who owns the computer's folder.
TEST(RecordStore, TheRecordIsTheComputersOnlyWhenTheHelperIsInstalledForIt) {
    enum class Helper { Missing, Plain, SetGroupId, SetGroupIdFolder };
    enum class Shared { Missing, OfTheHelpersGroup, OfAnotherGroup, AFile };
    struct Case {
        const char* what;
        Helper helper;
        Shared shared;
        bool computers;
    } cases[] = {
        {"installed for the computer", Helper::SetGroupId, Shared::OfTheHelpersGroup, true},
        {"no helper: the build tree", Helper::Missing, Shared::OfTheHelpersGroup, false},
        {"an administrator's override drops the bit", Helper::Plain, Shared::OfTheHelpersGroup,
         false},
        {"a folder, not a program", Helper::SetGroupIdFolder, Shared::OfTheHelpersGroup, false},
        {"the folder missing for a moment: a reset's swap", Helper::SetGroupId, Shared::Missing, true},
        {"a file in place of the folder", Helper::SetGroupId, Shared::AFile, false},
        {"the folder of another group", Helper::SetGroupId, Shared::OfAnotherGroup, false},
    };
    for (const auto& c : cases) {
        if (c.shared == Shared::OfAnotherGroup && ::geteuid() != 0)
            continue; // only root may give its files to another group
        TempDir dir;
        const std::string program = dir / "bin", helper = program + "/tavola7-record",
                          shared = dir / "games", own = dir / "home/tavola7";
        std::filesystem::create_directory(program);
        if (c.helper == Helper::SetGroupIdFolder)
            std::filesystem::create_directory(helper);
        else if (c.helper != Helper::Missing)
            WriteBytes(helper, "#!/bin/sh\n");
        if (c.helper != Helper::Missing) {
            ASSERT_EQ(::chmod(helper.c_str(), c.helper == Helper::Plain ? 0755 : 02755), 0);
        }
        if (c.shared == Shared::AFile)
            WriteBytes(shared, "");
        else if (c.shared != Shared::Missing)
            std::filesystem::create_directory(shared);
        if (c.shared == Shared::OfAnotherGroup) {
            ASSERT_EQ(::chown(shared.c_str(), 0, 12345), 0);
        }

        const RecordPlace place = PickRecordPlace(program, shared, own);
        EXPECT_EQ(place.folder, c.computers ? shared : own) << c.what;
        EXPECT_EQ(place.helper, c.computers ? helper : "") << c.what;
    }
}

// A read that fails for good (EIO; here a pipe's ESPIPE) is the file's
// error, never a retry for ever.
TEST(RecordFiles, AReadThatFailsForGoodIsTheFilesError) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::alarm(10); // a retry for ever ends the test here
    EXPECT_THROW(ReadAt(ends[0], 0, 16, "tavrec7.txt"), RuntimeError);
    ::alarm(0);
    ::close(ends[0]);
    ::close(ends[1]);
}

// A copy of the computer's record that a player runs as her own (a build's,
// the bench's) has her folder, as the installed one has root's: run as root,
// the test plays a player who is not.
TEST(RecordFolder, AComputersFolderOfThePlayersOwnIsHersToUse) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::chown(dir.Path().c_str(), 65534, 65534) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        try {
            RecordFolder(dir.Path().string(), RecordFolder::Kind::Shared);
        } catch (const RuntimeError&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

// Every save lands where the log cannot be shortened: run again under
// strace, which answers every fallocate that holes cannot be punched.
TEST(RecordStore, SavesLandWhereTheLogCannotBeShortened) {
    TempDir dir;
    RecordStore store({dir / "tavola7", ""});
    for (const int score : {6, 7, 8})
        EXPECT_TRUE(store.Offer(score, "Anna")) << score;
    EXPECT_EQ(store.Read().score, "8\r\n");
}

// The player's own folder is made on the way to the first record; the
// computer's is installation's work, and a game never makes it.
TEST(RecordStore, OnlyThePlayersOwnFolderIsMadeWhenMissing) {
    struct Case {
        const char* what;
        const char* folder;
        bool shared;
        bool made;
    } cases[] = {
        {"own, two levels missing", "data/tavola7", false, true},
        {"own, below a plain file", "file/tavola7", false, false},
        {"the computer's", "games/tavola7", true, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteBytes(dir / "file", "");
        RecordStore store({dir / c.folder, c.shared ? dir / "helper" : ""});
        if (c.made)
            store.Read();
        else
            EXPECT_THROW(store.Read(), RuntimeError) << c.what;
        EXPECT_EQ(std::filesystem::is_directory(dir / c.folder), c.made) << c.what;
        if (c.made) { // each folder and file made is the player's alone, the files empty
            EXPECT_EQ(std::filesystem::status(dir / "data").permissions(), std::filesystem::perms::owner_all);
            for (const char* name : {"tavrec7.txt", "ntavrec7.txt"}) {
                EXPECT_EQ(ReadBytes(dir / (std::string(c.folder) + "/" + name)), "") << name;
                EXPECT_EQ(std::filesystem::status(dir / (std::string(c.folder) + "/" + name)).permissions(),
                          std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
            }
        }
    }
}

} // namespace
