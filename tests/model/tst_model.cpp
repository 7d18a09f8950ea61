#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelAccessors.h"
#include "ModelFields.h"

#include <QSignalSpy>

#include <QTest>

#include <climits>
#include <cstring>

class tst_model : public QObject {
    Q_OBJECT

private slots:
    void freshModelIsAllZero();
    void changesAreAnnouncedByField();
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

void tst_model::freshModelIsAllZero() {
    // Padding included: the image is what a file of a fresh model holds.
    DeviceModel model;
    QCOMPARE(model.image(), QByteArray(int(ConfigFile::FileSize), '\0'));
    static const SystemInfo freshSystem = {};
    QVERIFY(std::memcmp(&model.system(1), &freshSystem, sizeof freshSystem) == 0);
}

// Listeners hear of each field whose value changed, by device, channel and name, and of nothing else.
void tst_model::changesAreAnnouncedByField() {
    using Change = QList<QVariant>;
    DeviceModel model;
    QSignalSpy spy(&model, &DeviceModel::changed);

    model.editOutput(2, 3, [](OutputInfo &o) {
        o.BlackLevel = 40;
        o.SeamGain[2] = 7;
    });
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0), (Change{2, 3, QStringLiteral("BlackLevel")}));
    QCOMPARE(spy.at(1), (Change{2, 3, QStringLiteral("SeamGain3")}));
    QCOMPARE(model.output(2, 3).BlackLevel, 40);

    spy.clear();
    model.editOutput(2, 3, [](OutputInfo &o) { o.BlackLevel = 40; }); // the value it already holds
    model.editInput(3, 1, [](InputInfo &i) { i.HPosition = 5; });     // no such device: ignored
    model.editInput(1, 5, [](InputInfo &i) { i.HPosition = 5; });     // no such channel
    QCOMPARE(spy.size(), 0);
    QCOMPARE(model.input(3, 1).HPosition, 0);

    // A whole image: one announcement per value that differs, in every record the file stores.
    QByteArray image = model.image();
    QVERIFY(
        ModelFields::setValue(image, *ModelFields::find(ModelFields::Record::Input, "HPosition"), 1, 4, -12));
    QVERIFY(ModelFields::setValue(image, *ModelFields::find(ModelFields::Record::Output, "BlackLevel"), 2, 3,
                                  40));
    QVERIFY(model.applyImage(image));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0), (Change{1, 4, QStringLiteral("HPosition")}));
    QCOMPARE(model.image(), image);
    QVERIFY(!model.applyImage(image.left(100)));
    QCOMPARE(model.image(), image);

    spy.clear();
    model.setSystem(2, SystemInfo{{0, 0, '1', '.', '0', '2', 0, 0}});
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0), (Change{2, 0, QStringLiteral("Version")}));
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
    DeviceModel model;
    QCOMPARE(SourceWidth(model), 1280);
    QCOMPARE(SourceHeight(model), 1024);

    // The measured size wins even when the output format suggests another one.
    model.editOutput(1, 1, [](OutputInfo &o) { o.OutputFormat = 0; });
    UpdateDefaultSourceSize(model);
    model.editInput(1, 1, [](InputInfo &i) { i.HActive = 1024; });
    QCOMPARE(SourceWidth(model), 1024);
    QCOMPARE(SourceHeight(model), 480);
    // Only device 1's first input counts.
    model.editInput(2, 1, [](InputInfo &i) { i.VActive = 999; });
    model.editInput(1, 2, [](InputInfo &i) { i.VActive = 999; });
    QCOMPARE(SourceHeight(model), 480);
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

    DeviceModel model;
    model.editInput(2, 3, [&](InputInfo &r) {
        r.HTotal = hTotal;
        r.HActive = hActive;
        r.HPositionCenter = hCenter;
        r.HPositionLimit = hLimit;
        r.VPositionCenter = vCenter;
        r.VPositionLimit = vLimit;
    });
    UpdatePositionBounds(model, 2, 3);
    const WindowState &state = model.state();
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
    DeviceModel model;
    WindowState &state = model.state();
    state.DefaultSourceWidth = 777;
    state.DefaultSourceHeight = 555;
    model.editOutput(1, 1, [&](OutputInfo &o) { o.OutputFormat = quint8(format); });
    UpdateDefaultSourceSize(model);
    QTEST(int(state.DefaultSourceWidth), "width");
    QTEST(int(state.DefaultSourceHeight), "height");
}

void tst_model::inputLockedOnlyForOne() {
    DeviceModel model;
    model.editInput(1, 2, [](InputInfo &i) { i.VideoLocked = 1; });
    model.editInput(1, 3, [](InputInfo &i) { i.VideoLocked = 2; });
    QVERIFY(IsInputLocked(model, 1, 2));
    QVERIFY(!IsInputLocked(model, 1, 3));
    QVERIFY(!IsInputLocked(model, 2, 2));
}

void tst_model::outOfRangeAddressesRefused() {
    QVERIFY(IsAddressable(1, 1) && IsAddressable(2, 4));
    QVERIFY(!IsAddressable(0, 1) && !IsAddressable(3, 1) && !IsAddressable(1, 0) && !IsAddressable(1, 5));
    DeviceModel model;
    model.editInput(2, 0, [](InputInfo &i) { i.VideoLocked = 1; }); // column 0 is not a channel
    QVERIFY(!IsInputLocked(model, 2, 0));
    model.state().HPositionMax = 7;
    model.editInput(1, 0, [](InputInfo &i) { i.HPositionCenter = 500; });
    UpdatePositionBounds(model, 1, 0);
    QCOMPARE(model.state().HPositionMax, 7);
}

void tst_model::versionStopsAtNul() {
    SystemInfo info = {{9, 8, 'V', '1', 0, '2', '3', 0}};
    QCOMPARE(info.version(), QStringLiteral("V1"));
    SystemInfo full = {{0, 0, '1', '.', '0', '2', 'a', 'X'}};
    QCOMPARE(full.version(), QStringLiteral("1.02a"));
}

QTEST_GUILESS_MAIN(tst_model)
#include "tst_model.moc"
