// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandEngine.h"
#include "LinkRig.h"
#include "TApdComPort.h"

#include <QComboBox>
#include <QtTest>

namespace {

// A Kestrix on a direct line, paced like a real one in both directions: a "#" arrives when a real
// line would bring it, well after the program has written its next bytes.
SimOptions pacedDirect() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    o.paceInput = true;
    o.paceOutput = true;
    return o;
}

// Short deadlines, so that a lost acknowledgement is noticed in a fraction of the real wait; the probe
// (ten ticks) still leaves a loaded machine ample time for the device's answer.
Pacing shortDeadlines() {
    return Pacing::real().pausesScaled(0.1).withDeadlines(4000, 15);
}

// Connected and read over the direct line, a wall of three projectors with every screen locked, so
// that the push carries every kind of command.
void connectThreeLocked(LinkRig &rig) {
    SimDevice device = rig.com1->device(1);
    for (SimOutputChannel &output : device.outputs)
        output.totalProjectors = 3;
    for (int c = 0; c < 4; ++c)
        device.inputs[c].videoLocked = 1;
    rig.com1->setDevice(1, device);
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->findChild<QComboBox *>("NumOfScreenComboBox")->currentIndex(), 2);
    rig.host.entries.clear();
}

// The wire, a probe's second CR (sent when a loaded machine let the first one's answer come late) left
// out: a probe is one "CR" line however often it had to ask.
QStringList wire(const KestrixSimulator &sim) {
    QStringList out;
    for (const QString &l : LinkRig::wire(sim))
        if (!l.endsWith(QLatin1String(" CR")) || out.isEmpty() || out.constLast() != l) out << l;
    return out;
}

QString token(const QString &line) {
    return line.section(QLatin1Char(' '), 1, 1);
}

} // namespace

// A direct push in the real window, against a paced device that drops one chosen acknowledgement:
// whatever the command, it is sent again once the line has answered a probe, and the pass goes on
// without a word to the user.
class DirectPushTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    void aDroppedAcknowledgementIsRecoveredForEveryKindOfCommand() {
        const SimOptions sim = pacedDirect();
        LinkRig rig(&sim, nullptr, shortDeadlines());
        connectThreeLocked(rig);
        rig.com1->clearRequests();
        rig.trigger("SendCurrentSettingstoKestrixs1");
        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        const QStringList clean = wire(*rig.com1);

        // The first and the last command of each kind the push carries on a locked wall of three (the
        // feathering mode's read-back queries are no commands: a lost reply there is a failed read).
        QStringList chosen;
        for (const char *kind : {"PRJ", "DISP", "IRSPKX", "ICPHOKX", "ICNTKX", "IBRTKX", "OTPMKX", "BLKGN",
                                 "PEFT", "DDBL", "EFTB", "KXCTRL", "MANSEAM", "BRDGSEAM"}) {
            QStringList ofKind;
            for (const QString &line : clean)
                if (token(line) == QLatin1String(kind)) ofKind << line;
            QVERIFY2(!ofKind.isEmpty(), kind);
            chosen << ofKind.first();
            if (ofKind.last() != ofKind.first()) chosen << ofKind.last();
        }

        for (const QString &line : chosen) {
            const QByteArray command = line.section(QLatin1Char(' '), 1).toLatin1() + '\r';
            rig.com1->clearRequests();
            rig.com1->injectFault(SimFault::DropAck, 1, 0, command);
            rig.trigger("SendCurrentSettingstoKestrixs1");
            QVERIFY2(rig.clean(), qPrintable(line + ": " + rig.problems()));
            QVERIFY2(rig.host.entries.isEmpty(), qPrintable(line));
            QStringList expected = clean;
            const qsizetype at = expected.indexOf(line);
            expected.insert(at + 1, line);
            expected.insert(at + 1, QStringLiteral("38400 CR"));
            QCOMPARE(wire(*rig.com1), expected);
            QVERIFY(rig.form->engine().LinkActive());
            QCOMPARE(rig.form->state().CommandBusy, 0);
            QVERIFY(rig.form->engine().owedCommand().isEmpty());
        }
    }

    // A device that keeps one command unacknowledged although it answers the probe: the window asks
    // after three attempts, as for a Controller command; No ends the pass and the link there.
    void aCommandNeverAcknowledgedEndsThePassWhenTheUserSaysSo() {
        const SimOptions sim = pacedDirect();
        LinkRig rig(&sim, nullptr, shortDeadlines());
        connectThreeLocked(rig);
        rig.com1->clearRequests();
        rig.com1->injectFault(SimFault::DropAck, 1000, 0, "BLKGN 2 ");
        rig.host.expectYesNo(false, "The Kestrix has not acknowledged the command BLKGN 2 0 in 3 attempts.");
        rig.trigger("SendCurrentSettingstoKestrixs1");
        QVERIFY2(rig.clean(), qPrintable(rig.problems()));
        const QStringList sent = wire(*rig.com1);
        QCOMPARE(sent.count("38400 BLKGN 2 0"), 3);
        // Nothing after the last attempt: the pass and the link ended there.
        QCOMPARE(sent.last(), QString("38400 BLKGN 2 0"));
        QVERIFY(!rig.form->engine().LinkActive());
        QVERIFY(!rig.form->port().isOpen());
        QCOMPARE(rig.form->state().CommandBusy, 0);
    }
};

QTEST_MAIN(DirectPushTest)
#include "tst_directpush.moc"
