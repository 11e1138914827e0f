#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace tavola {

// The careful opening and whole reads and writes that every file of the
// record folder goes through, in the game and in the record helper alike.

// A descriptor that closes itself.
class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd& operator=(UniqueFd&&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Opens `name` relative to the folder `directory` (AT_FDCWD for a plain path)
// without following a symbolic link or waiting on a FIFO, and makes sure it is
// a regular file with one link: a hard link would carry a rewrite to a file
// elsewhere. A file it creates is its owner's alone. Failures are
// RuntimeErrors naming `shown`; a missing file opened without O_CREAT is
// "File not found".
int OpenRegularAt(int directory, const std::string& name, int flags, const std::string& shown);
// Makes the entries of the folder `directory` durable: a file created there
// survives a power cut only once its folder is synced. Throws naming `shown`.
void SyncFolder(int directory, const std::string& shown);
// Writes all of `bytes`; false with errno set when the system refuses.
bool WriteAll(int fd, std::string_view bytes);
// Up to `limit` bytes from the file's current position; false with errno set on failure.
bool ReadUpTo(int fd, std::size_t limit, std::string& bytes);
// Up to `limit` bytes from offset `at`, leaving the position alone; throws naming `shown`.
std::string ReadAt(int fd, off_t at, std::size_t limit, const std::string& shown);
// Whether a file of `size` bytes may be written whole: the soft file size
// limit is first raised to the hard one, so that a limit that its player
// set cuts no write short, between two bytes or between two files.
bool FileSizeAllows(std::size_t size);
// Replaces a file's content in place, durably: files are rewritten, never
// replaced, so they keep their owner and mode. A content that the file size
// limit would cut is refused as a full disk before the file is emptied.
void Rewrite(int fd, std::string_view bytes, const std::string& shown);

} // namespace tavola
