// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelAccessors.h"
#include "ModelFields.h"
#include "SettingCatalogue.h"

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
    void devicePositionLimits_data();
    void devicePositionLimits();
    void defaultSourceSize_data();
    void defaultSourceSize();
    void inputLockedOnlyForOne();
    void outOfRangeAddressesRefused();
    void versionStopsAtNul();
    void deviceWideValuesReachEveryChannel();
    void deviceWideValuesOfAnOlderFileFollowChannelOne();
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

// What a file may hold and a push send: from 0 to just short of the device's own limit, and never
// narrower than what the page lets the user set there.
void tst_model::devicePositionLimits_data() {
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

    // The limits a device in the long record form reports: the whole of them, not the page's reach.
    QTest::newRow("reported limits") << 1344 << 1024 << 296 << 600 << 35 << 70 << 0 << 599 << 0 << 69;
    QTest::newRow("limits inside the reach") << 1344 << 1024 << 296 << 400 << 35 << 40 << 0 << 399 << 0 << 39;
    // No limit reported: H up to the one the blanking gives (1344 - 1024 - 2), V to the page's reach.
    QTest::newRow("no limits") << 1344 << 1024 << 296 << -1 << 35 << -1 << 0 << 317 << 0 << 51;
    QTest::newRow("wide blanking") << 2000 << 1024 << 296 << -1 << 35 << -1 << 0 << 973 << 0 << 51;
    // A centre closer to 0 than the reach: the page's lower bound is below 0, and so is this one.
    QTest::newRow("centre near 0") << 1344 << 1024 << 100 << 600 << 10 << -1 << -28 << 599 << -6 << 26;
    // Noise saturates rather than wrapping.
    constexpr int top = INT_MAX, bottom = INT_MIN;
    QTest::newRow("limits at the top") << 0 << 0 << 0 << top << 0 << top << -128 << top - 1 << -16 << top - 1;
    QTest::newRow("everything at the bottom")
        << bottom << top << bottom << -1 << bottom << bottom << bottom << bottom << bottom << bottom;
}

void tst_model::devicePositionLimits() {
    QFETCH(int, hTotal);
    QFETCH(int, hActive);
    QFETCH(int, hCenter);
    QFETCH(int, hLimit);
    QFETCH(int, vCenter);
    QFETCH(int, vLimit);
    InputInfo r{};
    r.HTotal = hTotal;
    r.HActive = hActive;
    r.HPositionCenter = hCenter;
    r.HPositionLimit = hLimit;
    r.VPositionCenter = vCenter;
    r.VPositionLimit = vLimit;
    const PositionBounds own = ::devicePositionLimits(r);
    QTEST(int(own.hMin), "hMin");
    QTEST(int(own.hMax), "hMax");
    QTEST(int(own.vMin), "vMin");
    QTEST(int(own.vMax), "vMax");
    // Whatever the page lets the user set, a file may hold.
    const PositionBounds edit = ::positionBounds(r);
    if (edit.hMin <= edit.hMax) QVERIFY(own.hMin <= edit.hMin && edit.hMax <= own.hMax);
    if (edit.vMin <= edit.vMax) QVERIFY(own.vMin <= edit.vMin && edit.vMax <= own.vMax);
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

namespace {

// Writes value into one field of a record, whatever the field's type.
void put(OutputInfo &out, const ModelFields::Field &field, double value) {
    char *at = reinterpret_cast<char *>(&out) + field.offset;
    switch (field.type) {
    case ModelFields::Type::U8:
        *reinterpret_cast<quint8 *>(at) = quint8(value);
        break;
    case ModelFields::Type::I16: {
        const qint16 v = qint16(value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case ModelFields::Type::I32: {
        const qint32 v = qint32(value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case ModelFields::Type::F32: {
        const float v = float(value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    }
}

QList<const ModelFields::Field *> fieldsWhere(bool system) {
    QList<const ModelFields::Field *> list;
    for (const ModelFields::Field &field : ModelFields::all())
        if (field.record == ModelFields::Record::Output && SettingCatalogue::deviceWide(field) == system)
            list.append(&field);
    return list;
}

} // namespace

// A value the device holds once for all its channels reads the same in all four channel records after
// it changed through any of them, by an edit or a whole record; per-channel values stay where they were
// written, and the other device and channel slot 0 are left alone.
void tst_model::deviceWideValuesReachEveryChannel() {
    const QList<const ModelFields::Field *> system = fieldsWhere(true);
    QCOMPARE(system.size(), 10); // the mode, the wall's layout, basic feathering, the curve, the threshold
    for (const ModelFields::Field *field : system) {
        for (int through : {1, 3}) {
            DeviceModel model;
            QSignalSpy spy(&model, &DeviceModel::changed);
            if (through == 1)
                model.editOutput(2, 1, [&](OutputInfo &o) { put(o, *field, 3); });
            else {
                OutputInfo record = model.output(2, through);
                put(record, *field, 3);
                model.setOutput(2, through, record);
            }
            const QByteArray image = model.image();
            for (int channel = 1; channel <= 4; ++channel)
                QVERIFY2(ModelFields::value(image, *field, 2, channel) == 3,
                         qPrintable(QStringLiteral("%1 channel %2").arg(field->name).arg(channel)));
            QCOMPARE(ModelFields::value(image, *field, 1, 1), 0.0);
            QCOMPARE(model.output(2, 0).BlackLevel, 0); // slot 0 as a whole is untouched
            QVERIFY(std::memcmp(&model.output(2, 0), &model.output(1, 1), sizeof(OutputInfo)) == 0);
            // Every record that changed is announced, the one written first.
            QCOMPARE(spy.size(), 4);
            for (int i = 0; i < 4; ++i)
                QCOMPARE(spy.at(i).at(2).toString(), QLatin1String(field->name));
            QCOMPARE(spy.at(0).at(1).toInt(), through);
        }
    }
    // Per-channel values are the channel's own.
    DeviceModel model;
    for (const ModelFields::Field *field : fieldsWhere(false))
        model.editOutput(1, 2, [&](OutputInfo &o) { put(o, *field, 1); });
    for (const ModelFields::Field *field : fieldsWhere(false)) {
        QCOMPARE(ModelFields::value(model.image(), *field, 1, 2), 1.0);
        for (int channel : {1, 3, 4})
            QCOMPARE(ModelFields::value(model.image(), *field, 1, channel), 0.0);
    }
}

// A file of an earlier release holds a device's system values in channel 1 and anything in the others:
// channel 1's, the values a push sends, become the device's in every channel; the rest stays as it was.
void tst_model::deviceWideValuesOfAnOlderFileFollowChannelOne() {
    using ModelFields::find;
    using ModelFields::Record;
    QByteArray older(int(ConfigFile::FileSize), '\0');
    const ModelFields::Field &gamma = *find(Record::Output, "BasicGamma");
    const ModelFields::Field &count = *find(Record::Output, "TotalProjectors");
    const ModelFields::Field &black = *find(Record::Output, "BlackLevel");
    for (int device = 1; device <= 2; ++device)
        for (int channel = 1; channel <= 4; ++channel) {
            QVERIFY(ModelFields::setValue(older, gamma, device, channel, channel == 1 ? 2.4 + device : 2.2));
            QVERIFY(ModelFields::setValue(older, count, device, channel, channel == 1 ? 6 : channel));
            QVERIFY(ModelFields::setValue(older, black, device, channel, 10 * channel));
        }
    DeviceModel model;
    QVERIFY(model.applyImage(older));
    const QByteArray image = model.image();
    for (int device = 1; device <= 2; ++device)
        for (int channel = 1; channel <= 4; ++channel) {
            QCOMPARE(ModelFields::value(image, gamma, device, channel), double(float(2.4 + device)));
            QCOMPARE(ModelFields::value(image, count, device, channel), 6.0);
            QCOMPARE(ModelFields::value(image, black, device, channel), 10.0 * channel);
        }
    // Everything else of the file is taken byte for byte.
    QByteArray expected = older;
    for (int device = 1; device <= 2; ++device)
        for (int channel = 2; channel <= 4; ++channel) {
            QVERIFY(ModelFields::setValue(expected, gamma, device, channel, 2.4 + device));
            QVERIFY(ModelFields::setValue(expected, count, device, channel, 6));
        }
    QCOMPARE(image, expected);
}

QTEST_GUILESS_MAIN(tst_model)
#include "tst_model.moc"
