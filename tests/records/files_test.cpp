#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime_error.h"
#include "sequential_files.h"
#include "temp_dir.h"
#include "windows1252.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

void WriteLine(SequentialFiles& files, const std::string& path, const std::string& text) {
    const int file = files.NextFreeFileNumber();
    files.OpenOutput(path, file);
    files.PrintLine(file, text);
    files.CloseFile(file);
}

std::string ReadWhole(SequentialFiles& files, const std::string& path) {
    const int file = files.NextFreeFileNumber();
    files.OpenInput(path, file);
    std::string text = files.ReadAll(file);
    files.CloseFile(file);
    return text;
}

RuntimeError::Number ErrorOpening(void (SequentialFiles::*open)(const std::string&, int),
                                  const std::string& path, std::string* detail) {
    SequentialFiles files;
    try {
        (files.*open)(path, 1);
    } catch (const RuntimeError& error) {
        *detail = error.detail();
        return error.number();
    }
    ADD_FAILURE() << "opening " << path << " did not fail";
    return RuntimeError::Number{};
}

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

TEST(SequentialFiles, AppendCreatesAMissingFileAndKeepsAnExistingOne) {
    TempDir dir;
    SequentialFiles files;
    const int file = files.NextFreeFileNumber();
    files.OpenAppend(dir / "new.txt", file);
    files.CloseFile(file);
    EXPECT_EQ(ReadBytes(dir / "new.txt"), "");

    WriteBytes(dir / "old.txt", "12\r\n");
    files.OpenAppend(dir / "old.txt", file);
    files.CloseFile(file);
    EXPECT_EQ(ReadBytes(dir / "old.txt"), "12\r\n");
}

TEST(SequentialFiles, OutputReplacesTheContentWithCrLfLines) {
    TempDir dir;
    SequentialFiles files;
    WriteBytes(dir / "f.txt", "a much longer old content\r\n");
    WriteLine(files, dir / "f.txt", "Niccolò");
    EXPECT_EQ(ReadBytes(dir / "f.txt"), "Niccol\xF2\r\n");
    EXPECT_EQ(ReadWhole(files, dir / "f.txt"), "Niccolò\r\n");
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Path())->path().filename(), "f.txt")
        << "no temporary file is left behind";
}

TEST(SequentialFiles, ADoubledSeparatorNamesTheSameFile) {
    TempDir dir;
    SequentialFiles files;
    WriteLine(files, dir.Path().string() + "//twice.txt", "x");
    EXPECT_EQ(ReadWhole(files, dir / "twice.txt"), "x\r\n");
}

TEST(SequentialFiles, ReadingStopsAtTheLimit) {
    TempDir dir;
    SequentialFiles files;
    WriteBytes(dir / "huge.txt", std::string(1 << 20, '7'));
    EXPECT_EQ(ReadWhole(files, dir / "huge.txt").size(), SequentialFiles::ReadLimit);
}

TEST(SequentialFiles, FileNumbersAreReusedOnlyWhenFree) {
    TempDir dir;
    SequentialFiles files;
    EXPECT_EQ(files.NextFreeFileNumber(), 1);
    files.OpenAppend(dir / "a", 1);
    EXPECT_EQ(files.NextFreeFileNumber(), 2);
    EXPECT_THROW(files.OpenAppend(dir / "b", 1), RuntimeError);
    files.CloseFile(1);
    EXPECT_EQ(files.NextFreeFileNumber(), 1);
    EXPECT_THROW(files.CloseFile(1), RuntimeError);
}

// Each failure names the file whole, with the number its reason deserves.
TEST(SequentialFiles, FailuresNameThePathAndTheReason) {
    using Open = void (SequentialFiles::*)(const std::string&, int);
    struct Case {
        Open open;
        const char* path;
        RuntimeError::Number number;
    } cases[] = {
        {&SequentialFiles::OpenAppend, "folder", RuntimeError::PathFileAccessError},
        {&SequentialFiles::OpenInput, "folder", RuntimeError::PathFileAccessError},
        {&SequentialFiles::OpenOutput, "folder", RuntimeError::PathFileAccessError},
        {&SequentialFiles::OpenInput, "missing", RuntimeError::FileNotFound},
        {&SequentialFiles::OpenAppend, "no/such/dir", RuntimeError::PathNotFound},
    };
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    for (const auto& c : cases) {
        std::string detail;
        EXPECT_EQ(ErrorOpening(c.open, dir / c.path, &detail), c.number) << c.path;
        EXPECT_EQ(detail, dir / c.path);
    }
}

TEST(FileTransaction, OutputTakesEffectOnlyAtCommit) {
    TempDir dir;
    SequentialFiles files;
    const auto score = dir / "tavrec7.txt", name = dir / "ntavrec7.txt";
    WriteBytes(score, "5\r\n");
    WriteBytes(name, "Anna\r\n");
    {
        FolderTransaction dropped(files, dir.Path().string());
        WriteLine(files, score, "9");
        EXPECT_EQ(ReadBytes(score), "5\r\n");
    }
    EXPECT_EQ(ReadBytes(score), "5\r\n") << "dropped without a commit";
    {
        FolderTransaction committed(files, dir.Path().string());
        WriteLine(files, score, "9");
        WriteLine(files, name, "Bruno");
        committed.Commit();
    }
    EXPECT_EQ(ReadBytes(score), "9\r\n");
    EXPECT_EQ(ReadBytes(name), "Bruno\r\n");
}

} // namespace
