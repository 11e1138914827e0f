#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tavola {

// The folder of the record files, shared by the game and the record helper.
//
// Nothing here follows a symbolic link, waits on a FIFO or device, or leaves
// the folder: every name is opened relative to the folder's own descriptor
// and must turn out to be a regular file. Every failure is a RuntimeError
// naming the file and the reason.
//
// A save changes several files together through a journal, tavola7.journal,
// a file that is empty except during a save. The new contents go into the
// journal first, with their lengths and a closing mark, and are synced; from
// then on the save has happened, whatever comes next. Then each file is
// rewritten in place and synced, and the journal emptied. Whoever next takes
// the lock finds a complete journal and writes it again, or a torn one and
// drops it; so after a crash at any moment the files hold exactly the old
// contents or exactly the new. Files are rewritten, never replaced, so they
// keep their owner and mode, and no temporary file exists at all.
class RecordFolder {
  public:
    enum class Access { ReadOnly, ReadWrite };
    using Files = std::vector<std::pair<std::string, std::string>>; // name, bytes

    // The record pair, as the game and the record helper both name it.
    static constexpr const char* ScoreName = "tavrec7.txt";
    static constexpr const char* NameName = "ntavrec7.txt";
    static constexpr const char* LockName = "tavola7.lock";
    static constexpr const char* JournalName = "tavola7.journal";
    // Reading stops here, so that a stray huge file cannot stall a start.
    static constexpr std::size_t ReadLimit = 4096;
    // Readable by every player; writable by the group, the record helper's.
    static constexpr mode_t FileMode = 0664;

    RecordFolder(const std::string& path, Access access);
    ~RecordFolder();
    RecordFolder(const RecordFolder&) = delete;
    RecordFolder& operator=(const RecordFolder&) = delete;

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_; }

    // Waits for every other game: alone to write, alongside other readers to read.
    void Lock();
    void Unlock() noexcept;
    // Whether a save was cut short and waits for Recover.
    bool Interrupted() const;
    // Under the lock: finishes a save whose journal is whole, drops a torn
    // one, and removes the temporary files that older versions could leave.
    void Recover();
    // Creates the file empty when missing; an existing one is left alone.
    void Create(const std::string& name);
    std::string Read(const std::string& name) const;
    // Under the lock: all of the files change, or none.
    void Save(const Files& files);

  private:
    int Open(const std::string& name, int flags) const;
    void Rewrite(const std::string& name, const std::string& bytes) const;
    void RemoveOldTemporaries() const;

    std::string path_;
    Access access_;
    int fd_ = -1;
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
