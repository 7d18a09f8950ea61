// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli pushing over a direct line to a device paced like a real one, which drops one chosen
// acknowledgement: every "#" is accounted for, whatever the command.
#include "CliRun.h"
#include "KestrixSimulator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <memory>

namespace {

SimOptions pacedDirect() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    o.paceInput = true;
    o.paceOutput = true;
    return o;
}

QStringList commandsOf(const KestrixSimulator &sim) {
    QStringList lines;
    for (const SimRequest &r : sim.requests())
        lines << (r.kind == SimRequest::Probe ? QStringLiteral("CR") : QString::fromLatin1(r.command));
    return lines;
}

} // namespace

class TestCliDirect : public QObject {
    Q_OBJECT
private slots:
    void init() {
        sim = std::make_unique<KestrixSimulator>(pacedDirect());
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        SimDevice device = sim->device(1);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = 3;
        for (int c = 0; c < 4; ++c)
            device.inputs[c].videoLocked = 1;
        sim->setDevice(1, device);
        dir = std::make_unique<QTemporaryDir>();
        const Run read = runCli(args(QStringLiteral("read"), {QStringLiteral("-o"), path()}));
        QVERIFY2(read.status == 0, qPrintable(read.err));
        sim->clearRequests();
        const Run push = runCli(args(QStringLiteral("push"), {path()}));
        QVERIFY2(push.status == 0, qPrintable(push.err));
        clean = commandsOf(*sim);
        sim->clearRequests();
    }
    void cleanup() {
        sim.reset();
        dir.reset();
    }

    // One acknowledgement lost, of a command written without waiting or of one that waits: the tool
    // probes, sends that command again, and the push ends with status 0, the wire otherwise unchanged.
    void aDroppedAcknowledgementIsSentAgain_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("first written (BLKGN)") << "BLKGN 1 0";
        QTest::newRow("last written (IBRTKX)") << "IBRTKX 3 B  0.0";
        QTest::newRow("waited (DDBL)") << "DDBL 0";
        QTest::newRow("last edge (PEFT)") << "PEFT 3 L 0  2.2 0 0";
        QTest::newRow("the push's last command") << QString();
    }

    void aDroppedAcknowledgementIsSentAgain() {
        QFETCH(QString, command);
        if (command.isEmpty()) command = clean.last();
        QVERIFY2(clean.contains(command), qPrintable(clean.join('\n')));
        sim->injectFault(SimFault::DropAck, 1, 0, command.toLatin1() + '\r');
        const Run push = runCli(args(QStringLiteral("push"), {path()}));
        QVERIFY2(push.status == 0, qPrintable(push.err));
        QStringList expected = clean;
        const qsizetype at = expected.indexOf(command);
        expected.insert(at + 1, command);
        expected.insert(at + 1, QStringLiteral("CR"));
        QCOMPARE(commandsOf(*sim), expected);
    }

    // A command the device never acknowledges: sent three times, then status 5 naming it, and nothing
    // after it on the wire.
    void aCommandNeverAcknowledgedEndsWithStatus5() {
        sim->injectFault(SimFault::DropAck, 1000, 0, "ICPHOKX 2 ");
        const Run push = runCli(args(QStringLiteral("push"), {path()}));
        QCOMPARE(push.status, 5);
        QVERIFY2(push.err.contains(QStringLiteral("did not acknowledge the command ICPHOKX 2 M 0")),
                 qPrintable(push.err));
        const QStringList wire = commandsOf(*sim);
        QCOMPARE(wire.count(QStringLiteral("ICPHOKX 2 M 0")), 3);
        QCOMPARE(wire.last(), QStringLiteral("ICPHOKX 2 M 0"));
    }

    // Ctrl-C during a direct push: the tool ends only once the command in flight has been
    // acknowledged, so nothing reaches the device after the tool has exited.
    void nothingArrivesAfterTheToolHasExited() {
        QProcess process;
        process.start(QStringLiteral(LUMIVANE_CLI), args(QStringLiteral("push"), {path()}));
        QVERIFY(process.waitForStarted());
        auto outputsBegun = [this] {
            for (const SimRequest &r : sim->requests())
                if (r.command.startsWith("IBRTKX")) return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(outputsBegun(), 60000);
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 130);
        const qsizetype atExit = sim->requests().size();
        const QByteArray bytesAtExit = sim->receivedBytes();
        QTest::qWait(500);
        QCOMPARE(sim->receivedBytes(), bytesAtExit);
        QCOMPARE(sim->requests().size(), atExit);
        QVERIFY(sim->requests().constLast().answered);
        QVERIFY(atExit < clean.size());
    }

    // Ctrl-C just as the feathering mode has gone out through the Controller: the tool neither sits out
    // the mode's settle nor reads the outputs back, since nothing more will be sent.
    void aStopAfterTheFeatherModeReadsNothingBack() {
        KestrixSimulator controller(SimOptions::builtIn());
        QVERIFY(controller.start());
        const QStringList ports{QStringLiteral("--com1"), controller.slavePath(), QStringLiteral("--com2"),
                                QStringLiteral("/nonexistent/lumivane-com2")};
        const Run read = runCli(QStringList{QStringLiteral("read"), QStringLiteral("-o"), path()} + ports);
        QVERIFY2(read.status == 0, qPrintable(read.err));
        controller.clearRequests();

        QProcess process;
        std::atomic<qint64> pid{0};
        controller.setRequestObserver([&pid](const SimRequest &r) {
            if (r.command.startsWith("KXCTRL") && pid > 0) ::kill(pid_t(pid.exchange(0)), SIGINT);
        });
        process.start(QStringLiteral(LUMIVANE_CLI), QStringList{QStringLiteral("push"), path()} + ports);
        QVERIFY(process.waitForStarted());
        pid = process.processId();
        QVERIFY(process.waitForFinished(60000));
        controller.setRequestObserver({});
        QCOMPARE(process.exitCode(), 130);
        QStringList after;
        bool seen = false;
        for (const SimRequest &r : controller.requests()) {
            if (seen) after << QString::fromLatin1(r.command);
            seen = seen || r.command.startsWith("KXCTRL");
        }
        QVERIFY(seen);
        QVERIFY2(after.isEmpty(), qPrintable(after.join('\n')));
    }

private:
    QStringList args(const QString &command, const QStringList &rest) const {
        return QStringList{command} + rest +
               QStringList{QStringLiteral("--link"),         QStringLiteral("direct"),
                           QStringLiteral("--com1"),         sim->slavePath(),
                           QStringLiteral("--com2"),         QStringLiteral("/nonexistent/lumivane-com2"),
                           QStringLiteral("--pacing-scale"), QStringLiteral("0.1")};
    }
    QString path() const { return dir->filePath(QStringLiteral("wall.kxc")); }

    std::unique_ptr<KestrixSimulator> sim;
    std::unique_ptr<QTemporaryDir> dir;
    QStringList clean;
};

QTEST_GUILESS_MAIN(TestCliDirect)
#include "tst_clidirect.moc"
