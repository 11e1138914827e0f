// Times a class's saves: GAMES games, each a process of its own, offer a
// better score at the same moment, in the player's own folder and in the
// computer's (through the record helper on its test folder), ROUNDS rounds
// of each, alternating. Prints one line a round, "own|shared MS MS ...", each
// game's save, for bench/run to report.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "record_store.h"
#include "runtime_error.h"
#include "temp_dir.h"

using namespace tavola;
namespace fs = std::filesystem;

namespace {

// The computer's folder as installation makes it, holding the record 5.
void FreshSharedFolder(const std::string& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    testing::WriteBytes(folder + "/tavrec7.txt", "5\r\n");
    testing::WriteBytes(folder + "/ntavrec7.txt", "Anna\r\n");
    testing::WriteBytes(folder + "/tavola7.lock", "");
    testing::WriteBytes(folder + "/tavola7.log", "");
}

// Every game waits until the parent closes `go`, then saves and writes its
// time in milliseconds to `times`; the parent reads them all.
std::vector<double> SavesAtOnce(const RecordPlace& place, int games) {
    int go[2], times[2];
    if (::pipe(go) != 0 || ::pipe(times) != 0)
        throw std::runtime_error("no pipe");
    std::vector<pid_t> children;
    for (int game = 0; game < games; ++game) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(go[1]);
            char none;
            [[maybe_unused]] const auto started = ::read(go[0], &none, 1);
            const auto start = std::chrono::steady_clock::now();
            try {
                RecordStore(place).Offer(6 + (game * 3) % 10, "Player" + std::to_string(game));
            } catch (const RuntimeError&) {
                ::_exit(1);
            }
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            ::_exit(::write(times[1], &ms, sizeof ms) == sizeof ms ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]);
    ::close(times[1]);
    std::vector<double> saves;
    for (double ms = 0; ::read(times[0], &ms, sizeof ms) == sizeof ms;)
        saves.push_back(ms);
    ::close(times[0]);
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("a game's save failed");
    }
    return saves;
}

} // namespace

int main(int argc, char* argv[]) {
    const int games = argc > 1 ? std::stoi(argv[1]) : 30;
    const int rounds = argc > 2 ? std::stoi(argv[2]) : 3;
    testing::TempDir home;
    const RecordPlace own{(home.Path() / "tavola7").string(), {}};
    const RecordPlace shared{TAVOLA_TEST_HELPER_DIR, TAVOLA_TEST_HELPER};
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [name, place] : {std::pair{"own", own}, std::pair{"shared", shared}}) {
            if (place.helper.empty()) {
                fs::remove_all(place.folder);
                RecordStore(place).Read(); // the game's start makes the player's folder
            } else {
                FreshSharedFolder(place.folder);
            }
            const std::vector<double> saves = SavesAtOnce(place, games);
            std::printf("%s", name);
            for (const double ms : saves)
                std::printf(" %.2f", ms);
            std::printf("\n");
        }
    }
}
