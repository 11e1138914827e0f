#pragma once

#include <string>
#include <vector>

#include "record_folder.h"
#include "sequential_files.h"

namespace tavola {

// The transaction on the computer's shared record, whose folder the game
// never opens: only the set-group-id record helper may, under its own lock.
// At the start of the transaction the helper finishes any save cut short and
// hands over a copy of the pair, which the game reads as if from disk. A save
// hands the score and the name to the helper, which compares them with the
// record then on disk.
class SharedRecordTransaction : public FileTransaction {
  public:
    SharedRecordTransaction(SequentialFiles& files, const std::string& directory,
                            const std::string& helper);

    const std::string* Copy(const std::string& path) const override;

  protected:
    bool Save(const Output& output) override;

  private:
    struct Answer {
        int status;
        std::string output;    // what it printed
        std::string complaint; // what it said was wrong, if anything
    };
    Answer RunHelper(const std::vector<std::string>& arguments) const;

    std::string directory_;
    std::string helper_;
    RecordFolder::Files pair_;
};

} // namespace tavola
