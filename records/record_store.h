#pragma once

#include <memory>
#include <string>
#include <utility>

#include "record_files.h"
#include "sequential_files.h"
#include "shared_records.h"

namespace tavola {

// Where the record lives: the player's own folder, or the computer's, which
// only the set-group-id record helper may open.
struct RecordPlace {
    std::string folder;
    std::string helper; // empty for the player's own folder
};

// The one choice between the two. Installed for the whole computer, the
// helper "tavola7-record" beside the program is set-group-id to the group that
// owns the shared folder, and the record is the computer's. Anywhere else (the
// build tree, a user's own prefix, an administrator's override of the
// helper's mode) the record stays the player's own.
RecordPlace PickRecordPlace(const std::string& programDirectory, const std::string& sharedFolder,
                            const std::string& ownFolder);

// The record files at their place: the game's only way to them.
class RecordStore : public RecordFiles {
  public:
    explicit RecordStore(RecordPlace place) : place_(std::move(place)) {}

    // The place's folder. The player's own is made when missing, each new
    // folder durable before a save relies on it; when it cannot be made,
    // opening the files then says what is wrong, and where.
    std::string GetWindowsDirectoryA() override;
    int NextFreeFileNumber() override;
    void OpenAppend(const std::string& path, int file) override;
    void OpenOutput(const std::string& path, int file) override;
    void OpenInput(const std::string& path, int file) override;
    std::string ReadAll(int file) override;
    void PrintLine(int file, const std::string& text) override;
    void CloseFile(int file) override;
    // In the computer's folder, starts the helper that reads the pair.
    void ReadSoon() override;
    // Through the helper in the computer's folder, by this process elsewhere.
    std::unique_ptr<RecordTransaction> BeginTransaction(const std::string& directory) override;

  protected:
    RecordPlace place_;

  private:
    SequentialFiles files_;
    std::unique_ptr<HelperRun> early_; // started by ReadSoon
};

} // namespace tavola
