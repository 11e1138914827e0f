#pragma once

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "record_folder.h"
#include "sequential_files.h"

namespace tavola {

// One run of the record helper, started at once; its answer is read when it
// is wanted, so that the game can ask early and take the answer later.
class HelperRun {
  public:
    struct Answer {
        int status;
        std::string output;    // what it printed
        std::string complaint; // what it said was wrong, if anything
    };

    HelperRun(const std::string& helper, const std::vector<std::string>& arguments);
    ~HelperRun();
    HelperRun(const HelperRun&) = delete;
    HelperRun& operator=(const HelperRun&) = delete;

    // Waits for the helper to end; once only.
    Answer Finish();

  private:
    std::string helper_;
    pid_t child_ = -1;
    int out_ = -1, err_ = -1;
};

// The transaction on the computer's shared record, whose folder the game
// never opens: only the set-group-id record helper may, and it keeps the
// record with the same book as the player's own folder. At the start the
// helper hands over the pair, which the game reads as if from disk; a save
// hands it the score and the name. What goes wrong there comes back as the
// run-time error that the book raised.
class SharedRecordTransaction : public FileTransaction {
  public:
    // `early`, when given, is a run started beforehand to read the pair.
    SharedRecordTransaction(SequentialFiles& files, const std::string& directory,
                            const std::string& helper, std::unique_ptr<HelperRun> early = nullptr);

  protected:
    bool Offer(const std::string& score, const std::string& name) override;

  private:
    std::string helper_;
};

} // namespace tavola
