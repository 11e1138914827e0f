#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "qt_platform.h"

using namespace tavola;

// The real dialogs: their titles, buttons and answers, as the player meets them.
class QtPlatformTest : public QObject {
    Q_OBJECT

    QtPlatform platform_;

    // Runs `look` on the dialog that the next call opens, once it is up.
    void WhenDialogOpens(std::function<void(QWidget*)> look) {
        QTimer::singleShot(0, this, [this, look] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) {
                WhenDialogOpens(look);
                return;
            }
            look(dialog);
        });
    }

  private slots:
    void messageCarriesTheProgramTitleUnlessGivenOne() {
        QString title;
        WhenDialogOpens([&](QWidget* dialog) {
            title = dialog->windowTitle();
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        QCOMPARE(platform_.ShowMessage("Tempo scaduto", Buttons::Ok, std::nullopt), Reply::Ok);
        QCOMPARE(title, "Vortimpa");

        WhenDialogOpens([&](QWidget* dialog) {
            title = dialog->windowTitle();
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        platform_.ShowMessage("Ciao a presto. Ore 600", Buttons::Ok, "Data 07/12/2026");
        QCOMPARE(title, "Data 07/12/2026");
    }

    void newGameQuestionDefaultsToNo() {
        struct Case {
            const char* press; // the button's caption, or "" for plain Enter
            Reply expected;
        } cases[] = {{"", Reply::No}, {"&Sì", Reply::Yes}, {"&No", Reply::No}};
        for (const Case& c : cases) {
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            WhenDialogOpens([&](QWidget* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                icon = box->icon();
                if (*c.press == '\0') {
                    QTest::keyClick(box, Qt::Key_Return);
                    return;
                }
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == c.press)
                        button->click();
            });
            const Reply reply = platform_.ShowMessage(
                "INIZIAMO UNA NUOVA GARA  ?", Buttons::YesNoQuestion, "INIZIARE NUOVA GARA");
            QCOMPARE(reply, c.expected);
            QCOMPARE(icon, QMessageBox::Question);
        }
    }

    void askTextGivesTheTypedTextAndNothingOnCancel() {
        QString title;
        WhenDialogOpens([&](QWidget* dialog) {
            title = dialog->windowTitle();
            auto* field = dialog->findChild<QLineEdit*>();
            QVERIFY(field->text().isEmpty());
            field->insert("Niccolò");
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(platform_.AskText("Come ti chiami?"), "Niccolò");
        QCOMPARE(title, "Vortimpa");

        WhenDialogOpens([](QWidget* dialog) {
            QTest::keyClicks(dialog->findChild<QLineEdit*>(), "Anna");
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        QCOMPARE(platform_.AskText("Come ti chiami?"), "");
    }

    void aMissingSoundIsSilentAndImmediate() {
        QElapsedTimer clock;
        clock.start();
        platform_.PlayWave("/nonexistent/suoni/no.wav");
        QVERIFY(clock.elapsed() < 100);
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
