// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "EventPump.h"

#include <QProcess>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString ComPortError =
    QStringLiteral("Error! COM Port communication with Kestrix has failed. Please check "
                   "the RS-232 cable. Click OK to retry. Click Cancel to exit application.");

// Answers with "#" every request whose index (from 0) is in `answered`.
std::function<QByteArray(const QByteArray &)> answerRequests(PtyPeer &peer, QList<int> answered) {
    return [&peer, answered](const QByteArray &) {
        return answered.contains(int(peer.requests.size()) - 1) ? QByteArrayLiteral("#") : QByteArray();
    };
}

// The window's host ends the process for real.
class ExitingHost : public ScriptedHost {
public:
    void exitProcess(int status) override { std::exit(status); }
};

// Run in a child process: a direct command nobody answers, and Cancel in the "COM Port error" dialog.
int cancelRecoveryChild(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    PtyPeer peer;
    PortMap map;
    map.setPath(1, peer.slavePath());
    TApdComPort port;
    port.setPortMap(map);
    port.SetComNumber(1);
    port.SetOpen(true);
    ExitingHost host;
    host.expectOkCancel(false, QStringLiteral("Error! COM Port communication"));
    int busy = 0;
    CommandEngine engine(port, host, busy, EngineRig::silentDevice());
    engine.SendDirectCommand("DDBL 1\r");
    return 3; // only reached if Cancel did not end the process
}
} // namespace

// Probing a port, and recovering a direct link that stopped acknowledging.
class TestLinkRecovery : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    void probeOfAMissingPortSaysNothing() {
        EngineRig rig;
        QVERIFY(!rig.engine.Probe(2));
        QVERIFY(!rig.engine.Probe(0));
        QVERIFY(rig.host.entries.isEmpty());
    }

    void probeOfAPortHeldByAnotherProgram() {
        EngineRig rig;
        rig.port.SetOpen(false);
        QSerialPort other;
        other.setPortName(rig.peer.slavePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        QVERIFY(!rig.engine.Probe(1));
        QCOMPARE(rig.host.messages(),
                 QStringList{QStringLiteral(
                     "Note: COM Port #1 is not responding/being used by another application.")});
    }

    // A device this user may not open is explained as such, naming the device and the group that owns
    // it, on either port. The test takes the place of such a user by dropping its effective user ID
    // (as root) or the file's permissions (as anyone else).
    void probeOfAPortTheUserMayNotOpen_data() {
        QTest::addColumn<int>("portNumber");
        QTest::newRow("COM1") << 1;
        QTest::newRow("COM2") << 2;
    }

    void probeOfAPortTheUserMayNotOpen() {
        QFETCH(int, portNumber);
        PtyPeer peer;
        PortMap map;
        map.setPath(portNumber, peer.slavePath());
        TApdComPort port;
        port.setPortMap(map);
        ScriptedHost host;
        int busy = 0;
        CommandEngine engine(port, host, busy, EngineRig::silentDevice());
        const QByteArray path = peer.slavePath().toLocal8Bit();
        struct stat info {};
        QCOMPARE(::stat(path.constData(), &info), 0);
        const group *owner = ::getgrgid(info.st_gid);
        QVERIFY(owner);
        const bool root = ::geteuid() == 0;
        QCOMPARE(::chmod(path.constData(), root ? 0660 : 0), 0);
        if (root) {
            QCOMPARE(::setegid(65534), 0);
            QCOMPARE(::seteuid(65534), 0);
        }
        const bool found = engine.Probe(portNumber);
        if (root) {
            QCOMPARE(::seteuid(0), 0);
            QCOMPARE(::setegid(0), 0);
        }
        QVERIFY(!found);
        // Joining the owning group is advised only where it helps: the group may read and write the
        // device, and it is not the superuser's. Otherwise the note still says what is wrong.
        const QString note =
            info.st_gid != 0
                ? QStringLiteral("Note: COM Port #%1 (%2) cannot be opened: this user account has no "
                                 "permission to use it. Add the user to the group \"%3\" that owns "
                                 "the device (for example: sudo usermod -aG %3 $USER), then log out "
                                 "and in again.")
                      .arg(portNumber)
                      .arg(peer.slavePath(), QString::fromLocal8Bit(owner->gr_name))
                : QStringLiteral("Note: COM Port #%1 (%2) cannot be opened: this user account has no "
                                 "permission to use it. Ask whoever looks after this computer for read "
                                 "and write access to the device.")
                      .arg(portNumber)
                      .arg(peer.slavePath());
        QCOMPARE(host.messages(), QStringList{note});
    }

    // The adapter is pulled out while a direct command waits for its acknowledgement: the recovery
    // dialog is the one message, with no line-lost report stacked on it while it is up.
    void lineLostDuringADirectCommandGivesOneDialog_data() {
        QTest::addColumn<bool>("failsAgain");
        QTest::newRow("the line is gone") << false;
        // The adapter comes back on another terminal and fails again under the first re-probe: how a
        // line fails while it is re-probed is a matter of timing, and none of it may add a box.
        QTest::newRow("the line fails again while re-probed") << true;
    }

    void lineLostDuringADirectCommandGivesOneDialog() {
        QFETCH(bool, failsAgain);
        EngineRig rig;
        PtyPeer comeback;
        comeback.respond = [&](const QByteArray &) {
            comeback.hangUp();
            return QByteArray();
        };
        rig.host.boxOpenMs = 150; // a person reading the dialog: events go on meanwhile
        rig.peer.respond = [&](const QByteArray &) {
            QTimer::singleShot(30, [&] {
                rig.peer.hangUp();
                if (failsAgain) rig.peer.relink(comeback.ttyPath());
            });
            return QByteArray();
        };
        rig.host.expectOkCancel(true, ComPortError); // retry: the line is still gone
        rig.host.expectOkCancel(false, ComPortError);
        rig.engine.SendDirectCommand("DDBL 1\r");
        QStringList shown;
        for (const auto &entry : rig.host.entries)
            shown << entry.caption + QStringLiteral(": ") + entry.text.left(40);
        const QString dialog = QStringLiteral("COM Port error: ") + ComPortError.left(40);
        QCOMPARE(shown, (QStringList{dialog, dialog}));
        QCOMPARE(rig.host.exitStatuses, QList<int>{-1});
        QTRY_COMPARE(comeback.requests.size(), failsAgain ? 1 : 0);
        QVERIFY(rig.host.entries.at(0).busyCursor); // the hourglass stays up during the send
        // A line-lost report queued meanwhile adds nothing afterwards either.
        QTRY_VERIFY(!rig.port.isOpen());
        QCoreApplication::processEvents();
        QCOMPARE(rig.host.entries.size(), 2);
    }

    void probeSendsACrAndRetriesOnce_data() {
        QTest::addColumn<QList<int>>("answered");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("crs");
        QTest::newRow("first CR answered") << QList<int>{0} << true << 1;
        QTest::newRow("second CR answered") << QList<int>{1} << true << 2;
        QTest::newRow("silent") << QList<int>{} << false << 2;
    }

    void probeSendsACrAndRetriesOnce() {
        QFETCH(QList<int>, answered);
        QFETCH(bool, found);
        QFETCH(int, crs);
        EngineRig rig(EngineRig::silentDevice());
        rig.port.SetOpen(false); // the probe opens it
        rig.peer.respond = answerRequests(rig.peer, answered);
        QCOMPARE(rig.engine.Probe(1), found);
        QCOMPARE(rig.engine.linkOk(), found);
        QVERIFY(rig.port.isOpen()); // left open either way; the caller closes it
        EventPump::pause(20);
        QCOMPARE(rig.peer.received, QByteArray(crs, '\r'));
        QVERIFY(rig.host.entries.isEmpty());
    }

    void probeOfALineThatFails() {
        EngineRig rig;
        rig.peer.respond = [&](const QByteArray &) {
            QTimer::singleShot(10, [&] { rig.peer.hangUp(); });
            return QByteArray();
        };
        QVERIFY(!rig.engine.Probe(1));
        EventPump::pause(20);
        QCOMPARE(rig.host.messages(), QStringList{QStringLiteral("Note: COM Port #1 is not responding.")});
    }

    void directCommandRecoversAfterAReprobe() {
        EngineRig rig(EngineRig::silentDevice());
        rig.peer.respond = answerRequests(rig.peer, {1, 2});
        QList<int> ticks; // the wait of each raw exchange, as it begins
        rig.host.onStatus = [&](const QString &text) {
            if (text == QLatin1String("Sending command....")) ticks << rig.engine.ackWaitTicks();
        };
        // A command's own wait (20 ticks) is not reused by the recovery's probe and resend.
        QVERIFY(rig.engine.SendDirectCommand("AUTOCB 1\r", 20));
        QVERIFY(rig.engine.linkOk());
        QCOMPARE(rig.peer.requests, QList<QByteArray>({"AUTOCB 1\r", "\r", "AUTOCB 1\r"}));
        QCOMPARE(ticks, QList<int>({20, CommandEngine::ProbeAckWaitTicks, 80}));
        QCOMPARE(rig.engine.ackWaitTicks(), 80);
        QVERIFY(rig.host.entries.isEmpty());
        QVERIFY(!rig.host.busyCursor);
    }

    void okInTheDialogProbesAgain() {
        EngineRig rig(EngineRig::silentDevice());
        rig.host.expectOkCancel(true, ComPortError);
        // Command and both probe CRs unanswered; the probe after OK and the resend are answered.
        rig.peer.respond = answerRequests(rig.peer, {3, 4});
        QVERIFY(rig.engine.SendDirectCommand("DDBL 1\r"));
        QVERIFY(rig.engine.linkOk());
        QCOMPARE(rig.peer.requests, QList<QByteArray>({"DDBL 1\r", "\r", "\r", "\r", "DDBL 1\r"}));
        QCOMPARE(rig.host.entries.size(), 1);
        QCOMPARE(rig.host.entries.at(0).caption, QStringLiteral("COM Port error"));
        QVERIFY(rig.host.unexpected.isEmpty());
        QCOMPARE(rig.host.pendingAnswers(), 0);
    }

    // Cancel ends the process with -1; a host that returns anyway must not see the loop go on.
    void cancelInTheDialogStopsEverything() {
        EngineRig rig(EngineRig::silentDevice());
        rig.host.expectOkCancel(false, ComPortError);
        rig.engine.SendDirectCommand("DDBL 1\r");
        QCOMPARE(rig.host.exitStatuses, QList<int>{-1});
        QCOMPARE(rig.host.entries.size(), 1);
        QVERIFY(rig.engine.aborted());
        QVERIFY(!rig.host.busyCursor);
    }

    // The window is closed while the dialog is up (its host then answers Cancel): the closing ends the
    // process its own way, not with the -1 of a user's Cancel.
    void closingDuringTheDialogIsNoCancel() {
        struct ClosingHost : ScriptedHost {
            bool askOkCancel(const QString &, const QString &) override {
                EventPump::requestAbort();
                return false;
            }
        };
        PtyPeer peer;
        PortMap map;
        map.setPath(1, peer.slavePath());
        TApdComPort port;
        port.setPortMap(map);
        port.SetComNumber(1);
        QVERIFY(port.SetOpen(true));
        ClosingHost host;
        int busy = 0;
        CommandEngine engine(port, host, busy, EngineRig::silentDevice());
        engine.SendDirectCommand("DDBL 1\r");
        QVERIFY(host.exitStatuses.isEmpty());
        QVERIFY(engine.aborted());
        QCOMPARE(peer.requests, QList<QByteArray>({"DDBL 1\r", "\r", "\r"}));
    }

    void cancelEndsTheProcessWithStatusMinusOne() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--cancel-recovery-child")});
        QVERIFY(child.waitForFinished(20000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 255); // -1 as the parent sees it
    }
};

int main(int argc, char **argv) {
    if (argc > 1 && qstrcmp(argv[1], "--cancel-recovery-child") == 0) return cancelRecoveryChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestLinkRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
