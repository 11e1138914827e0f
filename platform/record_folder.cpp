#include "record_folder.h"

#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_io.h"
#include "runtime_error.h"

namespace tavola {

namespace {

constexpr const char* JournalHeader = "tavola7 journal ";
constexpr const char* JournalEnd = "end\n";

// A name that stays inside the folder and fits on a journal line.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/ \n") == std::string_view::npos;
}

bool ReadNumber(std::string_view& text, char end, std::size_t& value) {
    const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || next == text.data() || next == text.data() + text.size() ||
        *next != end)
        return false;
    text.remove_prefix(static_cast<std::size_t>(next - text.data()) + 1);
    return true;
}

} // namespace

std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    const auto end = path.find_last_not_of('/', slash);
    return {end == std::string::npos ? "/" : path.substr(0, end + 1), path.substr(slash + 1)};
}

bool SameFolder(std::string_view a, std::string_view b) {
    const auto trimmed = [](std::string_view path) {
        while (path.size() > 1 && path.back() == '/')
            path.remove_suffix(1);
        return path;
    };
    return trimmed(a) == trimmed(b);
}

std::string EncodeJournal(const RecordFolder::Files& files) {
    std::string journal = JournalHeader + std::to_string(files.size()) + "\n";
    for (const auto& [name, bytes] : files)
        journal += name + " " + std::to_string(bytes.size()) + "\n" + bytes;
    return journal + JournalEnd;
}

bool DecodeJournal(const std::string& bytes, RecordFolder::Files& files) {
    std::string_view text = bytes;
    files.clear();
    std::size_t count = 0;
    if (!text.starts_with(JournalHeader))
        return false;
    text.remove_prefix(std::string_view(JournalHeader).size());
    if (!ReadNumber(text, '\n', count))
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        const auto blank = text.find(' ');
        if (blank == std::string_view::npos || !IsPlainName(text.substr(0, blank)))
            return false;
        std::string name(text.substr(0, blank));
        text.remove_prefix(blank + 1);
        std::size_t length = 0;
        if (!ReadNumber(text, '\n', length) || length > text.size())
            return false;
        files.emplace_back(std::move(name), std::string(text.substr(0, length)));
        text.remove_prefix(length);
    }
    return text == JournalEnd;
}

RecordFolder::RecordFolder(const std::string& path, Access access) : path_(path), access_(access) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw FileError(path, errno);
}

RecordFolder::~RecordFolder() {
    Unlock();
    ::close(fd_);
}

int RecordFolder::Open(const std::string& name, int flags) const {
    return OpenRegularAt(fd_, name, flags, path_ + "/" + name);
}

void RecordFolder::Lock() {
    const bool writing = access_ == Access::ReadWrite;
    if (writing)
        Create(LockName);
    lockFd_ = Open(LockName, writing ? O_RDWR : O_RDONLY);
    while (::flock(lockFd_, writing ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            Unlock();
            throw FileError(path_ + "/" + LockName, error);
        }
    }
}

void RecordFolder::Unlock() noexcept {
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
}

bool RecordFolder::Interrupted() const {
    struct stat info {};
    if (::fstatat(fd_, JournalName, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return !S_ISREG(info.st_mode) || info.st_size > 0;
}

void RecordFolder::Recover() {
    RemoveOldTemporaries();
    if (!Interrupted())
        return;
    const int journal = Open(JournalName, O_RDWR);
    std::string bytes;
    // A journal larger than any save could write is foreign: read too little to trust it.
    const bool read = ReadUpTo(journal, 64 * ReadLimit, bytes);
    Files files;
    if (read && DecodeJournal(bytes, files))
        for (const auto& [name, content] : files)
            Rewrite(name, content);
    const bool emptied = ::ftruncate(journal, 0) == 0 && ::fsync(journal) == 0;
    const int error = errno;
    ::close(journal);
    if (!read || !emptied)
        throw FileError(path_ + "/" + JournalName, error);
}

void RecordFolder::RemoveOldTemporaries() const {
    // Versions before the journal wrote NAME.tmp-PID beside each file, and a
    // crash could leave them behind.
    const int copy = ::dup(fd_);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (dir == nullptr) {
        if (copy >= 0)
            ::close(copy);
        return;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(std::string(ScoreName) + ".tmp-") ||
            name.starts_with(std::string(NameName) + ".tmp-"))
            ::unlinkat(fd_, entry->d_name, 0);
    }
    ::closedir(dir);
}

void RecordFolder::Create(const std::string& name) {
    const int fd =
        ::openat(fd_, name.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, FileMode);
    if (fd < 0 && errno != EEXIST)
        throw FileError(path_ + "/" + name, errno);
    if (fd < 0) {
        ::close(Open(name, O_RDONLY)); // what is there must be a regular file
        return;
    }
    ::close(fd);
    // A new name must outlive a power cut before anything relies on it.
    if (::fsync(fd_) != 0)
        throw FileError(path_, errno);
}

std::string RecordFolder::Read(const std::string& name) const {
    const int fd = Open(name, O_RDONLY);
    std::string bytes;
    const bool read = ReadUpTo(fd, ReadLimit, bytes);
    const int error = errno;
    ::close(fd);
    if (!read)
        throw FileError(path_ + "/" + name, error);
    return bytes;
}

void RecordFolder::Rewrite(const std::string& name, const std::string& bytes) const {
    const int fd = Open(name, O_WRONLY);
    const bool written = ::ftruncate(fd, 0) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed)
        throw FileError(path_ + "/" + name, written ? errno : error);
}

void RecordFolder::Save(const Files& files) {
    for (const auto& [name, bytes] : files)
        if (!IsPlainName(name))
            throw RuntimeError(RuntimeError::BadFileNumber, path_ + "/" + name);
    Create(JournalName);
    for (const auto& [name, bytes] : files)
        Create(name);
    Rewrite(JournalName, EncodeJournal(files));
    // The save has happened: from here a crash is finished by the next Recover.
    for (const auto& [name, bytes] : files)
        Rewrite(name, bytes);
    Rewrite(JournalName, {});
}

} // namespace tavola
