#include "form_design.h"

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <string_view>
#include <vector>

#include "caption_label.h"
#include "design_font.h"
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

} // namespace

std::map<Label, CaptionLabel*> BuildLabels(QWidget* client, PictureCache& pictures) {
    std::map<Label, CaptionLabel*> labels;
    for (const LabelRow& row : LabelTable()) {
        auto* label = new CaptionLabel(QString::fromUtf8(row.caption), row.flags & Grows, client);
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
            label->setCursor(pictures.IconPointer());
        label->setToolTip(QString::fromUtf8(row.tooltip));
        if ((row.flags & Grows) && !label->Caption().isEmpty())
            label->FitToCaption();
        if (const auto code = std::ranges::find(LabelNames, std::string_view(row.name));
            code != LabelNames.end())
            labels[static_cast<Label>(code - LabelNames.begin())] = label;
    }
    for (const auto& [value, heading] : Headings)
        client->findChild<QLabel*>(heading)->setBuddy(client->findChild<QLabel*>(value));
    return labels;
}

QLineEdit* BuildAnswerBox(QWidget* client) {
    auto* txtAnswer = new QLineEdit(client);
    txtAnswer->setObjectName("txtAnswer");
    txtAnswer->setGeometry(Place(8160, 0, 2775, 1200));
    txtAnswer->setFont(DesignFont("Arial", 48, true));
    txtAnswer->setMaxLength(4);
    txtAnswer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette colours = txtAnswer->palette();
    colours.setColor(QPalette::Text, Blue);
    colours.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0x80));
    txtAnswer->setPalette(colours);
    txtAnswer->setToolTip("Inserisci il risultato e  premi il tasto  Invio");
    txtAnswer->setAccessibleDescription("Scrivi il risultato e premi Invio");
    return txtAnswer;
}

QLabel* BuildStopwatch(QWidget* client, PictureCache& pictures) {
    auto* Image1 = new QLabel(client);
    Image1->setObjectName("Image1");
    Image1->setGeometry(Place(480, 1680, 480, 480));
    Image1->setPixmap(pictures.Stopwatch().pixmap(32, 32));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setToolTip("Clicca sotto di me per impostare il Timer");
    Image1->setAccessibleName("Cronometro");
    return Image1;
}

QPushButton* BuildHiddenButton(QWidget* client) {
    auto* Command1 = new QPushButton("Command1", client);
    Command1->setObjectName("Command1");
    Command1->setGeometry(Place(4680, 5640, 855, 615));
    Command1->setFont(DesignFont("MS Sans Serif", 8.25));
    Command1->setCursor(Qt::ArrowCursor);
    return Command1;
}

namespace {

struct PictureButtonRow {
    const char* name;
    const char* caption;
    QColor face;
    QRect place;
    const char* tooltip;
    const char* spoken; // begins with the caption, for those who drive the computer by voice
};

PictureButton* BuildPictureButton(QWidget* client, const PictureButtonRow& row,
                                  const PictureButton::Faces& faces) {
    auto* button = new PictureButton(row.caption, row.face, faces, client);
    button->setObjectName(row.name);
    button->setGeometry(row.place);
    button->setFont(DesignFont("MS Sans Serif", 8.25, true));
    button->setToolTip(row.tooltip);
    button->setAccessibleName(row.spoken);
    return button;
}

} // namespace

PictureButton* BuildNextButton(QWidget* client, PictureCache& pictures) {
    auto* cmdNext = BuildPictureButton(client,
                                       {"cmdNext", "&Nuovo calcolo", QColor(0x00, 0xC0, 0xC0),
                                        Place(4200, 5280, 1815, 1095), "Go", "Nuovo calcolo"},
                                       pictures.NextFaces());
    cmdNext->setCursor(pictures.IconPointer());
    cmdNext->setEnabled(false);
    return cmdNext;
}

PictureButton* BuildExitButton(QWidget* client, PictureCache& pictures) {
    auto* cmdExit = BuildPictureButton(
        client,
        {"cmdExit", "E&xit", QColor(0xC0, 0x00, 0xC0), Place(7680, 5280, 2055, 1095),
         "Ti prego resta ancora, forse riuscirai a farmi uscire ", "Exit, esci dal gioco"},
        pictures.ExitFaces());
    cmdExit->setCursor(Qt::ArrowCursor);
    return cmdExit;
}

QAction* BuildMenus(QMenuBar* bar) {
    bar->setCursor(Qt::ArrowCursor);
    QMenu* wp = bar->addMenu("www.scuolagirasole.example.org");
    wp->setObjectName("wp");
    wp->addAction("Scuola primaria Girasole, Borgo Fiorito")->setObjectName("v");
    QMenu* Ciao = bar->addMenu("Realizzato con cura dalla squadra di tavola7");
    Ciao->setObjectName("Ciao");
    Ciao->addAction("tavola7@example.org")->setObjectName("a");
    QAction* Next = Ciao->addAction("nuovo");
    Next->setObjectName("Next");
    return Next;
}

} // namespace tavola
