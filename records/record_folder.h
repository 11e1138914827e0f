#pragma once

#include <string>
#include <sys/types.h>

#include "file_io.h"

namespace tavola {

// The folder of the record files: the player's own, or the computer's, which
// only the record helper writes and every player reads.
//
// Nothing here follows a symbolic link, waits on a FIFO or device, or leaves
// the folder: every name is opened relative to the folder's own descriptor
// and must turn out to be a regular file with one link. Every failure is a
// RuntimeError naming the file and the reason.
class RecordFolder {
  public:
    // The player's own folder makes whatever file is missing; it must be a
    // folder of hers, not a link. The computer's is made by installation
    // alone: its files must be there already and belong to the folder's
    // owner, so that no player's file is ever trusted.
    enum class Kind { Own, Shared };

    // The record pair, as the game and the record helper both name it.
    static constexpr const char* ScoreName = "tavrec7.txt";
    static constexpr const char* NameName = "ntavrec7.txt";
    static constexpr const char* LockName = "tavola7.lock";
    static constexpr const char* LogName = "tavola7.log";
    // Reading stops here, so that a stray huge file cannot stall a start.
    static constexpr std::size_t ReadLimit = 4096;
    // The mode of a file that the player's own folder makes: hers alone.
    static constexpr mode_t FileMode = 0600;

    RecordFolder(const std::string& path, Kind kind);
    ~RecordFolder();
    RecordFolder(const RecordFolder&) = delete;
    RecordFolder& operator=(const RecordFolder&) = delete;

    const std::string& Path() const { return path_; }
    bool Shared() const { return kind_ == Kind::Shared; }
    int Descriptor() const { return fd_; }
    // The path of one of its files, as errors name it.
    std::string Shown(const std::string& name) const { return path_ + "/" + name; }

    // Takes the lock if nobody holds it, without waiting: a holder that
    // stalls (a stopped process) must never hold anybody else up. The lock
    // file must be there.
    bool TryLock();
    void Unlock() noexcept;
    // Makes a file empty when it is missing, in the player's own folder
    // alone: the computer's gets its files from installation only, and a
    // missing one is "File non trovato" when it is opened.
    void Require(const std::string& name);
    // Opens a file of the folder, refusing what is not a regular file with one
    // link or, in the computer's folder, not the folder owner's.
    UniqueFd Open(const std::string& name, int flags) const;

  private:
    std::string path_;
    Kind kind_;
    int fd_ = -1;
    uid_t owner_ = 0;
    int lockFd_ = -1;
};

} // namespace tavola
