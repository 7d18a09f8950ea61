// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandEngine.h"
#include "EventPump.h"
#include "KestrixSimulator.h"
#include "ScriptedHost.h"

#include <QTest>

#include <memory>

namespace {
const QString Timeout =
    QStringLiteral("Error! Timeout occured. Unable to communicate with Kestrix. Please verify "
                   "that Serial Port is connected to Kestrix.");
const QString NoResponse =
    QStringLiteral("Error! Controller did not get response from Kestrix(s). Please check "
                   "connections and Kestrix(s) Serial Mode settings.");

// The engine on COM1 wired to the simulator's line.
struct SimRig {
    explicit SimRig(SimOptions options) : sim(options) {
        QString error;
        started = sim.start(&error);
        PortMap map;
        map.setPath(1, sim.slavePath());
        port.setPortMap(map);
        port.SetComNumber(1);
        if (options.mode == SimOptions::Controller) {
            engine.setControllerMode(true);
            port.SetBaud(57600);
        }
        port.SetOpen(true);
    }

    QList<SimRequest::Kind> kinds() const {
        QList<SimRequest::Kind> out;
        for (const SimRequest &r : sim.requests())
            out.append(r.kind);
        return out;
    }

    KestrixSimulator sim;
    bool started = false;
    TApdComPort port;
    ScriptedHost host;
    int busy = 0;
    // Some rows silence the far end on purpose: deadlines short enough to wait out, and long enough for a
    // simulator on a busy machine to answer the exchanges that must succeed.
    Pacing pacing = Pacing::real().pausesScaled(0.05).withDeadlines(1500, 20);
    CommandEngine engine{port, host, busy, pacing};
};

SimOptions controllerOptions() {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = {5, 6};
    return o;
}
} // namespace

// The engine against the independent simulator: frames it accepts with their checksums, and every
// fault it can play answered the way the Controller's messages require.
class TestSimLink : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    void controllerCommandUnderFaults_data() {
        using K = SimRequest::Kind;
        QTest::addColumn<int>("fault"); // -1: none
        QTest::addColumn<int>("arg");
        QTest::addColumn<QList<SimRequest::Kind>>("requests");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("clean") << -1 << 0 << QList<K>{K::Command} << QStringList{};
        QTest::newRow("rejected") << int(SimFault::ControllerReject) << 0 << QList<K>{K::Command, K::Command}
                                  << QStringList{};
        QTest::newRow("debug prompt") << int(SimFault::DebugPrompt) << 0
                                      << QList<K>{K::Command, K::DebugOff, K::Command} << QStringList{};
        QTest::newRow("no response") << int(SimFault::ControllerError) << int('4')
                                     << QList<K>{K::Command, K::Command} << QStringList{NoResponse};
        QTest::newRow("other error") << int(SimFault::ControllerError) << int('2')
                                     << QList<K>{K::Command, K::Command} << QStringList{};
        QTest::newRow("dropped ack") << int(SimFault::DropAck) << 0 << QList<K>{K::Command, K::Command}
                                     << QStringList{Timeout};
        QTest::newRow("split into single bytes")
            << int(SimFault::SplitReply) << 1 << QList<K>{K::Command} << QStringList{};
        QTest::newRow("garbage first")
            << int(SimFault::Garbage) << 7 << QList<K>{K::Command} << QStringList{};
    }

    void controllerCommandUnderFaults() {
        QFETCH(int, fault);
        QFETCH(int, arg);
        QFETCH(QList<SimRequest::Kind>, requests);
        QFETCH(QStringList, messages);
        SimRig rig(controllerOptions());
        QVERIFY(rig.started);
        if (fault >= 0) rig.sim.injectFault(SimFault(fault), 1, arg);
        QVERIFY(rig.engine.SendControllerCommand("*6BLKGN 1 40!", 0));
        QCOMPARE(rig.kinds(), requests);
        const SimRequest last = rig.sim.requests().constLast();
        QVERIFY(last.framed);
        QVERIFY(last.checksumOk);
        QCOMPARE(last.targetId, 6);
        QCOMPARE(rig.sim.device(2).outputs[0].blackLevel, quint8(40));
        QCOMPARE(rig.host.messages(), messages);
    }

    void deviceCountQueryLeavesTheReplyInTheArea() {
        SimRig rig(controllerOptions());
        QVERIFY(rig.started);
        const Reply answer = rig.engine.SendQuery("NKX\r", 2);
        QVERIFY(answer.answered());
        const QByteArray reply(answer.area.constData()); // up to the NUL put for the acknowledgement
        QVERIFY2(reply.contains("2 5 6\r\nLR"), reply.constData());
        QCOMPARE(rig.sim.requests().constFirst().raw, QByteArray("NKX\r"));
    }

    void directProbeCommandAndRecovery() {
        SimRig rig(SimOptions{});
        QVERIFY(rig.started);
        QVERIFY(rig.engine.Probe(1));
        rig.sim.injectFault(SimFault::Silence, 1, 0, "BLKGN");
        QVERIFY(rig.engine.SendDirectCommand("BLKGN 2 17\r"));
        QList<QByteArray> raw;
        for (const SimRequest &r : rig.sim.requests())
            raw.append(r.raw);
        QCOMPARE(raw, (QList<QByteArray>{"\r", "BLKGN 2 17\r", "\r", "BLKGN 2 17\r"}));
        QVERIFY(rig.engine.linkOk());
        QCOMPARE(rig.sim.device(1).outputs[1].blackLevel, quint8(17));
        QVERIFY(rig.host.entries.isEmpty());
    }

    // A Controller that only answers at its own rate: silent at 38400, found once the port runs at
    // 57600 (set on the open port, without reopening).
    void baudChangeOnAnOpenPort() {
        SimOptions o = controllerOptions();
        o.onlyAtModeBaud = true;
        SimRig rig(o);
        QVERIFY(rig.started);
        QVERIFY(rig.port.SetBaud(38400));
        QVERIFY(!rig.engine.Probe(1));
        QVERIFY(rig.port.SetBaud(57600));
        QVERIFY(rig.engine.Probe(1));
        QCOMPARE(rig.sim.lineBaud(), 57600);
    }
};

QTEST_GUILESS_MAIN(TestSimLink)
#include "tst_simlink.moc"
