#include "qt_platform.h"

#include <QApplication>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QLibrary>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

#ifdef TAVOLA_SANITIZE
#include <sanitizer/lsan_interface.h>
#endif

namespace tavola {

namespace {

const QString ProgramTitle = QStringLiteral("Vortimpa");

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The window manager cuts a title wider than its box short ("Data…2/26"), and
// a message box sizes itself by its text alone; so each box is made wide
// enough for its title in a bold face, with room to spare for the window
// manager's own font and for the title bar's icon and buttons.
void WideEnoughForTitle(QMessageBox& box) {
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int width = metrics.horizontalAdvance(box.windowTitle()) * 3 / 2 + 6 * metrics.height();
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// The one line that tells the player and the terminal what went wrong.
std::string DescribeError(const RuntimeError& error) {
    return "Errore di run-time n. " + std::to_string(static_cast<int>(error.number())) + ": " +
           error.what();
}

// The process ends through _Exit, past the checks that sanitizer builds run at
// a normal exit, so those builds look for leaks here, while everything the
// game still holds is reachable.
[[noreturn]] void ExitProcess(int status) {
    std::fflush(nullptr);
#ifdef TAVOLA_SANITIZE
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

} // namespace

Reply QtPlatform::ShowMessage(const std::string& prompt, Buttons buttons,
                              const std::optional<std::string>& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title ? Q(*title) : ProgramTitle);
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(prompt));
    if (buttons == Buttons::Ok) {
        box.addButton(QMessageBox::Ok);
        WideEnoughForTitle(box);
        box.exec();
        return Reply::Ok;
    }
    box.setIcon(QMessageBox::Question); // lays the box out anew
    WideEnoughForTitle(box);
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    yes->setText(QStringLiteral("&Sì"));
    QPushButton* no = box.addButton(QMessageBox::No);
    no->setText(QStringLiteral("&No"));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? Reply::Yes : Reply::No;
}

std::string QtPlatform::AskText(const std::string& prompt) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(ProgramTitle);
    dialog.setLabelText(Q(prompt));
    dialog.setTextValue(QString());
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdString();
}

void QtPlatform::PlayWave(const std::string& path) {
    // A missing file stays silent rather than falling back to another sound.
    if (!QFileInfo(Q(path)).isFile())
        return;
    PrepareSound();
    if (player_)
        player_->Play(path);
}

void QtPlatform::PrepareSound() {
    if (soundTried_)
        return;
    soundTried_ = true;
    // Loaded for good: the module's code must stay while its player lives.
    QLibrary module(QCoreApplication::applicationDirPath() + "/tavola7-sound");
    module.setLoadHints(QLibrary::PreventUnloadHint);
    const auto make = reinterpret_cast<MakeWavePlayerFunction>(module.resolve(MakeWavePlayerName));
    if (make)
        player_.reset(make());
}

std::string OwnRecordFolder() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/tavola7")
        .toStdString();
}

double QtPlatform::RandomNext() {
    return random_.Next();
}
void QtPlatform::RandomReseed() {
    random_.Reseed();
}

std::string QtPlatform::Today() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
}

std::string QtPlatform::ProgramDirectory() {
    return QCoreApplication::applicationDirPath().toStdString();
}

void QtPlatform::EndProcess() {
    ExitProcess(EXIT_SUCCESS);
}

void QtPlatform::ReportAndEnd(const RuntimeError& error) {
    const std::string line = DescribeError(error);
    std::fprintf(stderr, "tavola7: %s\n", line.c_str());
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(ProgramTitle);
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(line) + "\n\nIl gioco si chiude.");
    box.addButton(QMessageBox::Ok);
    WideEnoughForTitle(box);
    box.exec();
    ExitProcess(EXIT_FAILURE);
}

} // namespace tavola
