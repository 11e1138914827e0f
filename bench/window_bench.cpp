// Times the background's gradient and repaint at device pixel ratios 1 and
// 2, and the memory that new games leave behind in one process.
// Prints "name value" lines for bench/run to report.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "background.h"
#include "game.h"
#include "record_store.h"
#include "tavola.h"
#include "temp_dir.h"
#include "test_platform.h"

using namespace tavola;

namespace {

double MedianMilliseconds(int runs, const auto& action) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::stoi(argv[1]) : 200;
    const int games = argc > 2 ? std::stoi(argv[2]) : 100;

    Background background;
    background.resize(792, 554);
    const double ratio = background.devicePixelRatioF();
    QPixmap target(background.size() * ratio);
    target.setDevicePixelRatio(ratio);
    const auto repaint = [&](const QRegion& exposed) {
        return MedianMilliseconds(
            runs, [&] { background.render(&target, exposed.boundingRect().topLeft(), exposed); });
    };
    int seed = 0;
    std::printf("gradient_ms@%g %.3f\n", ratio, MedianMilliseconds(runs, [&] {
                    background.PaintGradient(seed++ % 26);
                    background.render(&target);
                }));
    std::printf("repaint_ms@%g %.3f\n", ratio, repaint(background.rect()));
    // The stopwatch's label, redrawn over the background every second.
    std::printf("clock_repaint_ms@%g %.3f\n", ratio, repaint(QRect(0, 152, 105, 33)));
    // One colour over the whole area: no full repaint can cost less.
    background.PaintBlack();
    std::printf("fill_ms@%g %.3f\n", ratio, repaint(background.rect()));

    testing::TempDir records;
    testing::TestPlatform platform;
    RecordStore files({records.Path().string(), {}});

    // New games as the menu makes them: one Game drops its window for a fresh one.
    Game game(platform, files);
    game.FirstPaint(); // the test platform's dialogs are never painted
    long afterOne = 0;
    for (int i = 1; i <= games; ++i) {
        platform.textAnswers = {"Anna"};
        if (i == 1)
            game.Start();
        else
            emit game.Window()->newGameRequested();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i == 1)
            afterOne = ResidentKilobytes();
    }
    std::printf("rss_kb_after_1_game %ld\nrss_kb_after_%d_games %ld\n", afterOne, games,
                ResidentKilobytes());
}
