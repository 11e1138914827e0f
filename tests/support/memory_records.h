#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "record_keeper.h"
#include "runtime_error.h"

namespace tavola::testing {

// The record kept in memory, for the rules' and the window's tests: what a
// start shows, and every score offered with its holder. The disk has tests
// of its own.
class MemoryRecords : public RecordKeeper {
  public:
    ShownRecord shown; // what every start reads
    bool taken = true; // whether an offer is the record
    std::vector<std::pair<int, std::string>> offers;
    std::optional<RuntimeError> failure; // what every start meets instead

    ShownRecord Read() override {
        if (failure)
            throw *failure;
        return shown;
    }
    bool Offer(int score, const std::string& name) override {
        offers.emplace_back(score, name);
        return taken;
    }
};

} // namespace tavola::testing
