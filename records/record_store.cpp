#include "record_store.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "record_book.h"
#include "record_folder.h"
#include "runtime_error.h"
#include "windows1252.h"

namespace tavola {

namespace {

// The helper's statuses, as it documents them; any other is the number of
// the run-time error that stopped it.
constexpr int HelperSaved = 0;
constexpr int HelperNotBeaten = 1;

// Up to `limit` bytes of what a pipe brings, until its writer closes it.
std::string ReadPipe(int fd, std::size_t limit) {
    std::string bytes;
    char chunk[512];
    while (bytes.size() < limit) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

// Runs the record helper and gives its status, with what it said was wrong;
// -1 when a signal ended it.
int RunHelper(const std::string& helper, std::vector<std::string> arguments,
              std::string& complaint) {
    arguments.insert(arguments.begin(), helper);
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    char* environment[] = {nullptr}; // the helper trusts none anyway

    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0)
        throw FileError(helper, errno);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, helper.c_str(), &actions, nullptr, argv.data(), environment);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(err[0]);
        throw FileError(helper, spawned);
    }
    {
        const UniqueFd said(err[0]);
        complaint = ReadPipe(said.get(), 4096);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    while (!complaint.empty() && complaint.back() == '\n')
        complaint.pop_back();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The run-time error that the helper's status and complaint stand for.
RuntimeError HelperError(const std::string& helper, int status, const std::string& complaint) {
    if (status < 0)
        return RuntimeError(RuntimeError::DeviceIoError, helper,
                            "Il programma dei record è stato interrotto");
    for (const auto number :
         {RuntimeError::BadFileNumber, RuntimeError::FileNotFound, RuntimeError::DeviceIoError,
          RuntimeError::DiskFull, RuntimeError::PermissionDenied, RuntimeError::PathFileAccessError,
          RuntimeError::PathNotFound})
        if (status == number)
            return RuntimeError(number, {}, complaint.empty() ? helper : complaint);
    return RuntimeError(RuntimeError::PermissionDenied, {}, complaint.empty() ? helper : complaint);
}

// Makes `path` and any missing folder above it, each its owner's alone and
// made durable in its parent.
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

// The book in the player's own folder, spelled as the game has always spelled
// it in its errors: with a separator after it, and another before each
// file's name. Whatever of it is missing is made first.
RecordBook OwnBook(const std::string& path) {
    try {
        MakeFolders(path);
    } catch (const RuntimeError&) {
    }
    RecordBook book(path + "/", RecordFolder::Kind::Own);
    const int folder = book.Folder().Descriptor();
    for (const char* name : {RecordFolder::ScoreName, RecordFolder::NameName, RecordFolder::LogName,
                             RecordFolder::LockName}) {
        const UniqueFd made(::openat(
            folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        if (made.get() < 0 && errno != EEXIST)
            throw FileError(book.Folder().Shown(name), errno);
        if (made.get() >= 0 && ::fsync(folder) != 0)
            throw FileError(book.Folder().Path(), errno);
    }
    return book;
}

} // namespace

RecordPlace PickRecordPlace(const std::string& programDirectory, const std::string& sharedFolder,
                            const std::string& ownFolder) {
    const std::string helper = programDirectory + "/tavola7-record";
    struct stat program {};
    struct stat folder {};
    if (::stat(helper.c_str(), &program) != 0 || !S_ISREG(program.st_mode) ||
        (program.st_mode & S_ISGID) == 0)
        return {ownFolder, {}};
    // A folder missing for a moment is a reset's swap, which every read and
    // save waits out: a game that started then must not play on a private
    // record that it would announce as the computer's.
    if (::stat(sharedFolder.c_str(), &folder) != 0)
        return errno == ENOENT ? RecordPlace{sharedFolder, helper} : RecordPlace{ownFolder, {}};
    if (!S_ISDIR(folder.st_mode) || folder.st_gid != program.st_gid)
        return {ownFolder, {}};
    return {sharedFolder, helper};
}

ShownRecord RecordStore::Read() {
    const RecordBook::Pair shown =
        place_.helper.empty()
            ? OwnBook(place_.folder).Read()
            : WithSharedBook(place_.folder, [](RecordBook& book) { return book.Read(); });
    return {FromWindows1252(shown.score), FromWindows1252(shown.name)};
}

bool RecordStore::Offer(int score, const std::string& name) {
    if (place_.helper.empty())
        return OwnBook(place_.folder).Offer(score, ToWindows1252(name));
    std::string complaint;
    const int status =
        RunHelper(place_.helper, {std::to_string(score), ToWindows1252(name)}, complaint);
    if (status != HelperSaved && status != HelperNotBeaten)
        throw HelperError(place_.helper, status, complaint);
    return status == HelperSaved;
}

} // namespace tavola
