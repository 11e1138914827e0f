#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "qt_platform.h"
#include "wave_file.h"

using namespace tavola;

// A wave file's bytes: a RIFF header, then each chunk as its id, size and
// body, padded to an even length; a body "?" claims more than there is.
QByteArray Wave(std::initializer_list<std::pair<std::string, std::string>> chunks) {
    std::string body = "WAVE";
    for (const auto& [id, data] : chunks) {
        const auto size = static_cast<quint32>(data == "?" ? 99 : data.size());
        body += id + std::string(reinterpret_cast<const char*>(&size), 4) + data;
        body.resize(body.size() + data.size() % 2);
    }
    const auto size = static_cast<quint32>(body.size());
    return QByteArray::fromStdString("RIFF" + std::string(reinterpret_cast<const char*>(&size), 4) +
                                     body);
}

// PCM (1), mono, 22050 Hz, 16 bits: the format of the game's own sounds.
const std::string Mono16{"\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00", 16};

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

    void theOwnRecordFolderIsInTheUsersDataDirectory() {
        const QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QCOMPARE(QString::fromStdString(OwnRecordFolder()), data.path() + "/tavola7");
    }

    void onlyWholePcmWaveFilesArePlayed_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("samples"); // -1: not played at all
        QTest::newRow("the game's format") << Wave({{"fmt ", Mono16}, {"data", "abcd"}}) << 4;
        QTest::newRow("half a frame is dropped") << Wave({{"fmt ", Mono16}, {"data", "abc"}}) << 2;
        QTest::newRow("a padded chunk before")
            << Wave({{"LIST", "x"}, {"fmt ", Mono16}, {"data", "ab"}}) << 2;
        QTest::newRow("cut short") << Wave({{"fmt ", Mono16}, {"data", "?"}}) << -1;
        QTest::newRow("no format") << Wave({{"data", "abcd"}}) << -1;
        QTest::newRow("not PCM") << Wave({{"fmt ", "\x03" + Mono16.substr(1)}, {"data", "abcd"}})
                                 << -1;
        QTest::newRow("24 bits") << Wave({{"fmt ", Mono16.substr(0, 14) + "\x18" + '\0'},
                                          {"data", "abcdef"}})
                                 << -1;
        QTest::newRow("no samples") << Wave({{"fmt ", Mono16}, {"data", ""}}) << -1;
        QTest::newRow("not RIFF") << QByteArray("RIFX") << -1;
    }

    void onlyWholePcmWaveFilesArePlayed() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, samples);
        const auto sound = ParseWave(std::string_view(bytes.constData(), bytes.size()));
        QCOMPARE(sound ? static_cast<int>(sound->samples.size()) : -1, samples);
        if (sound)
            QCOMPARE(sound->rate, 22050);
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
