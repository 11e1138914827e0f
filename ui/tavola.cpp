#include "tavola.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>

#include "background.h"
#include "caption_label.h"
#include "design_font.h"
#include "first_paint.h"
#include "picture_button.h"
#include "pictures.h"

namespace tavola {

namespace {

// The layout is given in twips, 15 to a pixel at 96 dots per inch.
constexpr int Px(int twips) {
    return twips / 15;
}
QRect Place(int left, int top, int width, int height) {
    return {Px(left), Px(top), Px(width), Px(height)};
}

enum LabelFlag : unsigned {
    Plain = 0,
    Border = 1,
    Centred = 2,
    Grows = 4,
    IconPointer = 8,
};

struct LabelRow {
    const char* name;
    const char* caption;
    QRect place;
    QFont font;
    QColor text; // invalid: the system's button-text colour
    QColor back; // invalid: transparent, the background shows through
    unsigned flags;
    const char* tooltip;
};

const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor Red(0xFF, 0x00, 0x00);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor Green(0x00, 0xC0, 0x00);

// Every label of the window, in its design-time state.
std::vector<LabelRow> LabelTable() {
    const QFont arial48 = DesignFont("Arial", 48);
    const QFont arial48Bold = DesignFont("Arial", 48, true);
    const QFont message = DesignFont("MS Sans Serif", 24, true, true);
    const QFont small = DesignFont("MS Sans Serif", 9.75);
    const QFont clock = DesignFont("Arial Black", 12, true);
    const QFont heading = DesignFont("MS Sans Serif", 18);
    const QFont counter = DesignFont("Times New Roman", 36, true);
    const QFont challenger = DesignFont("MS Sans Serif", 13.5);
    const QFont challengerBold = DesignFont("MS Sans Serif", 13.5, true);
    const QFont record = DesignFont("MS Sans Serif", 24);
    const QFont recordBold = DesignFont("MS Sans Serif", 24, true);
    const char* const scoreTip = "Questo è il tuo punteggio. Forza con il  record";
    // clang-format off
    return {
        {"lblNum1",    "",                 Place(840, 0, 345, 1185),      arial48Bold,    Blue,   Yellow, Border | Centred | Grows, ""},
        {"Label2",     "X",                Place(2400, 0, 615, 975),      arial48,        Yellow, {},     Centred,                  ""},
        {"lblNum2",    "",                 Place(4155, 0, 345, 1185),     arial48Bold,    Blue,   Yellow, Border | Centred | Grows, ""},
        {"Label4",     "=",                Place(5880, 0, 615, 975),      arial48Bold,    Yellow, {},     Centred,                  ""},
        {"lblMessage", "",                 Place(1680, 2040, 6615, 615),  message,        Red,    {},     Centred | IconPointer,    ""},
        {"Label5",     "",                 Place(2040, 2160, 6615, 615),  message,        Red,    {},     Centred | IconPointer,    ""},
        {"Label11",    "Tempo restante",   Place(0, 1320, 1575, 375),     small,          Yellow, {},     Plain,                    ""},
        {"lblconto",   "00.00.00",         Place(0, 2280, 1575, 495),     clock,          Yellow, {},     Border,                   ""},
        {"Label6",     "Risposte esatte",  Place(240, 3360, 2565, 495),   heading,        Green,  {},     Border | Centred | Grows, ""},
        {"lblScore",   "0",                Place(1080, 4080, 555, 885),   counter,        {},     {},     Border | Centred | Grows, scoreTip},
        {"Label1",     "Risposte errate",  Place(3840, 3360, 2520, 495),  heading,        Red,    {},     Border | Grows,           ""},
        {"lblScore1",  "0",                Place(4830, 4080, 540, 885),   counter,        Red,    {},     Border | Centred | Grows, ""},
        {"Label3",     "Risposte totali",  Place(7440, 3360, 2340, 495),  heading,        Blue,   {},     Border | Grows,           ""},
        {"lblScore2",  "0",                Place(8310, 4080, 555, 885),   counter,        Blue,   {},     Border | Centred | Grows, ""},
        {"Label14",    "Sfidante",         Place(0, 5520, 1425, 420),     challenger,     Yellow, {},     Border | Centred | Grows, ""},
        {"lblnome1",   "",                 Place(120, 6480, 165, 420),    challengerBold, Yellow, {},     Border | Grows,           ""},
        {"Label12",    "Il record  è di ", Place(120, 7560, 2895, 615),   record,         Yellow, {},     Plain,                    ""},
        {"lblnome",    "nome",             Place(3120, 7560, 1275, 555),  recordBold,     Yellow, {},     Grows,                    ""},
        {"Label13",    "con punti",        Place(8280, 7560, 1965, 555),  record,         Yellow, {},     Grows,                    ""},
        {"lblpunti",   "0",                Place(10560, 7560, 270, 555),  record,         Yellow, {},     Grows,                    ""},
    };
    // clang-format on
}

// Each value label and the heading beside it. The heading labels the value
// for a screen reader, as a sighted player reads the two together.
constexpr std::pair<const char*, const char*> Headings[] = {
    {"lblconto", "Label11"}, {"lblScore", "Label6"},  {"lblScore1", "Label1"},
    {"lblScore2", "Label3"}, {"lblnome1", "Label14"}, {"lblnome", "Label12"},
    {"lblpunti", "Label13"},
};

// The character code a key press types, as the answer box's filter sees it;
// -1 for keys that type nothing and keep their usual meaning in the box.
int KeyAscii(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Quiz::Enter;
    case Qt::Key_Backspace:
        return Quiz::Backspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return -1;
    default:
        break;
    }
    const QString text = key.text();
    if (text.isEmpty())
        return -1;
    const char16_t code = text.at(0).unicode();
    return code < 256 ? code : '?';
}

} // namespace

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
}

void Tavola::EnsureBuilt() {
    if (built_)
        return;
    built_ = true;
    setWindowIcon(pictures_.WindowIcon());
    background_->setCursor(pictures_.Pointer());
    BuildLabels();
    BuildClock();
    BuildQuestionLine();
    BuildButtons();
    BuildMenus();
    // Tab runs Exit, next question, answer box, the hidden button.
    setTabOrder(cmdExit_, cmdNext_);
    setTabOrder(cmdNext_, txtAnswer_);
    setTabOrder(txtAnswer_, Command1_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Tavola::setVisible(bool visible) {
    if (visible)
        EnsureBuilt();
    QMainWindow::setVisible(visible);
}

Tavola::~Tavola() = default;

void Tavola::BuildLabels() {
    for (const LabelRow& row : LabelTable()) {
        auto* label =
            new CaptionLabel(QString::fromUtf8(row.caption), row.flags & Grows, background_);
        label->setObjectName(row.name);
        label->setGeometry(row.place);
        label->setFont(row.font);
        label->setAlignment(Qt::AlignTop |
                            ((row.flags & Centred) ? Qt::AlignHCenter : Qt::AlignLeft));
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText,
                         row.text.isValid() ? row.text : colours.color(QPalette::ButtonText));
        if (row.back.isValid()) {
            colours.setColor(QPalette::Window, row.back);
            label->setAutoFillBackground(true);
        }
        label->setPalette(colours);
        if (row.flags & Border) {
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
            label->setLineWidth(1);
        }
        if (row.flags & IconPointer)
            label->setCursor(pictures_.IconPointer());
        label->setToolTip(QString::fromUtf8(row.tooltip));
        if ((row.flags & Grows) && !label->Caption().isEmpty())
            label->FitToCaption();
        if (const auto code = std::ranges::find(LabelNames, std::string_view(row.name));
            code != LabelNames.end())
            labels_[static_cast<Label>(code - LabelNames.begin())] = label;
    }
    for (const auto& [value, heading] : Headings)
        background_->findChild<QLabel*>(heading)->setBuddy(background_->findChild<QLabel*>(value));
}

void Tavola::BuildQuestionLine() {
    txtAnswer_ = new QLineEdit(background_);
    txtAnswer_->setObjectName("txtAnswer");
    txtAnswer_->setGeometry(Place(8160, 0, 2775, 1200));
    txtAnswer_->setFont(DesignFont("Arial", 48, true));
    txtAnswer_->setMaxLength(4);
    txtAnswer_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette colours = txtAnswer_->palette();
    colours.setColor(QPalette::Text, Blue);
    colours.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0x80));
    txtAnswer_->setPalette(colours);
    txtAnswer_->setToolTip("Inserisci il risultato e  premi il tasto  Invio");
    txtAnswer_->setAccessibleDescription("Scrivi il risultato e premi Invio");
    txtAnswer_->installEventFilter(this);
}

void Tavola::BuildClock() {
    auto* Image1 = new QLabel(background_);
    Image1->setObjectName("Image1");
    Image1->setGeometry(Place(480, 1680, 480, 480));
    Image1->setPixmap(pictures_.Stopwatch().pixmap(32, 32));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setToolTip("Clicca sotto di me per impostare il Timer");
    Image1->setAccessibleName("Cronometro");

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName("Timer1");
    Timer1_->setInterval(1000);
    connect(Timer1_, &QTimer::timeout, this, &Tavola::Timer1_Timer);
    if (timerEnabled_)
        Timer1_->start();
}

void Tavola::BuildButtons() {
    // Beneath cmdNext and wholly inside it, so never seen; Tab still reaches it.
    Command1_ = new QPushButton("Command1", background_);
    Command1_->setObjectName("Command1");
    Command1_->setGeometry(Place(4680, 5640, 855, 615));
    Command1_->setFont(DesignFont("MS Sans Serif", 8.25));
    Command1_->setCursor(Qt::ArrowCursor);

    const QFont buttonFont = DesignFont("MS Sans Serif", 8.25, true);
    cmdNext_ = new PictureButton("&Nuovo calcolo", QColor(0x00, 0xC0, 0xC0), pictures_.NextFaces(),
                                 background_);
    cmdNext_->setObjectName("cmdNext");
    cmdNext_->setGeometry(Place(4200, 5280, 1815, 1095));
    cmdNext_->setFont(buttonFont);
    cmdNext_->setToolTip("Go");
    cmdNext_->setAccessibleName("Nuovo calcolo");
    cmdNext_->setCursor(pictures_.IconPointer());
    cmdNext_->setEnabled(false);
    connect(cmdNext_, &QPushButton::clicked, this, &Tavola::cmdNext_Click);

    cmdExit_ =
        new PictureButton("E&xit", QColor(0xC0, 0x00, 0xC0), pictures_.ExitFaces(), background_);
    cmdExit_->setObjectName("cmdExit");
    cmdExit_->setGeometry(Place(7680, 5280, 2055, 1095));
    cmdExit_->setFont(buttonFont);
    cmdExit_->setToolTip("Ti prego resta ancora, forse riuscirai a farmi uscire ");
    cmdExit_->setAccessibleName("Exit, esci dal gioco");
    cmdExit_->setCursor(Qt::ArrowCursor);
    connect(cmdExit_, &QPushButton::clicked, this, &Tavola::cmdExit_Click);
}

void Tavola::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setCursor(Qt::ArrowCursor);
    QMenu* wp = bar->addMenu("www.scuolagirasole.example.org");
    wp->setObjectName("wp");
    wp->addAction("Scuola primaria Girasole, Borgo Fiorito")->setObjectName("v");
    QMenu* Ciao = bar->addMenu("Realizzato con cura dalla squadra di tavola7");
    Ciao->setObjectName("Ciao");
    Ciao->addAction("tavola7@example.org")->setObjectName("a");
    QAction* Next = Ciao->addAction("nuovo");
    Next->setObjectName("Next");
    connect(Next, &QAction::triggered, this, &Tavola::Next_Click);
}

template <typename Handler> void Tavola::Guarded(Handler handler) {
    try {
        handler();
    } catch (const RuntimeError& error) {
        platform_.ReportError(error);
    }
}

void Tavola::Form_Load() {
    // The controls (their fonts, pictures and menus) are built once the name
    // dialog is on screen, while it waits for the player; whatever needs them
    // first builds them then.
    AfterFirstPaint(this, [this] { EnsureBuilt(); });
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
    EnsureBuilt();
    labels_.at(label)->SetCaption(QString::fromStdString(caption));
}

void Tavola::SetQuestionSpoken(const std::string& question) {
    EnsureBuilt();
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
    EnsureBuilt();
    txtAnswer_->setFocus(Qt::OtherFocusReason);
    txtAnswer_->setText(QString::fromStdString(text));
}
// A screen reader speaks what takes the focus, and the game moves the focus at
// the two moments that matter: the answer box carries the question, and the
// next-question button the verdict and the counters.
void Tavola::FocusAnswer() {
    EnsureBuilt();
    txtAnswer_->setFocus(Qt::OtherFocusReason);
}

void Tavola::SetNextEnabled(bool enabled) {
    EnsureBuilt();
    cmdNext_->setEnabled(enabled);
}

void Tavola::FocusNext(const std::string& verdict) {
    EnsureBuilt();
    cmdNext_->setAccessibleDescription(QString::fromStdString(verdict));
    cmdNext_->setFocus(Qt::OtherFocusReason);
}

void Tavola::SetTimerEnabled(bool enabled) {
    // Load stops the clock before its first dialog; that alone must not build
    // the window ahead of the dialog, so a clock not yet built remembers it.
    timerEnabled_ = enabled;
    if (!Timer1_)
        return;
    if (!enabled)
        Timer1_->stop();
    else if (!Timer1_->isActive())
        Timer1_->start();
}

void Tavola::PaintBlack() {
    EnsureBuilt();
    background_->PaintBlack();
}
void Tavola::PaintGradient(Short colourSeed) {
    EnsureBuilt();
    background_->PaintGradient(colourSeed.value());
}

} // namespace tavola
