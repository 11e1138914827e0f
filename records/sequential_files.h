#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "record_files.h"
#include "record_book.h"
#include "record_folder.h"

namespace tavola {

class SequentialFiles;

// The record pair as one game reads and writes it: the book's pair, read
// once at the start, stands for the files on disk; output closed meanwhile is
// saved at Commit, or dropped with the transaction. Nobody waits for anybody,
// and the score of one save never stands beside the name of another.
class FileTransaction : public RecordTransaction {
  public:
    using Output = std::vector<std::pair<std::string, std::string>>; // path, bytes

    FileTransaction(SequentialFiles& files, const std::string& directory);
    ~FileTransaction() override;
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    bool Commit() override;
    const std::string& Problem() const override { return problem_; }
    // The bytes of a record file as the transaction read it; null for any other file.
    const std::string* Copy(const std::string& path) const;

  protected:
    // Saves the two lines when the score beats the record; false when it does not.
    virtual bool Offer(const std::string& score, const std::string& name) = 0;

    RecordBook::Pair pair_;
    std::string problem_;

  private:
    SequentialFiles& files_;
    std::string directory_;
};

// The transaction on a folder that this process writes itself.
class FolderTransaction : public FileTransaction {
  public:
    FolderTransaction(SequentialFiles& files, const std::string& directory);

  protected:
    bool Offer(const std::string& score, const std::string& name) override;

  private:
    RecordBook book_;
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
