#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "first_paint.h"
#include "game.h"
#include "tavola.h"
#include "italian.h"
#include "qt_platform.h"
#include "record_store.h"

namespace {

// Ends the program before Qt can, with one plain sentence on the error output.
[[noreturn]] void Quit(const char* why) {
    std::fputs(why, stderr);
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

// Qt aborts with a core dump where there is no screen to open the window on;
// a child's parent at a text console deserves one plain sentence instead.
[[noreturn]] void NoDisplay() {
    Quit("tavola7: manca lo schermo grafico; avvia il gioco dal menu del desktop "
         "o da un terminale aperto nel desktop.\n");
}

// Qt reaches a Wayland desktop only through its Wayland plugin, which Debian
// packages on its own: without it Qt would say there is no screen at all.
[[noreturn]] void NoWaylandPlugin() {
    Quit("tavola7: manca il modulo Wayland di Qt; installa il pacchetto qt6-wayland, "
         "poi avvia di nuovo il gioco.\n");
}

bool OnlyWayland() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"))
        return std::string_view(platform).starts_with("wayland");
    return std::getenv("WAYLAND_DISPLAY") && !std::getenv("DISPLAY");
}

bool HasWaylandPlugin() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !platforms.entryList({"libqwayland*"}, QDir::Files).isEmpty();
}

bool HasDisplay() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
}

// A display that is named but does not answer (a stale DISPLAY after a remote
// session, a Wayland socket gone) makes Qt explain itself in English and abort
// while the application connects. Its fatal message means no display; what
// the platform plugin says on the way only explains that, so it stays unsaid.
void WhileConnecting(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg)
        NoDisplay();
    // Qt's Wayland plugin says so in the default category.
    if (QByteArrayView(context.category).startsWith("qt.qpa") ||
        message.startsWith("Failed to create wl_display"))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, message) + '\n'), stderr);
}

// Qt's accessibility bridge reports each call of a screen reader that it
// could not answer or that went unanswered: thousands in a game under Orca,
// each into the desktop's journal. Qt 6.8 says it in a category of its own,
// which a filter rule turns off (QT_LOGGING_RULES still brings it back);
// Qt 6.4 says it uncategorised, naming its adaptor first.
void AfterConnecting(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (QByteArrayView(context.category) == "default" && message.startsWith("QSpiApplication::"))
        return;
    std::fputs(qPrintable(qFormatLogMessage(type, context, message) + '\n'), stderr);
}

} // namespace

int main(int argc, char* argv[]) {
    // An administrator's question, answered without a display.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::puts("tavola7 " TAVOLA_VERSION);
        return EXIT_SUCCESS;
    }
    if (!HasDisplay())
        NoDisplay();
    if (OnlyWayland() && !HasWaylandPlugin())
        NoWaylandPlugin();
    QLoggingCategory::setFilterRules("qt.accessibility.atspi.warning=false");
    qInstallMessageHandler(WhileConnecting);
    QApplication application(argc, argv);
    qInstallMessageHandler(AfterConnecting);
    QApplication::setApplicationName("tavola7");
    QApplication::setDesktopFileName("org.example.tavola7");
    tavola::QtPlatform platform;
    tavola::RecordStore records(tavola::PickRecordPlace(
        platform.ProgramDirectory(), TAVOLA_SHARED_RECORD_DIR, tavola::OwnRecordFolder()));
    tavola::Game game(platform, records);
    // All once the name dialog is on screen, while it waits: the translations
    // before the player can open any of Qt's menus, the icon for the dialog's
    // title bar and the window's, and the window itself.
    tavola::AfterFirstPaint(&application, [&application, &game] {
        tavola::SpeakItalian(application);
        QApplication::setWindowIcon(game.Pictures().WindowIcon());
        game.FirstPaint();
    });
    game.Start();
    // Once the window is up, and not before the first dialog.
    QTimer::singleShot(0, &application, [&platform, &game] {
        platform.PrepareSound();
        if (tavola::Tavola* window = game.Window())
            window->PrepareVerdict();
    });
    return QApplication::exec();
}
