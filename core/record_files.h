#pragma once

#include <memory>
#include <string>

namespace tavola {

// The record files as one game reads, compares and writes them: the two files
// read are always one record's pair, and output files closed meanwhile take
// effect together at Commit, or not at all when it is dropped without one.
// No game ever waits for another.
class RecordTransaction {
  public:
    virtual ~RecordTransaction() = default;

    // True when the output took effect; false when it was left unwritten
    // because the record is already as good as the one saved, or better.
    virtual bool Commit() = 0;
    // What a save cut short left that could not be finished, in Italian, for
    // the player to hear once; empty when all is well.
    virtual const std::string& Problem() const = 0;
};

// The record's two files as the rules see them: numbered sequential text
// files in one folder. Every failure is a RuntimeError naming the file.
class RecordFiles {
  public:
    virtual ~RecordFiles() = default;

    // The stand-in for the Windows directory: the folder that holds the
    // record files, without a trailing separator.
    virtual std::string GetWindowsDirectoryA() = 0;

    virtual int NextFreeFileNumber() = 0;
    // Creates a missing file and keeps an existing one.
    virtual void OpenAppend(const std::string& path, int file) = 0;
    // The new content replaces the old when the file is closed, or at the
    // commit of the transaction it was closed under.
    virtual void OpenOutput(const std::string& path, int file) = 0;
    virtual void OpenInput(const std::string& path, int file) = 0;
    virtual std::string ReadAll(int file) = 0;
    virtual void PrintLine(int file, const std::string& text) = 0;
    virtual void CloseFile(int file) = 0;
    // The record will be read soon: the player is reading the greeting. A
    // store that must ask another program for it may ask now, so that the
    // answer is there when the next transaction wants it.
    virtual void ReadSoon() = 0;
    // Reads the record files in `directory` as one pair, for one save at most.
    virtual std::unique_ptr<RecordTransaction> BeginTransaction(const std::string& directory) = 0;
};

} // namespace tavola
