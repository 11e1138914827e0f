#pragma once

#include <string>
#include <vector>

#include "record_folder.h"
#include "sequential_files.h"

namespace tavola {

// The transaction on the computer's shared record, whose folder only the
// set-group-id record helper may write. The helper first makes the files
// exist and finishes any save cut short; the game then reads them under a
// shared lock. A save hands the score and the name to the helper, which
// compares them, under its own lock, with the record then on disk.
class SharedRecordTransaction : public FileTransaction {
  public:
    SharedRecordTransaction(SequentialFiles& files, const std::string& directory,
                            const std::string& helper);

  protected:
    bool Save(const Output& output) override;

  private:
    // The helper's exit status; its complaint, if any, in `complaint`.
    int RunHelper(const std::vector<std::string>& arguments, std::string& complaint) const;
    void Prepare() const;

    RecordFolder folder_;
    std::string helper_;
};

} // namespace tavola
