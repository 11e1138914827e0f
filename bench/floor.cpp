// The floor for the game's start: a bare Qt Widgets program that opens only
// the same name dialog. Nothing built on Qt can show that dialog sooner.
#include <QApplication>
#include <QInputDialog>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QInputDialog::getText(nullptr, "Vortimpa", "Come ti chiami?");
}
