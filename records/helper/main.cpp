// tavola7-record: the only program that writes the computer's shared record.
//
// It runs set-group-id to the group that owns the record folder's lock and
// log, so that the players can save the record but never touch the files
// themselves; every player reads them. It keeps the record with the same book
// as the game's own folder. It reads no environment variable and no file
// outside its compiled-in folder, follows no symbolic link, creates no file
// (installation makes them, owned by the folder's owner), never waits for
// another game, and refuses anything unexpected with a message in Italian and
// a non-zero status, leaving the files as they were.
//
//   tavola7-record              bring the files up to the record when the
//                               lock is free, and empty a pair that no game
//                               could write (for the install step)
//   tavola7-record SCORE NAME   save SCORE (0 to 32767) and NAME (Windows-1252,
//                               at most 255 bytes, no control character nor
//                               unassigned byte) when SCORE beats the record
//   tavola7-record --check SCORE NAME
//                               only say whether SCORE and NAME are a record
//                               that a game could write (for the install step)
//
// Status: 0 done (the save is the record), 1 not saved (the record is as good
// or better), 2 refused arguments; any other is the number of the run-time
// error that stopped it (53 a missing file, 61 a full disk, 70 no permission,
// 75 not a plain file, ...), with its message on the error output.
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
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

constexpr int Done = 0, NotBeaten = 1, Refused = 2;

int Refuse(int status, const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return status;
}

// The folder must belong to our group; the book has made sure that only its
// owner can change it.
std::string WhatIsWrongWith(const RecordFolder& folder) {
    struct stat info {};
    if (::fstat(folder.Descriptor(), &info) != 0)
        return "la cartella non si può esaminare";
    if (info.st_gid != ::getegid())
        return "la cartella non appartiene al gruppo di questo programma";
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    ::umask(022);
    // A file size limit that its player set must fail a write, not end the
    // helper between two.
    ::signal(SIGXFSZ, SIG_IGN);
    const bool checking = argc == 4 && std::string_view(argv[1]) == "--check";
    if (argc != 1 && argc != 3 && !checking)
        return Refuse(Refused, "uso: tavola7-record [[--check] PUNTI NOME]");
    char** record = argv + (checking ? 2 : 1);
    if (argc > 1 && !RecordBook::ScoreOf(record[0]))
        return Refuse(Refused, "i punti devono essere un numero da 0 a 32767");
    if (argc > 1 && !RecordBook::IsName(record[1]))
        return Refuse(Refused, "il nome deve stare in 255 byte, senza caratteri di controllo");
    if (checking)
        return Done;

    try {
        RecordBook book(TAVOLA_RECORD_DIR, RecordFolder::Kind::Shared);
        if (const std::string wrong = WhatIsWrongWith(book.Folder()); !wrong.empty())
            return Refuse(RuntimeError::PermissionDenied, book.Folder().Path() + ": " + wrong);
        if (argc == 1) {
            book.Mend();
            return Done;
        }
        return book.Offer(record[0], record[1]) ? Done : NotBeaten;
    } catch (const RuntimeError& error) {
        return Refuse(error.number(), error.what());
    }
}
