// The floors for the game's timings: bare Qt Widgets programs that do only
// what is timed. Nothing built on Qt can do it sooner.
//   floor            opens only the same name dialog
//   floor --verdict  a line edit whose Enter writes a verdict into a label
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], "--verdict") != 0) {
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
