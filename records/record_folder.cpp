#include "record_folder.h"

#include <algorithm>
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

// A journal may change the record pair and nothing else of the folder.
bool NamesOnlyThePair(const RecordFolder::Files& files) {
    for (const auto& [name, bytes] : files)
        if (name != RecordFolder::ScoreName && name != RecordFolder::NameName)
            return false;
    return true;
}

// Replaces a file's content in place, durably; false with errno set on failure.
bool RewriteFile(int fd, const std::string& bytes) {
    return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ::fsync(fd) == 0;
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
    if (kind == Kind::Own && owner_ != ::geteuid()) {
        ::close(fd_);
        throw RuntimeError(RuntimeError::PermissionDenied, path, "La cartella non è del giocatore");
    }
    // The player's record is hers alone: no other user may read it or take
    // its lock. An older version left the folder open to every user.
    if (kind == Kind::Own && (info.st_mode & 077) != 0 && ::fchmod(fd_, 0700) != 0) {
        const int error = errno;
        ::close(fd_);
        throw FileError(path, error);
    }
}

RecordFolder::~RecordFolder() {
    Unlock();
    ::close(fd_);
}

int RecordFolder::Open(const std::string& name, int flags) const {
    const std::string shown = path_ + "/" + name;
    const int fd = OpenRegularAt(fd_, name, flags, shown);
    struct stat info {};
    if (kind_ == Kind::Shared && (::fstat(fd, &info) != 0 || info.st_uid != owner_)) {
        ::close(fd);
        throw RuntimeError(RuntimeError::PermissionDenied, shown,
                           "Non appartiene al proprietario della cartella");
    }
    return fd;
}

bool RecordFolder::TryLock() {
    lockFd_ = Open(LockName, O_RDWR);
    int locked = 0;
    while ((locked = ::flock(lockFd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked == 0)
        return true;
    const int error = errno;
    Unlock();
    if (error != EWOULDBLOCK)
        throw FileError(path_ + "/" + LockName, error);
    return false;
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

std::vector<UniqueFd> RecordFolder::OpenTargets(const Files& files) {
    std::vector<UniqueFd> targets;
    for (const auto& [name, bytes] : files) {
        Require(name);
        targets.emplace_back(Open(name, O_WRONLY));
    }
    return targets;
}

bool RecordFolder::Pending(Files& files) const {
    if (!Interrupted())
        return false;
    const UniqueFd journal(Open(JournalName, O_RDONLY));
    std::string bytes;
    // A journal larger than any save could write is foreign: read too little to trust it.
    if (!ReadUpTo(journal.get(), 64 * ReadLimit, bytes))
        throw FileError(path_ + "/" + JournalName, errno);
    return DecodeJournal(bytes, files) && NamesOnlyThePair(files);
}

std::string RecordFolder::Recover() {
    if (kind_ == Kind::Own)
        RemoveOldTemporaries();
    if (!Interrupted())
        return {};
    const UniqueFd journal(Open(JournalName, O_RDWR));
    Files files;
    // The record book has made sure, or refused, every file of the pair.
    if (Pending(files)) {
        std::vector<UniqueFd> targets;
        try {
            targets = OpenTargets(files);
        } catch (const RuntimeError& refused) {
            return "Non ho potuto finire di registrare l'ultimo record (" +
                   std::string(refused.what()) + "): resta quello di prima.";
        }
        for (std::size_t i = 0; i < files.size(); ++i)
            if (!RewriteFile(targets[i].get(), files[i].second))
                throw FileError(path_ + "/" + files[i].first, errno);
    }
    if (::ftruncate(journal.get(), 0) != 0 || ::fsync(journal.get()) != 0)
        throw FileError(path_ + "/" + JournalName, errno);
    return {};
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

void RecordFolder::Require(const std::string& name) {
    if (kind_ == Kind::Shared) {
        ::close(Open(name, O_RDONLY));
        return;
    }
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
    SyncFolder(fd_, path_);
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

void RecordFolder::Save(const Files& files) {
    for (const auto& [name, bytes] : files)
        if (!IsPlainName(name) || name == LockName || name == JournalName)
            throw RuntimeError(RuntimeError::BadFileNumber, path_ + "/" + name);
    Require(JournalName);
    const UniqueFd journal(Open(JournalName, O_WRONLY));
    const std::vector<UniqueFd> targets = OpenTargets(files);
    if (!RewriteFile(journal.get(), EncodeJournal(files))) {
        const int error = errno;
        // Best effort: a torn journal would be dropped at the next start anyway.
        (void)!::ftruncate(journal.get(), 0);
        throw FileError(path_ + "/" + JournalName, error);
    }
    // The save has happened: from here a failure is finished by the next Recover.
    bool applied = true;
    for (std::size_t i = 0; i < files.size(); ++i)
        applied = RewriteFile(targets[i].get(), files[i].second) && applied;
    if (applied)
        (void)!(::ftruncate(journal.get(), 0) == 0 && ::fsync(journal.get()) == 0);
}

} // namespace tavola
