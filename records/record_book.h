#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

#include "record_folder.h"
#include "runtime_error.h"

namespace tavola {

// The record, kept alike in the player's own folder and in the computer's.
// Nobody waits for another player's save: a save is appended whole, in one
// write, to the log, and from then on it has happened. The record is the best of the files'
// pair and the log's whole entries, the files the oldest; a tie keeps the
// older. Whoever holds the lock folds the log into the files, the name first,
// each synced, and only then punches what it read out of the log: until the
// score follows, the files' score stays below the entry's, so no reader sees
// a mixed pair.
class RecordBook {
  public:
    // Two lines in the files' code page: without line ends, or as shown.
    struct Pair {
        std::string score, name;
        bool operator==(const Pair&) const = default;
    };
    // A whole entry of the log, the offset just past it, and who saved it.
    struct Entry {
        Pair pair;
        off_t end = 0;
        uid_t user = 0;
    };
    struct Log {
        // Each entry that beats every older one, in the log's order.
        std::vector<Entry> entries;
        // Where the bytes read begin, and how far a fold may punch: to the last
        // line feed read, before which every entry is whole or never will be.
        off_t start = 0, folded = 0;
        // How much of the log the reading player's entries take.
        std::size_t waiting = 0;
    };
    // The files' bytes and the log, as one reading saw them.
    struct Snapshot {
        std::string score, name;
        Log log;
    };

    static constexpr std::size_t LongestName = 255;
    static constexpr long HighestScore = 32767; // the game's score is 16 bits
    // The most that the log holds before a fold, and the most of it that one
    // player's entries may take: more is a full disk, so that a player who
    // keeps the lock and saves on and on fills her own share alone.
    static constexpr std::size_t LogLimit = 16 << 20;
    static constexpr std::size_t UserShare = 256 << 10;

    RecordBook(const std::string& folder, RecordFolder::Kind kind) : folder_(folder, kind) {}
    const RecordFolder& Folder() const { return folder_; }

    // The files' bytes, or the log's better entry: what a start shows.
    Pair Read();
    // Saves the pair when the score beats the record; whether it is the record.
    bool Offer(long score, const std::string& name);
    // When the lock is free: the files take the record, and a pair that no
    // save could write (a score above 32767, say) is emptied.
    void Mend();
    // The record that root's install step carries into fresh files, while it
    // holds every save out: the best pair, or none where the files hold one
    // that no save could write. It reads files with other names too, which
    // the step replaces.
    Pair Carried();

    // A score as a save writes it: 1 to 5 digits, no sign, no leading zero,
    // at most 32767. Its value, or nothing for anything else.
    static std::optional<long> ScoreOf(std::string_view line);
    // At most 255 bytes of Windows-1252, no control character, none of the
    // five bytes that it leaves unassigned (they show as control characters).
    static bool IsName(std::string_view bytes);
    // "\nSCORE LENGTH NAME USER\r": an entry counts only whole, between a line
    // feed and a carriage return that no other entry supplies, its name as long
    // as it says, USER the number of the player who saved it.
    static std::string EncodeEntry(const Pair& pair, uid_t user);
    // The log's bytes from offset `start`, as `user` reads them.
    static Log DecodeLog(std::string_view bytes, off_t start, uid_t user);
    // The record that a reading saw, with its value, and whether only the
    // log holds it. Files that hold no score as a save writes it count for
    // less than any: the game has already compared the record that it showed.
    struct Best {
        static constexpr long None = -1;
        Pair pair;
        long value = None;
        bool fromLog = false;
    };
    static Best BestOf(const Snapshot& snapshot);
    // Whether `mine`, appended to the log that `after` read, is the record:
    // no older entry holds as much, and the files do not hold more.
    static bool IsRecord(const Snapshot& after, const Entry& mine);

  private:
    struct Files;
    Files Open(int flags, RecordFolder::Names names = RecordFolder::Names::One);
    Snapshot Take(const Files& files) const;
    UniqueFd TakeTurn(uid_t player) const;
    bool Fold(const Files& files, const Snapshot& snapshot);
    off_t Append(const Files& files, const std::string& entry, std::size_t waiting);

    RecordFolder folder_;
};

// Runs `use` on the computer's book, again on whichever folder is there when a
// step met the install step's swap of it (a folder or file missing, or a fresh
// folder in its place), always before any write.
template <typename Use> auto WithSharedBook(const std::string& folder, Use use) {
    for (int attempt = 1;; ++attempt) {
        try {
            RecordBook book(folder, RecordFolder::Kind::Shared);
            return use(book);
        } catch (const RuntimeError& error) {
            if (attempt == 5 || (error.number() != RuntimeError::FileNotFound &&
                                 error.number() != RuntimeError::PathNotFound))
                throw;
        }
        ::usleep(20000);
    }
}

} // namespace tavola
