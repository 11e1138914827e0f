#pragma once

#include <string>
#include <utility>
#include <vector>

#include "record_keeper.h"

namespace tavola::testing {

// The record kept in memory, for the rules' tests: what a start shows, and
// every score offered with its holder. The disk has tests of its own.
class MemoryRecords : public RecordKeeper {
  public:
    ShownRecord shown; // what every start reads
    bool taken = true; // whether an offer is the record
    std::vector<std::pair<int, std::string>> offers;

    ShownRecord Read() override { return shown; }
    bool Offer(int score, const std::string& name) override {
        offers.emplace_back(score, name);
        return taken;
    }
};

} // namespace tavola::testing
