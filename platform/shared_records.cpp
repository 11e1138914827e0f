#include "shared_records.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime_error.h"

namespace tavola {

namespace {

// The helper's statuses, as it documents them.
constexpr int HelperSaved = 0;
constexpr int HelperNotBeaten = 1;

// The line that a record file holds, without its CR LF.
std::string LineOf(const FileTransaction::Output& output, const char* name) {
    for (const auto& [path, bytes] : output)
        if (SplitPath(path).second == name)
            return bytes.ends_with("\r\n") ? bytes.substr(0, bytes.size() - 2) : bytes;
    throw RuntimeError(RuntimeError::BadFileNumber, name);
}

} // namespace

SharedRecordTransaction::SharedRecordTransaction(SequentialFiles& files,
                                                 const std::string& directory,
                                                 const std::string& helper)
    : FileTransaction(files), folder_(directory, RecordFolder::Access::ReadOnly), helper_(helper) {
    // A save may be cut short between the helper's run and our lock; then the
    // helper runs again, so that what we read is always a whole pair.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Prepare();
        folder_.Lock();
        if (!folder_.Interrupted())
            return;
        folder_.Unlock();
    }
    throw RuntimeError(RuntimeError::PathFileAccessError,
                       directory + "/" + RecordFolder::JournalName);
}

void SharedRecordTransaction::Prepare() const {
    std::string complaint;
    if (RunHelper({}, complaint) != HelperSaved)
        throw RuntimeError(RuntimeError::PermissionDenied, complaint);
}

bool SharedRecordTransaction::Save(const Output& output) {
    // The helper takes the lock alone; ours would keep it waiting for ever.
    folder_.Unlock();
    std::string complaint;
    const int status = RunHelper(
        {LineOf(output, RecordFolder::ScoreName), LineOf(output, RecordFolder::NameName)},
        complaint);
    if (status != HelperSaved && status != HelperNotBeaten)
        throw RuntimeError(RuntimeError::PermissionDenied, complaint);
    return status == HelperSaved;
}

int SharedRecordTransaction::RunHelper(const std::vector<std::string>& arguments,
                                       std::string& complaint) const {
    std::vector<char*> argv{const_cast<char*>(helper_.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    char* environment[] = {nullptr}; // the helper trusts none anyway

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        throw FileError(helper_, errno);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, helper_.c_str(), &actions, nullptr, argv.data(), environment);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) {
        ::close(pipe[0]);
        throw FileError(helper_, spawned);
    }
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0 && complaint.size() < 4096)
            complaint.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno != EINTR)
            break;
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    while (!complaint.empty() && complaint.back() == '\n')
        complaint.pop_back();
    if (complaint.empty())
        complaint = helper_;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tavola
