#include "ModelAccessors.h"
#include "ModelTables.h"

#include <QTest>

#include <climits>
#include <cstring>

class tst_model : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void screenMapping_data();
    void screenMapping();
    void sourceSizeFallsBackToDefault();
    void positionBounds_data();
    void positionBounds();
    void defaultSourceSize_data();
    void defaultSourceSize();
    void inputLockedOnlyForOne();
    void outOfRangeAddressesRefused();
    void versionStopsAtNul();
};

void tst_model::initTestCase() {
    // Runs before any case touches the tables: they must start all-zero, padding included.
    static const InputInfo freshInput[3][5] = {};
    static const OutputInfo freshOutput[3][5] = {};
    static const SystemInfo freshSystem[3] = {};
    QVERIFY(std::memcmp(InputInfoTable, freshInput, sizeof freshInput) == 0);
    QVERIFY(std::memcmp(OutputInfoTable, freshOutput, sizeof freshOutput) == 0);
    QVERIFY(std::memcmp(SystemInfoTable, freshSystem, sizeof freshSystem) == 0);
}

void tst_model::init() {
    // The tables are process-wide; every case starts from the state the program starts with.
    std::memset(InputInfoTable, 0, sizeof InputInfoTable);
    std::memset(OutputInfoTable, 0, sizeof OutputInfoTable);
    std::memset(SystemInfoTable, 0, sizeof SystemInfoTable);
}

void tst_model::screenMapping_data() {
    QTest::addColumn<int>("screen");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("channel");
    for (int s = 1; s <= 8; ++s)
        QTest::addRow("screen %d", s) << s << (s <= 4 ? 1 : 2) << (s <= 4 ? s : s - 4);
}

void tst_model::screenMapping() {
    QFETCH(int, screen);
    QFETCH(int, device);
    QFETCH(int, channel);
    QCOMPARE(ScreenDevice(screen), device);
    QCOMPARE(ScreenChannel(screen), channel);
}

void tst_model::sourceSizeFallsBackToDefault() {
    WindowState state;
    QCOMPARE(SourceWidth(state), 1280);
    QCOMPARE(SourceHeight(state), 1024);

    // The measured size wins even when the output format suggests another one.
    OutputInfoTable[1][1].OutputFormat = 0;
    UpdateDefaultSourceSize(state);
    InputInfoTable[1][1].HActive = 1024;
    QCOMPARE(SourceWidth(state), 1024);
    QCOMPARE(SourceHeight(state), 480);
    // Only device 1's first input counts.
    InputInfoTable[2][1].VActive = 999;
    InputInfoTable[1][2].VActive = 999;
    QCOMPARE(SourceHeight(state), 480);
}

void tst_model::positionBounds_data() {
    QTest::addColumn<int>("hTotal");
    QTest::addColumn<int>("hActive");
    QTest::addColumn<int>("hCenter");
    QTest::addColumn<int>("hLimit");
    QTest::addColumn<int>("vCenter");
    QTest::addColumn<int>("vLimit");
    QTest::addColumn<int>("hMin");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("vMin");
    QTest::addColumn<int>("vMax");

    // No limit reported: the blanking width bounds the move (1344 - 1024 - 3 = 317).
    QTest::newRow("derived h limit") << 1344 << 1024 << 296 << -1 << 35 << -1 << 168 << 317 << 19 << 51;
    // Derived limit far away: the plain +128 holds.
    QTest::newRow("wide blanking") << 2000 << 1024 << 296 << -1 << 35 << -1 << 168 << 424 << 19 << 51;
    // Reported limits below centre + range win, one short of the limit.
    QTest::newRow("reported limits") << 1344 << 1024 << 296 << 400 << 35 << 40 << 168 << 399 << 19 << 39;
    // A limit exactly at centre + range is still pulled in by one.
    QTest::newRow("limit at bound") << 1344 << 1024 << 296 << 424 << 35 << 51 << 168 << 423 << 19 << 50;
    // Limits beyond the range change nothing.
    QTest::newRow("limits beyond") << 1344 << 1024 << 296 << 500 << 35 << 60 << 168 << 424 << 19 << 51;
    // Any 32-bit value can come from a file or a noisy line: the bounds saturate instead of wrapping.
    constexpr int top = INT_MAX, bottom = INT_MIN;
    QTest::newRow("centres at the top")
        << 0 << 0 << top << -1 << top << -1 << top - 128 << -3 << top - 16 << top;
    QTest::newRow("everything at the bottom")
        << bottom << top << bottom << -1 << bottom << bottom << bottom << bottom << bottom << bottom;
}

void tst_model::positionBounds() {
    QFETCH(int, hTotal);
    QFETCH(int, hActive);
    QFETCH(int, hCenter);
    QFETCH(int, hLimit);
    QFETCH(int, vCenter);
    QFETCH(int, vLimit);

    InputInfo &r = InputInfoTable[2][3];
    r.HTotal = hTotal;
    r.HActive = hActive;
    r.HPositionCenter = hCenter;
    r.HPositionLimit = hLimit;
    r.VPositionCenter = vCenter;
    r.VPositionLimit = vLimit;

    WindowState state;
    UpdatePositionBounds(state, 2, 3);
    QTEST(int(state.HPositionMin), "hMin");
    QTEST(int(state.HPositionMax), "hMax");
    QTEST(int(state.VPositionMin), "vMin");
    QTEST(int(state.VPositionMax), "vMax");
}

void tst_model::defaultSourceSize_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("640x480") << 0 << 640 << 480;
    QTest::newRow("800x600") << 1 << 800 << 600;
    QTest::newRow("1024x768") << 2 << 1024 << 768;
    QTest::newRow("1280x1024") << 3 << 1280 << 1024;
    QTest::newRow("unknown 4 keeps") << 4 << 777 << 555;
    QTest::newRow("unknown 255 keeps") << 255 << 777 << 555;
}

void tst_model::defaultSourceSize() {
    QFETCH(int, format);
    WindowState state;
    state.DefaultSourceWidth = 777;
    state.DefaultSourceHeight = 555;
    OutputInfoTable[1][1].OutputFormat = quint8(format);
    OutputInfoTable[2][1].OutputFormat = 0; // device 2 never decides
    UpdateDefaultSourceSize(state);
    QTEST(int(state.DefaultSourceWidth), "width");
    QTEST(int(state.DefaultSourceHeight), "height");
}

void tst_model::inputLockedOnlyForOne() {
    InputInfoTable[1][2].VideoLocked = 1;
    InputInfoTable[1][3].VideoLocked = 2;
    QVERIFY(IsInputLocked(1, 2));
    QVERIFY(!IsInputLocked(1, 3));
    QVERIFY(!IsInputLocked(2, 2));
}

void tst_model::outOfRangeAddressesRefused() {
    QVERIFY(IsAddressable(1, 1) && IsAddressable(2, 4));
    QVERIFY(!IsAddressable(0, 1) && !IsAddressable(3, 1) && !IsAddressable(1, 0) && !IsAddressable(1, 5));
    InputInfoTable[2][0].VideoLocked = 1; // column 0 is not a channel
    QVERIFY(!IsInputLocked(2, 0));
    WindowState state;
    state.HPositionMax = 7;
    InputInfoTable[1][0].HPositionCenter = 500;
    UpdatePositionBounds(state, 1, 0);
    QCOMPARE(state.HPositionMax, 7);
}

void tst_model::versionStopsAtNul() {
    SystemInfo info = {{9, 8, 'V', '1', 0, '2', '3', 0}};
    QCOMPARE(info.version(), QStringLiteral("V1"));
    SystemInfo full = {{0, 0, '1', '.', '0', '2', 'a', 'X'}};
    QCOMPARE(full.version(), QStringLiteral("1.02a"));
}

QTEST_GUILESS_MAIN(tst_model)
#include "tst_model.moc"
