// SPDX-License-Identifier: GPL-3.0-or-later
// The read behind Compare with Kestrix(s), on the simulator: how many devices it compares, and which
// device and record a failed read names.
#include "CompareFlow.h"
#include "ProtocolRig.h"

#include <QTest>

class tst_compareflow : public QObject {
    Q_OBJECT
private slots:
    void devicesCompared_data();
    void devicesCompared();
    void failedReadNamesItsRecord_data();
    void failedReadNamesItsRecord();
};

void tst_compareflow::devicesCompared_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<int>("devices");
    QTest::newRow("direct") << false << QList<int>{1} << 1;
    QTest::newRow("Controller, one device") << true << QList<int>{5} << 1;
    QTest::newRow("Controller, two devices") << true << QList<int>{5, 6} << 2;
}

// What was just read is what the devices hold: nothing differs, and every device counted was read.
void tst_compareflow::devicesCompared() {
    QFETCH(bool, controller);
    QFETCH(QList<int>, ids);
    QFETCH(int, devices);
    ProtocolRig::Setup setup;
    setup.controller = controller;
    setup.ids = ids;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= devices; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    rig.sim.clearRequests();
    DeviceModel read;
    const CompareFlow::Outcome outcome = CompareFlow(*rig.engine, rig.host, rig.model).compare(read);
    QVERIFY2(outcome.read, qPrintable(outcome.failure));
    QCOMPARE(outcome.devices, devices);
    QCOMPARE(outcome.rows.size(), 0);
    QSet<int> asked;
    for (const SimRequest &r : rig.sim.requests())
        if (r.kind == SimRequest::Query) asked.insert(r.targetId);
    QCOMPARE(asked.size(), devices);
}

void tst_compareflow::failedReadNamesItsRecord_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QString>("named");
    QTest::newRow("direct, input 4") << false << QByteArray("IINFOKX 4")
                                     << "The Kestrix did not answer the question for the input settings of "
                                        "channel 4 (screen 4).";
    QTest::newRow("direct, output 1") << false << QByteArray("OINFOKX 1")
                                      << "The Kestrix did not answer the question for the output settings "
                                         "of channel 1 (screen 1).";
    QTest::newRow("device 1, input 1") << true << QByteArray("*5IINFOKX 1")
                                       << "Kestrix 1 (RS-485 ID 5) did not answer the question for the input "
                                          "settings of channel 1 (screen 1).";
    QTest::newRow("device 2, input 4") << true << QByteArray("*6IINFOKX 4")
                                       << "Kestrix 2 (RS-485 ID 6) did not answer the question for the input "
                                          "settings of channel 4 (screen 8).";
    QTest::newRow("device 2, output 4") << true << QByteArray("*6OINFOKX 4")
                                        << "Kestrix 2 (RS-485 ID 6) did not answer the question for the "
                                           "output settings of channel 4 (screen 8).";
    QTest::newRow("device 2, system") << true << QByteArray("*6SYINFOKX")
                                      << "Kestrix 2 (RS-485 ID 6) did not answer the question for its "
                                         "system record (version).";
}

void tst_compareflow::failedReadNamesItsRecord() {
    QFETCH(bool, controller);
    QFETCH(QByteArray, query);
    QFETCH(QString, named);
    ProtocolRig::Setup setup;
    setup.controller = controller;
    setup.ids = controller ? QList<int>{5, 6} : QList<int>{1};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.sim.injectFault(SimFault::NoMarker, 50, 0, query);
    DeviceModel read;
    const CompareFlow::Outcome outcome = CompareFlow(*rig.engine, rig.host, rig.model).compare(read);
    QVERIFY(!outcome.read);
    QVERIFY(outcome.rows.isEmpty());
    const QString expected =
        QStringLiteral("Lumivane could not compare the settings: ") + named +
        QStringLiteral(" Check the serial connection and that the device is switched on, "
                       "then try again. Nothing was changed, in the window or on the "
                       "devices.");
    QCOMPARE(outcome.failure, expected);
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(!rig.host.progressVisible);
}

QTEST_GUILESS_MAIN(tst_compareflow)
#include "tst_compareflow.moc"
