// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlanningMath.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace planning;

namespace {
// The calculator's chain for an entered screen size and projector resolution, link down.
struct Calculation {
    int projectors;
    double overlap;
    double imageWidth;
    QString aspect;
    int maxOverlap;
};

Calculation calculate(double screenW, double screenH, double resH, double resV) {
    double aspect = screenW / screenH;
    const ImageSize size = imageSize(resV, aspect);
    const int n = projectorCount(resH, resV, aspect);
    if (n > kMaxProjectors) return {n, 0, size.width, formatGeneral(aspect, 3), 0};
    const OverlapPlan plan = planOverlap(n, resH, size.width, overlapUpperBound(n, resH, false, 0));
    if (plan.imageWidthChanged) aspect = aspectFromImage(plan.imageWidth, size.height, screenH).aspect;
    return {n, plan.overlap, plan.imageWidth, formatGeneral(aspect, 3), plan.maxOverlapWidth};
}

const char *const kSingle = " - Single Graphic Source:    3 : 1 Aspect Ratio Image Required\r\n"
                            "                                      (Center or Left Justified)\r\n";
const char *const kTwo = " - 2 Head Graphic Source:    3 : 1 Aspect Ratio Image Required\r\n"
                         "                                      (Must be Centered)\r\n";
QString heads(int h) {
    return QStringLiteral(
               " - %1 Head Graphic Source (1280 x 1024 resolution): 3072 x 1024 Image Size Required\r\n"
               "                                      (Center or Left Justified)\r\n")
        .arg(h);
}
} // namespace

class PlanningMathTest : public QObject {
    Q_OBJECT
private slots:
    void calculation_data();
    void calculation();
    void slices_data();
    void slices();
    void overlapBoundFromDevices();
    void layoutFromDeviceRecords();
    void numberFormats_data();
    void numberFormats();
    void contentNotes_data();
    void contentNotes();
    void drawingGeometry();
    void outOfRangeInputsGiveNoResult();
};

void PlanningMathTest::calculation_data() {
    QTest::addColumn<double>("screenW");
    QTest::addColumn<double>("screenH");
    QTest::addColumn<double>("resH");
    QTest::addColumn<double>("resV");
    QTest::addColumn<int>("projectors");
    QTest::addColumn<double>("overlap");
    QTest::addColumn<double>("imageWidth");
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<int>("maxOverlap");
    QTest::newRow("defaults") << 30.0 << 10.0 << 1280.0 << 1024.0 << 3 << 384.0 << 3072.0 << "3" << 640;
    // No overlap left: raised to the minimum, which narrows the image.
    QTest::newRow("40x10 at 1024x768")
        << 40.0 << 10.0 << 1024.0 << 768.0 << 3 << 64.0 << 2944.0 << "3.83" << 512;
    QTest::newRow("100x10 at 800x600")
        << 100.0 << 10.0 << 800.0 << 600.0 << 8 << 64.0 << 5952.0 << "9.92" << 400;
    QTest::newRow("one projector") << 4.0 << 3.0 << 1024.0 << 768.0 << 1 << 0.0 << 1024.0 << "1.33" << 512;
    // An overlap above half a projector is capped there, which widens the image.
    QTest::newRow("capped at half") << 1.0 << 1.0 << 800.0 << 1024.0 << 2 << 400.0 << 1200.0 << "1.17" << 400;
}

void PlanningMathTest::calculation() {
    QFETCH(double, screenW);
    QFETCH(double, screenH);
    QFETCH(double, resH);
    QFETCH(double, resV);
    const Calculation c = calculate(screenW, screenH, resH, resV);
    QTEST(c.projectors, "projectors");
    QTEST(c.overlap, "overlap");
    QTEST(c.imageWidth, "imageWidth");
    QTEST(c.aspect, "aspect");
    QTEST(c.maxOverlap, "maxOverlap");
}

void PlanningMathTest::slices_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("overlap");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<QList<double>>("edges"); // start, end of each projector
    QTest::newRow("defaults centred")
        << 3 << 384.0 << true << QList<double>{384, 1664, 1280, 2560, 2176, 3456};
    QTest::newRow("defaults left") << 3 << 384.0 << false << QList<double>{0, 1280, 896, 2176, 1792, 3072};
    // The shift is half of all overlaps, truncated.
    QTest::newRow("odd shift") << 2 << 65.0 << true << QList<double>{32, 1312, 1247, 2527};
    QTest::newRow("one projector") << 1 << 0.0 << true << QList<double>{0, 1280};
}

void PlanningMathTest::slices() {
    QFETCH(int, n);
    QFETCH(double, overlap);
    QFETCH(bool, centred);
    QFETCH(QList<double>, edges);
    const SliceLayout layout = screenOffsets(n, 1280, overlap, centred);
    QCOMPARE(layout.count, n);
    QList<double> got;
    for (int p = 0; p < n; ++p)
        got << layout.slices[p].start << layout.slices[p].end;
    QCOMPARE(got, edges);
    // The alignment only moves the slices.
    QCOMPARE(layout.imageWidth, n * 1280 - (n - 1) * overlap);
}

void PlanningMathTest::overlapBoundFromDevices() {
    // A measured source of 1024 pixels: half of it for up to two projectors, shared by the seams beyond.
    QCOMPARE(overlapUpperBound(2, 1280, true, 1024), 512);
    QCOMPARE(overlapUpperBound(3, 1280, true, 1024), 512);
    QCOMPARE(overlapUpperBound(5, 1280, true, 1024), 256);
    // Not read from the devices, or nothing measured: half the projector width.
    QCOMPARE(overlapUpperBound(5, 1280, false, 1024), 640);
    QCOMPARE(overlapUpperBound(5, 1024, true, 0), 512);
    // The bound caps the overlap and the image width follows it.
    const OverlapPlan plan = planOverlap(5, 1024, 3072, 256);
    QCOMPARE(plan.overlap, 256.0);
    QCOMPARE(plan.imageWidth, 5 * 1024.0 - 4 * 256.0);
    QVERIFY(plan.imageWidthChanged);
    QCOMPARE(plan.maxOverlapWidth, 512);
    // At the 64-pixel minimum: 63 is raised, 64 is kept with the image width as it was.
    const OverlapPlan raised = planOverlap(2, 1024, 2048 - 63, 512);
    QCOMPARE(raised.overlap, 64.0);
    QCOMPARE(raised.imageWidth, 1984.0);
    QVERIFY(raised.imageWidthChanged);
    const OverlapPlan kept = planOverlap(2, 1024, 1984, 512);
    QCOMPARE(kept.overlap, 64.0);
    QVERIFY(!kept.imageWidthChanged);
}

void PlanningMathTest::layoutFromDeviceRecords() {
    const DeviceLayout four = layoutFromDevices(4, 1024, 768, 128);
    QCOMPARE(four.imageWidth, 3712.0);
    QCOMPARE(formatGeneral(four.aspect, 3), QString("4.83"));
    QCOMPARE(formatGeneral(four.screenWidth, 5), QString("48.333"));
    QCOMPARE(four.overlap, 128.0);
    const DeviceLayout one = layoutFromDevices(1, 1280, 1024, 200);
    QCOMPARE(one.imageWidth, 1280.0);
    QCOMPARE(one.overlap, 0.0);
    QCOMPARE(one.screenWidth, 12.5);
}

void PlanningMathTest::numberFormats_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");
    QTest::newRow("3") << 3.0 << 3 << "3";
    QTest::newRow("2.4") << 2.4 << 3 << "2.4";
    QTest::newRow("4/3") << 4.0 / 3.0 << 3 << "1.33";
    QTest::newRow("5 digits") << 145.0 / 3.0 << 5 << "48.333";
    QTest::newRow("large for 3 digits") << 3072.4 << 3 << "3072";
    QTest::newRow("shortest integer") << 3072.0 << 15 << "3072";
    QTest::newRow("shortest fraction") << 2.5 << 15 << "2.5";
    QTest::newRow("shortest million") << 1e6 << 15 << "1000000";
    QTest::newRow("infinite") << HUGE_VAL << 3 << "N/A";
    QTest::newRow("not a number") << std::nan("") << 15 << "N/A";
}

void PlanningMathTest::numberFormats() {
    QFETCH(double, value);
    QFETCH(int, digits);
    QTEST(digits == 15 ? formatNumber(value) : formatGeneral(value, digits), "text");
}

void PlanningMathTest::contentNotes_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("notes");
    const QString single = kSingle, two = kTwo;
    QTest::newRow("1") << 1 << single;
    QTest::newRow("2") << 2 << single + two;
    QTest::newRow("3") << 3 << single + heads(3);
    QTest::newRow("4") << 4 << single + two + heads(4);
    QTest::newRow("5") << 5 << single + heads(5);
    QTest::newRow("6") << 6 << single + two + heads(3) + heads(6);
    QTest::newRow("7") << 7 << single + heads(7);
    QTest::newRow("8") << 8 << single + two + heads(4) + heads(8);
    QTest::newRow("0 (no wall)") << 0 << single;
}

void PlanningMathTest::contentNotes() {
    QFETCH(int, n);
    QTEST(imageContentNotes(n, "3", 1280, 1024, "3072", "1024"), "notes");
}

void PlanningMathTest::drawingGeometry() {
    // Defaults: 384 of 1280 pixels is 33 of a 110-pixel frame.
    QCOMPARE(frameOverlap(384, 1280), 33);
    QList<int> lefts;
    for (const FrameRect &f : projectorFrames(3, 384, 1280)) {
        lefts << f.left;
        QCOMPARE(f.right - f.left, kFrameWidth);
        QCOMPARE(f.top, 5);
        QCOMPARE(f.bottom, 99);
    }
    QCOMPARE(lefts, (QList<int>{5, 82, 159}));
    QCOMPARE(projectorFrames(8, 0, 1280).last().right, 885);

    const QList<PlacementMarker> markers = placementMarkers(3, 1280, 384, 3072, 30, 477);
    QCOMPARE(markers.size(), 3);
    QCOMPARE((QList<int>{markers[0].x, markers[1].x, markers[2].x}), (QList<int>{99, 238, 377}));
    QCOMPARE((QList<float>{markers[0].position, markers[1].position, markers[2].position}),
             (QList<float>{6.25f, 15.0f, 23.75f}));
}

// Counts from a device or a file that fall outside 1..8, and zero divisors, give nothing to show
// rather than slices past the eighth or infinite sizes.
void PlanningMathTest::outOfRangeInputsGiveNoResult() {
    for (int n : {0, -1, 9}) {
        const SliceLayout layout = screenOffsets(n, 1280, 64, true);
        QCOMPARE(layout.count, 0);
        QCOMPARE(formatNumber(layout.imageWidth), QString("N/A"));
        QVERIFY(projectorFrames(n, 64, 1280).isEmpty());
        QVERIFY(placementMarkers(n, 1280, 64, 3072, 30, 477).isEmpty());
    }
    QCOMPARE(formatGeneral(layoutFromDevices(3, 1024, 0, 64).aspect, 3), QString("N/A"));
    QCOMPARE(formatGeneral(layoutFromDevices(3, 1024, 0, 64).screenWidth, 5), QString("N/A"));
    QCOMPARE(formatGeneral(aspectFromImage(3072, 0, 10).aspect, 3), QString("N/A"));
    QCOMPARE(projectorCount(0, 1024, 3), 0);
    QCOMPARE(projectorCount(1280, 1024, std::nan("")), 0);
    // An image width that overflows needs more projectors than any wall, not none.
    QCOMPARE(projectorCount(1280, 1024, std::numeric_limits<double>::infinity()), 1000);
    QCOMPARE(projectorCount(1280, 1024, 1e308), 1000);
    QVERIFY(placementMarkers(3, 1280, 384, 0, 30, 477).isEmpty());
    QCOMPARE(frameOverlap(384, 0), 0);
    // A loaded overlap of any size keeps the frames within reach: at most a frame width either way.
    QCOMPARE(frameOverlap(2147483647, 640), kFrameWidth);
    QCOMPARE(frameOverlap(-2147483647 - 1, 1e-300), -kFrameWidth);
    QCOMPARE(projectorFrames(8, -2000000000, 640).last().left, 5 + 7 * 2 * kFrameWidth);
    // A tiny image width puts the centres far beyond the picture: the markers stay off it, as ints.
    const QList<PlacementMarker> far = placementMarkers(3, 1280, 384, 1e-30, 30, 477);
    QCOMPARE(far.size(), 3);
    QCOMPARE(far.last().x, 4770);
}

QTEST_APPLESS_MAIN(PlanningMathTest)
#include "tst_planningmath.moc"
