#pragma once

#include <string>

#include "record_keeper.h"

namespace tavola {

// Where the record lives: the player's own folder, or the computer's, which
// only the set-group-id record helper may write.
struct RecordPlace {
    std::string folder;
    std::string helper; // empty for the player's own folder
};

// The one choice between the two. Installed for the whole computer, the
// helper "tavola7-record" beside the program is set-group-id to the group that
// owns the shared folder (or the folder is missing for a moment, while a reset
// swaps it), and the record is the computer's. Anywhere else (the
// build tree, a user's own prefix, an administrator's override of the
// helper's mode) the record stays the player's own.
RecordPlace PickRecordPlace(const std::string& programDirectory, const std::string& sharedFolder,
                            const std::string& ownFolder);

// The record at its place: the game's only way to it. The game reads either
// folder itself; in the computer's, only the helper saves.
class RecordStore : public RecordKeeper {
  public:
    explicit RecordStore(RecordPlace place) : place_(std::move(place)) {}

    // The player's own folder and its files are made when missing, each hers
    // alone and durable in its parent before a save relies on it; when they
    // cannot be made, opening the files then says what is wrong, and where.
    ShownRecord Read() override;
    bool Offer(int score, const std::string& name) override;

  private:
    RecordPlace place_;
};

} // namespace tavola
