#include "file_io.h"

#include <cerrno>
#include <fcntl.h>
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

void MakeFolders(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (!folder.empty() && folder.back() != '/') {
            if (::mkdir(folder.c_str(), 0700) == 0) {
                const auto slash = folder.rfind('/');
                const std::string parent = slash == 0 || slash == std::string::npos
                                               ? folder.substr(0, slash + 1) + "."
                                               : folder.substr(0, slash);
                for (const std::string& made : {folder, parent}) {
                    const UniqueFd fd(::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
                        throw FileError(made, errno);
                }
            } else if (errno != EEXIST) {
                throw FileError(folder, errno);
            }
        }
        if (end == std::string::npos)
            return;
    }
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

} // namespace tavola
