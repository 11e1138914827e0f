#pragma once

#include <string>
#include <vector>

#include "record_store.h"

namespace tavola::testing {

// The real record store, with each call the core makes written down in order.
// The place starts as the player's own folder and may be moved before a game.
class RecordingStore : public RecordStore {
  public:
    RecordingStore() : RecordStore({"/nonexistent", {}}) {}

    RecordPlace& place = place_;
    std::vector<std::string> calls;               // "Read", "Offer 12 Anna"
    std::vector<std::string>* timeline = nullptr; // calls, interleaved with another log

    ShownRecord Read() override;
    bool Offer(int score, const std::string& name) override;

  private:
    void Note(const std::string& call);
};

} // namespace tavola::testing
