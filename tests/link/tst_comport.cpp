// SPDX-License-Identifier: GPL-3.0-or-later
#include "Durations.h"
#include "EventPump.h"
#include "PtyPeer.h"
#include "StatusLightController.h"
#include "TApdComPort.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

// The serial port on a real pseudo-terminal: settings, availability, raw waits and the delivery of
// data-available notifications.
class TestComPort : public QObject {
    Q_OBJECT

    static void mapCom1(TApdComPort &port, const PtyPeer &peer) {
        PortMap map;
        map.setPath(1, peer.slavePath());
        map.setPath(2, QStringLiteral("/dev/lumivane-no-such-port"));
        port.setPortMap(map);
        port.SetComNumber(1);
    }

private slots:
    void cleanup() { EventPump::clearAbort(); }

    void startValuesAndClosedPort() {
        TApdComPort port;
        QCOMPARE(port.objectName(), QStringLiteral("ApdComPort1"));
        QCOMPARE(port.ComNumber(), 0);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.Baud(), 38400);
        QCOMPARE(port.Parity(), QSerialPort::NoParity);
        QCOMPARE(port.flowOptions(),
                 TApdComPort::HWFlowOptions(TApdComPort::hwfUseRTS | TApdComPort::hwfRequireCTS));
        QCOMPARE(port.GetOutBuffFree(), 4096);
        QVERIFY(!port.PutString("x"));
        QVERIFY(!port.WaitForString("#", 1, true, false));
        QVERIFY(port.lastWaitFailed());
        QVERIFY(!port.SetOpen(true)); // port 0: nothing chosen
        QVERIFY(!port.isOpen());
    }

    void portMapDefaultsAndOverrides() {
        PortMap map;
        QCOMPARE(map.path(0), QString());
        QCOMPARE(map.path(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(map.path(2), QStringLiteral("/dev/ttyS1"));
        QCommandLineParser parser;
        PortMap::addOptions(parser);
        QVERIFY(parser.parse(
            {QStringLiteral("lumivane"), QStringLiteral("--com2"), QStringLiteral("/dev/ttyUSB0")}));
        map.applyOptions(parser);
        QCOMPARE(map.path(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(map.path(2), QStringLiteral("/dev/ttyUSB0"));
    }

    void availability() {
        PtyPeer peer;
        QVERIFY(peer.isOpen());
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(!port.IsPortAvailable(0));
        QVERIFY(!port.IsPortAvailable(2)); // no such device
        QVERIFY(port.IsPortAvailable(1));
        QVERIFY(!port.isOpen()); // the check never leaves it open

        // Held by another program: reported available, but opening fails and the port stays closed.
        QSerialPort other;
        other.setPortName(peer.slavePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        QVERIFY(port.IsPortAvailable(1));
        QVERIFY(!port.SetOpen(true));
        QVERIFY(!port.isOpen());
        QVERIFY(!port.errorText().isEmpty());
        other.close();
        QVERIFY(port.SetOpen(true));
        QVERIFY(port.IsPortAvailable(1)); // our own open port counts as available
    }

    void settingsOnAnOpenPort() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        QCOMPARE(peer.baud(), 38400);
        QVERIFY(port.SetBaud(57600));
        QCOMPARE(peer.baud(), 57600); // at once, without reopening
        // Some pseudo-terminals refuse parity: then the change is reported and the old parity stays in
        // force. Either way the port stays open and the stored value tells what the line runs with.
        if (port.SetParity(QSerialPort::EvenParity)) {
            QCOMPARE(port.Parity(), QSerialPort::EvenParity);
        } else {
            QCOMPARE(port.Parity(), QSerialPort::NoParity);
            QVERIFY(!port.errorText().isEmpty());
        }
        QVERIFY(port.isOpen());
        QVERIFY(port.SetParity(QSerialPort::NoParity));
        // Flow control is only stored; the line keeps its current setting until the next opening.
        QVERIFY(peer.hardwareFlow());
        port.SetHWFlowOptions({});
        QCOMPARE(port.flowOptions(), TApdComPort::HWFlowOptions());
        QVERIFY(peer.hardwareFlow());
        QVERIFY(port.SetOpen(false));
        QVERIFY(port.SetOpen(true));
        QVERIFY(!peer.hardwareFlow());
        QCOMPARE(peer.baud(), 57600);
    }

    void comNumberReopensAnOpenPort() {
        PtyPeer first, second;
        TApdComPort port;
        PortMap map;
        map.setPath(1, first.slavePath());
        map.setPath(2, second.slavePath());
        port.setPortMap(map);
        port.SetComNumber(1);
        QVERIFY(port.SetOpen(true));
        QSignalSpy openSpy(&port, &TApdComPort::openChanged);
        QVERIFY(port.SetComNumber(2));
        QVERIFY(port.isOpen());
        QCOMPARE(openSpy.count(), 2); // closed, then opened on the new number
        QVERIFY(port.PutString("hello"));
        QVERIFY(EventPump::waitUntil([&] { return second.received == "hello"; }, 2000));
        QVERIFY(first.received.isEmpty());
    }

    void waitForStringConsumesBytes_data() {
        QTest::addColumn<QByteArray>("incoming");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QByteArray>("leftForNotification");
        QTest::newRow("one character")
            << QByteArray("abc#def") << QByteArray("#") << false << QByteArray("def");
        QTest::newRow("restart after a partial match")
            << QByteArray("xLLR>yz") << QByteArray("LR>") << false << QByteArray("yz");
        QTest::newRow("case") << QByteArray("..ok!") << QByteArray("OK") << true << QByteArray("!");
    }

    void waitForStringConsumesBytes() {
        QFETCH(QByteArray, incoming);
        QFETCH(QByteArray, target);
        QFETCH(bool, ignoreCase);
        QFETCH(QByteArray, leftForNotification);
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        QByteArray notified;
        connect(&port, &TApdComPort::OnTriggerAvail, this, [&](int count) {
            QByteArray block(count, '\0');
            QCOMPARE(port.GetBlock(block.data(), count), count);
            notified += block;
        });
        peer.writeLater(incoming, 20);
        QVERIFY(port.WaitForString(target, 40, true, ignoreCase));
        QVERIFY(notified.isEmpty()); // nothing delivered during the raw wait
        QVERIFY(EventPump::waitUntil([&] { return notified.size() >= leftForNotification.size(); }, 2000));
        QCOMPARE(notified, leftForNotification);
    }

    void waitForStringTimesOutAfterItsTicks() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        // Real ticks: 10 ticks of 55 ms end between 550 and 605 ms after the start (the tick in
        // progress counts as started); bytes that never match are consumed meanwhile.
        const Durations waits = Durations::measure(650, [&] {
            peer.writeLater("no ack here", 100);
            return !port.WaitForString("#", 10, true, false) && !port.lastWaitFailed();
        });
        QVERIFY2(waits.within(550, 650), waits.describe());
        QByteArray notified;
        connect(&port, &TApdComPort::OnTriggerAvail, this, [&](int count) { notified.resize(count); });
        EventPump::pause(50);
        QVERIFY(notified.isEmpty());
    }

    void waitForStringWithoutYield() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        port.setTickMs(5);
        QVERIFY(port.SetOpen(true));
        peer.write("..#");
        QVERIFY(port.WaitForString("#", 100, false, false));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!port.WaitForString("#", 10, false, false));
        QVERIFY(clock.elapsed() >= 50);
    }

    // A window closed during a raw wait ends it at once; the wait then reports success so that no
    // recovery dialog follows on the way out.
    void aRawWaitEndsWhenTheProgramCloses() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        QTimer::singleShot(50, [] { EventPump::requestAbort(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.WaitForString("#", 1000, true, false));
        QVERIFY(clock.elapsed() < 1000);
    }

    void aPortFailingDuringARawWaitReturnsFalse() {
        auto peer = std::make_unique<PtyPeer>();
        TApdComPort port;
        mapCom1(port, *peer);
        QVERIFY(port.SetOpen(true));
        QSignalSpy lost(&port, &TApdComPort::lineLost);
        QTimer::singleShot(50, [&] { peer->hangUp(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!port.WaitForString("#", 80, true, false));
        QVERIFY(port.lastWaitFailed());
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(!port.isOpen());
        QVERIFY(lost.wait(1000));
        EventPump::pause(100);
        QCOMPARE(lost.count(), 1); // closed at once: no flood of errors
    }

    void notificationsAreSerialSharedAndThenDropped() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        StatusLightController lights(port);
        lights.SetMonitoring(true);

        int depth = 0, maxDepth = 0, calls = 0;
        QByteArray first, second;
        // The first listener pumps events for a while inside the notification: bytes arriving meanwhile
        // must wait for a later notification, never nest.
        connect(&port, &TApdComPort::OnTriggerAvail, this, [&](int count) {
            maxDepth = std::max(maxDepth, ++depth);
            ++calls;
            QByteArray block(count, '\0');
            port.GetBlock(block.data(), count);
            first += block;
            if (calls == 1) {
                peer.write("second");
                EventPump::pause(100);
            }
            --depth;
        });
        connect(&port, &TApdComPort::OnTriggerAvail, this, [&](int count) {
            QByteArray block(count, '\0');
            port.GetBlock(block.data(), count);
            second += block;
        });
        peer.write("first");
        QVERIFY(EventPump::waitUntil([&] { return first.size() == 11; }, 2000));
        QCOMPARE(first, QByteArray("firstsecond"));
        QCOMPARE(second, first); // every listener read the same bytes
        QCOMPARE(maxDepth, 1);
        QCOMPARE(calls, 2);
        // The bytes are gone once delivered: a raw wait finds nothing of them.
        QVERIFY(!port.WaitForString("second", 2, true, false));
    }

    void statusLights() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        StatusLightController lights(port);
        QCOMPARE(lights.objectName(), QStringLiteral("ApdSLController1"));
        lights.setTickMs(30);
        QSignalSpy changes(&lights, &StatusLightController::lightChanged);

        peer.write("x"); // not monitoring: nothing lights up
        EventPump::pause(50);
        QVERIFY(!lights.isLit(StatusLightController::RXD));

        lights.SetMonitoring(true);
        QVERIFY(!lights.isLit(StatusLightController::CTS)); // a pseudo-terminal has no lines
        QVERIFY(!lights.isLit(StatusLightController::DCD));
        peer.write("y");
        QVERIFY(EventPump::waitUntil([&] { return lights.isLit(StatusLightController::RXD); }, 1000));
        QVERIFY(EventPump::waitUntil([&] { return !lights.isLit(StatusLightController::RXD); }, 1000));
        port.PutString("z");
        QVERIFY(EventPump::waitUntil([&] { return lights.isLit(StatusLightController::TXD); }, 1000));
        lights.SetMonitoring(false);
        for (auto light : {StatusLightController::CTS, StatusLightController::DCD, StatusLightController::RXD,
                           StatusLightController::TXD})
            QVERIFY(!lights.isLit(light));
        QVERIFY(changes.count() >= 4);
    }

    void flushDiscardsWaitingBytes() {
        PtyPeer peer;
        TApdComPort port;
        mapCom1(port, peer);
        QVERIFY(port.SetOpen(true));
        int notifications = 0;
        connect(&port, &TApdComPort::OnTriggerAvail, this, [&] { ++notifications; });
        // The bytes reach the line while no event is handled, so nothing has announced them yet.
        peer.write("stale");
        QThread::msleep(30);
        port.FlushInBuffer();
        EventPump::pause(50);
        QCOMPARE(notifications, 0);
    }
};

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
