#pragma once

#include <string>
#include <vector>

#include "record_folder.h"
#include "sequential_files.h"

namespace tavola {

// The transaction on the computer's shared record, whose folder the game
// never opens: only the set-group-id record helper may, and it keeps the
// record with the same book as the player's own folder. At the start the
// helper hands over the pair, which the game reads as if from disk; a save
// hands it the score and the name. What goes wrong there comes back as the
// run-time error that the book raised.
class SharedRecordTransaction : public FileTransaction {
  public:
    SharedRecordTransaction(SequentialFiles& files, const std::string& directory,
                            const std::string& helper);

  protected:
    bool Offer(const std::string& score, const std::string& name) override;

  private:
    struct Answer {
        int status;
        std::string output;    // what it printed
        std::string complaint; // what it said was wrong, if anything
    };
    Answer RunHelper(const std::vector<std::string>& arguments) const;

    std::string helper_;
};

} // namespace tavola
