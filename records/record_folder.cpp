#include "record_folder.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime_error.h"

namespace tavola {

RecordFolder::RecordFolder(const std::string& path, Kind kind) : path_(path), kind_(kind) {
    // A trailing slash would make even O_NOFOLLOW follow a link.
    const std::string folder =
        path.substr(0, std::max<std::size_t>(path.find_last_not_of('/') + 1, 1));
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (kind == Kind::Own ? O_NOFOLLOW : 0);
    fd_ = ::open(folder.c_str(), flags);
    if (fd_ < 0)
        throw FileError(path, errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        ::close(fd_);
        throw FileError(path, error);
    }
    owner_ = info.st_uid;
    // The computer's folder must be one that only its owner (root, or the
    // player running a copy of her own) can change.
    const char* wrong = nullptr;
    if (kind == Kind::Own && owner_ != ::geteuid())
        wrong = "La cartella non è del giocatore";
    else if (kind == Kind::Shared && owner_ != 0 && owner_ != ::geteuid())
        wrong = "La cartella ha un proprietario inatteso";
    else if (kind == Kind::Shared && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        wrong = "Altri oltre al proprietario possono cambiare la cartella";
    if (wrong != nullptr) {
        ::close(fd_);
        throw RuntimeError(RuntimeError::PermissionDenied, path, wrong);
    }
}

RecordFolder::~RecordFolder() {
    Unlock();
    ::close(fd_);
}

UniqueFd RecordFolder::Open(const std::string& name, int flags) const {
    UniqueFd fd(OpenRegularAt(fd_, name, flags, Shown(name)));
    struct stat info {};
    if (kind_ == Kind::Shared && (::fstat(fd.get(), &info) != 0 || info.st_uid != owner_))
        throw RuntimeError(RuntimeError::PermissionDenied, Shown(name),
                           "Non appartiene al proprietario della cartella");
    return fd;
}

bool RecordFolder::TryLock() {
    lockFd_ = Open(LockName, O_RDWR).release();
    int locked = 0;
    while ((locked = ::flock(lockFd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked == 0)
        return true;
    const int error = errno;
    Unlock();
    if (error != EWOULDBLOCK)
        throw FileError(Shown(LockName), error);
    return false;
}

void RecordFolder::Unlock() noexcept {
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

void RecordFolder::Require(const std::string& name) {
    if (kind_ == Kind::Shared)
        return;
    const int fd =
        ::openat(fd_, name.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, FileMode);
    if (fd < 0 && errno != EEXIST)
        throw FileError(Shown(name), errno);
    if (fd < 0) {
        Open(name, O_RDONLY); // what is there must be a regular file
        return;
    }
    ::close(fd);
    // A new name must outlive a power cut before anything relies on it.
    SyncFolder(fd_, path_);
}

} // namespace tavola
