// The floors for the game's timings: bare Qt Widgets programs that do only
// what is timed. Nothing built on Qt can do it sooner.
//   floor            opens only the same name dialog
//   floor --verdict  a line edit whose Enter writes a verdict into a label
//   floor --clock    a label that counts a second down each second
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const char* mode = argc < 2 ? "" : argv[1];
    if (std::strcmp(mode, "--clock") == 0) {
        QLabel clock;
        QTime left(0, 5);
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            left = left.addSecs(-1);
            clock.setText(left.toString("hh:mm:ss"));
        });
        clock.setText(left.toString("hh:mm:ss"));
        clock.setFixedSize(clock.sizeHint()); // as the game's, which a tick never resizes
        tick.start(1000);
        clock.show();
        return QApplication::exec();
    }
    if (std::strcmp(mode, "--verdict") != 0) {
        QInputDialog::getText(nullptr, "Vortimpa", "Come ti chiami?");
        return 0;
    }
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* answer = new QLineEdit;
    auto* verdict = new QLabel;
    layout->addWidget(answer);
    layout->addWidget(verdict);
    QObject::connect(answer, &QLineEdit::returnPressed,
                     [verdict] { verdict->setText("Sbagliato!! 7"); });
    window.show();
    return QApplication::exec();
}
