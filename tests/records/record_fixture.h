#pragma once
// What the record tests share: a record folder, the test helper and its
// compiled-in folder, games on either folder, and children to run a program
// (the helper, this test again, under strace) or a part of a test in.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <system_error>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "quiz_fixture.h"
#include "record_book.h"

namespace tavola::testing {

namespace fs = std::filesystem;
using Texts = std::pair<std::string, std::string>;

const std::string Folder = TAVOLA_TEST_HELPER_DIR;
// A copy of the test helper beside its folder, where an ordinary player reaches it.
const std::string Helper = fs::path(Folder).parent_path() / "tavola7-record";
const Texts OldPair{"5\r\n", "Anna\r\n"}, NewPair{"9\r\n", "Bruno\r\n"};
constexpr uid_t Nobody = 65534;
// What a child gives that a signal ended, and one that threw.
constexpr int Hung = 200, Thrown = 98;

inline std::string In(const std::string& name, const std::string& folder = Folder) { return folder + "/" + name; }

// The record folder's four files, as installation makes them.
inline void Plant(const std::string& folder, const Texts& files = OldPair, const std::string& log = "") {
    WriteBytes(In("tavrec7.txt", folder), files.first);
    WriteBytes(In("ntavrec7.txt", folder), files.second);
    WriteBytes(In("tavola7.lock", folder), "");
    WriteBytes(In("tavola7.log", folder), log);
}

// The compiled-in folder afresh, holding the record 5 by Anna, its files
// open to its group and the lock to its group alone, as installation makes them.
inline void FreshFolder(mode_t mode = 0755) {
    fs::remove_all(Folder);
    fs::remove_all(Folder + "-elsewhere");
    fs::create_directories(Folder);
    ::chmod(Folder.c_str(), mode);
    fs::copy_file(TAVOLA_TEST_HELPER, Helper, fs::copy_options::update_existing);
    Plant(Folder);
    for (const auto& file : fs::directory_iterator(Folder))
        fs::permissions(file, fs::perms::group_write, fs::perm_options::add);
    fs::permissions(In("tavola7.lock"), fs::perms::others_read, fs::perm_options::remove);
}

inline Texts Pair(const std::string& folder = Folder) {
    return {ReadBytes(In("tavrec7.txt", folder)), ReadBytes(In("ntavrec7.txt", folder))};
}

// How a program runs. Where the suite runs as root, a player is `uid` of
// `group`, by default the folder's, as players run the installed helper:
// root, who may write any file, would hide what a player's helper could not do.
struct As {
    bool player = true;
    uid_t uid = Nobody;
    gid_t group = ::getegid();
    rlimit fileLimit = {RLIM_INFINITY, RLIM_INFINITY}; // soft, hard
};

// What a program said on its error output, and its status (Hung: a signal ended it).
struct Ran {
    int status;
    std::string said;
};

// A child process, ended by a deadline of twenty seconds: `body` run as
// `as` says, its standard output gone and its error output kept.
struct Process {
    pid_t pid;
    int said;
    Ran Wait() const {
        std::string text;
        char chunk[512];
        for (ssize_t got; (got = ::read(said, chunk, sizeof chunk)) > 0;)
            text.append(chunk, static_cast<std::size_t>(got));
        ::close(said);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : Hung, text};
    }
};

inline Process Fork(const As& as, const std::function<int()>& body) {
    int said[2];
    if (::pipe2(said, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category());
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        int outcome = 127;
        try { // nothing may escape into the child's copy of the test runner
            if (::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO) >= 0 &&
                ::dup2(said[1], STDERR_FILENO) >= 0 &&
                ((as.fileLimit.rlim_cur == RLIM_INFINITY && as.fileLimit.rlim_max == RLIM_INFINITY) ||
                 ::setrlimit(RLIMIT_FSIZE, &as.fileLimit) == 0) &&
                (!as.player || ::geteuid() != 0 ||
                 (::setgroups(0, nullptr) == 0 && ::setgid(as.group) == 0 && ::setuid(as.uid) == 0)))
                outcome = body();
        } catch (...) {
            outcome = Thrown;
        }
        ::_exit(outcome);
    }
    ::close(said[1]);
    return {child, said[0]};
}

// A program started with its arguments as they stand, no shell between.
inline Process Start(const std::vector<std::string>& arguments, const As& as = {}) {
    return Fork(as, [&] {
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        return 127;
    });
}

// What `run` returns in a child process, where a test that hangs or crashes ends alone.
inline int InChild(const As& as, const std::function<int()>& run) { return Fork(as, run).Wait().status; }

inline Ran Execute(const std::vector<std::string>& arguments, const As& as = {}) { return Start(arguments, as).Wait(); }

// The arguments that run the current test again, in this test program,
// under a wrapper (strace) put before them; there, Again() gives `value`:
// a folder, a file.
constexpr const char* AgainSetting = "TAVOLA7_TEST_AGAIN";
inline const char* Again() { return std::getenv(AgainSetting); }
inline std::vector<std::string> Again(const std::string& value) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return {"env", std::string(AgainSetting) + "=" + value, fs::read_symlink("/proc/self/exe").string(),
            "--gtest_filter=" + std::string(test->test_suite_name()) + "." + test->name()};
}

inline std::vector<std::string> operator+(std::vector<std::string> wrapper, const std::vector<std::string>& command) {
    wrapper.insert(wrapper.end(), command.begin(), command.end());
    return wrapper;
}

inline Ran RunHelper(const std::vector<std::string>& arguments, const As& as = {}) {
    return Execute(std::vector<std::string>{Helper} + arguments, as);
}

// strace holds, kills or fails a program's system calls; the sanitizers'
// runtime makes calls of its own, so the plain build runs these tests.
#ifdef TAVOLA_SANITIZE
#define SKIP_WITHOUT_STRACE() GTEST_SKIP() << "the sanitizer runtime makes system calls of its own"
#else
#define SKIP_WITHOUT_STRACE()                                                                      \
    if (Execute({"strace", "-o", "/dev/null", "true"}, {.player = false}).status != 0)                  \
    GTEST_SKIP() << "strace is missing or may not trace here"
#endif

// Where strace holds a program back: its `when`th `call` on `file`, for `seconds`;
// the program is there once the trace shows `met`, by default that call.
struct Hold {
    std::string call, file;
    int when = 1, seconds = 2;
    std::string met = {};
};

// Starts `command` under strace, and returns once it has come to `hold`.
inline Process HeldBack(const Hold& hold, const std::vector<std::string>& command,
                        const As& as = {.player = false}) {
    const std::string trace = Folder + "-trace", met = hold.met.empty() ? hold.call + "(" : hold.met;
    WriteBytes(trace, "");
    ::chmod(trace.c_str(), 0666); // a player's strace writes it
    const std::vector<std::string> strace = {
        "strace", "-qq", "-P", hold.file, "-e", "trace=" + hold.call, "-o", trace, "-e",
        "inject=" + hold.call + ":delay_enter=" + std::to_string(hold.seconds * 1000000) + ":when=" + std::to_string(hold.when)};
    const Process held = Start(strace + command, as);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadBytes(trace).find(met) == std::string::npos && std::chrono::steady_clock::now() < deadline)
        ::usleep(1000);
    EXPECT_NE(ReadBytes(trace).find(met), std::string::npos) << command.back() << " never came to " << met;
    return held;
}

// A log of `player`'s entries that fills her share but `room` more.
inline std::string Share(uid_t player, std::size_t room = 0) {
    const std::string entry = RecordBook::EncodeEntry({"1", "Bruno"}, player);
    std::string log;
    while (log.size() + (room + 1) * entry.size() <= RecordBook::UserShare)
        log += entry;
    return log;
}

// Holds the record's lock while it lives, as a player who stopped a helper
// would. A shared hold keeps every fold out: a fold's hold is its own alone.
struct LockHolder {
    int fd = ::open(In("tavola7.lock").c_str(), O_RDONLY | O_CLOEXEC);
    LockHolder() { EXPECT_EQ(::flock(fd, LOCK_SH), 0); }
    ~LockHolder() { ::close(fd); }
};

// Gives `folder` and all it holds to an ordinary player where the test runs
// as root, who may write even a read-only file.
inline void GiveToPlayer(const std::string& folder) {
    if (::geteuid() != 0)
        return;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        EXPECT_EQ(::lchown(entry.path().c_str(), Nobody, Nobody), 0);
    EXPECT_EQ(::chown(folder.c_str(), Nobody, Nobody), 0);
}

// A game on either folder, for what the two keep alike: the player's own,
// which the game opens itself, or the computer's, only through the helper.
struct Game : DiskQuizFixture {
    explicit Game(bool shared, const std::string& folder = Folder) {
        files.place.folder = folder;
        files.place.helper = shared ? Helper : "";
    }
};

// Each case in each folder, the player's own first.
template <typename Cases> auto InBothFolders(const Cases& cases) {
    std::vector<std::pair<bool, std::decay_t<decltype(*std::begin(cases))>>> both;
    for (const bool shared : {false, true})
        for (const auto& c : cases)
            both.emplace_back(shared, c);
    return both;
}

} // namespace tavola::testing
