// SPDX-License-Identifier: GPL-3.0-or-later
// "Send Current Settings" through the real window on the simulator: what reaches each device and in
// which order, device 2's outputs as the page showed them before the feather mode re-read, the progress
// notice, a field that does not convert ending the pass, and the invariant that a read (or a saved and
// reopened file) sent back with no edit changes no device value.
#include "CommandEngine.h"
#include "ConfigFile.h"
#include "ConfigFileMenu.h"
#include "DeviceModel.h"
#include "FieldEditors.h"
#include "LinkRig.h"
#include "MainMenu.h"
#include "ModelPushValues.h"
#include "SeamRemovalPage.h"
#include "SettingsPush.h"
#include "SimRecords.h"
#include "SourceSetupPage.h"
#include "TApdComPort.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstring>

namespace {

SimOptions direct() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    return o;
}

SimOptions controller() {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = {5, 6};
    o.onlyAtModeBaud = true;
    return o;
}

QStringList withoutProbes(QStringList lines) {
    lines.removeIf([](const QString &l) { return l.endsWith(" CR"); });
    return lines;
}

QLineEdit *edit(LinkRig &rig, const QString &name) {
    auto *e = rig.form->findChild<QLineEdit *>(name);
    if (!e) qFatal("no %s", qPrintable(name));
    return e;
}

// Connected and read, the wall of n projectors taken over from device 1, the read's messages cleared.
// Only the inputs of the locked screens (1..8) report a locked signal.
void connectWithWall(LinkRig &rig, bool controllerMode, int n, const QList<int> &locked = {}) {
    for (int d = 1; d <= (controllerMode ? 2 : 1); ++d) {
        SimDevice device = rig.com1->device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = quint8(n);
        for (int c = 1; c <= 4; ++c)
            device.inputs[c - 1].videoLocked = locked.contains((d - 1) * 4 + c) ? 1 : 0;
        rig.com1->setDevice(d, device);
    }
    rig.host.expectYesNo(true, controllerMode ? "Serial communication established with Controller."
                                              : "Serial communication established.");
    // A wall of two devices on a direct line: the user goes on with device 1 only.
    if (!controllerMode && n > 4) rig.host.expectYesNo(true, "Kestrix total # of projectors");
    rig.trigger(controllerMode ? "KestrixconnectedthruController1" : "KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->findChild<QComboBox *>("NumOfScreenComboBox")->currentIndex(), n - 1);
    rig.host.entries.clear();
    rig.host.progressTexts.clear();
    rig.com1->clearRequests();
}

// The whole pass to two devices behind the Controller for six projectors, in order: the layout to
// both, device 1's outputs, the system settings to both with the feather mode's re-read, device 2's
// outputs. The simulator answers with the long output record, which carries no halos: none go out.
QStringList twoDevicePush(int n) {
    QStringList lines{QStringLiteral("*5PRJ 0 %1").arg(n), QStringLiteral("*6PRJ 1 %1").arg(n),
                      "*5DISP 0 256", "*6DISP 0 256"};
    lines << "*5OTPMKX 1 0 0 0"
          << "*5OTPMKX 2 0 0 0"
          << "*5OTPMKX 3 0 0 0"
          << "*5OTPMKX 4 0 0 0"
          << "*5BLKGN 1 0"
          << "*5BLKGN 2 0"
          << "*5BLKGN 3 0"
          << "*5BLKGN 4 0"
          << "*5PEFT 1 R 0  2.2 0 0"
          << "*5PEFT 2 R 0  2.2 0 0"
          << "*5PEFT 3 R 0  2.2 0 0"
          << "*5PEFT 4 R 0  2.2 0 0"
          << "*5PEFT 2 L 0  2.2 0 0"
          << "*5PEFT 3 L 0  2.2 0 0"
          << "*5PEFT 4 L 0  2.2 0 0";
    lines << "*5DDBL 0"
          << "*6DDBL 0"
          << "*5EFTB 1  2.2"
          << "*6EFTB 1  2.2";
    lines << "*5KXCTRL 0"
          << "*5OINFOKX 1"
          << "*5OINFOKX 2"
          << "*5OINFOKX 3"
          << "*5OINFOKX 4";
    lines << "*6KXCTRL 0"
          << "*6OINFOKX 1"
          << "*6OINFOKX 2"
          << "*6OINFOKX 3"
          << "*6OINFOKX 4";
    lines << "*6OTPMKX 1 0 0 0"
          << "*6OTPMKX 2 0 0 0"
          << "*6OTPMKX 3 0 0 0"
          << "*6OTPMKX 4 0 0 0"
          << "*6BLKGN 1 0"
          << "*6BLKGN 2 0"
          << "*6BLKGN 3 0"
          << "*6BLKGN 4 0"
          << "*6PEFT 1 R 0  2.2 0 0"
          << "*6PEFT 2 R 0  2.2 0 0"
          << "*6PEFT 3 R 0  2.2 0 0"
          << "*6PEFT 1 L 0  2.2 0 0"
          << "*6PEFT 2 L 0  2.2 0 0"
          << "*6PEFT 3 L 0  2.2 0 0"
          << "*6PEFT 4 L 0  2.2 0 0";
    for (QString &l : lines)
        l.prepend("57600 ");
    return lines;
}

// The same pass on a direct line: device 1 only, without addresses, at the direct rate.
QStringList oneDevicePush(int n) {
    QStringList lines;
    for (QString l : twoDevicePush(n)) {
        if (l.contains("*6")) continue;
        lines << l.replace("57600 *5", "38400 ");
    }
    return lines;
}

// A locked screen's input settings as the device reported them: position, phase, then the colour
// balance in the fields' order.
QStringList inputLines(const QString &to, int c) {
    QStringList lines{QStringLiteral("IRSPKX %1 M H 296"), QStringLiteral("IRSPKX %1 M V 35"),
                      QStringLiteral("ICPHOKX %1 M 0")};
    for (const char *colour : {"C", "R", "G", "B"})
        for (const char *what : {"ICNTKX", "IBRTKX"})
            lines << QStringLiteral("%1 %2 %3 %4")
                         .arg(what, "%1", colour, QString(colour) == "C" ? "100.0" : " 0.0");
    for (QString &l : lines)
        l = to + l.arg(c);
    return lines;
}

// Each of the eight gain fields' leave handling sends all eight gains, then the bridge.
QStringList seamLines(const QString &to, int c) {
    QStringList lines;
    for (int g = 0; g < 8; ++g)
        lines << to + QStringLiteral("MANSEAM %1 -4 0 0 0 0 0 0 0 0").arg(c);
    lines << to + QStringLiteral("BRDGSEAM %1 0").arg(c);
    return lines;
}

// The whole pass with the inputs and seams of the locked screens that the device loops visit.
QStringList fullPush(bool twoDevices, int n, const QList<int> &locked) {
    QStringList lines = twoDevicePush(n);
    QStringList inputs, seams;
    for (int s = 1; s <= n; ++s) {
        if (!locked.contains(s) || (s > 4 && !twoDevices)) continue;
        const QString to = QStringLiteral("57600 *%1").arg(s <= 4 ? 5 : 6);
        inputs << inputLines(to, (s - 1) % 4 + 1);
        seams << seamLines(to, (s - 1) % 4 + 1);
    }
    for (int i = inputs.size() - 1; i >= 0; --i)
        lines.insert(4, inputs[i]);
    lines << seams;
    if (twoDevices) return lines;
    QStringList direct;
    for (QString l : lines)
        if (!l.contains("*6")) direct << l.replace("57600 *5", "38400 ");
    return direct;
}

// The values that set one varied wall apart from another: what the per-screen values start from.
struct WallBase {
    int basicGamma;
    int basicFeathering;
    int leftGamma;
    int seamGain;
};

// Screen i's (0..7) outputs and inputs, each value different on every screen, so that a value taken from
// the wrong screen, device or field shows on the wire.
void varyScreen(SimOutputChannel &o, SimInputChannel &in, int i, const WallBase &base) {
    o.advancedMode = 1;
    o.dataDoubling = 1;
    o.justification = 1;
    o.basicGamma = base.basicGamma;
    o.basicFeathering = base.basicFeathering;
    o.blackLevel = quint8(40 + i);
    o.testPattern = quint8(1 + i);
    o.outputRaster = quint8(i % 2);
    o.testGrid = quint8((i + 1) % 2);
    o.leftHaloWidth = 1 + i;
    o.leftHaloOffset = 10 + i;
    o.rightHaloWidth = 20 + i;
    o.rightHaloOffset = 30 + i;
    o.leftGamma = base.leftGamma + i;
    o.rightGamma = 25 + i;
    o.leftFeathering = quint16(i % 2);
    o.rightFeathering = quint16((i + 1) % 2);
    o.leftGammaWidth = 64 + i;
    o.leftGammaOffset = 100 + i;
    o.rightGammaWidth = 70 + i;
    o.rightGammaOffset = 200 + i;
    for (int g = 0; g < 8; ++g)
        o.seamGain[g] = quint8(10 * g + i + base.seamGain);
    o.seamBridge = quint8(i % 2);
    in.phaseOffset = -5 + i;
    in.hPosition = 290 + i;
    in.vPosition = 30 + i;
    in.contrast = {905 + 10 * i, -125 + 10 * i, 5 * i, 200};
    in.brightness = {1100 - 5 * i, 35, -5 * i, -245};
}

// Every device value the push carries differs between screens.
void varyDevices(KestrixSimulator &sim) {
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = sim.device(d);
        for (int c = 0; c < 4; ++c)
            varyScreen(device.outputs[c], device.inputs[c], (d - 1) * 4 + c, {18, 0, 10, 0});
        sim.setDevice(d, device);
    }
}

// The window sends all eight gains once for each gain field it leaves; a push from the model sends
// them once.
QStringList gainsOnce(const QStringList &lines) {
    QStringList once;
    for (const QString &l : lines)
        if (!(l.contains("MANSEAM") && !once.isEmpty() && once.last() == l)) once << l;
    return once;
}

// A wall of n projectors whose per-channel settings differ on every channel of both devices; the system
// values are the same on both devices, as a wall's are. Device 1 answers its outputs in the form given,
// device 2 in the other one, and their inputs in opposite forms too.
void differingWall(KestrixSimulator &sim, int n, quint8 device1OutputForm) {
    for (int d = 1; d <= 2; ++d) {
        SimDevice device = sim.device(d);
        const bool longForm = (d == 1) == (device1OutputForm == 0x42);
        device.outputFormat = longForm ? 0x42 : 0x3F;
        device.inputFormat = d == 1 ? 'F' : 'N';
        for (int c = 0; c < 4; ++c) {
            SimOutputChannel &o = device.outputs[c];
            varyScreen(o, device.inputs[c], (d - 1) * 4 + c, {27, 1, 12, 3});
            o.totalProjectors = quint8(n);
            o.projectorGroup = quint8(d - 1);
            o.overlapWidth = 300;
            o.featherMode = 'L';
            o.bridgeThreshold = 40;
            device.inputs[c].videoLocked = 1;
        }
        sim.setDevice(d, device);
    }
}

// Every value a device holds, as "device 2 channel 3 output (long) byte 30: 12 -> 0" for each byte of
// its records (both output forms, so the halos and the feather widths are both covered) that differs.
QStringList deviceChanges(const SimDevice &before, const SimDevice &after, int d) {
    QStringList changes;
    auto compare = [&](const QByteArray &a, const QByteArray &b, int c, const char *what) {
        for (int k = 0; k < a.size(); ++k)
            if (a[k] != b[k])
                changes << QStringLiteral("device %1 channel %2 %3 byte %4: %5 -> %6")
                               .arg(d)
                               .arg(c)
                               .arg(QLatin1StringView(what))
                               .arg(k)
                               .arg(int(quint8(a[k])))
                               .arg(int(quint8(b[k])));
    };
    for (int c = 1; c <= 4; ++c) {
        compare(SimRecords::inputPayload(before.inputs[c - 1], 'N'),
                SimRecords::inputPayload(after.inputs[c - 1], 'N'), c, "input");
        compare(SimRecords::outputPayload(before.outputs[c - 1], 0x42),
                SimRecords::outputPayload(after.outputs[c - 1], 0x42), c, "output (long)");
        compare(SimRecords::outputPayload(before.outputs[c - 1], 0x3F),
                SimRecords::outputPayload(after.outputs[c - 1], 0x3F), c, "output (short)");
    }
    return changes;
}

// Sends the current settings and checks that no device value changed and that the pass did go out.
void pushChangesNothing(LinkRig &rig, int devices, int n) {
    const SimDevice before[2] = {rig.com1->device(1), rig.com1->device(2)};
    rig.com1->clearRequests();
    rig.host.entries.clear();
    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(), QStringList{});
    QStringList changes;
    for (int d = 1; d <= devices; ++d)
        changes << deviceChanges(before[d - 1], rig.com1->device(d), d);
    QCOMPARE(changes, QStringList{});
    // The pass went out, the last screen's seam included, and the devices understood all of it.
    const QStringList wire = LinkRig::wire(*rig.com1);
    const int last = devices == 2 ? n : std::min(n, 4);
    const QString to = devices == 2 ? QStringLiteral("*%1").arg(last <= 4 ? 5 : 6) : QString();
    const QString lastBridge =
        QStringLiteral("%1BRDGSEAM %2 %3").arg(to).arg((last - 1) % 4 + 1).arg((last - 1) % 2);
    QVERIFY2(std::any_of(wire.begin(), wire.end(), [&](const QString &l) { return l.endsWith(lastBridge); }),
             qPrintable(wire.join('\n')));
    for (const SimRequest &r : rig.com1->requests())
        QVERIFY2(r.error.isEmpty(), qPrintable(QString::fromLatin1(r.raw) + ": " + r.error));
}

} // namespace

class PushTest : public QObject {
    Q_OBJECT
private slots:
    void pushesWhatThePagesShow_data();
    void pushesWhatThePagesShow();
    void locksDecideWhichInputsAndSeamsGoOut_data();
    void locksDecideWhichInputsAndSeamsGoOut();
    void outOfRangeColourShowsItsMessageAndThePassGoesOn();
    void deviceTwoGetsWhatThePageShowedBeforeTheReRead();
    void seamsGoOutAsTheModelHeldThemBeforeTheReRead();
    void valueThatDoesNotConvertEndsThePass_data();
    void valueThatDoesNotConvertEndsThePass();
    void modelPushSendsWhatTheWindowSends_data();
    void modelPushSendsWhatTheWindowSends();
    void unacknowledgedCommandEndsThePassAndTheLink();
    void readThenPushChangesNothing_data();
    void readThenPushChangesNothing();
};

void PushTest::pushesWhatThePagesShow_data() {
    QTest::addColumn<bool>("twoDevices");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("steps");
    QTest::newRow("direct, 1") << false << 1 << 8;
    QTest::newRow("direct, 4") << false << 4 << 8;
    QTest::newRow("two devices, 1") << true << 1 << 9;
    QTest::newRow("two devices, 4") << true << 4 << 9;
    QTest::newRow("two devices, 6") << true << 6 << 11;
}

void PushTest::pushesWhatThePagesShow() {
    QFETCH(bool, twoDevices);
    QFETCH(int, n);
    QFETCH(int, steps);
    const SimOptions sim = twoDevices ? controller() : direct();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, twoDevices, n);

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), twoDevices ? twoDevicePush(n) : oneDevicePush(n));
    QCOMPARE(rig.host.messages(), QStringList{});
    QCOMPARE(rig.form->state().CommandBusy, 0);
    // The notice named each part as it went out and how far along the pass was, and is gone.
    QCOMPARE(rig.host.progressTexts.size(), steps);
    QCOMPARE(rig.host.progressTexts.first(),
             QString("Sending current settings to Kestrix(s): number of projectors. Please wait...."));
    QCOMPARE(rig.host.progressTexts.last(),
             QString("Sending current settings to Kestrix(s): %1. Please wait....")
                 .arg(twoDevices && n > 4 ? "Kestrix 2 seams" : "Kestrix 1 seams"));
    QCOMPARE(rig.host.progressSuffix, QString("%1 of %1").arg(steps));
    QVERIFY(!rig.host.progressVisible);
}

void PushTest::locksDecideWhichInputsAndSeamsGoOut_data() {
    QTest::addColumn<bool>("twoDevices");
    QTest::addColumn<int>("n");
    QTest::addColumn<QList<int>>("locked");
    QTest::newRow("direct, 1 locked") << false << 1 << QList<int>{1};
    QTest::newRow("direct, 4, 2 and 4 locked") << false << 4 << QList<int>{2, 4};
    QTest::newRow("two devices, 6 locked") << true << 6 << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("two devices, 6, only 3 and 6 locked") << true << 6 << QList<int>{3, 6};
    // Screen 5 belongs to a second device that is not there.
    QTest::newRow("one device, 6, 5 locked") << false << 6 << QList<int>{1, 5};
}

// Every screen of the wall is visited on both pages; only locked ones send, and both pages are left on
// the last screen visited.
void PushTest::locksDecideWhichInputsAndSeamsGoOut() {
    QFETCH(bool, twoDevices);
    QFETCH(int, n);
    QFETCH(QList<int>, locked);
    const SimOptions sim = twoDevices ? controller() : direct();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, twoDevices, n, locked);

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), fullPush(twoDevices, n, locked));
    QCOMPARE(rig.host.messages(), QStringList{});
    const int last = twoDevices ? n : std::min(n, 4);
    QCOMPARE(rig.form->sourceSetupPage()->selectedScreen(), last);
    QCOMPARE(rig.form->seamRemovalPage()->selectedScreen(), last);
}

// A contrast the device reports beyond the field's range is refused by the field with its own message;
// the rest of that screen and the pass still go out.
void PushTest::outOfRangeColourShowsItsMessageAndThePassGoesOn() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    SimDevice device = rig.com1->device(1);
    device.inputs[1].contrast[0] = 3000;
    rig.com1->setDevice(1, device);
    connectWithWall(rig, false, 2, {1, 2});

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QStringList expected = fullPush(false, 2, {1, 2});
    expected.removeOne("38400 ICNTKX 2 C 100.0");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), expected);
    const QString outOfRange =
        rig.form->sourceSetupPage()->fieldEditors()->editor("LeftOContrastEdit")->family().outOfRange;
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY2(rig.host.messages().first().startsWith(outOfRange), qPrintable(rig.host.messages().first()));
}

// The feather mode makes each device report its outputs and the page shows them; device 2 must still
// get what the page showed before, and keep it.
void PushTest::deviceTwoGetsWhatThePageShowedBeforeTheReRead() {
    const SimOptions sim = controller();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, true, 6);
    rig.form->state().Refreshing = true; // filled in as a loaded file would, without sending
    edit(rig, "Black6Edit")->setText("17");
    rig.form->findChild<QComboBox *>("TestPattern7ComboBox")->setCurrentIndex(3);
    edit(rig, "LHaloWidth5Edit")->setText("12");
    edit(rig, "Gamma8Edit")->setText("1.8");
    edit(rig, "RGammaWidth6Edit")->setText("90");
    edit(rig, "RGammaOffset6Edit")->setText("7");
    rig.form->state().Refreshing = false;

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QStringList expected = twoDevicePush(6);
    expected.replace(expected.indexOf("57600 *6BLKGN 2 0"), "57600 *6BLKGN 2 17");
    expected.replace(expected.indexOf("57600 *6OTPMKX 3 0 0 0"), "57600 *6OTPMKX 3 3 0 0");
    // The devices never reported their halos; the one the user typed goes out, the others do not.
    expected.insert(expected.indexOf("57600 *6BLKGN 4 0") + 1, "57600 *6HALO 1 L 12 0");
    expected.replace(expected.indexOf("57600 *6PEFT 4 L 0  2.2 0 0"), "57600 *6PEFT 4 L 0  1.8 0 0");
    expected.replace(expected.indexOf("57600 *6PEFT 2 R 0  2.2 0 0"), "57600 *6PEFT 2 R 0  2.2 90 7");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), expected);
    QCOMPARE(int(rig.com1->device(2).outputs[1].blackLevel), 17);
    // The page shows what was sent, the edges included, so the next push sends the same again.
    QCOMPARE(edit(rig, "Black6Edit")->text(), QString("17"));
    QCOMPARE(edit(rig, "Gamma8Edit")->text(), QString("1.8"));
    QCOMPARE(edit(rig, "RGammaWidth6Edit")->text(), QString("90"));
    QCOMPARE(edit(rig, "RGammaOffset6Edit")->text(), QString("7"));
    rig.com1->clearRequests();
    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), expected);
}

// A loaded file's seams differ from the devices'. The feather mode's re-read brings the devices' old
// seams into the model before the seams go out; the file's must still be what is sent, on both devices.
void PushTest::seamsGoOutAsTheModelHeldThemBeforeTheReRead() {
    const SimOptions sim = controller();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, true, 6, {1, 5});
    const quint8 first[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const quint8 fifth[8] = {90, 80, 70, 60, 50, 40, 30, 20};
    rig.form->model().editOutput(1, 1, [&](OutputInfo &r) { std::memcpy(r.SeamGain, first, 8); });
    rig.form->model().editOutput(2, 1, [&](OutputInfo &r) { std::memcpy(r.SeamGain, fifth, 8); });
    rig.form->model().editOutput(2, 1, [&](OutputInfo &r) { r.SeamBridge = 1; });

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    const SimOutputChannel one = rig.com1->device(1).outputs[0];
    const SimOutputChannel five = rig.com1->device(2).outputs[0];
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(one.seamGain.data()), 8),
             QByteArray(reinterpret_cast<const char *>(first), 8));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(five.seamGain.data()), 8),
             QByteArray(reinterpret_cast<const char *>(fifth), 8));
    QCOMPARE(int(five.seamBridge), 1);
}

void PushTest::valueThatDoesNotConvertEndsThePass_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lastSent");
    QTest::newRow("empty overlap") << "OWidthEdit"
                                   << ""
                                   << "57600 *6PRJ 1 6";
    QTest::newRow("device 1 black level") << "Black3Edit"
                                          << "x"
                                          << "57600 *5BLKGN 2 0";
    // Device 2's values are taken before the feather mode, but a bad one stops the pass where it is sent.
    QTest::newRow("device 2 black level") << "Black6Edit"
                                          << "1x"
                                          << "57600 *6BLKGN 1 0";
    QTest::newRow("basic gamma") << "BasicGammaEdit"
                                 << "-"
                                 << "57600 *6DDBL 0";
}

void PushTest::valueThatDoesNotConvertEndsThePass() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, lastSent);
    const SimOptions sim = controller();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, true, 6);
    edit(rig, field)->setText(text);

    rig.trigger("SendCurrentSettingstoKestrixs1");
    const QStringList full = twoDevicePush(6);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), full.mid(0, full.indexOf(lastSent) + 1));
    QCOMPARE(rig.host.messages(), QStringList{SettingsPush::invalidValueMessage()});
    QCOMPARE(rig.form->state().CommandBusy, 0);
    QVERIFY(!rig.host.progressVisible);
}

void PushTest::modelPushSendsWhatTheWindowSends_data() {
    QTest::addColumn<bool>("twoDevices");
    QTest::addColumn<int>("n");
    QTest::addColumn<QList<int>>("locked");
    QTest::newRow("two devices, 8") << true << 8 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("two devices, 6, some locked") << true << 6 << QList<int>{2, 5};
    QTest::newRow("direct, 4, some locked") << false << 4 << QList<int>{2, 4};
}

// The same devices read into two windows: one pushes what its pages show, the other pushes from the
// model it read. Both must put the same requests on the wire, in the same order.
void PushTest::modelPushSendsWhatTheWindowSends() {
    QFETCH(bool, twoDevices);
    QFETCH(int, n);
    QFETCH(QList<int>, locked);
    const SimOptions sim = twoDevices ? controller() : direct();

    QStringList windowLines;
    {
        LinkRig window(&sim, nullptr);
        varyDevices(*window.com1);
        connectWithWall(window, twoDevices, n, locked);
        window.trigger("SendCurrentSettingstoKestrixs1");
        QVERIFY2(window.clean(), qPrintable(window.problems()));
        QCOMPARE(window.host.messages(), QStringList{});
        windowLines = withoutProbes(LinkRig::wire(*window.com1));
    }

    LinkRig model(&sim, nullptr);
    varyDevices(*model.com1);
    connectWithWall(model, twoDevices, n, locked);
    ModelPushValues values(model.form->model(), model.form->commands(), model.host);
    SettingsPush push(model.form->commands(), model.form->model(), model.host, [] { return true; });
    QCOMPARE(push.run(values, &values, &values), SettingsPush::Result::Sent);
    QVERIFY2(model.clean(), qPrintable(model.problems()));
    QCOMPARE(model.host.messages(), QStringList{});
    const QStringList modelLines = withoutProbes(LinkRig::wire(*model.com1));

    QCOMPARE(modelLines, gainsOnce(windowLines));
    // The devices' own values went out, not defaults: device 1's second screen, its right edge.
    const QString to = twoDevices ? "57600 *5" : "38400 ";
    QVERIFY(modelLines.contains(to + "PEFT 2 R 0  2.6 71 201"));
    QVERIFY(modelLines.contains(to + "MANSEAM 2 -4 1 11 21 31 41 51 61 71"));
}

// Device 2 refuses its display layout for good. The user lets the window try three more times, then
// stops it: the pass ends there with nothing more sent, and the link is ended as for a line that failed.
void PushTest::unacknowledgedCommandEndsThePassAndTheLink() {
    const SimOptions sim = controller();
    LinkRig rig(&sim, nullptr);
    connectWithWall(rig, true, 6);
    rig.com1->injectFault(SimFault::ControllerReject, 1000, 0, "*6DISP");
    const QString asked =
        "Kestrix 2 (RS-485 ID 6) has not acknowledged the command *6DISP 0 256! in %1 attempts.";
    rig.host.expectYesNo(true, asked.arg(3));
    rig.host.expectYesNo(false, asked.arg(6));

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // Refused frames are logged raw only: the Controller turned them away before any device saw them.
    QStringList sent;
    for (const SimRequest &r : rig.com1->requests())
        if (r.raw.startsWith("PASS ")) sent << QString::fromLatin1(r.raw.mid(5, r.raw.indexOf('!') - 5));
    QCOMPARE(sent, QStringList({"*5PRJ 0 6", "*6PRJ 1 6", "*5DISP 0 256", "*6DISP 0 256", "*6DISP 0 256",
                                "*6DISP 0 256", "*6DISP 0 256", "*6DISP 0 256", "*6DISP 0 256"}));
    QCOMPARE(rig.host.messages(), QStringList{});
    QVERIFY(!rig.host.progressVisible);
    QCOMPARE(rig.host.progressTexts.size(), 2);
    QCOMPARE(rig.form->state().CommandBusy, 0);
    // Disconnected: the port closed, the device menus off, the pages told there is no link.
    QVERIFY(!rig.form->engine().LinkActive());
    QVERIFY(!rig.form->port().isOpen());
    QVERIFY(!rig.form->menu().action("ReadfromKestrixs1")->isEnabled());
    QVERIFY(!rig.form->menu().action("SendCurrentSettingstoKestrixs1")->isEnabled());
    QCOMPARE(rig.host.statusTexts.last(), QString("Note: No Kestrix communication established yet."));
}

void PushTest::readThenPushChangesNothing_data() {
    QTest::addColumn<bool>("twoDevices");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("device1OutputForm");
    QTest::newRow("two devices, 7, device 1 long") << true << 7 << 0x42;
    QTest::newRow("two devices, 7, device 1 short") << true << 7 << 0x3F;
    QTest::newRow("direct, 4, long") << false << 4 << 0x42;
    QTest::newRow("direct, 4, short") << false << 4 << 0x3F;
}

// The window shown with its planned wall of three projectors reads the devices on connecting and sends
// the settings back untouched: not one device value may change. Then the same from a file: the window
// saves what it read, opens another wall, opens the saved one again and sends it.
void PushTest::readThenPushChangesNothing() {
    QFETCH(bool, twoDevices);
    QFETCH(int, n);
    QFETCH(int, device1OutputForm);
    const SimOptions sim = twoDevices ? controller() : direct();
    LinkRig rig(&sim, nullptr);
    differingWall(*rig.com1, n, quint8(device1OutputForm));
    rig.showOffline();
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);
    rig.host.expectYesNo(true, twoDevices ? "Serial communication established with Controller."
                                          : "Serial communication established.");
    rig.trigger(twoDevices ? "KestrixconnectedthruController1" : "KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().DeviceCount, twoDevices ? 2 : 1);
    // Every page offers the wall's screens, and no more.
    for (const char *group : {"SourceScreenSelectRadioGroup", "SeamScreenSelectRadioGroup"}) {
        QVERIFY(rig.form->findChild<QRadioButton *>(QStringLiteral("%1Item%2").arg(group).arg(n)));
        QVERIFY(!rig.form->findChild<QRadioButton *>(QStringLiteral("%1Item%2").arg(group).arg(n + 1)));
    }
    pushChangesNothing(rig, twoDevices ? 2 : 1, n);
    if (QTest::currentTestFailed()) return;

    QTemporaryDir dir;
    const QString wall = dir.filePath("wall.kxc");
    const QString other = dir.filePath("other.kxc");
    rig.form->configFiles().setSaveDialog([wall] { return wall; });
    rig.trigger("SaveConfigurationtoFile1");
    // Another wall: three projectors, every other setting zero but the gammas of device 1's first output
    // (a gamma of 0 is no value a file may hold).
    QByteArray three(ConfigFile::FileSize, '\0');
    three[933] = 3;
    three[935] = 1;
    const qint32 overlap = 200;
    std::memcpy(three.data() + 936, &overlap, sizeof overlap);
    const float gamma = 2.2f;
    for (int at : {940, 948, 956}) // BasicGamma, LeftGamma, RightGamma of device 1, channel 1
        std::memcpy(three.data() + at, &gamma, sizeof gamma);
    QFile file(other);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(three), three.size());
    file.close();
    for (const QString &path : {other, wall}) {
        rig.host.entries.clear();
        rig.form->configFiles().setOpenDialog([path] { return path; });
        rig.trigger("OpenConfigurationFile1");
        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        QCOMPARE(rig.host.messages().last(),
                 QString("File open successful. Lumivane updated with settings from file."));
    }
    QVERIFY(rig.form->findChild<QRadioButton *>(QStringLiteral("SeamScreenSelectRadioGroupItem%1").arg(n)));
    pushChangesNothing(rig, twoDevices ? 2 : 1, n);
}

QTEST_MAIN(PushTest)
#include "tst_push.moc"
