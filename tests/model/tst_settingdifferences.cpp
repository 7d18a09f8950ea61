// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison of what a push would send with what the devices hold: one change at a time, each
// listed (or not) at its own device and channel with both values, compared as the wire carries them;
// and the devices' values taken into the window at exactly the rows' places.
#include "ConfigFile.h"
#include "ModelFields.h"
#include "OutputInfo.h"
#include "SettingCatalogue.h"
#include "SettingDifferences.h"

#include <QtTest>

namespace {

const ModelFields::Field &field(const QString &name) {
    const ModelFields::Field *f = ModelFields::find(ModelFields::Record::Output, name);
    if (!f) f = ModelFields::find(ModelFields::Record::Input, name);
    if (!f) qFatal("no field %s", qPrintable(name));
    return *f;
}

void set(QByteArray &image, const QString &name, int device, int channel, double value) {
    const ModelFields::Field &f = field(name);
    // A device-wide value is what every record of the device reports.
    const bool wide = SettingCatalogue::deviceWide(f);
    const int first = wide ? 1 : channel, last = wide ? 4 : channel;
    for (int c = first; c <= last; ++c)
        if (!ModelFields::setValue(image, f, device, c, value)) qFatal("cannot set %s", qPrintable(name));
}

// A wall of six projectors on two devices, every record read in the long form (feather widths held,
// halos not), every input locked.
QByteArray wall() {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    for (int d = 1; d <= 2; ++d) {
        set(image, "TotalProjectors", d, 1, 6);
        set(image, "OverlapWidth", d, 1, 256);
        set(image, "BasicGamma", d, 1, 2.2);
        for (int c = 1; c <= 4; ++c) {
            set(image, "LeftGamma", d, c, 2.2);
            set(image, "RightGamma", d, c, 2.2);
            set(image, "LeftGammaWidth", d, c, 128);
            set(image, "RightGammaWidth", d, c, 128);
            set(image, "VideoLocked", d, c, 1);
            set(image, "OverallContrast", d, c, 100);
            const qint64 held = ConfigFile::outputRecordOffset(d, c) + qint64(offsetof(OutputInfo, Held));
            image[held] = char(OutputHeld::Tracked | OutputHeld::LeftFeather | OutputHeld::RightFeather);
        }
    }
    return image;
}

QStringList rowsOf(const QList<Difference> &rows) {
    QStringList out;
    for (const Difference &d : rows) {
        // Device-wide values are judged in each device's first record.
        if (SettingCatalogue::deviceWide(field(d.field)) && d.channel != 1) continue;
        out << QStringLiteral("%1 %2 %3 %4 %5")
                   .arg(d.device)
                   .arg(d.channel)
                   .arg(d.field, d.fileValue, d.notReported ? QStringLiteral("not reported") : d.deviceValue);
    }
    return out;
}

struct Change {
    bool inFile; // false: on the devices
    const char *name;
    int device, channel;
    double value;
};

} // namespace

class SettingDifferencesTest : public QObject {
    Q_OBJECT
private slots:
    void oneChange_data();
    void oneChange();
    void devicesValuesTakenAtTheirPlaces();
    void rowsSpeakThePagesWords_data();
    void rowsSpeakThePagesWords();
};

void SettingDifferencesTest::oneChange_data() {
    QTest::addColumn<QList<Change>>("changes");
    QTest::addColumn<int>("devices");
    QTest::addColumn<QStringList>("rows");
    auto row = [](const char *tag, QList<Change> changes, int devices, QStringList rows) {
        QTest::newRow(tag) << changes << devices << rows;
    };
    row("nothing changed", {}, 2, {});
    row("black level on device 2", {{false, "BlackLevel", 2, 3, 40}}, 2, {"2 3 BlackLevel 0 40"});
    row("black level in the file", {{true, "BlackLevel", 1, 4, 7}}, 2, {"1 4 BlackLevel 7 0"});
    row("phase of screen 6", {{false, "PhaseOffset", 2, 2, -3}}, 2, {"2 2 PhaseOffset 0 -3"});
    row("device 2 not compared with one device", {{false, "BlackLevel", 2, 3, 40}}, 1, {});
    // System values go from the file's device 1 to every device: device 2's own record in the file is
    // not what is sent, and each device is compared with device 1's value.
    row("overlap in the file", {{true, "OverlapWidth", 1, 1, 300}}, 2,
        {"1 1 OverlapWidth 300 256", "2 1 OverlapWidth 300 256"});
    row("overlap of device 2 in the file is not sent", {{true, "OverlapWidth", 2, 1, 300}}, 2, {});
    row("overlap on device 2", {{false, "OverlapWidth", 2, 1, 320}}, 2, {"2 1 OverlapWidth 256 320"});
    row("justification on device 1", {{false, "Justification", 1, 1, 1}}, 2, {"1 1 Justification 0 1"});
    // Compared as sent: reals at the field's digits and then one decimal, on/off values as on or off.
    row("gamma alike at one decimal", {{false, "BasicGamma", 1, 1, 2.24}}, 2, {});
    row("gamma differs at one decimal", {{false, "BasicGamma", 2, 1, 2.26}}, 2, {"2 1 BasicGamma 2.2 2.26"});
    row("edge gamma differs", {{false, "RightGamma", 1, 2, 2.5}}, 2, {"1 2 RightGamma 2.2 2.5"});
    row("data doubling on is on",
        {{true, "DataDoubling", 1, 1, 1},
         {false, "DataDoubling", 1, 1, 200},
         {false, "DataDoubling", 2, 1, 1}},
        2, {});
    row("data doubling off and on", {{true, "DataDoubling", 1, 1, 1}}, 2,
        {"1 1 DataDoubling 1 0", "2 1 DataDoubling 1 0"});
    // The halos are not in the devices' records: a push would send them, nobody can tell what they hold.
    row("halo the devices do not report", {{true, "LeftHaloWidth", 1, 3, 9}}, 2,
        {"1 3 LeftHaloWidth 9 not reported", "1 3 LeftHaloOffset 0 not reported"});
    row("feather width reported", {{false, "LeftGammaWidth", 2, 2, 140}}, 2, {"2 2 LeftGammaWidth 128 140"});
    // What a push leaves alone is no difference: the wall's outermost edges, inputs that are not locked or
    // beyond the wall, the feather curve.
    row("outermost left edge", {{false, "LeftGammaWidth", 1, 1, 140}}, 2, {});
    row("outermost right edge", {{false, "RightGammaWidth", 2, 4, 140}}, 2, {});
    row("right edge of device 1's last screen", {{false, "RightGammaWidth", 1, 4, 140}}, 2,
        {"1 4 RightGammaWidth 128 140"});
    row("input not locked in the file", {{true, "VideoLocked", 1, 2, 0}, {false, "PhaseOffset", 1, 2, 5}}, 2,
        {});
    row("screen 7 beyond six projectors", {{false, "PhaseOffset", 2, 3, 5}, {false, "SeamBridge", 2, 3, 1}},
        2, {});
    row("screen 6 inside", {{false, "SeamGain8", 2, 2, 5}}, 2, {"2 2 SeamGain8 0 5"});
    row("feather curve", {{false, "FeatherMode", 1, 2, 'L'}}, 2, {});
    // Rows come by device, channel and field order.
    row("order",
        {{false, "BlackLevel", 2, 1, 1}, {false, "PhaseOffset", 1, 2, 1}, {false, "BlackLevel", 1, 2, 1}}, 2,
        {"1 2 PhaseOffset 0 1", "1 2 BlackLevel 0 1", "2 1 BlackLevel 0 1"});
}

void SettingDifferencesTest::oneChange() {
    QFETCH(QList<Change>, changes);
    QFETCH(int, devices);
    QFETCH(QStringList, rows);
    QByteArray file = wall(), device = wall();
    for (const Change &c : changes)
        set(c.inFile ? file : device, QLatin1String(c.name), c.device, c.channel, c.value);
    QCOMPARE(rowsOf(differenceRows(file, device, devices)), rows);
}

// Taking the devices' values: each row's own device and channel gets that device's value; rows the
// devices do not report, and everything not in a row, stay as the window holds them.
void SettingDifferencesTest::rowsSpeakThePagesWords_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("fileValue");
    QTest::addColumn<double>("deviceValue");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QString>("deviceText");
    QTest::newRow("seam gain") << "SeamGain5" << 140.0 << 128.0 << "Gain +1"
                               << "140"
                               << "128";
    QTest::newRow("test pattern") << "TestPattern" << 7.0 << 0.0 << "Test Pattern"
                                  << "Grey - 50%"
                                  << "Off";
    QTest::newRow("pattern beyond the list") << "TestPattern" << 0.0 << 42.0 << "Test Pattern"
                                             << "Off"
                                             << "42";
    QTest::newRow("grid") << "TestGrid" << 1.0 << 0.0 << "Test Grid"
                          << "On"
                          << "Off";
    QTest::newRow("alignment") << "Justification" << 1.0 << 0.0 << "Input Material Alignment"
                               << "Centered"
                               << "Left Justified";
    // A gamma goes out with the one decimal the commands carry: shown so.
    QTest::newRow("edge gamma") << "LeftGamma" << 2.36 << 1.5 << "Edge Feathering (Advanced) Gamma(L)"
                                << "2.4"
                                << "1.5";
    QTest::newRow("feather width") << "RightGammaWidth" << 200.0 << 128.0
                                   << "Edge Feathering (Advanced) Width(R)"
                                   << "200"
                                   << "128";
}

// Compare's rows name a setting by the page's caption and show coded values by their names.
void SettingDifferencesTest::rowsSpeakThePagesWords() {
    QFETCH(QString, field);
    QFETCH(double, fileValue);
    QFETCH(double, deviceValue);
    QFETCH(QString, label);
    QFETCH(QString, fileText);
    QFETCH(QString, deviceText);
    QByteArray file = wall();
    QByteArray device = wall();
    set(file, field, 1, 2, fileValue);
    set(device, field, 1, 2, deviceValue);
    // A device-wide value goes to both devices: device 1's row comes first.
    const QList<Difference> rows = differenceRows(file, device, 2);
    QVERIFY(!rows.isEmpty());
    QCOMPARE(rows[0].device, 1);
    QCOMPARE(rows[0].field, field);
    QCOMPARE(rows[0].label, label);
    QCOMPARE(rows[0].fileText, fileText);
    QCOMPARE(rows[0].deviceText, deviceText);
}

void SettingDifferencesTest::devicesValuesTakenAtTheirPlaces() {
    QByteArray window = wall(), device = wall();
    set(window, "LeftHaloWidth", 1, 3, 9);
    set(device, "BlackLevel", 2, 3, 40);
    set(device, "OverlapWidth", 2, 1, 320);
    set(device, "PhaseOffset", 1, 2, -3);
    set(device, "BlackLevel", 1, 1, 77); // not in a row
    QList<Difference> rows = differenceRows(window, device, 2);
    rows.removeIf([](const Difference &d) { return d.field == "BlackLevel" && d.device == 1; });
    const QByteArray taken = withDeviceValues(window, device, rows);

    QByteArray expected = window;
    QVERIFY(ModelFields::setValue(expected, field("BlackLevel"), 2, 3, 40));
    QVERIFY(ModelFields::setValue(expected, field("OverlapWidth"), 2, 1, 320));
    QVERIFY(ModelFields::setValue(expected, field("PhaseOffset"), 1, 2, -3));
    QCOMPARE(ModelFields::value(taken, field("LeftHaloWidth"), 1, 3), 9.0);
    QCOMPARE(ModelFields::value(taken, field("OverlapWidth"), 1, 1), 256.0);
    QCOMPARE(ModelFields::value(taken, field("BlackLevel"), 1, 1), 0.0);
    // Whatever else a device-wide value's other records do, the places of the rows hold the devices'.
    for (const auto &[name, d, c] : {std::tuple{"BlackLevel", 2, 3},
                                     {"OverlapWidth", 2, 1},
                                     {"PhaseOffset", 1, 2},
                                     {"LeftHaloWidth", 1, 3}})
        QCOMPARE(ModelFields::value(taken, field(QLatin1String(name)), d, c),
                 ModelFields::value(expected, field(QLatin1String(name)), d, c));
    // Nothing outside the rows' places moved.
    for (const ModelFields::Field &f : ModelFields::all())
        for (int d = 1; d <= 2; ++d)
            for (int c = 1; c <= 4; ++c) {
                const bool inRow = (f.name == QByteArray("BlackLevel") && d == 2 && c == 3) ||
                                   (f.name == QByteArray("OverlapWidth") && d == 2) ||
                                   (f.name == QByteArray("PhaseOffset") && d == 1 && c == 2);
                if (inRow) continue;
                QVERIFY2(ModelFields::text(taken, f, d, c) == ModelFields::text(window, f, d, c),
                         qPrintable(QStringLiteral("%1 %2 %3").arg(d).arg(c).arg(QLatin1String(f.name))));
            }
}

QTEST_GUILESS_MAIN(SettingDifferencesTest)
#include "tst_settingdifferences.moc"
