// On a screen scaled by two the button pictures are drawn at their double
// size, with smooth edges, rather than blown up from the small 16-colour ones.
#include <QtTest>

#include <set>

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
                rim.insert(shot.pixel(QPointF(middle.x() + r * std::cos(angle),
                                              middle.y() + r * std::sin(angle))
                                          .toPoint()));
        }
        // Blown up, the 16-colour picture shows three at most: its black, the
        // button's face and one blend of the two; a drawing made smooth, many.
        QVERIFY2(rim.size() > 6, qPrintable(QString("%1 colours on the rim").arg(rim.size())));
    }

    // Drawn at half resolution and blown up, every band would cover an even
    // number of the screen's rows; drawn in its own pixels, the 1108 rows
    // share out as runs of four and five.
    void backgroundBandsAreDrawnInTheScreensOwnPixels() {
        Background background;
        background.resize(792, 554);
        background.PaintGradient(7);
        const QImage shot = background.grab().toImage();
        QCOMPARE(shot.height(), 1108);
        std::set<int> runs;
        int run = 1;
        for (int y = 1; y < shot.height(); ++y) {
            if (shot.pixel(10, y) == shot.pixel(10, y - 1)) {
                ++run;
            } else {
                runs.insert(run);
                run = 1;
            }
        }
        QCOMPARE(runs, (std::set<int>{4, 5}));
    }
};

QTEST_MAIN(ScaleTest)
#include "scale_test.moc"
