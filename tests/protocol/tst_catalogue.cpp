// SPDX-License-Identifier: GPL-3.0-or-later
// Every setting of the settings catalogue, from a value in the model through the command that carries it
// to the exact bytes on the line, in both link modes: the model's value is read by the catalogue's row
// (DeviceSettings::current), sent by its builder (DeviceSettings::send), and arrives at the simulator
// as the text below. A row without a case here, or a case the catalogue does not hold, fails.

#include "DeviceSetting.h"
#include "ModelFields.h"
#include "ProtocolRig.h"
#include "SettingCatalogue.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(DeviceSetting)

namespace {

// One record value set on device 2 (channel 3 for a channel's own), everything else zero, and the text
// of the command that carries it. Device 2 is RS-485 ID 7 behind the Controller.
struct WireCase {
    const char *field;
    double value;
    QByteArray text;
};

const QList<WireCase> &wireCases() {
    static const QList<WireCase> cases = {
        {"PhaseOffset", -7, "ICPHOKX 3 M -7"},
        {"HPosition", 301, "IRSPKX 3 M H 301"},
        {"VPosition", 33, "IRSPKX 3 M V 33"},
        {"OverallContrast", 101.3, "ICNTKX 3 C 101.3"},
        {"OverallBrightness", 98.5, "IBRTKX 3 C 98.5"},
        {"RedContrast", -12.5, "ICNTKX 3 R -12.5"},
        {"RedBrightness", 3.5, "IBRTKX 3 R  3.5"},
        {"GreenContrast", 7, "ICNTKX 3 G  7.0"},
        {"GreenBrightness", -2.5, "IBRTKX 3 G -2.5"},
        {"BlueContrast", 12.5, "ICNTKX 3 B 12.5"},
        {"BlueBrightness", -20, "IBRTKX 3 B -20.0"},
        {"AdvancedMode", 1, "KXCTRL 1"},
        {"TotalProjectors", 6, "PRJ 1 6"},
        {"DataDoubling", 1, "DDBL 1"},
        {"Justification", 1, "DISP 1 0"},
        {"OverlapWidth", 320, "DISP 0 320"},
        {"BasicGamma", 2.5, "EFTB 0  2.5"},
        {"BasicFeathering", 1, "EFTB 1  0.0"},
        {"LeftGamma", 3.5, "PEFT 3 L 0  3.5 0 0"},
        {"LeftFeathering", 1, "PEFT 3 L 1  0.0 0 0"},
        {"RightGamma", 1.5, "PEFT 3 R 0  1.5 0 0"},
        {"RightFeathering", 1, "PEFT 3 R 1  0.0 0 0"},
        {"LeftHaloWidth", 12, "HALO 3 L 12 0"},
        {"LeftHaloOffset", 34, "HALO 3 L 0 34"},
        {"RightHaloWidth", 21, "HALO 3 R 21 0"},
        {"RightHaloOffset", 43, "HALO 3 R 0 43"},
        {"LeftGammaWidth", 128, "PEFT 3 L 0  0.0 128 0"},
        {"LeftGammaOffset", 40, "PEFT 3 L 0  0.0 0 40"},
        {"RightGammaWidth", 96, "PEFT 3 R 0  0.0 96 0"},
        {"RightGammaOffset", 50, "PEFT 3 R 0  0.0 0 50"},
        {"BlackLevel", 77, "BLKGN 3 77"},
        {"TestPattern", 7, "OTPMKX 3 7 0 0"},
        {"OutputRaster", 1, "OTPMKX 3 0 1 0"},
        {"TestGrid", 1, "OTPMKX 3 0 0 1"},
        {"SeamStart", -4, "MANSEAM 3 -4 0 0 0 0 0 0 0 0"},
        {"SeamGain1", 101, "MANSEAM 3 0 101 0 0 0 0 0 0 0"},
        {"SeamGain2", 102, "MANSEAM 3 0 0 102 0 0 0 0 0 0"},
        {"SeamGain3", 103, "MANSEAM 3 0 0 0 103 0 0 0 0 0"},
        {"SeamGain4", 104, "MANSEAM 3 0 0 0 0 104 0 0 0 0"},
        {"SeamGain5", 105, "MANSEAM 3 0 0 0 0 0 105 0 0 0"},
        {"SeamGain6", 106, "MANSEAM 3 0 0 0 0 0 0 106 0 0"},
        {"SeamGain7", 107, "MANSEAM 3 0 0 0 0 0 0 0 107 0"},
        {"SeamGain8", 108, "MANSEAM 3 0 0 0 0 0 0 0 0 108"},
        {"SeamBridge", 1, "BRDGSEAM 3 1"},
        {"FeatherMode", 'L', "FEATHER L"},
        {"BridgeThreshold", 40, "BRTHRS 40"},
    };
    return cases;
}

// The byte sum of the text, two uppercase hex digits, worked out here rather than by the engine.
QByteArray passFrame(const QByteArray &body) {
    int sum = 0;
    for (char ch : body)
        sum += quint8(ch);
    return "PASS " + body + QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0') + "\r\r";
}

const SettingCatalogue::Setting &settingOf(const WireCase &c) {
    const SettingCatalogue::Setting *s = SettingCatalogue::find(ModelFields::Record::Output, c.field);
    if (!s) s = SettingCatalogue::find(ModelFields::Record::Input, c.field);
    Q_ASSERT(s);
    return *s;
}

} // namespace

class tst_catalogue : public QObject {
    Q_OBJECT

private slots:
    void everySentSettingHasACase();
    void modelToWire_data();
    void modelToWire();
    void undoTextsSpeakThePagesWords_data();
    void undoTextsSpeakThePagesWords();
};

void tst_catalogue::everySentSettingHasACase() {
    QSet<QString> cased;
    for (const WireCase &c : wireCases()) {
        QVERIFY2(SettingCatalogue::find(ModelFields::Record::Output, c.field) ||
                     SettingCatalogue::find(ModelFields::Record::Input, c.field),
                 c.field);
        cased.insert(QLatin1String(c.field));
    }
    for (const SettingCatalogue::Setting &s : SettingCatalogue::all())
        if (s.command != DeviceCommand::Count && s.argument >= 0)
            QVERIFY2(cased.contains(QLatin1String(s.field)), s.field);
}

void tst_catalogue::modelToWire_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("controllerMode");
    for (int i = 0; i < wireCases().size(); ++i) {
        QTest::addRow("%s direct", wireCases()[i].field) << i << false;
        QTest::addRow("%s controller", wireCases()[i].field) << i << true;
    }
}

void tst_catalogue::modelToWire() {
    QFETCH(int, index);
    QFETCH(bool, controllerMode);
    const WireCase &c = wireCases()[index];
    const SettingCatalogue::Setting &setting = settingOf(c);
    ProtocolRig::Setup setup;
    setup.controller = controllerMode;
    setup.ids = {1, 7};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));

    // A device-wide value lives in channel 1's record; the model keeps it alike in the others.
    const int device = 2;
    const int channel = setting.deviceWide() ? 1 : 3;
    const ModelFields::Field *field = ModelFields::find(setting.record, QLatin1String(c.field));
    QVERIFY(field);
    QByteArray image = rig.model.image();
    QVERIFY(ModelFields::setValue(image, *field, device, channel, c.value));
    QVERIFY(rig.model.applyImage(image));

    DeviceSetting target{setting.command, device, setting.deviceWide() ? 0 : channel, setting.part, {}};
    const QList<DeviceSetting> held = DeviceSettings::current(rig.model, target);
    QCOMPARE(held.size(), 1);
    DeviceSettings::send(*rig.commands, held.first());

    QVERIFY(rig.waitForRequests(1));
    const SimRequest first = rig.sim.requests().first();
    QCOMPARE(first.raw, controllerMode ? passFrame("*7" + c.text + '!') : c.text + '\r');
    QCOMPARE(first.error, QString());
    // What was sent is what the model holds.
    QCOMPARE(float(ModelFields::value(rig.model.image(), *field, device, channel)), float(c.value));
}

void tst_catalogue::undoTextsSpeakThePagesWords_data() {
    QTest::addColumn<DeviceSetting>("setting");
    QTest::addColumn<QString>("text");
    using C = DeviceCommand;
    QTest::newRow("test grid") << DeviceSetting{C::TestPattern, 2, 2, 0, {0, 0, 1}}
                               << "Test Pattern, screen 6: Off, Output Raster Box Off, Test Grid On";
    QTest::newRow("pattern of every screen")
        << DeviceSetting{C::TestPattern, 1, 5, 0, {7, 1, 0}}
        << "Test Pattern, screens 1-4: Grey - 50%, Output Raster Box On, "
           "Test Grid Off";
    QTest::newRow("colour") << DeviceSetting{C::InputContrast, 1, 1, 'R', {-3.5}}
                            << "Red Contrast, screen 1: -3.5";
    QTest::newRow("curve") << DeviceSetting{C::FeatherCurve, 2, 0, 0, {1}} << "Feather Curve: Linear";
    QTest::newRow("advanced mode") << DeviceSetting{C::FeatherModeAdvanced, 1, 0, 0, {1}}
                                   << "Edge Feathering Advanced Mode: Advanced";
    QTest::newRow("halo") << DeviceSetting{C::Halo, 1, 3, 'L', {12, 34}}
                          << "Halo Removal, screen 3: Width(L) 12, Offset(L) 34";
    QTest::newRow("black level") << DeviceSetting{C::BlackLevel, 2, 3, 0, {41}}
                                 << "Black Level, screen 7: 41";
}

// The undo history names an adjustment as the page does, coded values by their names.
void tst_catalogue::undoTextsSpeakThePagesWords() {
    QFETCH(DeviceSetting, setting);
    QFETCH(QString, text);
    QCOMPARE(setting.describe(), text);
}

QTEST_GUILESS_MAIN(tst_catalogue)
#include "tst_catalogue.moc"
