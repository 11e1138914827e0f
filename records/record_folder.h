#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "file_io.h"

namespace tavola {

// The folder of the record files: the player's own, or the computer's, which
// only the record helper writes.
//
// Nothing here follows a symbolic link, waits on a FIFO or device, or leaves
// the folder: every name is opened relative to the folder's own descriptor
// and must turn out to be a regular file with one link. Every failure is a
// RuntimeError naming the file and the reason.
//
// A rewrite changes the two record files together through a journal,
// tavola7.journal, a file that is empty except during a save. Every target is
// opened for writing first; then the new contents go into the journal, with
// their lengths and a closing mark, and are synced: from then on the save has
// happened, whatever comes next. Then each file is rewritten in place and
// synced, and the journal emptied. Whoever next takes the lock finds a
// complete journal and writes it again, or a torn one and drops it; so after a
// crash at any moment the files hold exactly the old contents or exactly the
// new. Files are rewritten, never replaced, so they keep their owner and mode,
// and no temporary file exists at all.
class RecordFolder {
  public:
    // The player's own folder makes whatever file is missing; it must be a
    // folder of hers, not a link, and is kept hers alone (0700). The
    // computer's is made by installation alone: its files must be there
    // already and belong to the folder's owner, so that no player's file is
    // ever trusted.
    enum class Kind { Own, Shared };
    using Files = std::vector<std::pair<std::string, std::string>>; // name, bytes

    // The record pair, as the game and the record helper both name it.
    static constexpr const char* ScoreName = "tavrec7.txt";
    static constexpr const char* NameName = "ntavrec7.txt";
    static constexpr const char* LockName = "tavola7.lock";
    static constexpr const char* JournalName = "tavola7.journal";
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
    int Descriptor() const { return fd_; }

    // Takes the lock if nobody holds it, without waiting: a holder that
    // stalls (a stopped process) must never hold anybody else up. The lock
    // file must be there.
    bool TryLock();
    void Unlock() noexcept;
    // Whether a save was cut short and waits for Recover.
    bool Interrupted() const;
    // The files of a whole journal that names only the record pair: what a
    // save in progress, or cut short, is writing.
    bool Pending(Files& files) const;
    // Under the lock: finishes a save whose journal is whole and names only
    // the record pair, and drops any other. A journal whose files cannot all
    // be written is left, with every file, as it is: the reason comes back,
    // in Italian, and the files keep the pair they hold. Empty when all is well.
    std::string Recover();
    // A file the folder must have: made empty in the player's own folder when
    // missing; in the computer's, "File non trovato" when missing.
    void Require(const std::string& name);
    std::string Read(const std::string& name) const;
    // Opens a file of the folder, refusing what is not a regular file with one
    // link or, in the computer's folder, not the folder owner's.
    int Open(const std::string& name, int flags) const;
    // Opens each file for writing, or none: the first refusal closes the rest.
    std::vector<UniqueFd> OpenTargets(const Files& files);
    // Under the lock: all of the files change, or none. Once the journal is
    // durable the save has happened: a later failure is finished by the next
    // Recover, so it does not make the save fail.
    void Save(const Files& files);

  private:
    void RemoveOldTemporaries() const;

    std::string path_;
    Kind kind_;
    int fd_ = -1;
    uid_t owner_ = 0;
    int lockFd_ = -1;
};

// The folder and the name of a path; a doubled separator names the same file.
std::pair<std::string, std::string> SplitPath(const std::string& path);
// Whether two spellings name the same folder, trailing separators aside.
bool SameFolder(std::string_view a, std::string_view b);

// The journal's bytes for a save, and back; nothing from a torn or foreign journal.
std::string EncodeJournal(const RecordFolder::Files& files);
bool DecodeJournal(const std::string& bytes, RecordFolder::Files& files);

} // namespace tavola
