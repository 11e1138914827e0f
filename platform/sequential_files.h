#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavola {

class SequentialFiles;

// Held while the record files are compared and written. It keeps every other
// game out (the system drops the lock when the process ends, so a crash leaves
// none behind), and output files closed meanwhile replace their old contents
// together at Commit, or not at all when it is dropped without one: the score
// of one save never stands beside the name of another.
class FileTransaction {
  public:
    FileTransaction(SequentialFiles& files, const std::string& directory);
    ~FileTransaction();
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    void Commit();

  private:
    SequentialFiles& files_;
    int lockFd_;
};

// Numbered sequential text files on disk: Windows-1252 bytes there, UTF-8 in
// memory, lines ended by CR LF. Every failure is a RuntimeError naming the
// file and the system's reason.
class SequentialFiles {
  public:
    // Reading stops here, so that a stray huge file cannot stall a start.
    static constexpr std::size_t ReadLimit = 4096;

    SequentialFiles() = default;
    ~SequentialFiles();
    SequentialFiles(const SequentialFiles&) = delete;
    SequentialFiles& operator=(const SequentialFiles&) = delete;

    int NextFreeFileNumber() const;
    // Creates a missing file, keeps an existing one.
    void OpenAppend(const std::string& path, int file);
    // The new content replaces the old only when CloseFile has written all of
    // it; until then, and after any failure, the old file stays as it was.
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
    struct Replacement {
        std::string pendingPath, path;
    };
    void Replace(const Replacement& replacement);
    void CommitHeld();
    void DropHeld() noexcept;

    enum class Mode { Append, Output, Input };
    struct OpenFile {
        Mode mode;
        std::string path;
        std::string pendingPath; // Output only: where the new content grows
        int fd;
    };

    OpenFile& Find(int file);
    void Claim(int file, const std::string& path);
    void Discard(int file) noexcept;

    std::map<int, OpenFile> files_;
    bool holding_ = false;          // a FileTransaction is open
    std::vector<Replacement> held_; // output closed under it, awaiting Commit
};

} // namespace tavola
