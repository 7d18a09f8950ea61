// "Send Current Settings" through the real window on the simulator: what reaches each device and in
// which order, device 2's outputs as the page showed them before the feather mode re-read, the progress
// notice, and a field that does not convert ending the pass.
#include "LinkRig.h"
#include "ModelTables.h"
#include "SettingsPush.h"

#include <QComboBox>
#include <QLineEdit>

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
void connectWithWall(LinkRig &rig, bool controllerMode, int n) {
    for (int d = 1; d <= (controllerMode ? 2 : 1); ++d) {
        SimDevice device = rig.com1->device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = quint8(n);
        rig.com1->setDevice(d, device);
    }
    rig.host.expectYesNo(true, controllerMode ? "Serial communication established with Controller."
                                              : "Serial communication established.");
    rig.trigger(controllerMode ? "KestrixconnectedthruController1" : "KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->findChild<QComboBox *>("NumOfScreenComboBox")->currentIndex(), n - 1);
    rig.host.entries.clear();
    rig.host.progressTexts.clear();
    rig.com1->clearRequests();
}

// The whole pass to two devices behind the Controller for six projectors, in order: the layout to
// both, device 1's outputs, the system settings to both with the feather mode's re-read, device 2's
// outputs.
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
          << "*5HALO 2 L 0 0"
          << "*5HALO 3 L 0 0"
          << "*5HALO 4 L 0 0"
          << "*5HALO 1 R 0 0"
          << "*5HALO 2 R 0 0"
          << "*5HALO 3 R 0 0"
          << "*5HALO 4 R 0 0"
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
          << "*6HALO 1 L 0 0"
          << "*6HALO 2 L 0 0"
          << "*6HALO 3 L 0 0"
          << "*6HALO 4 L 0 0"
          << "*6HALO 1 R 0 0"
          << "*6HALO 2 R 0 0"
          << "*6HALO 3 R 0 0"
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

} // namespace

class PushTest : public QObject {
    Q_OBJECT
private slots:
    void pushesWhatThePagesShow_data();
    void pushesWhatThePagesShow();
    void deviceTwoGetsWhatThePageShowedBeforeTheReRead();
    void valueThatDoesNotConvertEndsThePass_data();
    void valueThatDoesNotConvertEndsThePass();
};

void PushTest::pushesWhatThePagesShow_data() {
    QTest::addColumn<bool>("twoDevices");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("steps");
    QTest::newRow("direct, 1") << false << 1 << 6;
    QTest::newRow("direct, 4") << false << 4 << 6;
    QTest::newRow("two devices, 1") << true << 1 << 7;
    QTest::newRow("two devices, 4") << true << 4 << 7;
    QTest::newRow("two devices, 6") << true << 6 << 7;
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
                 .arg(twoDevices ? "Kestrix 2 outputs" : "edge feathering mode"));
    QCOMPARE(rig.host.progressSuffix, QString("%1 of %1").arg(steps));
    QVERIFY(!rig.host.progressVisible);
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
    rig.form->state().Refreshing = false;

    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QStringList expected = twoDevicePush(6);
    expected.replace(expected.indexOf("57600 *6BLKGN 2 0"), "57600 *6BLKGN 2 17");
    expected.replace(expected.indexOf("57600 *6OTPMKX 3 0 0 0"), "57600 *6OTPMKX 3 3 0 0");
    expected.replace(expected.indexOf("57600 *6HALO 1 L 0 0"), "57600 *6HALO 1 L 12 0");
    expected.replace(expected.indexOf("57600 *6PEFT 4 L 0  2.2 0 0"), "57600 *6PEFT 4 L 0  1.8 0 0");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), expected);
    QCOMPARE(int(rig.com1->device(2).outputs[1].blackLevel), 17);
    QCOMPARE(edit(rig, "Black6Edit")->text(), QString("17"));
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

QTEST_MAIN(PushTest)
#include "tst_push.moc"
