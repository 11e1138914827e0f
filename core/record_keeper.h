#pragma once

#include <string>

namespace tavola {

// The record as the labels show it: each file's whole text, its CR LF
// included, or the record's own lines when the files have not caught up.
struct ShownRecord {
    std::string score;
    std::string name;
};

// Whoever keeps the best score and its holder, on disk or in memory. Every
// failure is a RuntimeError naming the file; nobody ever waits for another game.
class RecordKeeper {
  public:
    virtual ~RecordKeeper() = default;

    virtual ShownRecord Read() = 0;
    // Saves the score with its holder when it beats the record kept; true
    // when it is now the record, false when the record kept is as good or
    // better.
    virtual bool Offer(int score, const std::string& name) = 0;
};

} // namespace tavola
