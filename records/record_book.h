#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "record_folder.h"

namespace tavola {

// The record, kept the same way in the player's own folder and in the
// computer's, with the one score rule and the one name rule that the game,
// the record helper and the install step share.
//
// Nobody waits for anybody. A save is appended whole, in one write, to the
// record's log (tavola7.log); from then on it has happened. The record is
// the best of the pair in the two files and the log's whole entries, the
// files counting as the oldest, and a tie keeps the older. A save that finds
// the lock free folds the log into the files: the name file first, then the
// score file, each synced, and only then are the entries it read punched out
// of the log, so that the log stays small and an entry appended meanwhile is
// never touched. At every moment of a fold, a reader of the files and the
// log finds the old record or the new, never a mixed pair: until the score
// file holds the new score, the files' score is lower than the log's entry.
class RecordBook {
  public:
    // The lines of one record, without their CR LF, in the files' code page.
    struct Pair {
        std::string score;
        std::string name;
        bool operator==(const Pair&) const = default;
    };
    // A whole entry of the log and the offset just past it.
    struct Entry {
        Pair pair;
        off_t end = 0;
    };

    // The largest name, in bytes of the files' code page.
    static constexpr std::size_t LongestName = 255;
    // The game's score is a 16-bit count: a record above it could never be beaten.
    static constexpr long HighestScore = 32767;
    // The most that the log may hold before a fold: more is refused as a full disk.
    static constexpr std::size_t LogLimit = 1 << 20;

    RecordBook(const std::string& folder, RecordFolder::Kind kind);

    const RecordFolder& Folder() const { return folder_; }

    // The record's two texts as a start shows them: the files' bytes, or the
    // log's better entry with CR LF. It writes nothing but, in the player's
    // own folder, the files that are missing.
    std::pair<std::string, std::string> Read();
    // Saves the score and the name when the score beats the record; true when
    // the save is the record, false when the record is as good or better. A
    // file that the save could not rewrite, or a log that the process's
    // limits would cut short, refuses it before anything is written.
    bool Offer(const std::string& score, const std::string& name);
    // When nobody holds the lock: brings the files up to the record, and
    // empties a pair in them that no save could write (a score above
    // 32767, say) and that no entry of the log stands for.
    void Mend();

    // A score as a save writes it: 1 to 5 digits, no sign, no leading zero,
    // at most 32767. Its value, or nothing for anything else.
    static std::optional<long> ScoreOf(std::string_view line);
    // A name as the name box takes it, in the files' code page: at most 255
    // bytes, no control character, none of the five bytes that Windows-1252
    // leaves unassigned (they would show as control characters).
    static bool IsName(std::string_view bytes);

    // A save as the log holds it, and back. An entry counts only when it is
    // whole: it starts with a line feed and ends with a carriage return,
    // which no other entry can supply, and its name has the length it says.
    static std::string EncodeEntry(const std::string& score, const std::string& name);
    struct Log {
        std::vector<Entry> entries;
        off_t start = 0, end = 0; // the bytes read
        // What a fold may punch out: up to the last line feed read, before
        // which every entry is whole or never will be.
        off_t folded = 0;
    };
    static Log DecodeLog(std::string_view bytes, off_t start);

    // The files' bytes and the log, as one reading saw them.
    struct Snapshot {
        std::string score, name;
        Log log;
    };
    // Whether `mine`, appended to the log that `after` read, is the record:
    // no older entry holds as much, and the files do not hold more.
    static bool IsRecord(const Snapshot& after, const Entry& mine);

  private:
    struct Best {
        Pair pair;
        long value = 0;
        bool fromLog = false;
    };
    struct Files;
    // The player's own folder first makes what is missing.
    Files Open(int flags, int logFlags);
    Snapshot Take(const Files& files) const;
    static Best BestOf(const Snapshot& snapshot);
    void Fold(const Files& files, const Snapshot& snapshot);
    off_t Append(const Files& files, const std::string& entry);

    RecordFolder folder_;
};

} // namespace tavola
