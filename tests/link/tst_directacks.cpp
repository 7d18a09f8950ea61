// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "EventPump.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// A direct device that answers every request with "#", except those whose index (from 0) is listed,
// which it takes without a word, and those listed in `late`, whose "#" comes lateMs later.
struct DirectDevice {
    explicit DirectDevice(PtyPeer &peer, QList<int> dropped = {}, QList<int> late = {}, int lateMs = 150)
        : peer(peer), dropped(std::move(dropped)), late(std::move(late)), lateMs(lateMs) {}

    PtyPeer &peer;
    QList<int> dropped;
    QList<int> late;
    int lateMs;
    // Requests containing this text are never answered (a device that will not take the command).
    QByteArray refused;
    // How many answers had gone out when each request arrived.
    QList<int> answersBefore;
    int answersSent = 0;

    void install() {
        peer.respond = [this](const QByteArray &request) -> QByteArray {
            const int index = int(peer.requests.size()) - 1;
            answersBefore << answersSent;
            if (dropped.contains(index)) return {};
            if (!refused.isEmpty() && request.contains(refused)) return {};
            // A line it does not understand (a stray key's line) gets no answer either.
            if (request.startsWith('\t')) return {};
            QByteArray answer;
            for (qsizetype lines = request.count('\r'); lines > 0; --lines)
                answer += "\r\n#";
            if (late.contains(index)) {
                QTimer::singleShot(lateMs, &peer, [this, answer] {
                    peer.write(answer);
                    ++answersSent;
                });
                return {};
            }
            ++answersSent;
            return answer;
        };
    }
};

// The requests as sent, a probe's second CR (sent when a loaded machine let the first one's answer come
// late) left out: a probe is one "\r" here however often it had to ask.
QList<QByteArray> sent(const PtyPeer &peer) {
    QList<QByteArray> out;
    for (const QByteArray &r : peer.requests)
        if (r != "\r" || out.isEmpty() || out.constLast() != "\r") out << r;
    return out;
}

QList<QByteArray> lines(std::initializer_list<const char *> texts) {
    QList<QByteArray> out;
    for (const char *t : texts)
        out << QByteArray(t);
    return out;
}

} // namespace

// Direct mode accounts for every "#": a command written without holding the window still owes its
// acknowledgement, nothing takes a "#" it did not earn, and a missing one is recovered as for a command
// that waits.
class TestDirectAcknowledgements : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    // Each case ends with a waited command (or a settle) after written ones; the wire shows which
    // command the engine sent again.
    void everyAcknowledgementIsAccountedFor_data() {
        QTest::addColumn<QList<int>>("dropped");
        QTest::addColumn<QList<int>>("late");
        QTest::addColumn<QList<QByteArray>>("wire");
        // A written command's "#" lost: the next request first runs the recovery (probe, the command
        // again), then goes out itself.
        QTest::newRow("written command's # lost")
            << QList<int>{0} << QList<int>{} << lines({"BLKGN 1 40\r", "\r", "BLKGN 1 40\r", "DDBL 1\r"});
        // The written command's "#" comes late, and the waited command's own is lost: the late "#" is
        // the written command's, never the waited one's, which is recovered.
        QTest::newRow("late # of a write is not the next command's")
            << QList<int>{1} << QList<int>{0} << lines({"BLKGN 1 40\r", "DDBL 1\r", "\r", "DDBL 1\r"});
        // Nothing lost, one late: the waited command goes out only once the "#" has come.
        QTest::newRow("late # awaited, nothing resent")
            << QList<int>{} << QList<int>{0} << lines({"BLKGN 1 40\r", "DDBL 1\r"});
    }

    void everyAcknowledgementIsAccountedFor() {
        QFETCH(QList<int>, dropped);
        QFETCH(QList<int>, late);
        QFETCH(QList<QByteArray>, wire);
        EngineRig rig(EngineRig::silentDevice());
        DirectDevice device(rig.peer, dropped, late);
        device.install();
        rig.engine.SetLinkActive(true);

        QVERIFY(rig.engine.WriteDirectCommand("BLKGN 1 40\r"));
        QVERIFY(rig.engine.SendDirectCommand("DDBL 1\r"));
        QCOMPARE(sent(rig.peer), wire);
        QVERIFY(rig.host.entries.isEmpty());
        QVERIFY(rig.engine.owedCommand().isEmpty());
        QCOMPARE(rig.busy, 0);
    }

    // A spin button held down: each step is written at once, without disabling the pages or showing a
    // status text, and the next step goes out only after the previous one's "#".
    void writesHoldNothingAndGoOneAtATime() {
        EngineRig rig(EngineRig::silentDevice());
        DirectDevice device(rig.peer, {}, {0, 1, 2}, 60);
        device.install();
        rig.engine.SetLinkActive(true);
        for (int level = 40; level < 43; ++level)
            QVERIFY(rig.engine.WriteDirectCommand("BLKGN 1 " + QByteArray::number(level) + '\r'));
        QCOMPARE(rig.host.pagesDisabledCount, 0);
        QVERIFY(rig.host.statusTexts.isEmpty());
        QVERIFY(!rig.host.busyCursor);
        QCOMPARE(rig.engine.owedCommand(), QByteArray("BLKGN 1 42\r"));
        QVERIFY(rig.engine.SettleWrites());
        QCOMPARE(sent(rig.peer), lines({"BLKGN 1 40\r", "BLKGN 1 41\r", "BLKGN 1 42\r"}));
        // Each step reached the device only after the previous step's "#" had left it.
        QCOMPARE(device.answersBefore, QList<int>({0, 1, 2}));
        QVERIFY(rig.engine.owedCommand().isEmpty());
        QVERIFY(rig.host.entries.isEmpty());
    }

    // Nothing else is sent after a written command whose "#" never comes: the engine notices it on its
    // own once the acknowledgement wait has passed and recovers it.
    void aLoneLostAcknowledgementIsRecoveredWhenIdle() {
        EngineRig rig(EngineRig::silentDevice());
        DirectDevice device(rig.peer, {0});
        device.install();
        rig.engine.SetLinkActive(true);
        QVERIFY(rig.engine.WriteDirectCommand("HALO 2 L 10 0\r"));
        QTRY_COMPARE_WITH_TIMEOUT(sent(rig.peer), lines({"HALO 2 L 10 0\r", "\r", "HALO 2 L 10 0\r"}), 10000);
        QTRY_VERIFY(rig.engine.owedCommand().isEmpty());
        QVERIFY(rig.host.entries.isEmpty());
        QCOMPARE(rig.busy, 0);
    }

    // A device that answers the probe but never takes the command: after three attempts the user is
    // asked, as for a Controller command; No gives the command up and says so, naming it.
    void aCommandTheDeviceNeverTakesIsGivenUp_data() {
        QTest::addColumn<bool>("written");
        QTest::newRow("written") << true;
        QTest::newRow("waited") << false;
    }

    void aCommandTheDeviceNeverTakesIsGivenUp() {
        QFETCH(bool, written);
        EngineRig rig(EngineRig::silentDevice());
        DirectDevice device(rig.peer);
        device.refused = "IRSPKX";
        device.install();
        rig.engine.SetLinkActive(true);
        QSignalSpy abandoned(&rig.engine, &CommandEngine::commandAbandoned);
        rig.host.expectYesNo(false,
                             "The Kestrix has not acknowledged the command IRSPKX 3 M V 60 in 3 attempts.");

        const bool ok = written
                            ? rig.engine.WriteDirectCommand("IRSPKX 3 M V 60\r") && rig.engine.SettleWrites()
                            : rig.engine.SendDirectCommand("IRSPKX 3 M V 60\r");
        QVERIFY(!ok);
        QCOMPARE(abandoned.size(), 1);
        QCOMPARE(rig.engine.abandonedCommand(), QByteArray("IRSPKX 3 M V 60"));
        QCOMPARE(sent(rig.peer),
                 lines({"IRSPKX 3 M V 60\r", "\r", "IRSPKX 3 M V 60\r", "\r", "IRSPKX 3 M V 60\r"}));
        QVERIFY(rig.host.unexpected.isEmpty());
        QCOMPARE(rig.host.pendingAnswers(), 0);
        QVERIFY(!rig.host.busyCursor);
    }

    // A run that was stopped (the link ended) waits for the "#" of the command in flight but never
    // sends it again.
    void aStoppedRunAwaitsButNeverResends() {
        EngineRig rig(EngineRig::silentDevice());
        DirectDevice device(rig.peer, {0});
        device.install();
        rig.engine.SetLinkActive(true);
        QVERIFY(rig.engine.WriteDirectCommand("ICPHOKX 1 M 7\r"));
        rig.engine.SetLinkActive(false);
        QVERIFY(!rig.engine.SettleWrites());
        QCOMPARE(sent(rig.peer), lines({"ICPHOKX 1 M 7\r"}));
        QVERIFY(rig.host.entries.isEmpty());
    }

    // A command closed by CR CR is answered once per line: the second "#" is its own too, however
    // late, and never stands in for the next command's.
    void bothAcknowledgementsOfACrCrCommandAreItsOwn() {
        EngineRig rig(EngineRig::silentDevice());
        rig.peer.respond = [&rig](const QByteArray &request) -> QByteArray {
            const QList<QByteArray> &seen = rig.peer.requests;
            // The empty line closing AUTOSEAM is answered late.
            if (request == "\r" && seen.size() == 2) {
                rig.peer.writeLater("\r\n#", 120);
                return {};
            }
            if (request == "DDBL 1\r" && seen.count(request) == 1) return {}; // lost once
            return "\r\n#";
        };
        rig.engine.SetLinkActive(true);
        QVERIFY(rig.engine.SendDirectCommand("AUTOSEAM 1\r\r"));
        QVERIFY(rig.engine.SendDirectCommand("DDBL 1\r"));
        QCOMPARE(sent(rig.peer), lines({"AUTOSEAM 1\r", "\r", "DDBL 1\r", "\r", "DDBL 1\r"}));
    }

    // A Controller command whose link ends while it settles (a stopped run): nothing follows it, so the
    // settle ends there instead of running its course (here 20 s; the bound leaves a loaded machine 10).
    void aSettleEndsWithTheLink() {
        EngineRig rig(Pacing::real());
        rig.controllerMode();
        rig.peer.respond = [&rig](const QByteArray &request) -> QByteArray {
            QTimer::singleShot(50, &rig.engine, [&rig] { rig.engine.SetLinkActive(false); });
            return QByteArray(request.size(), '.') + "LR>";
        };
        rig.engine.SetLinkActive(true);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.engine.SendControllerCommand("*1KXCTRL 1!", 20000));
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(clock.elapsed() >= 50);
    }

    // Keys typed in the terminal without Enter are ended before the program's next request, so they
    // never prefix it; whatever the far end answers to them is thrown away.
    void aLineTheTerminalLeftOpenIsEndedFirst_data() {
        QTest::addColumn<bool>("controller");
        QTest::newRow("direct") << false;
        QTest::newRow("controller") << true;
    }

    void aLineTheTerminalLeftOpenIsEndedFirst() {
        QFETCH(bool, controller);
        EngineRig rig(EngineRig::silentDevice());
        rig.peer.respond = [controller](const QByteArray &request) -> QByteArray {
            if (request.startsWith('\t')) return controller ? QByteArray("?\r\nCTR\r\n") : QByteArray();
            return controller ? QByteArray(request.size(), '.') + "LR>" : QByteArray("\r\n#");
        };
        if (controller) rig.controllerMode();
        rig.engine.SetLinkActive(true);
        QVERIFY(rig.port.PutChar('\t'));
        QVERIFY(rig.port.PutChar('\t'));
        QVERIFY(rig.port.lineLeftOpen());
        if (controller)
            QVERIFY(rig.engine.SendControllerCommand("*1DDBL 1!", 0));
        else
            QVERIFY(rig.engine.SendDirectCommand("DDBL 1\r"));
        QCOMPARE(rig.peer.requests.size(), 2);
        QCOMPARE(rig.peer.requests.at(0), QByteArray("\t\t\r"));
        QCOMPARE(rig.peer.requests.at(1),
                 controller ? QByteArray("PASS *1DDBL 1!E3\r\r") : QByteArray("DDBL 1\r"));
        QVERIFY(!rig.port.lineLeftOpen());
        QVERIFY(rig.host.entries.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDirectAcknowledgements)
#include "tst_directacks.moc"
