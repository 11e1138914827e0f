// tavola7-record: the only program that writes the computer's shared record.
// It runs set-group-id to the record folder's group, so that players save the
// record but never touch its files, which every player reads. It reads no
// environment and no file outside its compiled-in folder, follows no link,
// creates no file, never waits for another player's game, and refuses anything
// unexpected with a message in Italian, leaving the files as they were.
//
//   tavola7-record SCORE NAME   saves the pair when SCORE beats the record
//   tavola7-record              brings the files up to the record when the
//                               lock is free (the install step)
//
// Status: 0 the save is the record, 1 the record is as good or better, 2
// refused arguments, else the number of the run-time error that stopped it.
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
    ::signal(SIGXFSZ, SIG_IGN); // a player's file size limit fails a write, not the helper
    if (argc != 1 && argc != 3)
        return Refuse(Refused, "uso: tavola7-record [PUNTI NOME]");
    const auto score = argc == 3 ? RecordBook::ScoreOf(argv[1]) : std::nullopt;
    if (argc == 3 && !score)
        return Refuse(Refused, "i punti devono essere un numero da 0 a 32767");
    if (argc == 3 && !RecordBook::IsName(argv[2]))
        return Refuse(Refused, "il nome deve stare in 255 byte, senza caratteri di controllo");

    try {
        return tavola::WithSharedBook(TAVOLA_RECORD_DIR, [&](RecordBook& book) {
            // The book checked that only its owner can change it; it must be our group's.
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
