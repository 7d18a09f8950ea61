// SPDX-License-Identifier: GPL-3.0-or-later
// A push whose values come from a loaded configuration (the model), on the simulator: what the devices
// hold afterwards, read back through the status queries, and how a colour value outside its range is
// reported and left out.
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ModelFields.h"
#include "ModelPushValues.h"
#include "ProtocolRig.h"
#include "SettingCatalogue.h"
#include "SettingsPush.h"

#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

using ModelFields::Field;
using ModelFields::Record;

namespace {

// A new value for every setting, different per device and channel (idx 0..7) and, for most, different
// from what the simulator starts with. System values differ between the two devices' records so that a
// push sending device 2 its own instead of device 1's shows.
struct Change {
    const char *name;
    std::function<double(int d, int c, int idx)> value;
};

double flag(int d, int c) {
    return (d + c) % 2;
}

QList<Change> changes(int projectors) {
    return {
        {"PhaseOffset", [](int, int, int i) { return -16 + 3 * i; }},
        {"HPosition", [](int, int, int i) { return 290 + i; }},
        {"VPosition", [](int, int, int i) { return 30 + i; }},
        {"OverallContrast", [](int, int, int i) { return 90.5 + i; }},
        {"OverallBrightness", [](int, int, int i) { return 110.0 - 0.5 * i; }},
        {"RedContrast", [](int, int, int i) { return -12.5 + i; }},
        {"RedBrightness", [](int, int, int i) { return 3.5 - i; }},
        {"GreenContrast", [](int, int, int i) { return 0.5 + 0.5 * i; }},
        {"GreenBrightness", [](int, int, int i) { return -0.5 - 0.5 * i; }},
        {"BlueContrast", [](int, int, int i) { return 20.0 + 0.5 * i; }},
        {"BlueBrightness", [](int, int, int i) { return -24.5 + 2 * i; }},
        {"AdvancedMode", [](int d, int, int) { return d == 1 ? 1 : 0; }},
        {"TotalProjectors", [projectors](int d, int, int) { return d == 1 ? projectors : 3; }},
        {"DataDoubling", [](int d, int, int) { return d == 1 ? 1 : 0; }},
        {"Justification", [](int d, int, int) { return d == 1 ? 1 : 0; }},
        {"OverlapWidth", [](int d, int, int) { return d == 1 ? 300 : 128; }},
        {"BasicGamma", [](int d, int, int) { return d == 1 ? 1.8 : 3.0; }},
        {"BasicFeathering", [](int d, int, int) { return d == 1 ? 0 : 1; }},
        {"LeftGamma", [](int, int, int i) { return 1.0 + 0.1 * i; }},
        {"LeftFeathering", [](int d, int c, int) { return flag(d, c); }},
        {"RightGamma", [](int, int, int i) { return 2.5 + 0.1 * i; }},
        {"RightFeathering", [](int d, int c, int) { return flag(d, c + 1); }},
        {"LeftHaloWidth", [](int, int, int i) { return 1 + i; }},
        {"LeftHaloOffset", [](int, int, int i) { return 10 + i; }},
        {"RightHaloWidth", [](int, int, int i) { return 20 + i; }},
        {"RightHaloOffset", [](int, int, int i) { return 30 + i; }},
        {"LeftGammaWidth", [](int, int, int i) { return 64 + i; }},
        {"LeftGammaOffset", [](int, int, int i) { return 100 + i; }},
        {"RightGammaWidth", [](int, int, int i) { return 70 + i; }},
        {"RightGammaOffset", [](int, int, int i) { return 200 + i; }},
        {"BlackLevel", [](int, int, int i) { return 40 + i; }},
        {"TestPattern", [](int, int, int i) { return 1 + i; }},
        {"OutputRaster", [](int d, int c, int) { return flag(d, c); }},
        {"TestGrid", [](int d, int c, int) { return flag(d, c + 1); }},
        {"SeamGain1", [](int, int, int i) { return 10 + i; }},
        {"SeamGain2", [](int, int, int i) { return 20 + i; }},
        {"SeamGain3", [](int, int, int i) { return 30 + i; }},
        {"SeamGain4", [](int, int, int i) { return 40 + i; }},
        {"SeamGain5", [](int, int, int i) { return 150 + i; }},
        {"SeamGain6", [](int, int, int i) { return 160 + i; }},
        {"SeamGain7", [](int, int, int i) { return 170 + i; }},
        {"SeamGain8", [](int, int, int i) { return 255 - i; }},
        {"SeamBridge", [](int d, int c, int) { return flag(d, c); }},
        // Settings a push does not send: the devices must keep their own.
        {"FeatherMode", [](int, int, int) { return 'L'; }},
        {"BridgeThreshold", [](int, int, int) { return 99; }},
    };
}

// What the push leaves alone: the feather curve and the bridge threshold, and the outermost left and
// right edges of the wall (their halos and feathering).
bool pushSends(const Field &f, int device, int channel, int devices) {
    const QByteArray name(f.name);
    if (name == "FeatherMode" || name == "BridgeThreshold") return false;
    const bool outerLeft = device == 1 && channel == 1;
    const bool outerRight = devices == 2 && device == 2 && channel == 4;
    if (outerLeft &&
        (name.startsWith("LeftHalo") || name.startsWith("LeftGamma") || name == "LeftFeathering"))
        return false;
    if (outerRight &&
        (name.startsWith("RightHalo") || name.startsWith("RightGamma") || name == "RightFeathering"))
        return false;
    return true;
}

void readAll(ProtocolRig &rig) {
    for (int d = 1; d <= rig.state.DeviceCount; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
}

void noRejectedRequests(const ProtocolRig &rig) {
    for (const SimRequest &r : rig.sim.requests())
        QVERIFY2(r.error.isEmpty(), qPrintable(QString::fromLatin1(r.raw) + ": " + r.error));
}

} // namespace

class tst_modelpush : public QObject {
    Q_OBJECT

private slots:
    void everySettingReadsBack_data();
    void everySettingReadsBack();
    void colourOutOfRangeReportedAndLeftOut();
    void valuesGoOutAsThePagesShowThem();
};

void tst_modelpush::everySettingReadsBack_data() {
    QTest::addColumn<bool>("controller");
    QTest::newRow("direct, one device") << false;
    QTest::newRow("Controller, two devices") << true;
}

// The devices start from the simulator's own values, read into the model; the file changes every
// setting; after the push a fresh read must show the file's values wherever the push sends them, and
// the devices' own values wherever it does not.
void tst_modelpush::everySettingReadsBack() {
    QFETCH(bool, controller);
    ProtocolRig::Setup setup;
    setup.controller = controller;
    setup.ids = controller ? QList<int>{1, 7} : QList<int>{1};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    const int devices = rig.state.DeviceCount;
    const int projectors = devices == 2 ? 8 : 4;

    readAll(rig);
    const QByteArray before = rig.model.image();
    QByteArray file = before;
    int changed = 0;
    for (const Change &change : changes(projectors)) {
        const Field *f = ModelFields::find(Record::Output, change.name);
        if (!f) f = ModelFields::find(Record::Input, change.name);
        QVERIFY2(f && f->setting, change.name);
        for (int d = 1; d <= 2; ++d)
            for (int c = 1; c <= (SettingCatalogue::deviceWide(*f) ? 1 : 4); ++c)
                QVERIFY2(ModelFields::setValue(file, *f, d, c, change.value(d, c, (d - 1) * 4 + c - 1)),
                         change.name);
        ++changed;
    }
    int settings = 0;
    for (const Field &f : ModelFields::all())
        settings += f.setting ? 1 : 0;
    QCOMPARE(changed, settings); // a new setting needs a value here
    QVERIFY(rig.model.applyImage(file));

    ModelPushValues values(rig.model, *rig.commands, rig.host);
    SettingsPush push(*rig.commands, rig.model, rig.host, [] { return true; });
    QCOMPARE(push.run(values, &values, &values), SettingsPush::Result::Sent);
    QCOMPARE(rig.host.messages(), QStringList{});
    noRejectedRequests(rig);

    // The long output record carries the feather widths, the short one the halos in the same place: read
    // the short one first, then the long one, which keeps the halos.
    rig.clearModel();
    for (quint8 format : {quint8(0x40), quint8(0x42)}) {
        for (int d = 1; d <= devices; ++d) {
            SimDevice device = rig.sim.device(d);
            device.outputFormat = format;
            rig.sim.setDevice(d, device);
        }
        readAll(rig);
    }
    const QByteArray after = rig.model.image();
    int compared = 0;
    for (const Field &f : ModelFields::all()) {
        if (!f.setting) continue;
        for (int d = 1; d <= devices; ++d) {
            for (int c = 1; c <= (SettingCatalogue::deviceWide(f) ? 1 : 4); ++c) {
                const bool sent = pushSends(f, d, c, devices);
                // Both devices get device 1's system values.
                const double expected = !sent ? ModelFields::value(before, f, d, c)
                                        : SettingCatalogue::deviceWide(f) ? ModelFields::value(file, f, 1, 1)
                                                                          : ModelFields::value(file, f, d, c);
                const double actual = ModelFields::value(after, f, d, c);
                // The devices keep tenths of the gammas and colour values.
                QVERIFY2(std::abs(actual - expected) < 1e-4,
                         qPrintable(QStringLiteral("device %1 channel %2 %3: %4, expected %5")
                                        .arg(d)
                                        .arg(c)
                                        .arg(QLatin1StringView(f.name))
                                        .arg(actual)
                                        .arg(expected)));
                compared += sent ? 1 : 0;
            }
        }
    }
    QVERIFY(compared > 0);
    // The group follows the device, whatever the file says.
    const Field *group = ModelFields::find(Record::Output, QStringLiteral("ProjectorGroup"));
    for (int d = 1; d <= devices; ++d)
        QCOMPARE(ModelFields::value(after, *group, d, 1), double(d - 1));
}

// A colour value outside its field's range (or not a number at all) is reported with device, channel
// and field and left out; the channel's other values and the rest of the pass still go out.
void tst_modelpush::colourOutOfRangeReportedAndLeftOut() {
    ProtocolRig::Setup setup;
    setup.ids = {1};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    readAll(rig);
    QByteArray file = rig.model.image();
    auto set = [&](const char *name, int d, int c, double v) {
        const Field *f = ModelFields::find(Record::Input, QString::fromLatin1(name));
        QVERIFY(f && ModelFields::setValue(file, *f, d, c, v));
    };
    set("RedContrast", 1, 2, 25.04);     // shown as 25.04: beyond +25
    set("GreenContrast", 1, 2, 25.0001); // shown as 25: inside
    set("OverallContrast", 1, 3, 74.9);
    set("BlueBrightness", 1, 3, -7.5);
    const Field *total = ModelFields::find(Record::Output, QStringLiteral("TotalProjectors"));
    QVERIFY(total && ModelFields::setValue(file, *total, 1, 1, 3));
    QVERIFY(rig.model.applyImage(file));
    // A patched file: not a number, which the overall range and an offset's range must both refuse.
    rig.model.editInput(1, 2,
                        [&](InputInfo &r) { r.OverallBrightness = std::numeric_limits<float>::quiet_NaN(); });
    rig.model.editInput(1, 3,
                        [&](InputInfo &r) { r.GreenBrightness = -std::numeric_limits<float>::infinity(); });

    ModelPushValues values(rig.model, *rig.commands, rig.host);
    SettingsPush push(*rig.commands, rig.model, rig.host, [] { return true; });
    QCOMPARE(push.run(values, &values, &values), SettingsPush::Result::Sent);
    noRejectedRequests(rig);
    const QStringList messages = rig.host.messages();
    QCOMPARE(messages.size(), 4);
    QVERIFY2(messages[0].contains("Kestrix 1 channel 2 OverallBrightness is nan"), qPrintable(messages[0]));
    QVERIFY2(messages[1].contains("Kestrix 1 channel 2 RedContrast is 25.04"), qPrintable(messages[1]));
    QVERIFY2(messages[2].contains("Kestrix 1 channel 3 OverallContrast is 74.9"), qPrintable(messages[2]));
    QVERIFY2(messages[3].contains("Kestrix 1 channel 3 GreenBrightness is -inf"), qPrintable(messages[3]));
    for (const QString &m : messages)
        QVERIFY2(m.startsWith("Error! Value out of bounds!") && m.contains("outside"), qPrintable(m));

    const QList<QByteArray> wire = rig.rawRequests();
    for (const QByteArray &refused : {QByteArray("ICNTKX 2 R"), QByteArray("IBRTKX 2 C"),
                                      QByteArray("ICNTKX 3 C"), QByteArray("IBRTKX 3 G")})
        for (const QByteArray &line : wire)
            QVERIFY2(!line.startsWith(refused), line.constData());
    QVERIFY(wire.contains("ICNTKX 2 G 25.0\r"));
    QVERIFY(wire.contains("IBRTKX 3 B -7.5\r"));
    QVERIFY(wire.contains("ICNTKX 2 C 100.0\r")); // the channel's other values still went out
    // The last screen's seams went out after the messages: the pass went on.
    QCOMPARE(wire.last(), QByteArray("BRDGSEAM 3 0\r"));
}

// The pages show colour values with four significant digits (five for the overall ones) and gammas with
// three, and send what they show: 1.3496 is shown as 1.35 and goes out as 1.4, not as 1.3.
void tst_modelpush::valuesGoOutAsThePagesShowThem() {
    ProtocolRig::Setup setup;
    setup.ids = {1};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    readAll(rig);
    rig.model.editOutput(1, 1, [&](OutputInfo &r) { r.TotalProjectors = 2; });
    rig.model.editInput(1, 2, [&](InputInfo &r) { r.BlueContrast = 1.3496f; });
    rig.model.editInput(1, 2, [](InputInfo &r) { r.OverallContrast = 100.4496f; }); // five digits: 100.45
    rig.model.editOutput(1, 2, [&](OutputInfo &r) { r.LeftGamma = 1.3496f; });
    rig.model.editOutput(1, 1, [&](OutputInfo &r) { r.BasicGamma = 2.3496f; });

    ModelPushValues values(rig.model, *rig.commands, rig.host);
    SettingsPush push(*rig.commands, rig.model, rig.host, [] { return true; });
    QCOMPARE(push.run(values, &values, &values), SettingsPush::Result::Sent);
    QCOMPARE(rig.host.messages(), QStringList{});
    const QList<QByteArray> wire = rig.rawRequests();
    QVERIFY(wire.contains("ICNTKX 2 B  1.4\r"));
    QVERIFY(wire.contains("ICNTKX 2 C 100.5\r"));
    QVERIFY(wire.contains("PEFT 2 L 0  1.4 0 0\r"));
    QVERIFY(wire.contains("EFTB 1  2.4\r"));
}

QTEST_GUILESS_MAIN(tst_modelpush)
#include "tst_modelpush.moc"
