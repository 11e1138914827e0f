#include "record_book.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>
#include <unistd.h>

namespace tavola {

namespace {

constexpr const char* ScoreName = RecordFolder::ScoreName;
constexpr const char* NameName = RecordFolder::NameName;
constexpr const char* LogName = RecordFolder::LogName;
constexpr const char* LockName = RecordFolder::LockName;
// How long a save waits for the turn that another of its player's saves has:
// three seconds, in tries 10 ms apart.
constexpr int TurnTries = 300;

// Where the log's bytes begin (a fold's punched hole reads as none), and its size.
std::pair<off_t, off_t> LogSpan(int log, const std::string& shown) {
    struct stat info {};
    if (::fstat(log, &info) != 0)
        throw FileError(shown, errno);
    const off_t data = ::lseek(log, 0, SEEK_DATA);
    return {data < 0 ? info.st_size : std::min(data, info.st_size), info.st_size};
}

// An entry of the log always could be written: only the files' pair may not.
bool Writable(const RecordBook::Pair& pair) {
    return RecordBook::ScoreOf(pair.score) && RecordBook::IsName(pair.name);
}

} // namespace

// The three files, each opened once for the whole of a read or a save.
struct RecordBook::Files {
    UniqueFd score, name, log;
};

RecordBook::Files RecordBook::Open(int flags, RecordFolder::Names names) {
    return {folder_.Open(ScoreName, flags, names), folder_.Open(NameName, flags, names),
            folder_.Open(LogName, flags == O_RDONLY ? flags : flags | O_APPEND, names)};
}

// The files, the log, and the files again, until the two readings of the
// files agree: a fold that ran meanwhile is then seen whole.
RecordBook::Snapshot RecordBook::Take(const Files& files) const {
    const auto read = [&](const UniqueFd& fd, const char* name) {
        return ReadAt(fd.get(), 0, RecordFolder::ReadLimit, folder_.Shown(name));
    };
    for (int attempt = 0;; ++attempt) {
        Snapshot snapshot{read(files.score, ScoreName), read(files.name, NameName), {}};
        const auto [start, size] = LogSpan(files.log.get(), folder_.Shown(LogName));
        const auto left = std::min(static_cast<std::size_t>(size - start), LogLimit + 4096);
        snapshot.log = DecodeLog(ReadAt(files.log.get(), start, left, folder_.Shown(LogName)),
                                 start, ::getuid());
        if ((read(files.score, ScoreName) == snapshot.score &&
             read(files.name, NameName) == snapshot.name) ||
            attempt == 8)
            return snapshot;
    }
}

RecordBook::Pair RecordBook::Read() {
    const Snapshot snapshot = Take(Open(O_RDONLY));
    const Best best = BestOf(snapshot);
    return best.fromLog ? Pair{best.pair.score + "\r\n", best.pair.name + "\r\n"}
                        : Pair{snapshot.score, snapshot.name};
}

// The player's turn, check, one reading, append, fold when the lock is free,
// answer. Up to the append, every failure is the save's run-time error and
// nothing is written. After it, the save has happened: a fold that fails (a
// full disk) only leaves the files behind the log, which every reader reads
// too, for the next save.
bool RecordBook::Offer(long score, const std::string& name) {
    const Pair mine{std::to_string(score), name};
    if (score < 0 || score > HighestScore || !IsName(name))
        throw RuntimeError(RuntimeError::BadFileNumber, folder_.Shown(LogName),
                           "Il record non è nel formato dei file");
    const uid_t player = ::getuid();
    const UniqueFd lock = TakeTurn(player);
    // Opening the pair for writing refuses a save that could never be folded.
    const Files files = Open(O_RDWR);
    // Without waiting, so that a stopped holder holds nobody up: the entries
    // then wait in the log for a save that can fold them.
    const bool locked = ::flock(lock.get(), LOCK_EX | LOCK_NB) == 0;
    const Snapshot before = Take(files);
    if (BestOf(before).value >= score)
        return false;
    // Saves that found the lock taken left their entries to this one: room for mine.
    const bool folded = locked && Fold(files, before);
    const off_t end = Append(files, EncodeEntry(mine, player), folded ? 0 : before.log.waiting);
    const Snapshot after = Take(files);
    if (locked) {
        try {
            Fold(files, after);
        } catch (const RuntimeError&) {
        }
    }
    return IsRecord(after, {mine, end, player});
}

void RecordBook::Mend() {
    const Files files = Open(O_RDWR);
    const UniqueFd lock = folder_.Open(LockName, O_RDWR);
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    const Snapshot snapshot = Take(files);
    Fold(files, snapshot);
    const Best best = BestOf(snapshot);
    if (best.pair != Pair{} && !Writable(best.pair)) {
        Rewrite(files.name.get(), "", folder_.Shown(NameName));
        Rewrite(files.score.get(), "", folder_.Shown(ScoreName));
    }
}

RecordBook::Pair RecordBook::Carried() {
    const Best best = BestOf(Take(Open(O_RDONLY, RecordFolder::Names::Any)));
    return Writable(best.pair) ? best.pair : Pair{};
}

// Under the lock: the files take the record that `snapshot` read, then the
// entries it read go from the log; whether they went.
bool RecordBook::Fold(const Files& files, const Snapshot& snapshot) {
    const Best best = BestOf(snapshot);
    // The name first: until the score follows, the files' score stays below the log's.
    if (best.fromLog && snapshot.name != best.pair.name + "\r\n")
        Rewrite(files.name.get(), best.pair.name + "\r\n", folder_.Shown(NameName));
    if (best.fromLog && snapshot.score != best.pair.score + "\r\n")
        Rewrite(files.score.get(), best.pair.score + "\r\n", folder_.Shown(ScoreName));
    if (snapshot.log.folded <= snapshot.log.start)
        return false;
    if (::fallocate(files.log.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0,
                    snapshot.log.folded) == 0)
        return true;
    // Where holes cannot be punched, the entries stay to be read again: only a full log refuses.
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        throw FileError(folder_.Shown(LogName), errno);
    return false;
}

// A player's saves take turns from before they open the files to their
// answer, so that the share that each checks holds all that she has waiting,
// however many she starts at once or stops halfway. The turn is a lock on one
// byte of the lock file, at her user number: nobody else's save waits for it,
// and no player can hold it, as only the helper's group opens that file. A
// turn kept for seconds (a save that she stopped) is a full share. Root's
// install step holds every turn while it swaps in a fresh folder, where a
// save that waited starts again. Where the file system keeps no such locks,
// the share is checked without turns. The lock file holds the turn until it goes.
UniqueFd RecordBook::TakeTurn(uid_t player) const {
    UniqueFd lock = folder_.Open(LockName, O_RDWR);
    struct flock turn {};
    turn.l_type = F_WRLCK;
    turn.l_whence = SEEK_SET;
    turn.l_start = player;
    turn.l_len = 1;
    for (int waited = 0; ::fcntl(lock.get(), F_OFD_SETLK, &turn) != 0; ++waited) {
        if (errno != EAGAIN && errno != EACCES)
            break;
        if (waited == TurnTries)
            throw RuntimeError(RuntimeError::DiskFull, folder_.Shown(LogName));
        ::usleep(10000);
    }
    if (!folder_.Current())
        throw RuntimeError(RuntimeError::PathNotFound, folder_.Path());
    return lock;
}

// One write, so that no other save's bytes come between this one's; a
// write past the log's limit, past the player's share of it (with what she
// has `waiting`) or that the process's file size limit would cut short is
// refused before it starts. Gives the offset just past the entry.
off_t RecordBook::Append(const Files& files, const std::string& entry, std::size_t waiting) {
    const std::string shown = folder_.Shown(LogName);
    const int log = files.log.get();
    const auto [start, size] = LogSpan(log, shown);
    if (static_cast<std::size_t>(size - start) + entry.size() > LogLimit ||
        waiting + entry.size() > UserShare ||
        !FileSizeAllows(static_cast<std::size_t>(size) + entry.size() + 4096))
        throw RuntimeError(RuntimeError::DiskFull, shown);
    WriteWhole(log, entry, shown);
    const off_t end = ::lseek(log, 0, SEEK_CUR);
    // A failed sync is reported, though the entry may stand: the next start shows it.
    if (end < 0 || ::fsync(log) != 0)
        throw FileError(shown, errno);
    return end;
}

} // namespace tavola
