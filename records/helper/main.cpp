// tavola7-record: the only program that opens the computer's shared record.
//
// It runs set-group-id to the group that owns the record folder, so that the
// players can read and save the record but never touch the files themselves.
// It reads no environment variable and no file outside its compiled-in
// folder, follows no symbolic link, creates no file (installation makes
// them, owned by the folder's owner), waits for another game's lock a few
// seconds at most, and refuses anything unexpected with a message in Italian
// and a non-zero status, leaving the files as they were.
//
//   tavola7-record              finish a save cut short, then print the pair
//                               (in the journal's format) read under the lock
//   tavola7-record SCORE NAME   save SCORE (0 to 32767) and NAME (Windows-1252,
//                               at most 255 bytes, no control character nor
//                               unassigned byte)
//                               when SCORE beats the record in the folder
//
// Status: 0 done, 1 not saved (the record is as good or better), 2 refused
// arguments, 3 the folder or its files are unusable, 4 the pair is printed
// but a save cut short could not be finished (the reason on the error output).
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "record_folder.h"
#include "runtime_error.h"

#ifndef TAVOLA_RECORD_DIR
#error "TAVOLA_RECORD_DIR must name the record folder"
#endif

namespace {

enum Status { Done = 0, NotBeaten = 1, Refused = 2, Unusable = 3, CutShortSaveLeft = 4 };

using tavola::RecordFolder;
constexpr const char* ScoreName = RecordFolder::ScoreName;
constexpr const char* NameName = RecordFolder::NameName;
constexpr std::size_t LongestName = 255;
// The game's score is a 16-bit count: a record above it could never be beaten.
constexpr long HighestScore = 32767;

int Refuse(Status status, const std::string& why) {
    std::fprintf(stderr, "tavola7-record: %s\n", why.c_str());
    return status;
}

// The score as a number, or -1 when it is not 1 to 5 digits up to the highest.
long ScoreOf(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    long score = 0;
    for (const char digit : text)
        score = score * 10 + (digit - '0');
    return score <= HighestScore ? score : -1;
}

// The number at the start of a record file, as the game reads it: leading
// blanks, then digits; a file with none holds 0.
long RecordOf(std::string_view bytes) {
    const auto start = bytes.find_first_not_of(" \t");
    long record = 0;
    for (auto i = start; i != std::string_view::npos && i < bytes.size() && bytes[i] >= '0' &&
                         bytes[i] <= '9' && record <= HighestScore;
         ++i)
        record = record * 10 + (bytes[i] - '0');
    return record;
}

// The game's name rule, in the file's code page: no control character, nor
// any of the five bytes that Windows-1252 leaves unassigned, which the game
// would show as control characters.
bool IsName(std::string_view text) {
    if (text.size() > LongestName)
        return false;
    for (const unsigned char c : text)
        if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
            return false;
    return true;
}

// The folder must be one that only its owner (root, or the player running
// an unprivileged copy) can change, and that belongs to our group.
std::string WhatIsWrongWith(const RecordFolder& folder) {
    struct stat info {};
    if (::fstat(folder.Descriptor(), &info) != 0)
        return "la cartella non si può esaminare";
    if (info.st_uid != 0 && info.st_uid != ::geteuid())
        return "la cartella ha un proprietario inatteso";
    if (info.st_gid != ::getegid())
        return "la cartella non appartiene al gruppo di questo programma";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "altri oltre al proprietario possono cambiare la cartella";
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    ::umask(022);
    if (argc != 1 && argc != 3)
        return Refuse(Refused, "uso: tavola7-record [PUNTI NOME]");
    const bool saving = argc == 3;
    const long score = saving ? ScoreOf(argv[1]) : 0;
    if (score < 0)
        return Refuse(Refused, "i punti devono essere un numero da 0 a 32767");
    if (saving && !IsName(argv[2]))
        return Refuse(Refused, "il nome deve stare in 255 byte, senza caratteri di controllo");

    try {
        RecordFolder folder(TAVOLA_RECORD_DIR, RecordFolder::Kind::Shared);
        if (const std::string wrong = WhatIsWrongWith(folder); !wrong.empty())
            return Refuse(Unusable, folder.Path() + ": " + wrong);
        folder.Lock();
        const std::string problem = folder.Recover();
        if (!saving) {
            const std::string pair = tavola::EncodeJournal(
                {{ScoreName, folder.Read(ScoreName)}, {NameName, folder.Read(NameName)}});
            // Nothing is written while the record is held: output that nobody
            // reads, a full pipe, must keep no other game waiting.
            folder.Unlock();
            if (std::fwrite(pair.data(), 1, pair.size(), stdout) != pair.size() ||
                std::fflush(stdout) != 0)
                return Unusable;
            return problem.empty() ? Done : Refuse(CutShortSaveLeft, problem);
        }
        if (!problem.empty()) {
            folder.Unlock();
            return Refuse(Unusable, problem);
        }
        if (RecordOf(folder.Read(ScoreName)) >= score)
            return NotBeaten;
        folder.Save({{ScoreName, std::string(argv[1]) + "\r\n"},
                     {NameName, std::string(argv[2]) + "\r\n"}});
        return Done;
    } catch (const tavola::RuntimeError& error) {
        return Refuse(Unusable, error.what());
    }
}
