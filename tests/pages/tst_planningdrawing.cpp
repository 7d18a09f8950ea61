// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanningDrawing.h"

#include <QtTest>

namespace {
const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0), kRed(255, 0, 0), kBlue(0, 0, 255), kTeal(0, 128, 128);

QColor at(const QImage &image, int x, int y) {
    return image.pixelColor(x, y);
}

PlanningDrawing::Wall defaults() {
    PlanningDrawing::Wall wall;
    wall.projectors = 3;
    wall.overlapEdit = 384;
    wall.projectorResH = 1280;
    wall.overlapPixels = 384;
    wall.imageWidth = 3072;
    wall.screenWidth = 30;
    wall.screenWidthText = QStringLiteral("30");
    return wall;
}

bool columnHasDark(const QImage &image, int x, int fromY, int toY) {
    for (int y = fromY; y <= toY; ++y)
        if (image.pixelColor(x, y).lightness() < 100) return true;
    return false;
}
} // namespace

class PlanningDrawingTest : public QObject {
    Q_OBJECT
private slots:
    void framesOfTheDefaultWall();
    void framesOfOneAndEightProjectors();
    void noFramesForACountOutsideTheWall();
    void placementScale();
};

void PlanningDrawingTest::framesOfTheDefaultWall() {
    QList<planning::FrameRect> placed;
    const QImage image = PlanningDrawing::drawFrames(defaults(), &placed);
    QCOMPARE(image.size(), QSize(905, 110));
    QCOMPARE(placed.size(), 3);
    // Frame edges at x = 5, 82, 159 (110 wide, 33 pixels of overlap), from y = 5 to 98.
    QCOMPARE(at(image, 5, 50), kYellow);
    QCOMPARE(at(image, 114, 50), kYellow);
    QCOMPARE(at(image, 82, 50), kRed);
    QCOMPARE(at(image, 191, 50), kRed);
    QCOMPARE(at(image, 159, 50), kBlue);
    QCOMPARE(at(image, 268, 50), kBlue);
    QCOMPARE(at(image, 269, 50), kSilver);
    QCOMPARE(at(image, 100, 4), kSilver);
    QCOMPARE(at(image, 100, 99), kSilver);
    QCOMPARE(at(image, 50, 50), kSilver); // frames, not filled rectangles
    // Where frames overlap, the lower projector number is on top along the top and bottom edges.
    QCOMPARE(at(image, 100, 5), kYellow);
    QCOMPARE(at(image, 100, 98), kYellow);
    QCOMPARE(at(image, 170, 5), kRed);
    QCOMPARE(at(image, 230, 98), kBlue);
}

void PlanningDrawingTest::framesOfOneAndEightProjectors() {
    PlanningDrawing::Wall wall = defaults();
    wall.projectors = 1;
    wall.overlapEdit = 0;
    const QImage one = PlanningDrawing::drawFrames(wall);
    QCOMPARE(at(one, 5, 5), kYellow);
    QCOMPARE(at(one, 114, 98), kYellow);
    QCOMPARE(at(one, 115, 50), kSilver);
    QCOMPARE(at(one, 200, 5), kSilver);

    // Overlap 0: the frames touch without overlapping and the eighth ends at x = 885.
    wall.projectors = 8;
    const QImage eight = PlanningDrawing::drawFrames(wall);
    for (int k = 1; k <= 8; ++k) {
        const QColor colour = PlanningDrawing::projectorColours()[k - 1];
        QCOMPARE(at(eight, 5 + 110 * (k - 1), 50), colour);
        QCOMPARE(at(eight, 114 + 110 * (k - 1), 50), colour);
    }
    QCOMPARE(at(eight, 884, 50), kTeal);
    QCOMPARE(at(eight, 885, 50), kSilver);
}

void PlanningDrawingTest::noFramesForACountOutsideTheWall() {
    for (int n : {0, 9}) {
        PlanningDrawing::Wall wall = defaults();
        wall.projectors = n;
        QList<planning::FrameRect> placed{{1, 2, 3, 4}};
        const QImage frames = PlanningDrawing::drawFrames(wall, &placed);
        QVERIFY(placed.isEmpty());
        QCOMPARE(at(frames, 5, 50), kSilver);
        const QImage scale = PlanningDrawing::drawPlacement(wall);
        QVERIFY(!columnHasDark(scale, 99, 30, 100)); // no markers
    }
}

void PlanningDrawingTest::placementScale() {
    const QImage image = PlanningDrawing::drawPlacement(defaults());
    QCOMPARE(image.size(), QSize(477, 128));
    QCOMPARE(at(image, 1, 1), kSilver);
    // The scale line from x = 5 to 467 at y = 20.
    QCOMPARE(at(image, 5, 20), QColor(Qt::black));
    QCOMPARE(at(image, 467, 20), QColor(Qt::black));
    QCOMPARE(at(image, 470, 20), kSilver);
    // Dashed markers at the centres x = 99, 238, 377, down to the bottom, with gaps.
    for (int x : {99, 238, 377}) {
        QVERIFY2(columnHasDark(image, x, 25, 100), qPrintable(QString::number(x)));
        bool gap = false;
        for (int y = 25; y < 100; ++y)
            gap = gap || at(image, x, y) == kSilver;
        QVERIFY2(gap, "marker is dashed");
    }
    QVERIFY(!columnHasDark(image, 150, 25, 100));
    // Labels: "0" at the left end above the line, the screen width at the right end, the centres'
    // positions above and "Proj p" below.
    QVERIFY(columnHasDark(image, 5, 5, 18));
    QVERIFY(columnHasDark(image, 462, 5, 18));
    QVERIFY(columnHasDark(image, 95, 5, 18));
    QVERIFY(columnHasDark(image, 235, 113, 127));
}

QTEST_MAIN(PlanningDrawingTest)
#include "tst_planningdrawing.moc"
