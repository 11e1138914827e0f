// On a screen scaled by two the button pictures are drawn at their double
// size, with smooth edges, rather than blown up from the small 16-colour ones.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "background.h"
#include "picture_button.h"
#include "pictures.h"

using namespace tavola;

Q_DECLARE_METATYPE(PictureButton::Faces)

class ScaleTest : public QObject {
    Q_OBJECT

  private slots:
    void buttonPicturesHaveSmoothEdgesAtScaleTwo_data() {
        QTest::addColumn<PictureButton::Faces>("faces");
        QTest::newRow("next question") << Pictures::NextFaces();
        QTest::newRow("exit") << Pictures::ExitFaces();
    }

    void buttonPicturesHaveSmoothEdgesAtScaleTwo() {
        QFETCH(PictureButton::Faces, faces);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        const QColor face(0x00, 0xC0, 0xC0);
        PictureButton button("&Nuovo calcolo", face, faces, nullptr);
        button.resize(121, 73);
        const QImage shot = button.grab().toImage();
        QCOMPARE(shot.width(), 242);

        // The picture is a disc; find its middle from the pixels not of the button's face.
        const QRect picture(0, 0, shot.width(), shot.height() * 2 / 3);
        double sumX = 0, sumY = 0;
        int count = 0;
        for (int y = 8; y < picture.height(); ++y)
            for (int x = 8; x < picture.width() - 8; ++x)
                if (shot.pixelColor(x, y) != face)
                    sumX += x, sumY += y, ++count;
        QVERIFY(count > 0);
        const QPointF middle(sumX / count, sumY / count);

        // Colours across the disc's outer edge, all the way round.
        std::set<QRgb> rim;
        for (int step = 0; step < 360; ++step) {
            const double angle = step * M_PI / 180;
            for (double r = 27; r <= 33; r += 0.5)
                rim.insert(shot.pixel(
                    QPointF(middle.x() + r * std::cos(angle), middle.y() + r * std::sin(angle))
                        .toPoint()));
        }
        // Blown up, the 16-colour picture shows three at most: its black, the
        // button's face and one blend of the two; a drawing made smooth, many.
        QVERIFY2(rim.size() > 6, qPrintable(QString("%1 colours on the rim").arg(rim.size())));
    }

    // Drawn at a lower resolution and blown up, the bands would blur into
    // blended rows or share out the rows unevenly; drawn in the screen's own
    // pixels, each band is one colour and has the whole or next whole number
    // of rows (1108 rows at scale two: fours and fives).
    void backgroundBandsAreDrawnInTheScreensOwnPixels() {
        Background background;
        background.resize(792, 554);
        background.PaintGradient(7);
        const QImage shot = background.grab().toImage();
        const int rows = static_cast<int>(std::ceil(554 * qApp->devicePixelRatio()));
        QCOMPARE(shot.height(), rows);
        std::vector<int> runs(256);
        for (int y = 0; y < shot.height(); ++y) {
            const QColor colour = shot.pixelColor(shot.width() - 1, y);
            QCOMPARE(shot.pixelColor(0, y), colour);
            QCOMPARE(colour.red(), 70);
            ++runs[colour.blue()];
        }
        const auto [fewest, most] = std::ranges::minmax(runs);
        QCOMPARE(fewest, rows / 256);
        QCOMPARE(most, (rows + 255) / 256);
    }

    // The stopwatch's label is redrawn every second over the background:
    // what shows through must match the whole picture exactly.
    void aPartialRepaintMatchesTheWholePicture() {
        Background background;
        background.resize(792, 554);
        background.PaintGradient(3);
        const QImage whole = background.grab().toImage();
        const QRect clock(0, 152, 105, 33);
        const QImage part = background.grab(clock).toImage();
        const double ratio = qApp->devicePixelRatio();
        QCOMPARE(part, whole.copy(QRect(clock.topLeft() * ratio, part.size())));
    }
};

QTEST_MAIN(ScaleTest)
#include "scale_test.moc"
