#include <QAccessible>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <vector>

#include <algorithm>

#include "game.h"
#include "caption_label.h"
#include "first_paint.h"
#include "picture_button.h"
#include "pictures.h"
#include "italian.h"
#include "memory_records.h"
#include "tavola.h"
#include "test_platform.h"

using namespace tavola;
using namespace tavola::testing;

namespace {

// Whether the picture appears whole somewhere in the image; its transparent
// pixels match anything.
bool Shows(const QImage& image, const QImage& picture) {
    const QImage want = picture.convertToFormat(QImage::Format_ARGB32);
    const auto at = [&](int left, int top) {
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                if (qAlpha(want.pixel(x, y)) == 255 && want.pixel(x, y) != image.pixel(left + x, top + y))
                    return false;
        return true;
    };
    for (int top = 0; top + want.height() <= image.height(); ++top)
        for (int left = 0; left + want.width() <= image.width(); ++left)
            if (at(left, top))
                return true;
    return false;
}

// Fixes the colour of the first question and its factor: seed 7, 7 x 3.
const std::deque<double> FirstQuestion = {0.5, 0.35, 0.5};

} // namespace

class TavolaTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestPlatform> platform_;
    std::unique_ptr<MemoryRecords> files_;
    std::unique_ptr<Game> game_;

    Tavola* Window() { return game_->Window(); }
    template <typename T = QWidget> T* Find(const char* name) {
        T* found = Window()->findChild<T*>(name);
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QString Text(const char* label) { return Find<QLabel>(label)->text(); }
    int Questions() const {
        return static_cast<int>(std::ranges::count(platform_->calls, std::string("RandomReseed")));
    }
    QColor Pixel(int x, int y) { return Find("client")->grab().toImage().pixelColor(x, y); }
    void Answer(const QString& digits) {
        QTest::keyClicks(Find<QLineEdit>("txtAnswer"), digits);
        QTest::keyClick(Find<QLineEdit>("txtAnswer"), Qt::Key_Return);
    }

  private slots:
    void init() {
        platform_ = std::make_unique<TestPlatform>();
        files_ = std::make_unique<MemoryRecords>();
        platform_->textAnswers = {"Anna"};
        platform_->randomValues = FirstQuestion;
        game_ = std::make_unique<Game>(*platform_, *files_);
        game_->FirstPaint(); // the test platform's dialogs are never painted
        game_->Start();
        Window()->activateWindow();
        QTRY_COMPARE(Questions(), 1);
    }

    void cleanup() {
        game_.reset();
        files_.reset();
        platform_.reset();
    }

    void firstQuestionFollowsLoadAndNoOtherActivationAsksOne() {
        QCOMPARE(Text("lblNum1"), "7");
        QCOMPARE(Text("lblNum2"), "3");
        QCOMPARE(Text("lblconto"), "00:05:00");
        QCOMPARE(Text("lblnome1"), "Anna");
        QVERIFY(Find("txtAnswer")->hasFocus());

        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(Window(), &activate);
        Window()->hide();
        Window()->show();
        QTest::qWait(50);
        QCOMPARE(Questions(), 1);
    }

    void answerBoxTakesDigitsBackspaceAndBothEnterKeys() {
        auto* box = Find<QLineEdit>("txtAnswer");
        QTest::keyClicks(box, "2a -1.,x");
        QCOMPARE(box->text(), "21");
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), "2");
        QTest::keyClicks(box, "1999");
        QCOMPARE(box->text(), "2199"); // a fifth character is refused
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), "219");
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(Text("lblMessage"), "Sbagliato!! 21");
        box->setText("21");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(Text("lblMessage"), "Esatto! Anna sei forte!");
        QCOMPARE(Text("lblScore2"), "2");
        QVERIFY(Find("cmdNext")->isEnabled());
        QVERIFY(Find("cmdNext")->hasFocus());
    }

    // A blind player hears what takes the focus: the question, then the
    // verdict and the counters, then the next question.
    void aScreenReaderHearsTheQuestionTheVerdictAndTheCounters() {
        QStringList heard;
        std::vector<QAccessible::Id> objects;
        const auto listen = [&] {
            QAccessibleInterface* focused =
                QAccessible::queryAccessibleInterface(QApplication::focusWidget());
            heard << focused->text(QAccessible::Name) + " | " +
                         focused->text(QAccessible::Description);
            objects.push_back(QAccessible::uniqueId(focused));
        };
        listen();
        Answer("21");
        listen();
        platform_->randomValues = {0.5, 0.85, 0.5};
        QTest::keyClick(Find("cmdNext"), Qt::Key_Space);
        listen();
        Answer("50");
        listen();
        QCOMPARE(heard, QStringList({
                            "Quanto fa 7 per 3? | Scrivi il risultato e premi Invio",
                            "Nuovo calcolo | Esatto! Anna sei forte! Risposte esatte 1, errate 0, totali 1.",
                            "Quanto fa 7 per 8? | Scrivi il risultato e premi Invio",
                            "Nuovo calcolo | Sbagliato!! 56. Risposte esatte 1, errate 1, totali 2.",
                        }));
        // A screen reader that remembers an object's description meets each verdict on a new one.
        QVERIFY(objects[1] != objects[3]);
        for (const auto& [value, heading] :
             {std::pair{"lblScore", "Risposte esatte"}, {"lblScore1", "Risposte errate"},
              {"lblScore2", "Risposte totali"}, {"lblconto", "Tempo restante"},
              {"lblnome1", "Sfidante"}, {"lblnome", "Il record  è di "}, {"lblpunti", "con punti"}}) {
            const auto labelledBy = QAccessible::queryAccessibleInterface(Find(value))->relations(
                QAccessible::Label);
            QCOMPARE(labelledBy.size(), 1);
            QCOMPARE(labelledBy.first().first->text(QAccessible::Name), heading);
        }
        // Someone who drives the computer by voice says the caption they see.
        for (const char* button : {"cmdNext", "cmdExit", "Command1"}) {
            const QString caption = Find<QAbstractButton>(button)->text().remove('&');
            QVERIFY2(QAccessible::queryAccessibleInterface(Find(button))
                         ->text(QAccessible::Name)
                         .startsWith(caption),
                     button);
        }
    }

    void qtsOwnTextsSpeakItalian() {
        SpeakItalian(*qApp);
        std::unique_ptr<QMenu> menu(Find<QLineEdit>("txtAnswer")->createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts << action->text().section('\t', 0, 0); // without the shortcut
        QCOMPARE(texts, QStringList({"Ann&ulla", "&Rifai", "", "&Taglia", "&Copia", "&Incolla",
                                     "Elimina", "", "Seleziona tutto"}));
    }

    void wrongAnswerBlacksOutAndTheNextQuestionPaintsAGradient() {
        const int clear = 785; // a column no control covers, top to bottom
        QCOMPARE(Pixel(clear, 0), QColor(70, 70, 0));
        QCOMPARE(Pixel(clear, 553), QColor(70, 70, 255));
        Answer("20");
        QCOMPARE(Pixel(clear, 0), QColor(Qt::black));
        QCOMPARE(Pixel(clear, 553), QColor(Qt::black));

        platform_->randomValues = {0.999, 0.5, 0.5};
        QTest::keyClick(Find("cmdNext"), Qt::Key_Space);
        QCOMPARE(Pixel(clear, 0), QColor(140, 140, 0));
        QCOMPARE(Pixel(clear, 553), QColor(140, 140, 255));
        QCOMPARE(Find<QLineEdit>("txtAnswer")->text(), "");
        QVERIFY(!Find("cmdNext")->isEnabled());
    }

    void enterAndSpaceAndAltNPressTheNextButtonOnlyWhenEnabled() {
        struct Press {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        };
        for (const Press& press : {Press{Qt::Key_Return, {}}, Press{Qt::Key_Space, {}},
                                   Press{Qt::Key_N, Qt::AltModifier}}) {
            const int before = Questions();
            QTest::keyClick(Window(), Qt::Key_N, Qt::AltModifier);
            QTest::qWait(250);
            QCOMPARE(Questions(), before); // disabled: Alt+N does nothing
            Answer("21");
            QTest::keyClick(QApplication::focusWidget(), press.key, press.modifiers);
            QTRY_COMPARE(Questions(), before + 1);
        }
    }

    void altXPressesExitFromTheAnswerBox() {
        auto* exit = Find<QPushButton>("cmdExit");
        // The press alone is under test here: the Exit handler itself ends the process.
        QObject::disconnect(exit, &QPushButton::clicked, Window(), nullptr);
        QSignalSpy pressed(exit, &QPushButton::clicked);
        Find("txtAnswer")->setFocus();
        QTest::keyClick(Find("txtAnswer"), Qt::Key_X, Qt::AltModifier);
        QTRY_COMPARE(pressed.count(), 1);
    }

    void tabRunsExitNextAnswerAndTheHiddenButton() {
        Answer("21");
        Find("cmdExit")->setFocus();
        const char* order[] = {"cmdNext", "txtAnswer", "Command1", "cmdExit"};
        for (const char* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
    }

    void minimisingChangesTheCaptionForGood() {
        QCOMPARE(Window()->windowTitle(), "Gioca con la Vortimpa");
        Window()->showMinimized();
        QTRY_COMPARE(Window()->windowTitle(), "Giocare con la tavola pitagorica");
        Window()->showNormal();
        QTest::qWait(50);
        QCOMPARE(Window()->windowTitle(), "Giocare con la tavola pitagorica");
    }

    void newGameReloadsTheWindowAsDesigned() {
        Answer("20");
        Window()->showMinimized();
        QTRY_COMPARE(Window()->windowTitle(), "Giocare con la tavola pitagorica");
        QPointer<Tavola> old = Window();
        const qint64 icon = old->windowIcon().cacheKey();

        platform_->replies = {Reply::No};
        Find<QAction>("Next")->trigger();
        QTest::qWait(50);
        QCOMPARE(Window(), old.data());
        QCOMPARE(Text("lblScore1"), "1");

        platform_->replies = {Reply::Yes};
        platform_->textAnswers = {"", "Bruno"};
        platform_->randomValues = FirstQuestion;
        std::vector<bool> oldShown; // at the old game's question, then at the new one's name
        platform_->asking = [&] { oldShown.push_back(old && old->isVisible()); };
        Find<QAction>("Next")->trigger();
        QTRY_VERIFY(old.isNull());
        QCOMPARE(oldShown, (std::vector<bool>{true, false}));
        QTRY_COMPARE(Questions(), 2);
        QCOMPARE(Window()->windowTitle(), "Gioca con la Vortimpa");
        QCOMPARE(Window()->windowIcon().cacheKey(), icon); // made once, not again for each game
        QCOMPARE(Text("lblnome1"), "Bruno");
        QCOMPARE(Text("lblconto"), "00:05:00");
        for (const char* counter : {"lblScore", "lblScore1", "lblScore2"})
            QCOMPARE(Text(counter), "0");
        QCOMPARE(Text("lblMessage"), "");
        QVERIFY(!Find("cmdNext")->isEnabled());
        const auto& said = platform_->messages;
        QCOMPARE(said[said.size() - 2].prompt,
                 " Anna siccome non hai scelto arriviamo fino al 10.");
        QCOMPARE(said.back().prompt, " Bruno vediamo se sei un vero campione  ");
    }

    void noTickWhileADialogIsOpen() {
        const QString before = Text("lblconto");
        QString during;
        QTimer::singleShot(2500, this, [&] {
            during = Text("lblconto");
            QApplication::activeModalWidget()->close();
        });
        QMessageBox box(QMessageBox::Information, "Vortimpa", "...", QMessageBox::Ok, Window());
        box.exec();
        QCOMPARE(during, before);
        QTRY_VERIFY_WITH_TIMEOUT(Text("lblconto") != before, 2500);
    }

    void aRunTimeErrorIsReportedOnceAndEndsWithFailure() {
        // A folder where the score file should be: the records cannot be opened.
        files_->failure = NotAFileError("/home/anna/.local/share/tavola7//tavrec7.txt");
        platform_->textAnswers = {"Anna"};
        Tavola fresh(*platform_, *files_, game_->Pictures());
        fresh.Build();
        int status = -1;
        try {
            fresh.Form_Load();
        } catch (const ProgramEnded& ended) {
            status = ended.status;
        }
        QCOMPARE(status, 1);
        QCOMPARE(platform_->reportedErrors.size(), 1u);
        QVERIFY(QString::fromStdString(platform_->reportedErrors[0]).contains("tavrec7.txt"));
    }

    void designTimeTextsAndPlaces() {
        QCOMPARE(Find("client")->size(), QSize(792, 554));
        QCOMPARE(Text("Label12"), "Il record  è di ");
        QCOMPARE(Find("lblScore")->toolTip(), "Questo è il tuo punteggio. Forza con il  record");
        QCOMPARE(Find("txtAnswer")->toolTip(), "Inserisci il risultato e  premi il tasto  Invio");
        QCOMPARE(Find("cmdExit")->toolTip(),
                 "Ti prego resta ancora, forse riuscirai a farmi uscire ");
        QCOMPARE(Find("Image1")->toolTip(), "Clicca sotto di me per impostare il Timer");
        QCOMPARE(Find("cmdNext")->toolTip(), "Go");
        QCOMPARE(Find<QPushButton>("cmdNext")->text(), "&Nuovo calcolo");
        QCOMPARE(Find<QPushButton>("cmdExit")->text(), "E&xit");
        QCOMPARE(Find<QAction>("Next")->text(), "nuovo");
        QCOMPARE(Find("txtAnswer")->geometry(), QRect(544, 0, 185, 80));
        QCOMPARE(Find("cmdNext")->geometry(), QRect(280, 352, 121, 73));
        QCOMPARE(Find("Command1")->geometry(), QRect(312, 376, 57, 41));
        QCOMPARE(Find("lblMessage")->geometry(), QRect(112, 136, 441, 41));
        QVERIFY(Find("lblNum1")->autoFillBackground());
        QVERIFY(!Find("lblMessage")->autoFillBackground());
    }

    void picturesLoadAtTheirDesignedSizesAndDepths() {
        for (const char* face : {"smile", "neutral", "laugh", "noentry", "stopwatch"}) {
            QFile file(QString(":/pictures/%1.ico").arg(face));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QCOMPARE(bytes.size(), 1078);
            QCOMPARE(bytes.at(4), char(2));                          // two images
            QCOMPARE(QImage(file.fileName()).size(), QSize(32, 32)); // the larger first
            QCOMPARE(QIcon(file.fileName()).availableSizes(), (QList<QSize>{{32, 32}, {16, 16}}));
        }
        QCOMPARE(QImage(":/pictures/tavola.ico").size(), QSize(48, 48));
        QCOMPARE(QImage(":/pictures/pointer.cur").size(), QSize(48, 48));
        QVERIFY(QImage(":/pictures/pointer.cur").hasAlphaChannel());
        QCOMPARE(Find("client")->cursor().pixmap().size(), QSize(48, 48));
        QCOMPARE(Find("cmdNext")->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(Find("lblMessage")->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(Find("cmdExit")->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(Find("txtAnswer")->cursor().shape(), Qt::IBeamCursor);
    }

    void growingLabelsFitTheirCaptionOthersWrap() {
        auto* name = Find<QLabel>("lblnome1");
        const QPoint corner = name->pos();
        const int narrow = name->width();
        platform_->textAnswers = {};
        Window()->SetCaption(Label::lblnome1, "Bartolomeo Massimiliano");
        QVERIFY(name->width() > narrow + 100);
        QCOMPARE(name->pos(), corner);
        const QSize message = Find("lblMessage")->size();
        Window()->SetCaption(Label::lblMessage, "Esatto! Bartolomeo Massimiliano sei forte!");
        QCOMPARE(Find("lblMessage")->size(), message);
        Window()->SetCaption(Label::lblpunti, "12\r\n");
        QCOMPARE(static_cast<CaptionLabel*>(Find<QLabel>("lblpunti"))->Caption(), "12\r\n");
        QCOMPARE(Find<QLabel>("lblpunti")->text(), "12\n"); // the file's CR LF is a line break
        Window()->SetCaption(Label::lblnome, std::string("An\0na\r\n", 7));
        QCOMPARE(Find<QLabel>("lblnome")->text(), "Anna\n"); // a foreign file's NUL shows as nothing
    }

    // What a child sees of the next-question button: the face of its state
    // and, while it has the keys, the dotted focus rectangle.
    void theNextButtonShowsTheFaceOfEachState() {
        auto* next = Find<QPushButton>("cmdNext");
        const PictureButton::Faces& faces = game_->Pictures().NextFaces();
        struct Look {
            const char* state;
            std::function<void()> reach;
            const QIcon& face;
            bool focusRectangle;
        };
        const Look looks[] = {
            {"disabled", [] {}, faces.disabled, false},
            {"enabled, with the keys", [&] { Answer("21"); }, faces.normal, true},
            {"pressed", [&] { next->setDown(true); }, faces.pressed, true},
            {"without the keys", [&] { next->setDown(false); Find("txtAnswer")->setFocus(); },
             faces.normal, false},
        };
        for (const Look& look : looks) {
            look.reach();
            const QImage seen = next->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(Shows(seen, look.face.pixmap(32).toImage()), look.state);
            int dots = 0; // the rectangle's top edge
            for (int x = 4; x < seen.width() - 5; ++x)
                dots += seen.pixelColor(x, 4) == Qt::black;
            QVERIFY2((dots > (seen.width() - 9) / 3) == look.focusRectangle, look.state);
            int caption = 0; // the caption's letters, below the picture, in the button's text colour
            for (int y = seen.height() - 6 - next->fontMetrics().height(); y < seen.height() - 6; ++y)
                for (int x = 6; x < seen.width() - 6; ++x)
                    caption += seen.pixelColor(x, y) == next->palette().color(QPalette::ButtonText);
            QVERIFY2((caption > 20) == next->isEnabled(), look.state);
        }
    }

    // A child who closes both opening dialogs at once finds the window built:
    // the work that waits for the first paint is done as that window closes.
    void workAfterTheFirstPaintIsDoneWhenItsWindowClosesSooner() {
        Window()->hide(); // its repaints would come first
        bool done = false;
        AfterFirstPaint(this, [&] { done = true; });
        QDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::processEvents();
        dialog.hide();
        QVERIFY(done);
    }
};

QTEST_MAIN(TavolaTest)
#include "tavola_test.moc"
