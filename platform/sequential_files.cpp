#include "sequential_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime_error.h"
#include "windows1252.h"

namespace tavola {

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    RuntimeError::Number number = RuntimeError::PathFileAccessError;
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        number = RuntimeError::PathNotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        number = RuntimeError::PermissionDenied;
        break;
    case ENOSPC:
    case EDQUOT:
        number = RuntimeError::DiskFull;
        break;
    case EIO:
        number = RuntimeError::DeviceIoError;
        break;
    default:
        break;
    }
    throw RuntimeError(number, path + " (" + std::strerror(error) + ")");
}

int OpenOrFail(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(path, errno);
    return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncDirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileTransaction::FileTransaction(SequentialFiles& files, const std::string& directory)
    : files_(files) {
    const std::string path = directory + "/tavola7.lock";
    lockFd_ = OpenOrFail(path, O_RDWR | O_CREAT);
    while (::flock(lockFd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(lockFd_);
            Fail(path, error);
        }
    }
    files_.holding_ = true;
}

FileTransaction::~FileTransaction() {
    files_.DropHeld();
    files_.holding_ = false;
    ::close(lockFd_);
}

void FileTransaction::Commit() {
    files_.CommitHeld();
}

SequentialFiles::~SequentialFiles() {
    CloseAll();
}

int SequentialFiles::NextFreeFileNumber() const {
    int file = 1;
    while (files_.contains(file))
        ++file;
    return file;
}

void SequentialFiles::Claim(int file, const std::string& path) {
    if (file < 1)
        throw RuntimeError(RuntimeError::BadFileNumber, path);
    if (files_.contains(file))
        throw RuntimeError(RuntimeError::FileAlreadyOpen, path);
}

SequentialFiles::OpenFile& SequentialFiles::Find(int file) {
    const auto found = files_.find(file);
    if (found == files_.end())
        throw RuntimeError(RuntimeError::BadFileNumber, "#" + std::to_string(file));
    return found->second;
}

void SequentialFiles::OpenAppend(const std::string& path, int file) {
    Claim(file, path);
    files_[file] = {Mode::Append, path, {}, OpenOrFail(path, O_WRONLY | O_APPEND | O_CREAT)};
}

void SequentialFiles::OpenOutput(const std::string& path, int file) {
    Claim(file, path);
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            Fail(path, EISDIR);
        if (::access(path.c_str(), W_OK) != 0)
            Fail(path, errno);
    }
    const std::string pending = path + ".tmp-" + std::to_string(::getpid());
    files_[file] = {Mode::Output, path, pending, OpenOrFail(pending, O_WRONLY | O_CREAT | O_TRUNC)};
}

void SequentialFiles::OpenInput(const std::string& path, int file) {
    Claim(file, path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            throw RuntimeError(RuntimeError::FileNotFound, path);
        Fail(path, error);
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        Fail(path, EISDIR);
    }
    files_[file] = {Mode::Input, path, {}, fd};
}

std::string SequentialFiles::ReadAll(int file) {
    const OpenFile& open = Find(file);
    if (open.mode != Mode::Input)
        throw RuntimeError(RuntimeError::BadFileNumber, open.path);
    std::string bytes(ReadLimit, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(open.fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail(open.path, errno);
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return FromWindows1252(bytes);
}

void SequentialFiles::PrintLine(int file, const std::string& text) {
    const OpenFile& open = Find(file);
    if (open.mode == Mode::Input)
        throw RuntimeError(RuntimeError::BadFileNumber, open.path);
    if (!WriteAll(open.fd, ToWindows1252(text) + "\r\n")) {
        const int error = errno;
        const std::string path = open.path;
        Discard(file);
        Fail(path, error);
    }
}

void SequentialFiles::CloseFile(int file) {
    OpenFile open = Find(file);
    files_.erase(file);
    if (open.mode != Mode::Output) {
        ::close(open.fd);
        return;
    }
    int error = 0;
    if (::fsync(open.fd) != 0)
        error = errno;
    if (::close(open.fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(open.pendingPath.c_str());
        Fail(open.path, error);
    }
    if (holding_)
        held_.push_back({open.pendingPath, open.path});
    else
        Replace({open.pendingPath, open.path});
}

void SequentialFiles::Replace(const Replacement& replacement) {
    if (::rename(replacement.pendingPath.c_str(), replacement.path.c_str()) != 0) {
        const int error = errno;
        ::unlink(replacement.pendingPath.c_str());
        Fail(replacement.path, error);
    }
    SyncDirectoryOf(replacement.path);
}

void SequentialFiles::CommitHeld() {
    std::vector<Replacement> replacements;
    replacements.swap(held_);
    for (std::size_t i = 0; i < replacements.size(); ++i) {
        try {
            Replace(replacements[i]);
        } catch (const RuntimeError&) {
            for (std::size_t rest = i + 1; rest < replacements.size(); ++rest)
                ::unlink(replacements[rest].pendingPath.c_str());
            throw;
        }
    }
}

void SequentialFiles::DropHeld() noexcept {
    for (const auto& replacement : held_)
        ::unlink(replacement.pendingPath.c_str());
    held_.clear();
}

void SequentialFiles::Discard(int file) noexcept {
    const auto found = files_.find(file);
    if (found == files_.end())
        return;
    ::close(found->second.fd);
    if (found->second.mode == Mode::Output)
        ::unlink(found->second.pendingPath.c_str());
    files_.erase(found);
}

void SequentialFiles::CloseAll() noexcept {
    while (!files_.empty())
        Discard(files_.begin()->first);
    DropHeld();
}

} // namespace tavola
