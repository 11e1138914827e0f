#include <QApplication>

#include "game.h"
#include "pictures.h"
#include "qt_platform.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("tavola7");
    QApplication::setDesktopFileName("org.example.tavola7");
    QApplication::setWindowIcon(tavola::Pictures::WindowIcon());

    tavola::QtPlatform platform;
    tavola::Game game(platform);
    game.Start();
    return QApplication::exec();
}
