#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "record_folder.h"

namespace tavola {

// The record, kept the same way in the player's own folder and in the
// computer's: one reading of the stored score, one comparison, one name rule,
// one way to finish a save cut short. The game uses it for the player's
// folder, the record helper for the computer's.
//
// Nobody waits for anybody. A save is appended whole, in one write, to the
// record's log (tavola7.log), and the record is the best of the log's entries
// and the pair in the two files. The files follow the log: whoever finds the
// lock free rewrites them from it, through the folder's journal. A holder
// that stalls, such as a helper its player stopped, only leaves the files
// behind for a while; every start and save reads the log as well, so no
// save is lost and nobody is held up. The log grows by a new record only.
class RecordBook {
  public:
    using Pair = std::pair<std::string, std::string>; // the score file's bytes, the name file's
    struct Opened {
        Pair pair;
        // A save cut short that cannot be finished, in Italian; empty when all is well.
        std::string problem;
    };

    // The largest name, in bytes of the files' code page.
    static constexpr std::size_t LongestName = 255;
    // Reading the log stops here, at its end: a new record is always appended.
    static constexpr std::size_t LogLimit = 1 << 20;

    RecordBook(const std::string& folder, RecordFolder::Kind kind);

    const RecordFolder& Folder() const { return folder_; }

    // What a start shows.
    Opened Open();
    // Saves the score's and the name's lines (without CR LF) when the score
    // beats the record; false when the record is as good or better. A file
    // that the save could not rewrite refuses it before anything is written.
    bool Offer(const std::string& score, const std::string& name);

    // The score that a score file's bytes hold: the number spelled by their
    // leading part, as the game has always read it ("1e3" is 1000, "-5" is
    // -5, "+8" is 8, leading blanks and line breaks are skipped).
    static double ScoreOf(std::string_view bytes);
    // A score as a save writes it: 1 to 5 digits, no sign, no leading zero, at most 32767.
    static bool IsScoreLine(std::string_view line);
    // A name as the name box takes it, in the files' code page: at most 255
    // bytes, no control character, none of the five bytes that Windows-1252
    // leaves unassigned (they would show as control characters).
    static bool IsName(std::string_view bytes);

    // A save as the log holds it, and back; torn or foreign entries are skipped.
    static std::string EncodeEntry(const std::string& score, const std::string& name);
    static std::vector<Pair> DecodeLog(std::string_view bytes);

  private:
    struct Mirrored {
        bool ran = false; // false when another holds the lock
        std::string problem;
        std::optional<Pair> best; // the record, when the files were brought up to it
    };
    // The player's own folder makes what is missing; the computer's refuses.
    void RequireAll();
    // Brings the files up to the record, when nobody else holds the lock.
    Mirrored Mirror();
    // The record as the files, the log and, while another rewrites the
    // files, its journal hold it.
    Pair RecordAfter(const Mirrored& mirrored) const;
    Pair BestOf(const Pair& files) const;
    Pair Files() const;
    std::string ReadLog() const;
    std::size_t LogSize() const;
    void Append(const std::string& entry);

    RecordFolder folder_;
};

} // namespace tavola
