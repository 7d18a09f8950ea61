// SPDX-License-Identifier: GPL-3.0-or-later
// The range check of a configuration image: each limit of the table at its boundary and one step out,
// NaN and infinities, and the values a push never sends left alone.
#include "ConfigFile.h"
#include "ModelFields.h"
#include "OutputInfo.h"
#include "SettingCheck.h"

#include <QtTest>

#include <cstring>
#include <limits>

namespace {

const ModelFields::Field &field(const QString &name) {
    const ModelFields::Field *f = ModelFields::find(ModelFields::Record::Output, name);
    if (!f) f = ModelFields::find(ModelFields::Record::Input, name);
    if (!f) qFatal("no field %s", qPrintable(name));
    return *f;
}

void set(QByteArray &image, const char *name, int device, int channel, double value) {
    const ModelFields::Field &f = field(QLatin1String(name));
    if (!ModelFields::setValue(image, f, device, channel, value)) {
        // NaN and infinities: straight into the bytes.
        const qint64 record = f.record == ModelFields::Record::Input
                                  ? ConfigFile::inputRecordOffset(device, channel)
                                  : ConfigFile::outputRecordOffset(device, channel);
        const float v = float(value);
        QVERIFY(f.type == ModelFields::Type::F32);
        std::memcpy(image.data() + record + f.offset, &v, sizeof v);
    }
}

// A wall of six projectors whose every pushed value is in range: device 1 read in full, inputs 1 and 2
// of device 1 and input 1 of device 2 locked, device 2's other outputs never read (all zero).
QByteArray soundWall() {
    QByteArray image(int(ConfigFile::FileSize), '\0');
    set(image, "TotalProjectors", 1, 1, 6);
    set(image, "OverlapWidth", 1, 1, 256);
    set(image, "BasicGamma", 1, 1, 2.2);
    for (int c = 1; c <= 4; ++c) {
        set(image, "LeftGamma", 1, c, 2.2);
        set(image, "RightGamma", 1, c, 2.2);
        set(image, "FeatherMode", 1, c, 'S');
    }
    set(image, "LeftGamma", 2, 1, 2.2);
    set(image, "RightGamma", 2, 1, 2.2);
    for (const auto &[device, channel] : {std::pair{1, 1}, {1, 2}, {2, 1}}) {
        set(image, "VideoLocked", device, channel, 1);
        set(image, "HPositionCenter", device, channel, 296);
        set(image, "HPosition", device, channel, 296);
        set(image, "HPositionLimit", device, channel, 600);
        set(image, "VPositionCenter", device, channel, 35);
        set(image, "VPosition", device, channel, 35);
        set(image, "VPositionLimit", device, channel, 70);
        set(image, "OverallContrast", device, channel, 100);
        set(image, "OverallBrightness", device, channel, 100);
    }
    return image;
}

} // namespace

class SettingCheckTest : public QObject {
    Q_OBJECT
private slots:
    void soundWallPasses();
    void oneValue_data();
    void oneValue();
    void everyBadValueIsListed();
    void sentText_data();
    void sentText();
};

void SettingCheckTest::soundWallPasses() {
    const QList<SettingCheck::BadValue> bad = SettingCheck::check(soundWall());
    QVERIFY2(bad.isEmpty(), bad.isEmpty() ? "" : qPrintable(SettingCheck::describe(bad.first())));
}

void SettingCheckTest::oneValue_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("channel");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("allowed"); // empty: the value passes
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char *tag;
        const char *name;
        int device, channel;
        double value;
        const char *allowed;
    };
    const Case cases[] = {
        {"projectors 1", "TotalProjectors", 1, 1, 1, ""},
        {"projectors 8", "TotalProjectors", 1, 1, 8, ""},
        {"projectors 0", "TotalProjectors", 1, 1, 0, "1 to 8"},
        {"projectors 9", "TotalProjectors", 1, 1, 9, "1 to 8"},
        {"justification 1", "Justification", 1, 1, 1, ""},
        {"justification 2", "Justification", 1, 1, 2, "0 to 1"},
        {"overlap 64", "OverlapWidth", 1, 1, 64, ""},
        {"overlap 63", "OverlapWidth", 1, 1, 63, "64 to 640"},
        {"overlap 640", "OverlapWidth", 1, 1, 640, ""},
        {"overlap 641", "OverlapWidth", 1, 1, 641, "64 to 640"},
        {"overlap -5", "OverlapWidth", 1, 1, -5, "64 to 640"},
        {"basic gamma 1.0", "BasicGamma", 1, 1, 1.0, ""},
        {"basic gamma 5.0", "BasicGamma", 1, 1, 5.0, ""},
        {"basic gamma shown as 5", "BasicGamma", 1, 1, 5.004, ""},
        {"basic gamma 5.01", "BasicGamma", 1, 1, 5.01, "1 to 5"},
        {"basic gamma 0.99", "BasicGamma", 1, 1, 0.99, "1 to 5"},
        {"basic gamma 42", "BasicGamma", 1, 1, 42, "1 to 5"},
        {"basic gamma 36 digits", "BasicGamma", 1, 1, 1e36, "1 to 5"},
        {"basic gamma nan", "BasicGamma", 1, 1, nan, "1 to 5"},
        {"basic gamma inf", "BasicGamma", 1, 1, inf, "1 to 5"},
        {"basic gamma -inf", "BasicGamma", 1, 1, -inf, "1 to 5"},
        {"edge gamma 5.1", "RightGamma", 1, 2, 5.1, "1 to 5"},
        {"edge gamma nan", "LeftGamma", 2, 1, nan, "1 to 5"},
        {"feather width 0", "RightGammaWidth", 1, 2, 0, ""},
        {"feather width 63", "RightGammaWidth", 1, 2, 63, "0, or 64 to 640"},
        {"feather width 640", "LeftGammaWidth", 1, 2, 640, ""},
        {"feather width 641", "LeftGammaWidth", 1, 2, 641, "0, or 64 to 640"},
        {"feather offset 511", "RightGammaOffset", 1, 3, 511, ""},
        {"feather offset 512", "RightGammaOffset", 1, 3, 512, "0 to 511"},
        {"feather offset -1", "RightGammaOffset", 1, 3, -1, "0 to 511"},
        {"halo width 64", "LeftHaloWidth", 1, 2, 64, ""},
        {"halo width 65", "LeftHaloWidth", 1, 2, 65, "0 to 64"},
        {"halo offset 255", "RightHaloOffset", 1, 4, 255, ""},
        {"halo offset 256", "RightHaloOffset", 1, 4, 256, "0 to 255"},
        {"test pattern 10", "TestPattern", 1, 3, 10, ""},
        {"test pattern 11", "TestPattern", 1, 3, 11, "0 to 10"},
        {"raster 2", "OutputRaster", 1, 1, 2, "0 to 1"},
        {"black level 255", "BlackLevel", 2, 1, 255, ""},
        {"seam gain 255", "SeamGain8", 1, 2, 255, ""},
        {"grid 2 on device 2", "TestGrid", 2, 1, 2, "0 to 1"},
        {"advanced mode 2", "AdvancedMode", 1, 1, 2, "0 to 1"},
        {"seam bridge 2", "SeamBridge", 1, 2, 2, "0 to 1"},
        {"data doubling 200 is on", "DataDoubling", 1, 1, 200, ""},
        {"phase -16", "PhaseOffset", 1, 1, -16, ""},
        {"phase -17", "PhaseOffset", 1, 1, -17, "-16 to 15"},
        {"phase 15", "PhaseOffset", 2, 1, 15, ""},
        {"phase 16", "PhaseOffset", 2, 1, 16, "-16 to 15"},
        {"contrast 75", "OverallContrast", 1, 2, 75, ""},
        {"contrast 74.9", "OverallContrast", 1, 2, 74.9, "75 to 125"},
        {"contrast shown as 74.996", "OverallContrast", 1, 2, 74.996, "75 to 125"},
        {"contrast shown as 125", "OverallContrast", 1, 2, 125.0004, ""},
        {"green shown as 25", "GreenBrightness", 1, 2, 25.0004, ""},
        {"green shown as 25.01", "GreenBrightness", 1, 2, 25.01, "-25 to 25"},
        {"brightness 125", "OverallBrightness", 1, 1, 125, ""},
        {"brightness 125.1", "OverallBrightness", 1, 1, 125.1, "75 to 125"},
        {"brightness nan", "OverallBrightness", 1, 1, nan, "75 to 125"},
        {"red -25", "RedContrast", 1, 1, -25, ""},
        {"red -25.1", "RedContrast", 1, 1, -25.1, "-25 to 25"},
        {"blue inf", "BlueBrightness", 2, 1, inf, "-25 to 25"},
        // The device's own limits (limit 600 and 70 reported), not the page's reach around the centre
        // (168 to 424, 19 to 51): a device reporting V 60 has a file that opens again.
        {"h position 0", "HPosition", 1, 1, 0, ""},
        {"h position -1", "HPosition", 1, 1, -1, "0 to 599"},
        {"h position 599", "HPosition", 1, 1, 599, ""},
        {"h position 600", "HPosition", 1, 1, 600, "0 to 599"},
        {"v position 60", "VPosition", 2, 1, 60, ""},
        {"v position 69", "VPosition", 1, 2, 69, ""},
        {"v position 70", "VPosition", 1, 2, 70, "0 to 69"},
        {"v position -1", "VPosition", 1, 2, -1, "0 to 69"},
        // Never sent: an unlocked input, a seam beyond the wall, the outermost edge, device 2's own system
        // values, the feather curve, an output record nobody read.
        {"unlocked phase", "PhaseOffset", 1, 3, 99, ""},
        {"unlocked contrast nan", "OverallContrast", 1, 4, nan, ""},
        {"seam bridge of an unlocked input", "SeamBridge", 1, 3, 9, ""},
        {"outermost left gamma", "LeftGamma", 1, 1, 42, ""},
        {"outermost left halo", "LeftHaloWidth", 1, 1, 999, ""},
        {"device 2 justification", "Justification", 2, 1, 7, ""},
        {"feather curve", "FeatherMode", 1, 1, 0, ""},
    };
    for (const Case &c : cases)
        QTest::newRow(c.tag) << QString::fromLatin1(c.name) << c.device << c.channel << c.value
                             << QString::fromLatin1(c.allowed);
}

void SettingCheckTest::oneValue() {
    QFETCH(QString, name);
    QFETCH(int, device);
    QFETCH(int, channel);
    QFETCH(double, value);
    QFETCH(QString, allowed);
    QByteArray image = soundWall();
    set(image, qPrintable(name), device, channel, value);
    const QList<SettingCheck::BadValue> bad = SettingCheck::check(image);
    if (allowed.isEmpty()) {
        QVERIFY2(bad.isEmpty(), bad.isEmpty() ? "" : qPrintable(SettingCheck::describe(bad.first())));
        return;
    }
    QCOMPARE(bad.size(), 1);
    QCOMPARE(bad[0].device, device);
    QCOMPARE(bad[0].channel, channel);
    QCOMPARE(bad[0].field, name);
    QCOMPARE(bad[0].value, ModelFields::text(image, field(name), device, channel));
    QCOMPARE(bad[0].allowed, allowed);
}

// Every bad value, in device, channel and field order; halos and feathering widths only where the record
// holds them.
void SettingCheckTest::everyBadValueIsListed() {
    QByteArray image = soundWall();
    set(image, "Justification", 1, 1, 7);
    set(image, "OverlapWidth", 1, 1, -5);
    set(image, "BasicGamma", 1, 1, 42);
    set(image, "TestPattern", 2, 1, 200);
    // Device 1 channel 3 was read in the record form that carries the feathering widths: its halos are
    // not the file's to send, whatever they hold, while its widths are. (Setting a halo through the
    // catalogue marks it held, as the user's own value: the held byte is put back after it.)
    const qint64 held = ConfigFile::outputRecordOffset(1, 3) + qint64(offsetof(OutputInfo, Held));
    image[held] = char(OutputHeld::Tracked | OutputHeld::LeftFeather | OutputHeld::RightFeather);
    set(image, "LeftHaloWidth", 1, 3, 500);
    image[held] = char(OutputHeld::Tracked | OutputHeld::LeftFeather | OutputHeld::RightFeather);
    set(image, "LeftGammaWidth", 1, 3, 700);

    QStringList lines;
    for (const SettingCheck::BadValue &b : SettingCheck::check(image))
        lines << SettingCheck::describe(b);
    QCOMPARE(lines, (QStringList{"Kestrix 1 channel 1 Justification is 7 (allowed 0 to 1)",
                                 "Kestrix 1 channel 1 OverlapWidth is -5 (allowed 64 to 640)",
                                 "Kestrix 1 channel 1 BasicGamma is 42 (allowed 1 to 5)",
                                 "Kestrix 1 channel 3 LeftGammaWidth is 700 (allowed 0, or 64 to 640)",
                                 "Kestrix 2 channel 1 TestPattern is 200 (allowed 0 to 10)"}));
}

void SettingCheckTest::sentText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("sent");
    struct Case {
        const char *name;
        double value;
        const char *sent;
    };
    const Case cases[] = {
        {"DataDoubling", 200, "1"},
        {"DataDoubling", 0, "0"},
        {"TestGrid", 2, "1"},
        {"TestPattern", 10, "10"},
        {"TestPattern", 0, "0"},
        {"TestPattern", 11, "-1"},
        {"TotalProjectors", 0, "1"},
        {"TotalProjectors", 8, "8"},
        {"TotalProjectors", 9, "8"},
        {"TotalProjectors", 5, "5"},
        {"BlackLevel", 40, "40"},
        {"PhaseOffset", -16, "-16"},
        {"BasicGamma", 2.24, "2.2"},
        {"BasicGamma", 2.26, "2.3"},
        {"LeftGamma", 1.3496, "1.4"},
        {"BlueContrast", 1.3496, "1.4"},
        {"OverallContrast", 100.4496, "100.5"},
        {"OverallContrast", 100.44, "100.4"},
    };
    for (const Case &c : cases)
        QTest::addRow("%s %g", c.name, c.value)
            << QString::fromLatin1(c.name) << c.value << QString::fromLatin1(c.sent);
}

// The value as a push puts it on the wire: what a comparison compares.
void SettingCheckTest::sentText() {
    QFETCH(QString, name);
    QFETCH(double, value);
    QFETCH(QString, sent);
    QCOMPARE(SettingCheck::sentText(field(name), value), sent);
}

QTEST_GUILESS_MAIN(SettingCheckTest)
#include "tst_settingcheck.moc"
