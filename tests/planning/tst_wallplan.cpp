// SPDX-License-Identifier: GPL-3.0-or-later
#include "WallPlan.h"

#include <QtTest>

using namespace planning;
using Outcome = WallPlan::Outcome;

// The whole calculation as the Planning page runs it, from screen size to slices and notes.
class TestWallPlan : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void refusals_data();
    void refusals();
    void notesFollowTheFinalLayout();
};

void TestWallPlan::workedExamples_data() {
    QTest::addColumn<double>("screenW");
    QTest::addColumn<double>("screenH");
    QTest::addColumn<int>("resH");
    QTest::addColumn<int>("resV");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<int>("projectors");
    QTest::addColumn<int>("devices");
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<QString>("screenWidth");
    QTest::addColumn<double>("imageWidth");
    QTest::addColumn<int>("overlap");
    QTest::addColumn<bool>("widthChanged");
    QTest::addColumn<QList<double>>("slices"); // start, end per projector

    QTest::newRow("defaults centred")
        << 30.0 << 10.0 << 1280 << 1024 << 0 << true << 3 << 1 << "3"
        << "30" << 3072.0 << 384 << false << QList<double>{384, 1664, 1280, 2560, 2176, 3456};
    QTest::newRow("defaults left") << 30.0 << 10.0 << 1280 << 1024 << 0 << false << 3 << 1 << "3"
                                   << "30" << 3072.0 << 384 << false
                                   << QList<double>{0, 1280, 896, 2176, 1792, 3072};
    // The overlap of 0 is raised to the 64-pixel minimum; image and screen width follow.
    QTest::newRow("40x10 at 1024x768")
        << 40.0 << 10.0 << 1024 << 768 << 0 << true << 3 << 1 << "3.83"
        << "38.333" << 2944.0 << 64 << true << QList<double>{64, 1088, 1024, 2048, 1984, 3008};
    QTest::newRow("eight left justified") << 100.0 << 10.0 << 800 << 600 << 0 << false << 8 << 2 << "9.92"
                                          << "99.2" << 5952.0 << 64 << true << QList<double>{};
    // Five chosen by hand for the default screen: the overlap the image needs (832) is capped at half a
    // projector, and the image widens.
    QTest::newRow("five chosen") << 30.0 << 10.0 << 1280 << 1024 << 5 << true << 5 << 2 << "3.75"
                                 << "37.5" << 3840.0 << 640 << true
                                 << QList<double>{1280, 2560, 1920, 3200, 2560, 3840, 3200, 4480, 3840, 5120};
    QTest::newRow("one chosen") << 30.0 << 10.0 << 1280 << 1024 << 1 << true << 1 << 1 << "3"
                                << "30" << 1280.0 << 0 << false << QList<double>{0, 1280};
}

void TestWallPlan::workedExamples() {
    QFETCH(double, screenW);
    QFETCH(double, screenH);
    QFETCH(int, resH);
    QFETCH(int, resV);
    QFETCH(int, chosen);
    QFETCH(bool, centred);
    WallPlanRequest request{screenW, screenH, resH, resV, chosen, centred};
    const WallPlan plan = planWall(request);
    QVERIFY2(plan.ok(), qPrintable(plan.message));
    QTEST(plan.projectors, "projectors");
    QTEST(plan.devices, "devices");
    QTEST(plan.aspectText(), "aspect");
    QTEST(plan.screenWidthText(), "screenWidth");
    QTEST(plan.imageWidth, "imageWidth");
    QCOMPARE(plan.imageHeight, double(resV));
    QTEST(plan.overlap, "overlap");
    QTEST(plan.imageWidthChanged, "widthChanged");
    QCOMPARE(plan.maxOverlapWidth, resH / 2);
    QFETCH(QList<double>, slices);
    if (!slices.isEmpty()) {
        QCOMPARE(plan.slices.count, int(slices.size() / 2));
        for (int p = 0; p < plan.slices.count; ++p) {
            QCOMPARE(plan.slices.slices[p].start, slices[2 * p]);
            QCOMPARE(plan.slices.slices[p].end, slices[2 * p + 1]);
        }
    }
}

void TestWallPlan::refusals_data() {
    QTest::addColumn<double>("screenW");
    QTest::addColumn<int>("resH");
    QTest::addColumn<int>("resV");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");

    QTest::newRow("nine needed")
        << 120.0 << 800 << 600 << 0 << false << int(Outcome::TooManyProjectors)
        << "Error! Minimum # of screen calculated is greater than 8. Please enter valid "
           "Horizontal/Vertical Output Size and Projector Resolution.";
    QTest::newRow("eight centred needed")
        << 100.0 << 800 << 600 << 0 << true << int(Outcome::CentredEight)
        << "Error! Maximum number of projectors for center justified image is 7";
    QTest::newRow("eight centred chosen")
        << 30.0 << 1280 << 1024 << 8 << true << int(Outcome::CentredEight)
        << "Error! Maximum number of projectors for center justified image is 7";
    QTest::newRow("unknown resolution")
        << 30.0 << 1920 << 1080 << 0 << true << int(Outcome::BadResolution)
        << "Error! The projector resolution must be 800x600, 1024x768 or 1280x1024.";
    QTest::newRow("zero screen") << 0.0 << 1280 << 1024 << 0 << true << int(Outcome::BadScreenSize)
                                 << "Error! The output screen size must be two numbers greater than 0.";
    QTest::newRow("nine chosen") << 30.0 << 1280 << 1024 << 9 << false << int(Outcome::BadProjectorCount)
                                 << "Error! The number of projectors must be 1 to 8.";
}

void TestWallPlan::refusals() {
    QFETCH(double, screenW);
    QFETCH(int, resH);
    QFETCH(int, resV);
    QFETCH(int, chosen);
    QFETCH(bool, centred);
    const WallPlan plan = planWall({screenW, 10, resH, resV, chosen, centred});
    QFETCH(int, outcome);
    QCOMPARE(int(plan.outcome), outcome);
    QTEST(plan.message, "message");
    QVERIFY(plan.notes.isEmpty());
}

// The notes name the image size and aspect the final layout shows.
void TestWallPlan::notesFollowTheFinalLayout() {
    const WallPlan three = planWall({});
    QVERIFY(three.notes.contains(
        " - 3 Head Graphic Source (1280 x 1024 resolution): 3072 x 1024 Image Size Required\r\n"));
    QVERIFY(three.notes.startsWith(" - Single Graphic Source:    3 : 1 Aspect Ratio Image Required\r\n"));
    WallPlanRequest fourRequest;
    fourRequest.projectors = 4;
    const WallPlan four = planWall(fourRequest);
    QVERIFY(four.notes.contains(" - 2 Head Graphic Source:    "));
    QVERIFY(four.notes.contains(
        QStringLiteral(" - 4 Head Graphic Source (1280 x 1024 resolution): %1 x 1024 Image Size Required\r\n")
            .arg(formatNumber(four.imageWidth))));
}

QTEST_APPLESS_MAIN(TestWallPlan)
#include "tst_wallplan.moc"
