#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace tavola {

// A descriptor that closes itself.
class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// Up to `limit` bytes from offset `at`; a failure names `shown`.
std::string ReadAt(int fd, off_t at, std::size_t limit, const std::string& shown);
// Whether a file may grow to `size` bytes, the soft file size limit raised to
// the hard one: a player's limit refuses a write before it starts, never cuts it.
bool FileSizeAllows(std::size_t size);
// Writes all of `bytes` in one call: a write cut short is a full disk.
void WriteWhole(int fd, std::string_view bytes, const std::string& shown);
// Replaces a file's content in place, so that it keeps its owner and mode,
// durably; what the file size limit would cut is refused before it is emptied.
void Rewrite(int fd, std::string_view bytes, const std::string& shown);

// The folder of the record files: the player's own, or the computer's, which
// only the record helper writes and every player reads. Nothing here follows a
// symbolic link, waits on a FIFO or device, or leaves the folder: every name
// is opened relative to the folder's own descriptor and must turn out to be a
// regular file with one link, since a hard link would carry a rewrite to a
// file elsewhere. Every failure is a RuntimeError naming the file and why.
class RecordFolder {
  public:
    // The player's own folder must be hers, not a link. Only the owner of the
    // computer's (root, or a player running a copy of her own) may change it,
    // and its files, which installation alone makes, must be that owner's.
    enum class Kind { Own, Shared };

    static constexpr const char* ScoreName = "tavrec7.txt";
    static constexpr const char* NameName = "ntavrec7.txt";
    static constexpr const char* LockName = "tavola7.lock";
    static constexpr const char* LogName = "tavola7.log";
    static constexpr std::size_t ReadLimit = 4096; // a stray huge file never stalls a start

    RecordFolder(const std::string& path, Kind kind);

    const std::string& Path() const { return path_; }
    int Descriptor() const { return fd_.get(); }
    // The path of one of its files, as errors name it.
    std::string Shown(const std::string& name) const { return path_ + "/" + name; }

    // A file may have other names only where the caller only reads it: a
    // rewrite through a name elsewhere would change a file outside.
    enum class Names { One, Any };
    UniqueFd Open(const std::string& name, int flags, Names names = Names::One) const;
    // Whether the folder is still the one at its path: root's install step
    // may have put a fresh one in its place.
    bool Current() const;

  private:
    std::string path_;
    Kind kind_;
    UniqueFd fd_;
    uid_t owner_ = 0;
};

} // namespace tavola
