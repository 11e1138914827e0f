#include "tavola.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include "answer_keys.h"
#include "background.h"
#include "caption_label.h"
#include "form_design.h"
#include "picture_button.h"
#include "pictures.h"

namespace tavola {

Tavola::Tavola(Platform& platform, RecordKeeper& records, PictureCache& pictures, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      platform_(platform), pictures_(pictures), quiz_(platform, records, *this),
      background_(new Background(this)) {
    setObjectName("Tavola");
    setWindowTitle("Gioca con la Vortimpa");
    background_->setObjectName("client");
    background_->setFixedSize(792, 554);
    setCentralWidget(background_);
    // The clock exists from the start: the Load stops it before its first dialog.
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName("Timer1");
    Timer1_->setInterval(1000);
    connect(Timer1_, &QTimer::timeout, this, &Tavola::Timer1_Timer);
    Timer1_->start();
}

void Tavola::Build() {
    setWindowIcon(pictures_.WindowIcon());
    background_->setCursor(pictures_.Pointer());
    labels_ = BuildLabels(background_, pictures_);
    BuildStopwatch(background_, pictures_);
    txtAnswer_ = BuildAnswerBox(background_);
    txtAnswer_->installEventFilter(this);
    QPushButton* Command1 = BuildHiddenButton(background_);
    cmdNext_ = BuildNextButton(background_, pictures_);
    connect(cmdNext_, &QPushButton::clicked, this, &Tavola::cmdNext_Click);
    cmdExit_ = BuildExitButton(background_, pictures_);
    connect(cmdExit_, &QPushButton::clicked, this, &Tavola::cmdExit_Click);
    connect(BuildMenus(menuBar()), &QAction::triggered, this, &Tavola::Next_Click);
    // Tab runs Exit, next question, answer box, the hidden button.
    setTabOrder(cmdExit_, cmdNext_);
    setTabOrder(cmdNext_, txtAnswer_);
    setTabOrder(txtAnswer_, Command1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Tavola::~Tavola() = default;

template <typename Handler> void Tavola::Guarded(Handler handler) {
    try {
        handler();
    } catch (const RuntimeError& error) {
        platform_.ReportError(error);
    }
}

void Tavola::Form_Load() {
    Guarded([&] { quiz_.Load(); });
}

void Tavola::Form_Activate() {
    Guarded([&] { quiz_.NewQuestion(); });
}

void Tavola::Form_Resize() {
    if (isMinimized())
        setWindowTitle("Giocare con la tavola pitagorica");
}

void Tavola::Next_Click() {
    Guarded([&] {
        if (quiz_.ConfirmNewGame())
            emit newGameRequested();
    });
}

void Tavola::cmdNext_Click() {
    Guarded([&] { quiz_.NewQuestion(); });
}

void Tavola::txtAnswer_KeyPress(int& keyAscii) {
    Guarded([&] { quiz_.txtAnswer_KeyPress(keyAscii); });
}

void Tavola::Timer1_Timer() {
    // A tick that falls while one of the game's dialogs is open is dropped:
    // the end of time must never open over another dialog, nor run twice.
    if (QApplication::activeModalWidget() != nullptr)
        return;
    Guarded([&] { quiz_.Timer1_Timer(); });
}

void Tavola::cmdExit_Click() {
    Guarded([&] { quiz_.cmdExit_Click(); });
}

bool Tavola::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtAnswer_ || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    int keyAscii = KeyAscii(*static_cast<QKeyEvent*>(event));
    if (keyAscii < 0)
        return false;
    txtAnswer_KeyPress(keyAscii);
    return keyAscii == 0;
}

void Tavola::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Only the first showing asks a question: coming back from a dialog or
    // from another program must not draw one the player never asked for.
    if (!activated_) {
        activated_ = true;
        QMetaObject::invokeMethod(this, &Tavola::Form_Activate, Qt::QueuedConnection);
    }
}

void Tavola::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Tavola::SetCaption(Label label, const std::string& caption) {
    labels_.at(label)->SetCaption(QString::fromStdString(caption));
    // The verdict reaches the screen before its sound, and before a wrong
    // answer's black-out, whose full repaint follows a moment later: drawn
    // together, the verdict would wait for every control to be drawn again.
    if (label == Label::lblMessage && !caption.empty())
        labels_.at(label)->repaint();
}

void Tavola::SetQuestionSpoken(const std::string& question) {
    txtAnswer_->setAccessibleName(QString::fromStdString(question));
}

std::string Tavola::AnswerText() const {
    return txtAnswer_->text().toStdString();
}
// The game clears the box only to ask a new question, and gives it the focus
// a few steps later. A screen reader must hear the focus move before any change
// to the box: Orca silently adopts a focused box that changes before it says
// so, and then never speaks the question. Nothing is drawn in between, so the
// player sees the same.
void Tavola::SetAnswerText(const std::string& text) {
    txtAnswer_->setFocus(Qt::OtherFocusReason);
    txtAnswer_->setText(QString::fromStdString(text));
}
// A screen reader speaks what takes the focus, and the game moves the focus at
// the two moments that matter: the answer box carries the question, and the
// next-question button the verdict and the counters.
void Tavola::FocusAnswer() {
    txtAnswer_->setFocus(Qt::OtherFocusReason);
}

void Tavola::SetNextEnabled(bool enabled) {
    cmdNext_->setEnabled(enabled);
}

// Orca 48 keeps what it last said of an object's description for up to two
// seconds, whatever the object tells it meanwhile: a child who answers within
// that time would hear the verdict before. The button is shown to the screen
// reader as a new object at each verdict, whose description it has to read.
void Tavola::FocusNext(const std::string& verdict) {
    if (QAccessibleInterface* button = QAccessible::queryAccessibleInterface(cmdNext_))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(button));
    cmdNext_->setAccessibleDescription(QString::fromStdString(verdict));
    cmdNext_->setFocus(Qt::OtherFocusReason);
}

void Tavola::SetTimerEnabled(bool enabled) {
    if (!enabled)
        Timer1_->stop();
    else if (!Timer1_->isActive())
        Timer1_->start();
}

void Tavola::PrepareVerdict() {
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(&image);
    painter.setFont(labels_.at(Label::lblMessage)->font());
    painter.drawText(0, 0, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789 "
                                          "!'-. \u00e0\u00e8\u00e9\u00ec\u00f2\u00f9"));
}

void Tavola::PaintBlack() {
    background_->PaintBlack();
}
void Tavola::PaintGradient(Short colourSeed) {
    background_->PaintGradient(colourSeed.value());
}

} // namespace tavola
