// renew-record: puts a fresh record folder, which the install step made with
// its four empty files, in place of the computer's, and keeps the record.
// Root's install step (share-record) runs it; it trusts no more than root
// does: both folders must be their owner's alone.
//
//   renew-record FOLDER FRESH           holds every save out of FOLDER, ten
//                                       seconds at most, carries its record
//                                       into FRESH's two files, swaps them
//   renew-record --empty FOLDER FRESH   swaps them, reading nothing (a reset)
//
// FRESH's path then holds the old folder. Status: 0 swapped; 3 nothing
// replaced, since a save kept its turn or the lock all along (a player
// stopped her helper); else 1, and why.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "record_book.h"
#include "runtime_error.h"

namespace {

using namespace tavola;

constexpr int Swapped = 0, Failed = 1, Held = 3;

// Every player's turn and the folder's lock: while both are held no save and
// no fold runs, and one that waits for its turn starts again in the fresh folder.
bool HoldEverySave(const UniqueFd& lock) {
    struct flock everyTurn {};
    everyTurn.l_type = F_WRLCK;
    everyTurn.l_whence = SEEK_SET; // from 0, to the end and beyond
    bool turns = false, folds = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(turns && folds) && std::chrono::steady_clock::now() < deadline) {
        turns = turns || ::fcntl(lock.get(), F_OFD_SETLK, &everyTurn) == 0;
        folds = folds || ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0;
        if (!(turns && folds))
            ::usleep(10000);
    }
    return turns && folds;
}

void Sync(const std::string& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
        throw FileError(folder, errno);
}

// The fresh folder takes the old one's place in one step, where the file
// system can swap two names; a game meets one folder or the other, whole.
void Swap(const std::string& folder, const std::string& fresh) {
    Sync(fresh);
    const std::string parent = folder.substr(0, folder.find_last_of('/') + 1);
    if (::renameat2(AT_FDCWD, fresh.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) != 0) {
        const std::string old = fresh + ".old";
        const bool exchanges = errno != EINVAL && errno != ENOSYS;
        if (errno != ENOENT && exchanges)
            throw FileError(folder, errno);
        if ((!exchanges && ::rename(folder.c_str(), old.c_str()) != 0) ||
            ::rename(fresh.c_str(), folder.c_str()) != 0 ||
            (!exchanges && ::rename(old.c_str(), fresh.c_str()) != 0))
            throw FileError(folder, errno);
    }
    Sync(parent.empty() ? "." : parent);
}

int Renew(const std::string& folder, const std::string& fresh) {
    RecordBook book(folder, RecordFolder::Kind::Shared);
    const UniqueFd lock =
        book.Folder().Open(RecordFolder::LockName, O_RDWR, RecordFolder::Names::Any);
    if (!HoldEverySave(lock))
        return Held;
    const RecordBook::Pair record = book.Carried();
    if (record != RecordBook::Pair{}) {
        const RecordFolder renewed(fresh, RecordFolder::Kind::Shared);
        Rewrite(renewed.Open(RecordFolder::NameName, O_WRONLY).get(), record.name + "\r\n",
                renewed.Shown(RecordFolder::NameName));
        Rewrite(renewed.Open(RecordFolder::ScoreName, O_WRONLY).get(), record.score + "\r\n",
                renewed.Shown(RecordFolder::ScoreName));
    }
    Swap(folder, fresh);
    return Swapped;
}

} // namespace

int main(int argc, char* argv[]) {
    const bool empty = argc == 4 && std::strcmp(argv[1], "--empty") == 0;
    if (argc != 3 && !empty) {
        std::fprintf(stderr, "usage: renew-record [--empty] FOLDER FRESH\n");
        return Failed;
    }
    const std::string folder = argv[argc - 2], fresh = argv[argc - 1];
    try {
        if (!empty)
            return Renew(folder, fresh);
        Swap(folder, fresh);
        return Swapped;
    } catch (const RuntimeError& error) {
        std::fprintf(stderr, "renew-record: %s\n", error.what());
        return Failed;
    }
}
