// tavola7-record: the only program that opens the computer's shared record.
//
// It runs set-group-id to the group that owns the record folder, so that the
// players can read and save the record but never touch the files themselves.
// It keeps the record with the same book as the game's own folder. It reads
// no environment variable and no file outside its compiled-in folder, follows
// no symbolic link, creates no file (installation makes them, owned by the
// folder's owner), never waits for another game, writes nothing while it
// holds the record's lock, and refuses anything unexpected with a message in
// Italian and a non-zero status, leaving the files as they were.
//
//   tavola7-record              print the record pair (in the journal's format)
//   tavola7-record SCORE NAME   save SCORE (0 to 32767) and NAME (Windows-1252,
//                               at most 255 bytes, no control character nor
//                               unassigned byte)
//                               when SCORE beats the record in the folder
//
// Status: 0 done, 1 not saved (the record is as good or better), 2 refused
// arguments, 4 the pair is printed but a save cut short could not be finished
// (the reason on the error output); any other is the number of the run-time
// error that stopped it (53 a missing file, 61 a full disk, 70 no permission,
// 75 not a plain file, ...), with its message on the error output.
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "record_book.h"
#include "runtime_error.h"

#ifndef TAVOLA_RECORD_DIR
#error "TAVOLA_RECORD_DIR must name the record folder"
#endif

namespace {

using tavola::RecordBook;
using tavola::RecordFolder;
using tavola::RuntimeError;

constexpr int Done = 0, NotBeaten = 1, Refused = 2, CutShortSaveLeft = 4;

int Refuse(int status, const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return status;
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
    // A file size limit that its player set must fail a write, not end the
    // helper between two.
    ::signal(SIGXFSZ, SIG_IGN);
    if (argc != 1 && argc != 3)
        return Refuse(Refused, "uso: tavola7-record [PUNTI NOME]");
    const bool saving = argc == 3;
    if (saving && !RecordBook::IsScoreLine(argv[1]))
        return Refuse(Refused, "i punti devono essere un numero da 0 a 32767");
    if (saving && !RecordBook::IsName(argv[2]))
        return Refuse(Refused, "il nome deve stare in 255 byte, senza caratteri di controllo");

    try {
        RecordBook book(TAVOLA_RECORD_DIR, RecordFolder::Kind::Shared);
        if (const std::string wrong = WhatIsWrongWith(book.Folder()); !wrong.empty())
            return Refuse(RuntimeError::PermissionDenied, book.Folder().Path() + ": " + wrong);
        if (saving)
            return book.Offer(argv[1], argv[2]) ? Done : NotBeaten;
        const auto [pair, problem] = book.Open();
        const std::string printed = tavola::EncodeJournal(
            {{RecordFolder::ScoreName, pair.first}, {RecordFolder::NameName, pair.second}});
        if (std::fwrite(printed.data(), 1, printed.size(), stdout) != printed.size() ||
            std::fflush(stdout) != 0)
            return RuntimeError::DeviceIoError;
        return problem.empty() ? Done : Refuse(CutShortSaveLeft, problem);
    } catch (const RuntimeError& error) {
        return Refuse(error.number(), error.what());
    }
}
