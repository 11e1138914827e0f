// tavola7-record: the only program that writes the computer's shared record.
//
// It runs set-group-id to the group of the record folder, so that players
// can save the record but never touch its files, which every player reads.
// It reads no environment and no file outside its compiled-in folder,
// follows no link, creates no file, never waits for another game, and
// refuses anything unexpected with a message in Italian, leaving the files
// as they were.
//
//   tavola7-record SCORE NAME   save SCORE (0 to 32767) and NAME (Windows-1252,
//                               at most 255 bytes, no control character nor
//                               unassigned byte) when SCORE beats the record
//   tavola7-record              bring the files up to the record when the lock
//                               is free (for the install step)
//
// Status: 0 the save is the record, 1 the record is as good or better, 2
// refused arguments, else the number of the run-time error that stopped it
// (53 a missing file, 61 a full disk, 70 no permission, 75 not a plain file).
#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "record_book.h"
#include "runtime_error.h"

#ifndef TAVOLA_RECORD_DIR
#error "TAVOLA_RECORD_DIR must name the record folder"
#endif

namespace {

using tavola::RecordBook;

constexpr int Done = 0, NotBeaten = 1, Refused = 2;

int Refuse(int status, const char* why) {
    std::fprintf(stderr, "%s\n", why);
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    ::umask(022);
    // A file size limit that its player set must fail a write, not end the
    // helper between two.
    ::signal(SIGXFSZ, SIG_IGN);
    if (argc != 1 && argc != 3)
        return Refuse(Refused, "uso: tavola7-record [PUNTI NOME]");
    const auto score = argc == 3 ? RecordBook::ScoreOf(argv[1]) : std::nullopt;
    if (argc == 3 && !score)
        return Refuse(Refused, "i punti devono essere un numero da 0 a 32767");
    if (argc == 3 && !RecordBook::IsName(argv[2]))
        return Refuse(Refused, "il nome deve stare in 255 byte, senza caratteri di controllo");

    try {
        return tavola::WithSharedBook(TAVOLA_RECORD_DIR, [&](RecordBook& book) {
            // The book has made sure that only the folder's owner can change
            // it; it must also be our group's.
            struct stat folder {};
            if (::fstat(book.Folder().Descriptor(), &folder) != 0 || folder.st_gid != ::getegid())
                return Refuse(tavola::RuntimeError::PermissionDenied,
                              (book.Folder().Path() +
                               ": la cartella non appartiene al gruppo di questo programma")
                                  .c_str());
            if (argc == 1) {
                book.Mend();
                return Done;
            }
            return book.Offer(*score, argv[2]) ? Done : NotBeaten;
        });
    } catch (const tavola::RuntimeError& error) {
        return Refuse(error.number(), error.what());
    }
}
