#include "file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime_error.h"

namespace tavola {

UniqueFd::~UniqueFd() {
    if (fd_ >= 0)
        ::close(fd_);
}

int OpenRegularAt(int directory, const std::string& name, int flags, const std::string& shown) {
    const int fd =
        ::openat(directory, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        throw errno == ENOENT && !(flags & O_CREAT)
            ? RuntimeError(RuntimeError::FileNotFound, shown)
            : FileError(shown, errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        ::close(fd);
        throw NotAFileError(shown);
    }
    return fd;
}

void SyncFolder(int directory, const std::string& shown) {
    if (::fsync(directory) != 0)
        throw FileError(shown, errno);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReadUpTo(int fd, std::size_t limit, std::string& bytes) {
    bytes.assign(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

std::string ReadAt(int fd, off_t at, std::size_t limit, const std::string& shown) {
    std::string bytes(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::pread(fd, bytes.data() + filled, limit - filled,
                                    at + static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError(shown, errno);
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

bool FileSizeAllows(std::size_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return false;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= size)
        return true;
    limit.rlim_cur = limit.rlim_max;
    return (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= size) &&
           ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

void Rewrite(int fd, std::string_view bytes, const std::string& shown) {
    if (!FileSizeAllows(bytes.size()))
        throw RuntimeError(RuntimeError::DiskFull, shown);
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0 || !WriteAll(fd, bytes) ||
        ::fsync(fd) != 0)
        throw FileError(shown, errno);
}

} // namespace tavola
