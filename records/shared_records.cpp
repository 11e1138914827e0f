#include "shared_records.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime_error.h"

namespace tavola {

namespace {

// The helper's statuses, as it documents them; any other is the number of
// the run-time error that stopped it.
constexpr int HelperDone = 0;
constexpr int HelperNotBeaten = 1;
constexpr int HelperCutShortSaveLeft = 4;

// The run-time error that the helper's status and complaint stand for.
RuntimeError HelperError(int status, const std::string& complaint) {
    for (const auto number :
         {RuntimeError::BadFileNumber, RuntimeError::FileNotFound, RuntimeError::DeviceIoError,
          RuntimeError::DiskFull, RuntimeError::PermissionDenied,
          RuntimeError::PathFileAccessError, RuntimeError::PathNotFound})
        if (status == number)
            return RuntimeError(number, {}, complaint);
    return RuntimeError(RuntimeError::PermissionDenied, {}, complaint);
}

// Everything the child writes on `fd` until it closes it, up to `limit` bytes.
std::string Drain(int fd, std::size_t limit) {
    std::string bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0 && bytes.size() < limit)
            bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got < 0 && errno != EINTR)
            break;
    }
    ::close(fd);
    return bytes;
}

} // namespace

SharedRecordTransaction::SharedRecordTransaction(SequentialFiles& files,
                                                 const std::string& directory,
                                                 const std::string& helper,
                                                 std::unique_ptr<HelperRun> early)
    : FileTransaction(files, directory), helper_(helper) {
    if (!early)
        early = std::make_unique<HelperRun>(helper_, std::vector<std::string>{});
    const HelperRun::Answer answer = early->Finish();
    if (answer.status != HelperDone && answer.status != HelperCutShortSaveLeft)
        throw HelperError(answer.status, answer.complaint);
    RecordFolder::Files pair;
    if (!DecodeJournal(answer.output, pair) || pair.size() != 2 ||
        pair[0].first != RecordFolder::ScoreName || pair[1].first != RecordFolder::NameName)
        throw RuntimeError(RuntimeError::PathFileAccessError, helper_);
    pair_ = {pair[0].second, pair[1].second};
    if (answer.status == HelperCutShortSaveLeft)
        problem_ = answer.complaint;
}

bool SharedRecordTransaction::Offer(const std::string& score, const std::string& name) {
    const HelperRun::Answer answer = HelperRun(helper_, {score, name}).Finish();
    if (answer.status != HelperDone && answer.status != HelperNotBeaten)
        throw HelperError(answer.status, answer.complaint);
    return answer.status == HelperDone;
}

HelperRun::HelperRun(const std::string& helper, const std::vector<std::string>& arguments)
    : helper_(helper) {
    std::vector<char*> argv{const_cast<char*>(helper_.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    char* environment[] = {nullptr}; // the helper trusts none anyway

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw FileError(helper_, errno);
    if (::pipe2(err, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(out[0]);
        ::close(out[1]);
        throw FileError(helper_, error);
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const int spawned =
        ::posix_spawn(&child_, helper_.c_str(), &actions, nullptr, argv.data(), environment);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ::close(out[0]);
        ::close(err[0]);
        throw FileError(helper_, spawned);
    }
    out_ = out[0];
    err_ = err[0];
}

HelperRun::~HelperRun() {
    if (child_ > 0)
        Finish();
}

HelperRun::Answer HelperRun::Finish() {
    // The helper says little on each, far less than a pipe holds, so reading
    // one after the other never leaves it blocked on the second.
    Answer answer{-1, Drain(out_, 4 * RecordFolder::ReadLimit), Drain(err_, 4096)};
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    while (!answer.complaint.empty() && answer.complaint.back() == '\n')
        answer.complaint.pop_back();
    if (answer.complaint.empty())
        answer.complaint = helper_;
    answer.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return answer;
}

} // namespace tavola
