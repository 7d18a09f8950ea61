// SPDX-License-Identifier: GPL-3.0-or-later
// The blend preview without a window: the light the settings give across the wall, the findings of a
// table of small walls, and pixels of the picture at known places.
#include "BlendCheck.h"
#include "BlendPicture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace blend;
using Kind = Finding::Kind;

namespace {

// n projectors of 1280 pixels overlapping by 384, every seam feathered alike on both sides with gamma
// 2.2, the outer edges left alone, black level 10 everywhere; one or two devices holding the same wall.
BlendInput consistentWall(int n, bool advanced = true) {
    BlendInput in;
    in.projectors = n;
    in.projectorWidth = 1280;
    in.overlap = 384;
    for (int s = 1; s <= 8; ++s) {
        OutputInfo &o = in.screens[s];
        o.LeftGamma = o.RightGamma = 2.2f;
        o.LeftFeathering = s > 1 ? 1 : 0;
        o.RightFeathering = s < n ? 1 : 0;
        o.LeftGammaWidth = o.RightGammaWidth = 384;
        o.LeftHaloWidth = o.RightHaloWidth = 16;
        o.BlackLevel = 10;
    }
    for (int first : {1, 5}) {
        OutputInfo &sys = in.screens[first];
        sys.AdvancedMode = advanced ? 1 : 0;
        sys.BasicFeathering = 1;
        sys.BasicGamma = 2.2f;
        sys.OverlapWidth = 384;
        sys.TotalProjectors = quint8(n);
        sys.FeatherMode = 'S';
    }
    return in;
}

QList<Kind> kindsOf(const BlendWall &wall) {
    QList<Kind> kinds;
    for (const Finding &f : wall.findings)
        kinds << f.kind;
    return kinds;
}

bool isColour(const QImage &image, int x, int y, const QColor &colour) {
    return image.pixelColor(x, y).rgb() == colour.rgb();
}

} // namespace

class TestBlendCheck : public QObject {
    Q_OBJECT

private slots:
    void matchedRampsSumToOne_data();
    void matchedRampsSumToOne();
    void lightModelFollowsTheSettings();
    void findings_data();
    void findings();
    void widthMismatchNamesBothScreens();
    void noWallNoFindings();
    void pictureShowsSlicesAndSummedLight();
    void pictureChangesWithAField();
    void savesPngAndSvg();
};

void TestBlendCheck::matchedRampsSumToOne_data() {
    QTest::addColumn<int>("projectors");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<char>("curve");
    QTest::newRow("advanced S-curve, 3") << 3 << true << 'S';
    QTest::newRow("advanced linear, 3") << 3 << true << 'L';
    QTest::newRow("basic S-curve, 6") << 6 << false << 'S';
    QTest::newRow("one projector") << 1 << true << 'S';
}

void TestBlendCheck::matchedRampsSumToOne() {
    QFETCH(int, projectors);
    QFETCH(bool, advanced);
    QFETCH(char, curve);
    BlendInput in = consistentWall(projectors, advanced);
    in.screens[1].FeatherMode = in.screens[5].FeatherMode = quint8(curve);
    const BlendWall wall = analyse(in);
    QCOMPARE(int(wall.light.size()), projectors * 1280 - (projectors - 1) * 384);
    for (size_t x = 0; x < wall.light.size(); ++x)
        QVERIFY2(std::abs(wall.light[x] - 1) < 1e-6,
                 qPrintable(QStringLiteral("x %1: %2").arg(x).arg(wall.light[x])));
    QCOMPARE(wall.seams.size(), projectors - 1);
    QVERIFY(wall.findings.isEmpty());
}

void TestBlendCheck::lightModelFollowsTheSettings() {
    // Halfway through a seam each S-curve ramp gives half the light; a linear ramp a quarter of the way
    // in gives a quarter.
    BlendInput in = consistentWall(2);
    BlendWall wall = analyse(in);
    const double seamMiddle = 1280 - 192;
    QVERIFY(std::abs(wall.projectorLight(0, seamMiddle) - 0.5) < 0.01);
    QVERIFY(std::abs(wall.projectorLight(1, seamMiddle) - 0.5) < 0.01);
    QCOMPARE(wall.projectorLight(0, 100), 1.0);
    QCOMPARE(wall.projectorLight(1, 100), 0.0); // outside its slice
    in.screens[1].FeatherMode = 'L';
    wall = analyse(in);
    QVERIFY(std::abs(wall.projectorLight(1, 896 + 96) - 0.25) < 0.01);

    // A projector with a steeper gamma than the edges were set for darkens every seam.
    in = consistentWall(3);
    in.projectorGamma = 2.6;
    wall = analyse(in);
    QVERIFY(wall.seams[0].minLight < 0.95);
    QVERIFY(std::abs(wall.light[100] - 1) < 1e-9);

    // No feathering at a seam: twice the light where the projectors overlap, once outside it.
    in = consistentWall(2, false);
    in.screens[1].BasicFeathering = 0;
    wall = analyse(in);
    QCOMPARE(wall.light[1000], 2.0);
    QCOMPARE(wall.light[800], 1.0);
    QCOMPARE(wall.seams[0].maxLight, 2.0);

    // Basic mode takes the device's width and gamma, never the edges' own values.
    in = consistentWall(2, false);
    in.screens[1].RightGammaWidth = 10;
    in.screens[2].LeftGamma = 1.0f;
    wall = analyse(in);
    QCOMPARE(wall.projectors[0].right.width, 384);
    QCOMPARE(wall.projectors[1].left.gamma, 2.2f);
    QVERIFY(!wall.projectors[0].left.enabled);
}

void TestBlendCheck::findings_data() {
    QTest::addColumn<int>("projectors");
    QTest::addColumn<std::function<void(BlendInput &)>>("change");
    QTest::addColumn<QList<Kind>>("kinds");
    QTest::addColumn<QList<int>>("screens"); // of the first finding
    QTest::addColumn<QString>("says");       // part of the first finding's text

    using Change = std::function<void(BlendInput &)>;
    const Change none = [](BlendInput &) {};
    QTest::newRow("consistent 3") << 3 << none << QList<Kind>{} << QList<int>{} << QString();
    QTest::newRow("consistent 8 on two devices")
        << 8 << Change([](BlendInput &in) { in.devicesConnected = 2; }) << QList<Kind>{} << QList<int>{}
        << QString();
    QTest::newRow("consistent basic 4") << 4 << Change([](BlendInput &in) { in.screens[1].AdvancedMode = 0; })
                                        << QList<Kind>{} << QList<int>{} << QString();
    QTest::newRow("offsets differ")
        << 3 << Change([](BlendInput &in) { in.screens[2].RightGammaOffset = 20; })
        << QList<Kind>{Kind::FeatherOffsetMismatch} << QList<int>{2, 3}
        << QStringLiteral("(screen 2 right 20, screen 3 left 0): a dark band at the seam of screens 2 "
                          "and 3");
    QTest::newRow("both widths wider than the overlap")
        << 2
        << Change([](BlendInput &in) { in.screens[1].RightGammaWidth = in.screens[2].LeftGammaWidth = 448; })
        << QList<Kind>{Kind::WidthNotOverlap, Kind::WidthNotOverlap} << QList<int>{1}
        << QStringLiteral("Screen 1's right feather width 448 differs from the planned overlap 384: the ramp "
                          "reaches past the overlap, a dark band at the seam of screens 1 and 2");
    QTest::newRow("basic mode width differs from the plan, said once")
        << 4 << Change([](BlendInput &in) {
               in.screens[1].AdvancedMode = 0;
               in.overlap = 320;
           })
        << QList<Kind>{Kind::WidthNotOverlap} << QList<int>{1, 2, 3, 4}
        << QStringLiteral("Kestrix 1 feathers its seams over its overlap width 384, which differs from the "
                          "planned overlap 320: the ramps reach past the overlap, a dark band at the seam of "
                          "screens 1 and 2, and the same at its other seams.");
    QTest::newRow("gammas differ") << 3 << Change([](BlendInput &in) { in.screens[3].LeftGamma = 1.8f; })
                                   << QList<Kind>{Kind::GammaMismatch} << QList<int>{2, 3}
                                   << QStringLiteral("(screen 2 right 2.2, screen 3 left 1.8): a dark band");
    QTest::newRow("one side enabled")
        << 3 << Change([](BlendInput &in) { in.screens[3].LeftFeathering = 0; })
        << QList<Kind>{Kind::EnabledOneSide} << QList<int>{2, 3}
        << QStringLiteral("Feathering is on for screen 2's right edge only at the seam of screens 2 and 3: a "
                          "bright band");
    QTest::newRow("basic feathering off") << 3 << Change([](BlendInput &in) {
        in.screens[1].AdvancedMode = 0;
        in.screens[1].BasicFeathering = 0;
    }) << QList<Kind>{Kind::SeamNotFeathered, Kind::SeamNotFeathered}
                                          << QList<int>{1, 2} << QStringLiteral("twice the light");
    QTest::newRow("outer edges feathered")
        << 3
        << Change([](BlendInput &in) { in.screens[1].LeftFeathering = in.screens[3].RightFeathering = 1; })
        << QList<Kind>{Kind::OuterEdgeFeathered, Kind::OuterEdgeFeathered} << QList<int>{1}
        << QStringLiteral("fades to dark at the left edge of the wall");
    QTest::newRow("outer edge values unused in basic mode") << 3 << Change([](BlendInput &in) {
        in.screens[1].AdvancedMode = 0;
        in.screens[1].LeftFeathering = 1;
    }) << QList<Kind>{} << QList<int>{} << QString();
    QTest::newRow("halo wider than the overlap")
        << 2 << Change([](BlendInput &in) {
               in.overlap = 64;
               in.screens[1].OverlapWidth = 64;
               in.screens[1].RightGammaWidth = in.screens[2].LeftGammaWidth = 64;
               in.screens[2].LeftHaloWidth = 80;
           })
        << QList<Kind>{Kind::HaloWiderThanOverlap} << QList<int>{2}
        << QStringLiteral("Screen 2's left halo width 80 is wider than the overlap 64");
    QTest::newRow("black levels differ")
        << 3 << Change([](BlendInput &in) { in.screens[2].BlackLevel = 40; })
        << QList<Kind>{Kind::BlackLevelMismatch, Kind::BlackLevelMismatch} << QList<int>{1, 2}
        << QStringLiteral("Black levels differ at the seam of screens 1 and 2 (10 and 40)");
    QTest::newRow("devices hold different overlaps")
        << 6 << Change([](BlendInput &in) { in.screens[5].OverlapWidth = 320; })
        << QList<Kind>{Kind::DeviceOverlapMismatch} << QList<int>{}
        << QStringLiteral("Kestrix 1 holds an overlap of 384 pixels and Kestrix 2 one of 320");
    QTest::newRow("devices hold different projector counts")
        << 6 << Change([](BlendInput &in) { in.screens[5].TotalProjectors = 4; })
        << QList<Kind>{Kind::DeviceCountMismatch} << QList<int>{} << QStringLiteral("Kestrix 2 holds 4");
    QTest::newRow("second device compared only when in use")
        << 4 << Change([](BlendInput &in) { in.screens[5] = OutputInfo{}; }) << QList<Kind>{} << QList<int>{}
        << QString();
    QTest::newRow("plan needs more devices than connected")
        << 5 << Change([](BlendInput &in) { in.devicesConnected = 1; }) << QList<Kind>{Kind::TooFewDevices}
        << QList<int>{} << QStringLiteral("needs 2 Kestrix devices but only 1 answered");
    // Device 2 never answered: its records are the zeros of a blank model, and nothing is made up from
    // them (its overlap, its count, its seams and outer edge, the seam it shares with device 1). Device
    // 1's own faults are still found, in both modes.
    for (bool advanced : {true, false}) {
        QTest::newRow(advanced ? "second device never answered, advanced"
                               : "second device never answered, basic")
            << 7 << Change([advanced](BlendInput &in) {
                   for (int s = 5; s <= 8; ++s)
                       in.screens[s] = OutputInfo{};
                   in.screens[1].AdvancedMode = in.screens[5].AdvancedMode = advanced ? 1 : 0;
                   in.screens[3].BlackLevel = 20;
                   in.devicesConnected = 1;
               })
            << QList<Kind>{Kind::BlackLevelMismatch, Kind::BlackLevelMismatch, Kind::TooFewDevices}
            << QList<int>{2, 3} << QStringLiteral("(10 and 20)");
    }
    QTest::newRow("device count unknown for a file")
        << 5 << Change([](BlendInput &in) { in.devicesConnected = 0; }) << QList<Kind>{} << QList<int>{}
        << QString();
}

void TestBlendCheck::findings() {
    QFETCH(int, projectors);
    QFETCH(std::function<void(BlendInput &)>, change);
    QFETCH(QList<Kind>, kinds);
    QFETCH(QList<int>, screens);
    QFETCH(QString, says);
    BlendInput in = consistentWall(projectors);
    change(in);
    const BlendWall wall = analyse(in);
    QStringList texts;
    for (const Finding &f : wall.findings)
        texts << f.text;
    QVERIFY2(kindsOf(wall) == kinds, qPrintable(texts.join(QLatin1String(" | "))));
    if (kinds.isEmpty()) return;
    QCOMPARE(wall.findings.constFirst().screens, screens);
    QVERIFY2(wall.findings.constFirst().text.contains(says), qPrintable(wall.findings.constFirst().text));
}

void TestBlendCheck::widthMismatchNamesBothScreens() {
    BlendInput in = consistentWall(4);
    in.screens[3].LeftGammaWidth = 320;
    const BlendWall wall = analyse(in);
    QCOMPARE(kindsOf(wall), (QList<Kind>{Kind::FeatherWidthMismatch, Kind::WidthNotOverlap}));
    const Finding &f = wall.findings.constFirst();
    QCOMPARE(f.screens, (QList<int>{2, 3}));
    QCOMPARE(f.text,
             QStringLiteral("Feather widths differ at the seam of screens 2 and 3 (screen 2 right 384, "
                            "screen 3 left 320): a bright band at the seam of screens 2 and 3."));
    // Under the model: screen 3 is at full light while screen 2 still ramps down.
    QVERIFY(wall.seams[1].maxLight > 1.1);
    QCOMPARE(wall.seams[1].minLight, 1.0);
    QVERIFY(wall.seams[0].maxLight < 1.001);
}

void TestBlendCheck::noWallNoFindings() {
    for (const auto &[n, overlap] : {std::pair{0, 384.0}, {9, 384.0}, {3, 1280.0}, {3, -1.0}}) {
        BlendInput in = consistentWall(3);
        in.projectors = n;
        in.overlap = overlap;
        const BlendWall wall = analyse(in);
        QVERIFY(wall.empty());
        QVERIFY(wall.findings.isEmpty());
        QVERIFY(wall.light.empty());
        QVERIFY(!BlendPicture::render(wall).isNull());
    }
}

void TestBlendCheck::pictureShowsSlicesAndSummedLight() {
    BlendWall wall = analyse(consistentWall(3));
    BlendPicture::Layout l = BlendPicture::layout(wall);
    QImage image = BlendPicture::render(wall);
    QCOMPARE(image.size(), BlendPicture::kDefaultSize);
    // Each bar in its projector's colour away from its blend zones, halo marks and label (below the
    // label, above the halo marks); the hatched zone holds black lines.
    for (int p = 0; p < 3; ++p) {
        const int y = l.rowTop(p) + 14;
        const double start = wall.projectors[p].slice.start;
        QVERIFY2(isColour(image, l.xOf(start + (p == 0 ? 150 : 420)), y, BlendPicture::projectorColour(p)),
                 qPrintable(QString::number(p)));
    }
    bool hatched = false;
    for (int x = l.xOf(900); x < l.xOf(1270); ++x)
        hatched = hatched || isColour(image, x, l.rowTop(0) + 8, Qt::black);
    QVERIFY(hatched);
    // The summed light runs at 1 through the middle of seam 1|2.
    const int seamX = l.xOf(1088);
    QVERIFY(isColour(image, seamX, l.lightY(1), BlendPicture::sumColour()));
    QVERIFY(!isColour(image, seamX, l.lightY(2), BlendPicture::sumColour()));

    // Without feathering the seam shows twice the light.
    BlendInput off = consistentWall(3, false);
    off.screens[1].BasicFeathering = 0;
    wall = analyse(off);
    l = BlendPicture::layout(wall);
    image = BlendPicture::render(wall);
    QVERIFY(isColour(image, seamX, l.lightY(2), BlendPicture::sumColour()));
    QVERIFY(!isColour(image, seamX, l.lightY(1), BlendPicture::sumColour()));
    QVERIFY(!isColour(image, l.xOf(1000), l.rowTop(0) + 8, Qt::black)); // no blend zone drawn
}

void TestBlendCheck::pictureChangesWithAField() {
    BlendInput in = consistentWall(3);
    const QImage before = BlendPicture::render(analyse(in));
    in.screens[2].LeftGammaWidth = 200;
    const QImage after = BlendPicture::render(analyse(in));
    QVERIFY(before != after);
}

void TestBlendCheck::savesPngAndSvg() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const BlendWall wall = analyse(consistentWall(2));
    QString error;
    const QString png = dir.filePath(QStringLiteral("wall.png"));
    QVERIFY2(BlendPicture::save(wall, png, &error), qPrintable(error));
    QImage back(png);
    QCOMPARE(back.size(), BlendPicture::kDefaultSize);
    QCOMPARE(back.pixelColor(5, BlendPicture::kDefaultSize.height() - 2).rgb(), QColor(Qt::white).rgb());
    const QString svg = dir.filePath(QStringLiteral("wall.svg"));
    QVERIFY2(BlendPicture::save(wall, svg, &error), qPrintable(error));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("<svg"));
    QVERIFY(text.contains("<path"));
    QVERIFY(!BlendPicture::save(wall, dir.filePath(QStringLiteral("wall.bmp")), &error));
    QVERIFY(!BlendPicture::save(wall, dir.filePath(QStringLiteral("missing/wall.png")), &error));
}

QTEST_MAIN(TestBlendCheck)
#include "tst_blendcheck.moc"
