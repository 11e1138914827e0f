#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "record_files.h"
#include "record_folder.h"

namespace tavola {

class SequentialFiles;

// The system drops the transaction's lock when the process ends, so a crash
// leaves none behind; the score of one save never stands beside the name of
// another.
class FileTransaction : public RecordTransaction {
  public:
    using Output = std::vector<std::pair<std::string, std::string>>; // path, bytes

    explicit FileTransaction(SequentialFiles& files);
    ~FileTransaction() override;
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    bool Commit() override;
    const std::string& Problem() const override { return problem_; }
    // The bytes of a file that the transaction read on the game's behalf,
    // from a folder the game may not open itself; null when the game reads
    // the file from disk.
    virtual const std::string* Copy(const std::string& path) const;

  protected:
    virtual bool Save(const Output& output) = 0;

    std::string problem_;

  private:
    SequentialFiles& files_;
};

// The transaction on a folder that this process writes itself.
class FolderTransaction : public FileTransaction {
  public:
    FolderTransaction(SequentialFiles& files, const std::string& directory);

  protected:
    bool Save(const Output& output) override;

  private:
    RecordFolder folder_;
};

// Numbered sequential text files on disk: Windows-1252 bytes there, UTF-8 in
// memory, lines ended by CR LF. No symbolic link is followed and nothing
// waits on a FIFO or device: a name must be a regular file. Every failure is
// a RuntimeError naming the file and the system's reason.
class SequentialFiles {
  public:
    static constexpr std::size_t ReadLimit = RecordFolder::ReadLimit;

    SequentialFiles() = default;
    ~SequentialFiles();
    SequentialFiles(const SequentialFiles&) = delete;
    SequentialFiles& operator=(const SequentialFiles&) = delete;

    int NextFreeFileNumber() const;
    // Creates a missing file, keeps an existing one; the file is opened for
    // writing only when a line is printed to it.
    void OpenAppend(const std::string& path, int file);
    // The new content replaces the old when the file is closed, or at the
    // commit of the transaction it was closed under; until then, and after
    // any failure, the old file stays as it was.
    void OpenOutput(const std::string& path, int file);
    void OpenInput(const std::string& path, int file);
    std::string ReadAll(int file);
    void PrintLine(int file, const std::string& text);
    void CloseFile(int file);
    // Closes every open file on the way out. Output never closed is dropped,
    // so a half-written file never replaces a whole one.
    void CloseAll() noexcept;

  private:
    friend class FileTransaction;

    enum class Mode { Append, Output, Input };
    struct OpenFile {
        Mode mode;
        std::string path;
        int fd = -1;         // Append: -1 until the first line; Input: -1 for a copy
        std::string pending; // Output: the new content; Input: a copy's bytes
    };

    OpenFile& Find(int file);
    void Claim(int file, const std::string& path);
    const std::string* Copy(const std::string& path) const;

    std::map<int, OpenFile> files_;
    FileTransaction* transaction_ = nullptr;
    FileTransaction::Output held_; // output closed under the transaction
};

} // namespace tavola
