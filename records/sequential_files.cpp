#include "sequential_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_io.h"
#include "runtime_error.h"
#include "windows1252.h"

namespace tavola {

namespace {

int OpenRegular(const std::string& path, int flags) {
    return OpenRegularAt(AT_FDCWD, path, flags, path);
}

// Whether a name exists; what exists must be a regular file, not a link.
bool ExistsAsFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return false;
        throw FileError(path, errno);
    }
    if (!S_ISREG(info.st_mode))
        throw NotAFileError(path);
    return true;
}

} // namespace

FileTransaction::FileTransaction(SequentialFiles& files, const std::string& directory)
    : files_(files), directory_(directory) {
    files_.transaction_ = this;
}

FileTransaction::~FileTransaction() {
    files_.held_.clear();
    files_.transaction_ = nullptr;
}

const std::string* FileTransaction::Copy(const std::string& path) const {
    const auto [folder, name] = SplitPath(path);
    if (!SameFolder(folder, directory_))
        return nullptr;
    if (name == RecordFolder::ScoreName)
        return &pair_.first;
    return name == RecordFolder::NameName ? &pair_.second : nullptr;
}

bool FileTransaction::Commit() {
    Output output;
    output.swap(files_.held_);
    // The line that each record file was given, without its CR LF.
    const auto lineOf = [&](const char* name) {
        for (const auto& [path, bytes] : output)
            if (Copy(path) && SplitPath(path).second == name)
                return bytes.ends_with("\r\n") ? bytes.substr(0, bytes.size() - 2) : bytes;
        throw RuntimeError(RuntimeError::BadFileNumber, directory_ + "/" + name);
    };
    return Offer(lineOf(RecordFolder::ScoreName), lineOf(RecordFolder::NameName));
}

FolderTransaction::FolderTransaction(SequentialFiles& files, const std::string& directory)
    : FileTransaction(files, directory), book_(directory, RecordFolder::Kind::Own) {
    auto [pair, problem] = book_.Open();
    pair_ = std::move(pair);
    problem_ = std::move(problem);
}

bool FolderTransaction::Offer(const std::string& score, const std::string& name) {
    return book_.Offer(score, name);
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

const std::string* SequentialFiles::Copy(const std::string& path) const {
    return transaction_ != nullptr ? transaction_->Copy(path) : nullptr;
}

void SequentialFiles::OpenAppend(const std::string& path, int file) {
    Claim(file, path);
    // An existing file is not opened yet: a reader who may not write it can
    // still "open it for appending", as the game does to make sure it exists.
    int fd = -1;
    if (!Copy(path) && !ExistsAsFile(path)) {
        fd = OpenRegular(path, O_WRONLY | O_CREAT | O_EXCL);
        // The new name must outlive a power cut before a save relies on it.
        const std::string folder = SplitPath(path).first;
        const UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderFd.get() < 0 || ::fsync(folderFd.get()) != 0) {
            const int error = errno;
            ::close(fd);
            throw FileError(folder, error);
        }
    }
    files_[file] = {Mode::Append, path, fd, {}};
}

void SequentialFiles::OpenOutput(const std::string& path, int file) {
    Claim(file, path);
    if (!Copy(path))
        ExistsAsFile(path);
    files_[file] = {Mode::Output, path, -1, {}};
}

void SequentialFiles::OpenInput(const std::string& path, int file) {
    Claim(file, path);
    if (const std::string* copy = Copy(path))
        files_[file] = {Mode::Input, path, -1, *copy};
    else
        files_[file] = {Mode::Input, path, OpenRegular(path, O_RDONLY), {}};
}

std::string SequentialFiles::ReadAll(int file) {
    const OpenFile& open = Find(file);
    if (open.mode != Mode::Input)
        throw RuntimeError(RuntimeError::BadFileNumber, open.path);
    if (open.fd < 0)
        return FromWindows1252(open.pending.substr(0, ReadLimit));
    std::string bytes;
    if (!ReadUpTo(open.fd, ReadLimit, bytes))
        throw FileError(open.path, errno);
    return FromWindows1252(bytes);
}

void SequentialFiles::PrintLine(int file, const std::string& text) {
    OpenFile& open = Find(file);
    const std::string line = ToWindows1252(text) + "\r\n";
    switch (open.mode) {
    case Mode::Input:
        throw RuntimeError(RuntimeError::BadFileNumber, open.path);
    case Mode::Output:
        open.pending += line;
        return;
    case Mode::Append:
        if (Copy(open.path))
            throw RuntimeError(RuntimeError::PermissionDenied, open.path);
        if (open.fd < 0)
            open.fd = OpenRegular(open.path, O_WRONLY | O_APPEND);
        if (!WriteAll(open.fd, line))
            throw FileError(open.path, errno);
        return;
    }
}

void SequentialFiles::CloseFile(int file) {
    OpenFile open = Find(file);
    files_.erase(file);
    if (open.fd >= 0)
        ::close(open.fd);
    if (open.mode != Mode::Output)
        return;
    if (transaction_ != nullptr) {
        held_.emplace_back(open.path, std::move(open.pending));
        return;
    }
    const auto [directory, name] = SplitPath(open.path);
    RecordFolder(directory, RecordFolder::Kind::Own).Save({{name, open.pending}});
}

void SequentialFiles::CloseAll() noexcept {
    for (const auto& [number, open] : files_)
        if (open.fd >= 0)
            ::close(open.fd);
    files_.clear();
    held_.clear();
}

} // namespace tavola
