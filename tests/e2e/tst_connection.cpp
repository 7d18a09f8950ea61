// SPDX-License-Identifier: GPL-3.0-or-later
// Connecting and reading the devices through the real window: searches on COM1 and COM2 in both link
// modes, the Controller's device count, the read of one or two devices, and what goes over the wire.
#include "CommandEngine.h"
#include "ConfigFile.h"
#include "ConnectionController.h"
#include "DeviceModel.h"
#include "InformationPage.h"
#include "LinkRig.h"
#include "PlanningPage.h"
#include "TApdComPort.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

namespace {

SimOptions direct() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    return o;
}

SimOptions controller(QList<int> ids) {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = ids;
    o.onlyAtModeBaud = true;
    return o;
}

// The eight records and the system record of one device, as the direct line carries them.
QStringList directRead(int baud) {
    QStringList lines{QStringLiteral("%1 SYINFOKX").arg(baud)};
    for (int c = 1; c <= 4; ++c)
        lines.append(QStringLiteral("%1 IINFOKX %2").arg(baud).arg(c));
    for (int c = 1; c <= 4; ++c)
        lines.append(QStringLiteral("%1 OINFOKX %2").arg(baud).arg(c));
    return lines;
}

QStringList controllerRead(int id) {
    QStringList lines{QStringLiteral("57600 *%1SYINFOKX").arg(id)};
    for (int c = 1; c <= 4; ++c)
        lines.append(QStringLiteral("57600 *%1IINFOKX %2").arg(id).arg(c));
    for (int c = 1; c <= 4; ++c)
        lines.append(QStringLiteral("57600 *%1OINFOKX %2").arg(id).arg(c));
    return lines;
}

QStringList withoutProbes(QStringList lines) {
    lines.removeIf([](const QString &l) { return l.endsWith(" CR"); });
    return lines;
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void directDeviceOnCom1();
    void directDeviceOnlyOnCom2();
    void controllerFoundOnSecondPass();
    void fixedRateThenSearch();
    void controllerCountAnswers_data();
    void controllerCountAnswers();
    void countOfThreeReadsDeviceOne();
    void noOnOutputQuestionGivesMinusEight();
    void controllerActionReadsTwoDevices();
    void firstShowYesFindsControllerAndReads();
    void disconnectAndRefusedParity();
    void directActionWithFiveProjectors();
    void controllerCountTooSmallForFiveProjectors();
    void closeDuringReadEndsCleanly();
    void lineLostWhileConnected();
    void lineLostDuringRead_data();
    void lineLostDuringRead();
    void inputFormatWarning_data();
    void inputFormatWarning();
    void secondDeviceFails();
    void planningTakeOver_data();
    void planningTakeOver();
};

void ConnectionTest::directDeviceOnCom1() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.host.statusTexts.contains("Established communication with Kestrix on Com 1"));
    QCOMPARE(rig.labelText("ComNumberLabel"), QString("1"));
    QCOMPARE(rig.labelText("ComPathLabel"), rig.com1->slavePath());
    QVERIFY(rig.form->engine().LinkActive());
    QVERIFY(rig.form->findChild<QAction *>("ReadfromKestrixs1")->isEnabled());
    QVERIFY(rig.form->findChild<QAction *>("SendCurrentSettingstoKestrixs1")->isEnabled());
    QCOMPARE(rig.labelText("NumOfKestrixDetectedLabel"), QString("1"));
    QCOMPARE(rig.labelText("Version1Label"), QString("2.17a"));
    QCOMPARE(rig.form->state().ModelFromDevices, 1);
    QCOMPARE(rig.form->state().CommandBusy, 0);

    // The probe, then the nine records, all at the direct rate.
    QStringList wire = LinkRig::wire(*rig.com1);
    QCOMPARE(wire.first(), QString("38400 CR"));
    QCOMPARE(withoutProbes(wire), directRead(38400));
    // The model holds what the device reported (its default layout: 4 projectors, 256 overlap).
    QCOMPARE(int(rig.form->model().output(1, 1).TotalProjectors), 4);
    QCOMPARE(rig.form->model().output(1, 4).OverlapWidth, 256);
    QCOMPARE(rig.form->model().input(1, 3).HActive, 1024);
}

void ConnectionTest::directDeviceOnlyOnCom2() {
    const SimOptions sim = direct();
    LinkRig rig(nullptr, &sim);
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.form->engine().LinkActive());
    QCOMPARE(rig.form->port().ComNumber(), 2);
    // Found on COM2: the search leaves the status text alone, but the page shows the port really in
    // use (left at "None", it would say there is no port while the link runs on COM2).
    QVERIFY(!rig.host.statusTexts.join('|').contains("Established communication"));
    QCOMPARE(rig.labelText("ComNumberLabel"), QString("2"));
    QCOMPARE(rig.labelText("ComPathLabel"), rig.com2->slavePath());
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com2)), directRead(38400));
}

void ConnectionTest::controllerFoundOnSecondPass() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.form->engine().LinkActive());
    QVERIFY(rig.form->findChild<QCheckBox *>("RS485CheckBox")->isChecked());
    QCOMPARE(rig.form->engine().ackChar(), '>');
    QVERIFY(rig.form->findChild<QAction *>("Defaultvalues1")->isChecked());
    QCOMPARE(rig.form->port().Baud(), 57600);

    // The direct pass at 38400 went unanswered (its probes never reached a request the Controller
    // acts on at that rate); the Controller pass runs at 57600 and takes it out of its debug prompt
    // before the count and the read.
    const QStringList wire = LinkRig::wire(*rig.com1);
    QStringList expected{"57600 debug 0", "57600 NKX"};
    expected += controllerRead(5);
    expected += controllerRead(6);
    QCOMPARE(withoutProbes(wire).filter(QRegularExpression("^57600")), expected);
    // Before that, only the direct pass's two probes of COM1 went out, at the direct rate (a Controller
    // at its own rate does not take them up).
    const QList<SimRequest> requests = rig.com1->requests();
    QVERIFY(requests.size() >= 3);
    for (int i : {0, 1}) {
        QCOMPARE(requests[i].raw, QByteArray("\r"));
        QCOMPARE(requests[i].baud, 38400);
    }
    QCOMPARE(requests[2].baud, 57600);
    QCOMPARE(rig.labelText("NumOfKestrixDetectedLabel"), QString("2"));
}

void ConnectionTest::fixedRateThenSearch() {
    SimOptions sim = controller({5});
    sim.onlyAtModeBaud = false; // a Controller that answers at any rate
    LinkRig rig(&sim, nullptr);
    rig.trigger("N9600");
    QVERIFY(rig.form->findChild<QAction *>("N9600")->isChecked());
    QVERIFY(!rig.form->findChild<QAction *>("Defaultvalues1")->isChecked());
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.form->engine().LinkActive());
    // Each mode change applied the rate the Baud box shows, which stays at its start item with
    // "Default values" off: both passes at 38400.
    const QStringList wire = LinkRig::wire(*rig.com1);
    QVERIFY(!wire.isEmpty());
    for (const QString &line : wire)
        QVERIFY2(line.startsWith("38400 "), qPrintable(line));
    QVERIFY(wire.contains("38400 debug 0"));
}

void ConnectionTest::controllerCountAnswers_data() {
    QTest::addColumn<QByteArray>("nkx");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("id1Visible");
    QTest::addColumn<QString>("id1");
    QTest::addColumn<bool>("id2Visible");
    QTest::addColumn<QString>("id2");
    QTest::newRow("no devices") << QByteArray("0") << 0 << false << "1" << false << "2";
    QTest::newRow("one device, ID 7") << QByteArray("1 7") << 1 << true << "7" << false << "2";
    QTest::newRow("noise before the numbers") << QByteArray("KX: 2 5 6") << 2 << true << "5" << true << "6";
    // Two counted, one ID given: the second device keeps the ID it is addressed with, and shows it.
    QTest::newRow("two devices, one ID") << QByteArray("2 5") << 2 << true << "5" << true << "2";
}

void ConnectionTest::controllerCountAnswers() {
    QFETCH(QByteArray, nkx);
    QFETCH(int, count);
    QFETCH(bool, id1Visible);
    QFETCH(QString, id1);
    QFETCH(bool, id2Visible);
    QFETCH(QString, id2);
    SimOptions sim = controller({7});
    sim.nkxText = nkx;
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(false, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    QVERIFY(rig.form->engine().LinkActive());

    QCOMPARE(rig.form->connection().QueryKestrixCount(), count);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    auto *info = rig.form->informationPage();
    const auto *edit1 = rig.find<QLineEdit>("KestrixID1Edit");
    const auto *edit2 = rig.find<QLineEdit>("KestrixID2Edit");
    QCOMPARE(edit1->isVisibleTo(info), id1Visible);
    QCOMPARE(edit1->text(), id1);
    QCOMPARE(edit2->isVisibleTo(info), id2Visible);
    QCOMPARE(edit2->text(), id2);
    // What is shown is what the commands will carry.
    QCOMPARE(QString::number(rig.form->state().DeviceIds[1]), id1);
    QCOMPARE(QString::number(rig.form->state().DeviceIds[2]), id2);
    QCOMPARE(rig.host.messages(),
             count == 0 ? QStringList{"No Kestrix(s) connected to Controllers. Check cables and try again."}
                        : QStringList{});
}

void ConnectionTest::countOfThreeReadsDeviceOne() {
    SimOptions sim = controller({5, 6});
    sim.nkxText = "3 5 6 7";
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(true, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().DeviceCount, 3);
    QCOMPARE(rig.labelText("NumOfKestrixDetectedLabel"), QString("3"));
    const QStringList wire = withoutProbes(LinkRig::wire(*rig.com1));
    QCOMPARE(wire.filter("*6").size(), 0);
    QCOMPARE(wire.filter("*5").size(), 9);
}

void ConnectionTest::noOnOutputQuestionGivesMinusEight() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    // Output channel 3 answers without its record marker, every time it is asked.
    rig.com1->injectFault(SimFault::NoMarker, 1000, 0, "OINFOKX 3");
    rig.host.expectYesNo(false, "Lumivane unable to read Output Status on Screen 3.");
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.entries.last().caption, QString("QLN - Lumivane"));
    QCOMPARE(rig.host.messages().last(),
             QString("Kestrix communication error! Please check Serial connections and try again (-8)"));
    const ScriptedHost::Entry &question = rig.host.entries.at(rig.host.entries.size() - 2);
    QCOMPARE(question.caption, QString("QLN - Lumivane :Error reading from Kestrix(s)"));
    QCOMPARE(question.text,
             QString("Lumivane unable to read Output Status on Screen 3. Do you still wish to continue? "
                     "Click Yes to continue (NOTE: Lumivane settings on Screen 3 will be invalid)"));
    QVERIFY(!rig.host.progressVisible);
    QCOMPARE(rig.host.statusTexts.last(), QString());
}

void ConnectionTest::controllerActionReadsTwoDevices() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    SimDevice second = rig.com1->device(2);
    second.outputs[2].blackLevel = 77;
    second.inputs[0].hActive = 800;
    rig.com1->setDevice(2, second);

    rig.host.expectYesNo(true, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->state().DeviceCount, 2);
    QCOMPARE(rig.form->state().DeviceIds[1], 5);
    QCOMPARE(rig.form->state().DeviceIds[2], 6);
    QCOMPARE(int(rig.form->model().output(2, 3).BlackLevel), 77);
    QCOMPARE(rig.form->model().input(2, 1).HActive, 800);
    QStringList expected{"57600 debug 0", "57600 NKX"};
    expected += controllerRead(5);
    expected += controllerRead(6);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), expected);
    // The progress notice went through its dots and was hidden again.
    QVERIFY(!rig.host.progressVisible);
    QCOMPARE(rig.host.progressTexts.size(), 2);
    QCOMPARE(rig.host.progressSuffix, QString("...."));
}

void ConnectionTest::firstShowYesFindsControllerAndReads() {
    SimOptions sim = controller({6, 7});
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(true, "Lumivane requires connection to Kestrix(s) to function.");
    rig.form->show();
    QTRY_VERIFY_WITH_TIMEOUT(rig.form->state().ModelFromDevices == 1, 20000);
    QTRY_COMPARE(rig.form->state().CommandBusy, 0);

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // The devices report four projectors, left justified: the Planning page (three projectors, centred,
    // from its first calculation) is overwritten.
    QCOMPARE(
        rig.host.messages(),
        QStringList{"Warning. Number of Projectors and Input Material Alignment information read from "
                    "Kestrix(s) does not match current values in the Planning page. \rPlanning page values "
                    "will be overwritten"});
    QCOMPARE(rig.form->state().ProjectorCount, 4.0);
    QCOMPARE(rig.labelText("ComNumberLabel"), QString("1"));
}

void ConnectionTest::disconnectAndRefusedParity() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY(rig.form->port().isOpen());

    // A parity the line refuses is explained and the old one stays; one it accepts moves the check
    // mark. Either way the line stays usable (a pseudo-terminal refuses some parities).
    rig.trigger("ParityEven");
    if (rig.host.messages().isEmpty()) {
        QCOMPARE(rig.form->port().Parity(), QSerialPort::EvenParity);
        QVERIFY(rig.form->findChild<QAction *>("ParityEven")->isChecked());
        QVERIFY(!rig.form->findChild<QAction *>("ParityNone")->isChecked());
        rig.trigger("ParityNone");
    } else {
        QCOMPARE(
            rig.host.messages(),
            QStringList{
                "Error! COM Port #1 does not accept parity Even (Invalid argument). The parity stays None."});
        QVERIFY(!rig.form->findChild<QAction *>("ParityEven")->isChecked());
        rig.host.entries.clear();
    }
    QVERIFY(rig.form->findChild<QAction *>("ParityNone")->isChecked());
    QCOMPARE(rig.form->port().Parity(), QSerialPort::NoParity);
    QVERIFY(rig.form->port().isOpen());
    rig.com1->clearRequests();
    rig.trigger("ReadfromKestrixs1");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), directRead(38400));

    rig.trigger("DisconnectSerialCo1");
    QVERIFY(!rig.form->port().isOpen());
    QVERIFY(!rig.form->engine().LinkActive());
    QVERIFY(!rig.form->findChild<QAction *>("ReadfromKestrixs1")->isEnabled());
    QVERIFY(!rig.form->findChild<QAction *>("SendCurrentSettingstoKestrixs1")->isEnabled());
    QCOMPARE(rig.form->state().ModelFromDevices, 0);
    QCOMPARE(rig.host.statusTexts.last(), QString("Note: No Kestrix communication established yet."));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

void ConnectionTest::directActionWithFiveProjectors() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.form->state().ProjectorCount = 5;
    rig.host.expectYesNo(false,
                         "Kestrix total # of projectors settings indicate that 2 Kestrixs are required.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.entries.first().caption,
             QString("QLN - Lumivane :Establish COM port communication with Kestrix(s)"));
    QVERIFY(rig.host.messages().first().startsWith(
        "For Lumivane to control 2 Kestrixs:\n1)Connect PC's COM Port"));
    QVERIFY(!rig.form->port().isOpen());
    QVERIFY(!rig.form->engine().LinkActive());
    QVERIFY(!rig.form->findChild<QAction *>("ReadfromKestrixs1")->isEnabled());
}

void ConnectionTest::controllerCountTooSmallForFiveProjectors() {
    const SimOptions sim = controller({5});
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(false, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    rig.find<QComboBox>("NumOfScreenComboBox")->setCurrentIndex(4);
    rig.com1->clearRequests();

    QVERIFY(!rig.form->connection().CheckKestrixCount());
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // Asked twice, a pause apart, then told why one device is not enough.
    const QList<SimRequest> requests = rig.com1->requests();
    QCOMPARE(LinkRig::wire(*rig.com1), (QStringList{"57600 NKX", "57600 NKX"}));
    QVERIFY(requests[1].atMs - requests[0].atMs >= 100); // the 1000 ms pause, scaled by the rig
    QVERIFY(rig.host.messages().last().startsWith(
        "Error! Increasing the # of Projectors to exceed 4 will require using 2 Kestrixs.\n\nFor Lumivane"));
}

void ConnectionTest::closeDuringReadEndsCleanly() {
    const SimOptions sim = controller({5});
    LinkRig rig(&sim, nullptr, 1.0); // real timings: the watchdog would wait 8 s
    rig.host.expectYesNo(false, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    QVERIFY(rig.form->engine().LinkActive());

    // The second input record never comes; the user closes the window while the read waits for it.
    rig.com1->injectFault(SimFault::Silence, 1, 0, "IINFOKX 2");
    rig.com1->setRequestObserver([&](const SimRequest &r) {
        if (r.raw.contains("IINFOKX 2"))
            QMetaObject::invokeMethod(
                rig.form.get(), [&] { rig.form->close(); }, Qt::QueuedConnection);
    });
    rig.host.expectYesNo(true, "Are you sure you want to exit this application?");
    QElapsedTimer clock;
    clock.start();
    rig.trigger("ReadfromKestrixs1");
    QTRY_COMPARE_WITH_TIMEOUT(rig.quits, 1, 5000);

    // The wait ended at once, without the time-out message or the read's question; the port is closed.
    QVERIFY(clock.elapsed() < 4000);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(), QStringList{});
    QVERIFY(!rig.form->port().isOpen());
    QVERIFY(!rig.form->isVisible());
    QVERIFY(!rig.host.progressVisible);
    rig.com1->setRequestObserver({});
}

void ConnectionTest::lineLostWhileConnected() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.trigger("SearchAll");
    QVERIFY(rig.form->engine().LinkActive());

    rig.com1->stop(); // the far end of the line disappears, as when a USB adapter is pulled out
    QTRY_VERIFY(!rig.form->port().isOpen());
    QTRY_VERIFY(!rig.form->engine().LinkActive());
    QVERIFY(!rig.form->findChild<QAction *>("ReadfromKestrixs1")->isEnabled());
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY2(rig.host.messages().first().startsWith("Error! COM Port #1 has stopped working ("),
             qPrintable(rig.host.messages().first()));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

void ConnectionTest::lineLostDuringRead_data() {
    QTest::addColumn<bool>("controllerMode");
    QTest::addColumn<QByteArray>("lostAt");
    QTest::newRow("direct") << false << QByteArray("IINFOKX 2");
    QTest::newRow("controller") << true << QByteArray("*5IINFOKX 4");
}

// The far end vanishes in the middle of a read: the line-lost message, and nothing more. No question
// for the records that can no longer come, no warning built on them, and neither the model nor the
// Planning page takes anything from a record that never arrived.
void ConnectionTest::lineLostDuringRead() {
    QFETCH(bool, controllerMode);
    QFETCH(QByteArray, lostAt);
    const SimOptions sim = controllerMode ? controller({5, 6}) : direct();
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(false, "Serial communication established");
    rig.trigger(controllerMode ? "KestrixconnectedthruController1" : "KestrixconnectedtoSerialPortdirectly1");
    QVERIFY(rig.form->engine().LinkActive());

    // The output records of both devices, as the file stores them.
    auto outputs = [&rig] { return rig.form->model().image().mid(ConfigFile::outputRecordOffset(1, 0)); };
    const QByteArray outputsBefore = outputs();
    const QString overlapBefore = rig.find<QLineEdit>("OWidthPlanningEdit")->text();
    rig.com1->injectFault(SimFault::Silence, 1, 0, lostAt);
    rig.com1->setRequestObserver([&](const SimRequest &r) {
        if (r.raw.contains(lostAt))
            QMetaObject::invokeMethod(
                rig.form.get(), [&] { rig.com1->stop(); }, Qt::QueuedConnection);
    });
    rig.trigger("ReadfromKestrixs1");
    QTRY_VERIFY(!rig.form->engine().LinkActive());
    rig.com1->setRequestObserver({});

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY2(rig.host.messages().first().startsWith("Error! COM Port #1 has stopped working ("),
             qPrintable(rig.host.messages().join('\n')));
    QCOMPARE(outputs(), outputsBefore);
    QCOMPARE(rig.find<QLineEdit>("OWidthPlanningEdit")->text(), overlapBefore);
    QCOMPARE(rig.form->state().ModelFromDevices, 0);
    QVERIFY(!rig.host.progressVisible);
    QVERIFY(!rig.host.busyCursor);
}

void ConnectionTest::inputFormatWarning_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("hActive");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("defaultWidth");
    QTest::newRow("1024x768 measuring 1024") << 2 << 1024 << false << 1024;
    QTest::newRow("1024x768 measuring 1280") << 2 << 1280 << true << 1024;
    QTest::newRow("640x480 measuring 800") << 0 << 800 << true << 640;
    QTest::newRow("unknown format 5") << 5 << 1280 << false << 1280;
}

void ConnectionTest::inputFormatWarning() {
    QFETCH(int, format);
    QFETCH(int, hActive);
    QFETCH(bool, warned);
    QFETCH(int, defaultWidth);
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    SimDevice device = rig.com1->device(1);
    device.outputs[0].outputFormat = quint8(format);
    device.inputs[0].hActive = hActive;
    rig.com1->setDevice(1, device);
    rig.trigger("SearchAll");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(),
             warned ? QStringList{"Warning: Current Output Format and Input Format does not match "
                                  "(no valid input video?). Lumivane may not function properly."}
                    : QStringList{});
    QCOMPARE(rig.form->state().DefaultSourceWidth, defaultWidth);
    QCOMPARE(rig.form->state().ModelFromDevices, 1);
}

void ConnectionTest::secondDeviceFails() {
    const SimOptions sim = controller({5, 6});
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(false, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    // Device 2 never answers its system record (the Controller gets no response from it).
    rig.com1->injectFault(SimFault::ControllerError, 1, '4', "*6SYINFOKX");
    rig.trigger("ReadfromKestrixs1");

    QVERIFY2(rig.host.unexpected.isEmpty(), qPrintable(rig.problems()));
    QCOMPARE(
        rig.host.messages(),
        (QStringList{"Error! Controller did not get response from Kestrix(s). Please check connections and "
                     "Kestrix(s) Serial Mode settings.",
                     "Kestrix 2 communication error! Please check Serial connections and try again (-1)"}));
    // Device 1 was read and kept; the read did not finish, so the pages were not refreshed from it.
    QCOMPARE(rig.form->state().ModelFromDevices, 1);
    QCOMPARE(rig.host.statusTexts.last(), QString());
    QVERIFY(!rig.host.busyCursor);
}

void ConnectionTest::planningTakeOver_data() {
    QTest::addColumn<int>("pageProjectors");
    QTest::addColumn<int>("pageAlign");
    QTest::addColumn<QString>("warning");
    const QString ending =
        " read from Kestrix(s) does not match current values in the Planning page. \rPlanning "
        "page values will be overwritten";
    // The simulated devices report 4 projectors, left justified (0).
    QTest::newRow("both differ") << 1 << 1
                                 << "Warning. Number of Projectors and Input Material Alignment information" +
                                        ending;
    QTest::newRow("alignment differs") << 4 << 1 << "Warning. Input Material Alignment information" + ending;
    QTest::newRow("count differs") << 2 << 0 << "Warning. Number of Projectors information" + ending;
    QTest::newRow("both match") << 4 << 0 << QString();
}

void ConnectionTest::planningTakeOver() {
    QFETCH(int, pageProjectors);
    QFETCH(int, pageAlign);
    QFETCH(QString, warning);
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.host.expectYesNo(false, "Lumivane requires connection to Kestrix(s) to function.");
    rig.form->show();
    QTRY_COMPARE(rig.host.messages().size(), 1); // the offline note
    rig.host.entries.clear();
    auto *projectors = rig.find<QComboBox>("NumOfScreenComboBox");
    auto *align = rig.find<QComboBox>("ImageAlignComboBox");
    projectors->setCurrentIndex(pageProjectors - 1);
    align->setCurrentIndex(pageAlign);

    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(), warning.isEmpty() ? QStringList{} : QStringList{warning});
    // The page takes the devices' layout whether or not it warned.
    QCOMPARE(projectors->currentIndex(), 3);
    QCOMPARE(align->currentIndex(), 0);
    QCOMPARE(rig.find<QLineEdit>("OWidthPlanningEdit")->text(), QString("256"));
    QCOMPARE(rig.form->state().ProjectorCount, 4.0);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
