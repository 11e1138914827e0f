// The record files hold whatever a disk, an editor or a crash left there. The
// game must show it as it is, and a save must rewrite both files or neither.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "conversions.h"
#include "quiz_fixture.h"
#include "record_book.h"
#include "windows1252.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

void Check(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "%s fails\n", property);
        std::abort();
    }
}

} // namespace

// The input: one byte of right answers to play, one byte that splits the rest
// into the score file's bytes and the name file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int rightAnswers = data[0] % 16;
    const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t split = rest.empty() ? 0 : data[1] % (rest.size() + 1);
    const std::string scoreBytes = rest.substr(0, split), nameBytes = rest.substr(split);

    // The log of saves, read by the set-group-id helper too, yields only what a save could write.
    for (const auto& entry : RecordBook::DecodeLog(rest, 0, 0).entries)
        Check(RecordBook::ScoreOf(entry.pair.score) && RecordBook::IsName(entry.pair.name),
              "the log yields only pairs that a save writes");

    // The name box's rule and the record book's are one: whatever the game
    // makes of a typed name, the book takes.
    Check(RecordBook::IsName(ToWindows1252(NameForTheRecord(rest))), "a typed name fits the book");

    DiskQuizFixture f;
    WriteBytes(f.ScoreFile(), scoreBytes);
    WriteBytes(f.NameFile(), nameBytes);
    f.Load("Anna");
    const auto shown = [](const std::string& bytes) {
        return FromWindows1252(bytes.substr(0, RecordFolder::ReadLimit));
    };
    Check(f.controls.Caption(Label::lblpunti) == shown(scoreBytes), "the score shows unchanged");
    Check(f.controls.Caption(Label::lblnome) == shown(nameBytes), "the holder shows unchanged");

    ScoreRight(f, rightAnswers);
    const double record = LeadingNumber(shown(scoreBytes));
    Check(f.EndsProgram([&] { f.quiz.cmdExit_Click(); }) == 0, "a save ends the game");
    const bool beaten = rightAnswers > record; // NaN never is: "nan" reads as 0 anyway
    if (beaten) {
        Check(ReadBytes(f.ScoreFile()) == std::to_string(rightAnswers) + "\r\n", "new score saved");
        Check(ReadBytes(f.NameFile()) == "Anna\r\n", "new holder saved");
    } else {
        Check(ReadBytes(f.ScoreFile()) == scoreBytes, "the score file untouched");
        Check(ReadBytes(f.NameFile()) == nameBytes, "the name file untouched");
    }
    Check(f.platform.messages.size() == 1u + beaten, "the record is announced only when saved");
    return 0;
}
