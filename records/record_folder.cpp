#include "record_folder.h"

#include <algorithm>
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

std::string ReadAt(int fd, off_t at, std::size_t limit, const std::string& shown) {
    std::string bytes(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::pread(fd, bytes.data() + filled, limit - filled,
                                    at + static_cast<off_t>(filled));
        if (got < 0 && errno != EINTR)
            throw FileError(shown, errno);
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(std::max<ssize_t>(got, 0));
    }
    bytes.resize(filled);
    return bytes;
}

bool FileSizeAllows(std::size_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= size) &&
           ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

void WriteWhole(int fd, std::string_view bytes, const std::string& shown) {
    ssize_t written = 0;
    while ((written = ::write(fd, bytes.data(), bytes.size())) < 0 && errno == EINTR) {
    }
    if (written < 0)
        throw FileError(shown, errno);
    if (static_cast<std::size_t>(written) != bytes.size())
        throw RuntimeError(RuntimeError::DiskFull, shown);
}

void Rewrite(int fd, std::string_view bytes, const std::string& shown) {
    if (!FileSizeAllows(bytes.size()))
        throw RuntimeError(RuntimeError::DiskFull, shown);
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        throw FileError(shown, errno);
    WriteWhole(fd, bytes, shown);
    if (::fsync(fd) != 0)
        throw FileError(shown, errno);
}

// A trailing slash would make even O_NOFOLLOW follow a link.
RecordFolder::RecordFolder(const std::string& path, Kind kind)
    : path_(path), kind_(kind),
      fd_(::open(path.substr(0, std::max<std::size_t>(path.find_last_not_of('/') + 1, 1)).c_str(),
                 O_RDONLY | O_DIRECTORY | O_CLOEXEC | (kind == Kind::Own ? O_NOFOLLOW : 0))) {
    struct stat info {};
    if (fd_.get() < 0 || ::fstat(fd_.get(), &info) != 0)
        throw FileError(path, errno);
    owner_ = info.st_uid;
    const char* wrong = nullptr;
    if (kind == Kind::Own && owner_ != ::geteuid())
        wrong = "La cartella non è del giocatore";
    else if (kind == Kind::Shared && owner_ != 0 && owner_ != ::geteuid())
        wrong = "La cartella ha un proprietario inatteso";
    else if (kind == Kind::Shared && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        wrong = "Altri oltre al proprietario possono cambiare la cartella";
    if (wrong != nullptr)
        throw RuntimeError(RuntimeError::PermissionDenied, path, wrong);
}

UniqueFd RecordFolder::Open(const std::string& name, int flags, Names names) const {
    UniqueFd fd(::openat(fd_.get(), name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw errno == ENOENT ? RuntimeError(RuntimeError::FileNotFound, Shown(name))
                              : FileError(Shown(name), errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        (names == Names::One && info.st_nlink != 1))
        throw NotAFileError(Shown(name));
    if (kind_ == Kind::Shared && info.st_uid != owner_)
        throw RuntimeError(RuntimeError::PermissionDenied, Shown(name),
                           "Non appartiene al proprietario della cartella");
    return fd;
}

bool RecordFolder::Current() const {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd_.get(), &opened) == 0 && ::stat(path_.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace tavola
