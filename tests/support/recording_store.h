#pragma once

#include <string>
#include <vector>

#include "record_store.h"

namespace tavola::testing {

// The real record files, with each call the core makes written down in order.
// The place starts as the player's own folder and may be moved before a game.
class RecordingStore : public RecordStore {
  public:
    RecordingStore() : RecordStore({"/nonexistent", {}}) {}

    RecordPlace& place = place_;
    std::vector<std::string> calls;               // "OpenOutput /path", "PrintLine 12", ...
    std::vector<std::string>* timeline = nullptr; // calls, interleaved with another log

    std::string GetWindowsDirectoryA() override;
    int NextFreeFileNumber() override;
    void OpenAppend(const std::string& path, int file) override;
    void OpenOutput(const std::string& path, int file) override;
    void OpenInput(const std::string& path, int file) override;
    std::string ReadAll(int file) override;
    void PrintLine(int file, const std::string& text) override;
    void CloseFile(int file) override;
    std::unique_ptr<RecordTransaction> BeginTransaction(const std::string& directory) override;

  private:
    void Note(const std::string& call);
};

} // namespace tavola::testing
