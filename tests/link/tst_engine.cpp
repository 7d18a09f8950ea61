// SPDX-License-Identifier: GPL-3.0-or-later
#include "Durations.h"
#include "EngineRig.h"
#include "EventPump.h"
#include "StatusLightController.h"
#include "TrafficLog.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QString Timeout =
    QStringLiteral("Error! Timeout occured. Unable to communicate with Kestrix. Please verify "
                   "that Serial Port is connected to Kestrix.");
const QString NoResponse =
    QStringLiteral("Error! Controller did not get response from Kestrix(s). Please check "
                   "connections and Kestrix(s) Serial Mode settings.");
const QString ErrorCode = QStringLiteral("Error code returned by Controller detected.... Resending message");

// Answers Controller frames with the scripted replies in turn (the last one repeats), and "debug 0"
// and probe CRs with the Controller's ">".
std::function<QByteArray(const QByteArray &)> controllerScript(QList<QByteArray> replies) {
    auto next = std::make_shared<int>(0);
    return [replies, next](const QByteArray &request) -> QByteArray {
        if (request == "debug 0\r" || request == "\r") return QByteArrayLiteral(">");
        const int i = std::min<int>(*next, int(replies.size()) - 1);
        ++*next;
        return replies.at(i);
    };
}

QByteArray filler(int n) {
    return QByteArray(n, '.');
}
} // namespace

// The command send engine against a far end on a pseudo-terminal: wire bytes, acknowledgement rules,
// Controller messages, time-outs, closed and failing ports, and waits ended by a closing window.
class TestCommandEngine : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { EventPump::clearAbort(); }

    void checksum_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("sum");
        QTest::addColumn<QByteArray>("digits");
        QTest::newRow("DDBL example") << QByteArray("*1DDBL 1!") << 0xE3 << QByteArray("E3");
        QTest::newRow("abc") << QByteArray("abc") << 0x26 << QByteArray("26");
        QTest::newRow("below 16 keeps a leading zero") << QByteArray("@@@J") << 0x0A << QByteArray("0A");
        QTest::newRow("wraps to zero") << QByteArray("@@@@") << 0 << QByteArray("00");
    }

    void checksum() {
        QFETCH(QByteArray, text);
        QFETCH(int, sum);
        QFETCH(QByteArray, digits);
        QCOMPARE(CommandEngine::checksumDigits(text), digits);
        QCOMPARE(CommandEngine::checksumDigits(text).toInt(nullptr, 16), sum);
    }

    // A request longer than the command buffer goes out cut at the buffer's end.
    void longRequestIsCutAtTheBuffer() {
        EngineRig rig(EngineRig::silentDevice());
        rig.request = QByteArray(400, 'x');
        rig.minLength = 2;
        rig.query();
        QVERIFY(rig.failed());
        QTRY_COMPARE(rig.peer.received, QByteArray(249, 'x'));
    }

    void controllerCommandOnTheWire() {
        EngineRig rig;
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        rig.peer.respond = controllerScript({filler(15) + "LR>"});
        const bool acknowledged = rig.send(0);
        QCOMPARE(rig.peer.received, QByteArray("PASS *1DDBL 1!E3\r\r"));
        QCOMPARE(rig.peer.received.size(), 18);
        QVERIFY(acknowledged);
        QCOMPARE(rig.host.statusTexts, QStringList({QStringLiteral("Sending command...."), QString()}));
        QVERIFY(rig.host.pagesEnabled);
        QCOMPARE(rig.host.pagesDisabledCount, 1);
        QVERIFY(!rig.host.busyCursor);
        QVERIFY(rig.host.entries.isEmpty());
    }

    // The window hears of a request only once the whole request is on its way, so that whatever it
    // does then (status text, disabling the pages) stands not between an answer and the next request.
    void windowHearsOfARequestOnlyOnceItIsWritten() {
        EngineRig rig;
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        rig.peer.respond = controllerScript({filler(15) + "LR>"});
        QStringList writtenAtStatus;
        rig.host.onStatus = [&](const QString &text) {
            if (text.isEmpty()) return;
            QByteArray sent;
            for (const TrafficLog::Chunk &chunk : rig.port.trafficLog().chunks())
                if (chunk.direction == TrafficLog::Direction::Sent) sent += chunk.bytes;
            writtenAtStatus.append(QString::fromLatin1(sent));
        };
        rig.send(0);
        rig.engine.SendAndWaitAck("debug 0\r");
        QCOMPARE(writtenAtStatus, QStringList({QStringLiteral("PASS *1DDBL 1!E3\r\r"),
                                               QStringLiteral("PASS *1DDBL 1!E3\r\rdebug 0\r")}));
        QCOMPARE(rig.host.pagesStates, QList<bool>({false, true, false, true}));
    }

    // A batch (a push) keeps the pages disabled and the hourglass up from its first command to its
    // end; the status text is still cleared after each command. Without one, each command restores
    // the window.
    void batchHoldsThePagesAndTheCursorBetweenCommands() {
        EngineRig rig;
        rig.controllerMode();
        rig.peer.respond = controllerScript({filler(15) + "LR>"});
        QList<bool> busyWhileSending;
        rig.host.onStatus = [&](const QString &text) {
            if (!text.isEmpty()) busyWhileSending.append(rig.host.busyCursor);
        };
        {
            CommandEngine::Batch batch(rig.engine);
            QVERIFY(rig.host.busyCursor);
            for (int i = 0; i < 2; ++i) {
                CommandEngine::Batch inner(rig.engine); // nested: only the outermost restores
                rig.command("*1DDBL 1!");
                QVERIFY(rig.send(0));
            }
            rig.engine.SendAndWaitAck("debug 0\r");
            QCOMPARE(rig.host.pagesStates, QList<bool>({false, false, false}));
            QVERIFY(rig.host.busyCursor);
            QCOMPARE(rig.host.statusTexts.last(), QString());
        }
        QCOMPARE(rig.host.pagesStates, QList<bool>({false, false, false, true}));
        QVERIFY(!rig.host.busyCursor);
        QCOMPARE(busyWhileSending, QList<bool>({true, true, true}));
        QCOMPARE(rig.peer.requests.size(), 3);

        // Afterwards each command restores the window again.
        rig.host.pagesStates.clear();
        rig.command("*1DDBL 1!");
        rig.send(0);
        QCOMPARE(rig.host.pagesStates, QList<bool>({false, true}));
        QVERIFY(!rig.host.busyCursor);
    }

    // Where the Controller's ">" counts: at ReplyMinLength (17 for *1DDBL 1!) or later, right after "LR".
    // A first answer that does not count runs into the watchdog and the command goes out again.
    void controllerAcknowledgementIndex_data() {
        QTest::addColumn<QByteArray>("firstAnswer");
        QTest::addColumn<int>("attempts");
        QTest::newRow("at 17 after LR") << filler(15) + "LR>" << 1;
        QTest::newRow("at 16 after LR") << filler(14) + "LR>" << 2;
        QTest::newRow("at 16, then again at 19") << filler(14) + "LR>LR>" << 1;
        QTest::newRow("at 17 without LR") << filler(15) + "XR>" << 2;
        QTest::newRow("two bytes after the ack") << filler(15) + "LR>ab" << 1;
    }

    void controllerAcknowledgementIndex() {
        QFETCH(QByteArray, firstAnswer);
        QFETCH(int, attempts);
        EngineRig rig(EngineRig::silentDevice());
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        rig.peer.respond = controllerScript({firstAnswer, filler(15) + "LR>"});
        const bool acknowledged = rig.send(0);
        QCOMPARE(rig.peer.requests.size(), attempts);
        QCOMPARE(rig.host.messages().count(Timeout), attempts - 1);
        QVERIFY(acknowledged);
    }

    // Direct mode: a query ends on "#" only right after CR LF and at ReplyMinLength or later; the
    // Controller's messages mean nothing here.
    void directQueryAcknowledgement_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("failed");
        QTest::newRow("CR LF #") << QByteArray("\x01\x05payload\r\n#") << false;
        QTest::newRow("# without CR LF") << QByteArray("\x01\x05pay#load#") << true;
        QTest::newRow("CR LF # before the minimum") << QByteArray("\r\n#") << true;
        QTest::newRow("Controller rejection ignored") << QByteArray("?\r\nCTR!ERR 7") << true;
    }

    void directQueryAcknowledgement() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, failed);
        EngineRig rig(EngineRig::silentDevice());
        rig.request = "KXQUERY 1 1\r";
        rig.minLength = 5;
        rig.peer.respond = [&](const QByteArray &) { return answer; };
        rig.query();
        QCOMPARE(rig.failed(), failed);
        QVERIFY(!rig.controllerError());
        QCOMPARE(rig.peer.received, QByteArray("KXQUERY 1 1\r"));
        QCOMPARE(rig.host.messages(), failed ? QStringList{Timeout} : QStringList{});
        if (!failed) {
            QCOMPARE(rig.reply().left(answer.size() - 1), answer.chopped(1));
            QCOMPARE(rig.reply().at(answer.size() - 1), '\0');
        }
        QVERIFY(rig.host.statusTexts.isEmpty()); // a query leaves the status bar to its caller
    }

    // Each Controller message ends a query at once with its own flags, also when its bytes arrive in
    // two data notifications.
    void controllerMessages_data() {
        QTest::addColumn<QByteArray>("part1");
        QTest::addColumn<QByteArray>("part2");
        QTest::addColumn<bool>("controllerError");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");
        QTest::newRow("rejected") << QByteArray("xx?\r\nCTR") << QByteArray() << true << QString()
                                  << QString();
        QTest::newRow("rejected, split")
            << QByteArray("xx?\r") << QByteArray("\nCTR") << true << QString() << QString();
        QTest::newRow("no response") << QByteArray("!ERR 4\r\n") << QByteArray() << false << NoResponse
                                     << QString();
        QTest::newRow("no response, split")
            << QByteArray("!ER") << QByteArray("R 4") << false << NoResponse << QString();
        QTest::newRow("other code") << QByteArray("!ERR 7\r\n") << QByteArray() << true << QString()
                                    << ErrorCode;
        QTest::newRow("other code, split in the code")
            << QByteArray("!ERR ") << QByteArray("9") << true << QString() << ErrorCode;
    }

    void controllerMessages() {
        QFETCH(QByteArray, part1);
        QFETCH(QByteArray, part2);
        QFETCH(bool, controllerError);
        QFETCH(QString, message);
        QFETCH(QString, status);
        EngineRig rig;
        rig.controllerMode();
        rig.request = "NKX\r";
        rig.minLength = 2;
        rig.peer.respond = [&](const QByteArray &) {
            if (!part2.isEmpty()) rig.peer.writeLater(part2, 40); // a separate notification
            return part1;
        };
        QElapsedTimer clock;
        clock.start();
        rig.query();
        QVERIFY(clock.elapsed() < rig.pacing.watchdogMs);
        QVERIFY(rig.answer.outcome ==
                (controllerError ? Reply::Outcome::ControllerError : Reply::Outcome::NoResponse));
        QCOMPARE(rig.host.messages(), message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(rig.host.statusTexts, status.isEmpty() ? QStringList{} : QStringList{status});
    }

    // A generic error that arrives shortly before the watchdog is due: the pause after it must not let
    // the watchdog add a time-out message (and a second resend) to the Controller's own error.
    void lateControllerErrorGivesNoTimeout() {
        // Margins of most of a second either way, so that a busy machine keeps the order.
        Pacing pacing = Pacing::real().pausesScaled(0.05);
        pacing.watchdogMs = 1000;
        pacing.controllerErrorPauseMs = 1200;
        EngineRig rig(pacing);
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        int frames = 0;
        rig.peer.respond = [&](const QByteArray &request) -> QByteArray {
            if (!request.startsWith("PASS ")) return QByteArrayLiteral(">");
            if (++frames == 1)
                rig.peer.writeLater("!ERR 7\r\n", 150);
            else
                return filler(15) + "LR>";
            return {};
        };
        const bool acknowledged = rig.send(0);
        QCOMPARE(rig.host.messages(), QStringList{});
        QCOMPARE(frames, 2);
        QVERIFY(acknowledged);
        QVERIFY(rig.host.statusTexts.contains(ErrorCode));
    }

    // The "no response" box stays open longer than the watchdog: the watchdog was stopped before it,
    // so no time-out joins it; the hourglass shows while the box of a command is up.
    void noResponseBoxOutlastsTheWatchdog() {
        EngineRig rig(EngineRig::silentDevice());
        rig.controllerMode();
        rig.host.boxOpenMs = rig.pacing.watchdogMs * 2;
        rig.command("*1DDBL 1!");
        rig.peer.respond = controllerScript({"!ERR 4\r\n", filler(15) + "LR>"});
        const bool acknowledged = rig.send(0);
        QCOMPARE(rig.host.messages(), QStringList{NoResponse});
        QVERIFY(rig.host.entries.at(0).busyCursor);
        QVERIFY(!rig.host.busyCursor);
        QCOMPARE(rig.peer.requests.size(), 2);
        QVERIFY(acknowledged);
    }

    void debugPromptBeforeACommandSendsDebugZeroThenRepeats() {
        EngineRig rig;
        rig.controllerMode();
        rig.command("*2BLKGN 1 40!");
        rig.peer.respond = controllerScript({"?\r\nDEB", filler(25) + "LR>"});
        const bool acknowledged = rig.send(0);
        QCOMPARE(rig.peer.requests.size(), 3);
        QVERIFY(rig.peer.requests.at(0).startsWith("PASS *2BLKGN 1 40!"));
        QCOMPARE(rig.peer.requests.at(1), QByteArray("debug 0\r"));
        QCOMPARE(rig.peer.requests.at(2), rig.peer.requests.at(0));
        QVERIFY(acknowledged);
        QVERIFY(rig.host.statusTexts.contains(QStringLiteral("Resending message....")));
        QVERIFY(rig.host.messages().isEmpty());
    }

    void debugPromptDuringAQueryRepeatsItOnce() {
        EngineRig rig;
        rig.controllerMode();
        rig.request = "NKX\r";
        rig.minLength = 2;
        rig.peer.respond = controllerScript({"?\r\nDEB", "?\r\nDEB"});
        rig.query();
        QCOMPARE(rig.peer.requests,
                 QList<QByteArray>({"NKX\r", "debug 0\r", "NKX\r"})); // no further repetition
        QVERIFY(rig.answer.outcome == Reply::Outcome::ControllerDebug);
    }

    void timeoutShowsOneMessagePerAttemptAndRepeats() {
        EngineRig rig(EngineRig::silentDevice());
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        rig.peer.respond = controllerScript({QByteArray(), QByteArray(), filler(15) + "LR>"});
        rig.send(0);
        QCOMPARE(rig.peer.requests.size(), 3);
        QCOMPARE(rig.host.messages(), QStringList({Timeout, Timeout}));
        QCOMPARE(rig.host.statusTexts.count(QStringLiteral("Resending message....")), 2);
        QVERIFY(!rig.engine.Timer1().isActive());
    }

    // A command nobody acknowledges is not resent for ever: after three failed attempts in a row, and
    // again after each further three, the user is asked whether to go on. Yes resends as before; No
    // ends the send as failed, names the device and the command, and sends nothing more.
    void unacknowledgedCommandAsksWhetherToGoOn_data() {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<bool>("acknowledged");
        const QByteArray refused("?\r\nCTR");
        const QByteArray ack = filler(19) + "LR>";
        QTest::newRow("refused, No at once")
            << QList<QByteArray>{refused} << QList<bool>{false} << 3 << false;
        QTest::newRow("time-outs, Yes then No")
            << QList<QByteArray>{QByteArray()} << QList<bool>{true, false} << 6 << false;
        QTest::newRow("refused four times, Yes, then acknowledged")
            << QList<QByteArray>{refused, refused, refused, refused, ack} << QList<bool>{true} << 5 << true;
        QTest::newRow("refused twice, then acknowledged, nobody asked")
            << QList<QByteArray>{refused, refused, ack} << QList<bool>{} << 3 << true;
    }

    void unacknowledgedCommandAsksWhetherToGoOn() {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QList<bool>, answers);
        QFETCH(int, attempts);
        QFETCH(bool, acknowledged);
        EngineRig rig(EngineRig::silentDevice()); // some rows wait out the watchdog
        rig.controllerMode();
        rig.command("*7BLKGN 4 21!");
        rig.peer.respond = controllerScript(replies);
        for (int i = 0; i < answers.size(); ++i)
            rig.host.expectYesNo(answers[i],
                                 QStringLiteral("Kestrix 2 (RS-485 ID 7) has not acknowledged the "
                                                "command *7BLKGN 4 21! in %1 attempts.")
                                     .arg(3 * (i + 1)));
        QSignalSpy abandoned(&rig.engine, &CommandEngine::commandAbandoned);

        QCOMPARE(rig.send(0, {2, 7}), acknowledged);
        QVERIFY2(rig.host.unexpected.isEmpty(), qPrintable(rig.host.unexpected.join('\n')));
        QCOMPARE(rig.host.pendingAnswers(), 0);
        QCOMPARE(rig.peer.requests.size(), attempts);
        for (const QByteArray &request : rig.peer.requests)
            QCOMPARE(request, QByteArray("PASS *7BLKGN 4 21!" +
                                         CommandEngine::checksumDigits("*7BLKGN 4 21!") + "\r\r"));
        for (const ScriptedHost::Entry &e : rig.host.entries)
            if (e.kind == ScriptedHost::Kind::YesNo)
                QCOMPARE(e.caption, QStringLiteral("Lumivane - Resend Command Verification"));
        QCOMPARE(abandoned.count(), acknowledged ? 0 : 1);
        QCOMPARE(rig.engine.abandonedCommand(), acknowledged ? QByteArray() : QByteArray("*7BLKGN 4 21!"));
        QCOMPARE(rig.engine.abandonedTarget().device, acknowledged ? 0 : 2);
        QCOMPARE(rig.engine.abandonedTarget().id, acknowledged ? 0 : 7);
        // Either way the send tidied up behind itself.
        QVERIFY(!rig.engine.Timer1().isActive());
        QVERIFY(rig.host.pagesEnabled);
        QVERIFY(!rig.host.busyCursor);
        QCOMPARE(rig.host.statusTexts.last(), QString());
    }

    // Nothing may be written past the 250-byte reply area: a longer reply ends the wait as failed.
    void replyAreaNeverOverflows() {
        EngineRig rig;
        rig.request = "KXQUERY 1 1\r";
        rig.minLength = 5;
        rig.peer.respond = [](const QByteArray &) { return QByteArray(300, 'z'); };
        rig.query();
        QVERIFY(rig.answer.outcome == Reply::Outcome::Failed);
        QVERIFY(rig.host.messages().isEmpty()); // ended at once, not by the watchdog

        // A reply that ends exactly at the last byte of the area still counts.
        rig.peer.respond = [](const QByteArray &) { return filler(247) + "\r\n#"; };
        rig.query();
        QVERIFY(!rig.failed());
        QCOMPARE(rig.reply().size(), CommandEngine::AreaSize);
        QCOMPARE(rig.reply().at(249), '\0');
    }

    void closedPortSendsNothing() {
        EngineRig rig;
        rig.port.SetOpen(false);
        QVERIFY(rig.engine.SendAndWaitAck("x\r"));
        // Acknowledged "by" the closed port: no recovery, no question.
        QVERIFY(rig.engine.SendDirectCommand("DDBL 1\r"));
        QVERIFY(rig.engine.linkOk());
        rig.controllerMode();
        rig.send(5);
        rig.query();
        QVERIFY(rig.host.entries.isEmpty());
        QVERIFY(rig.host.statusTexts.isEmpty());
        QCOMPARE(rig.host.pagesDisabledCount, 0);
        QVERIFY(!rig.host.busyCursor);
        EventPump::pause(20);
        QVERIFY(rig.peer.received.isEmpty());
    }

    void outputOverflowIsReportedAndNotWritten() {
        EngineRig rig;
        rig.peer.setReading(false);
        QVERIFY(rig.port.PutString(
            QByteArray(200000, 'f'))); // fills the line, then backs up in the output buffer
        QVERIFY(rig.port.GetOutBuffFree() < 10);
        rig.engine.WriteToPort("MARK\r");
        QCOMPARE(rig.host.messages(), QStringList({QStringLiteral(
                                          "Error! RS-232 communication port output buffer overflow. Please "
                                          "resend command.")}));
        rig.peer.setReading(true);
        QVERIFY(EventPump::waitUntil([&] { return rig.peer.received.size() >= 200000; }, 5000));
        EventPump::pause(20);
        QVERIFY(!rig.peer.received.contains("MARK"));
    }

    // The adapter is pulled out during a Controller command: one clear message, a closed port, and the
    // command stops repeating instead of timing out for ever.
    void lineLostDuringACommand() {
        EngineRig rig;
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        rig.peer.respond = [&](const QByteArray &) {
            QTimer::singleShot(30, [&] { rig.peer.hangUp(); });
            return QByteArray();
        };
        QElapsedTimer clock;
        clock.start();
        const bool acknowledged = rig.send(0);
        QVERIFY(clock.elapsed() < rig.pacing.watchdogMs);
        QVERIFY(!rig.port.isOpen());
        QVERIFY(!acknowledged);
        QVERIFY(rig.host.pagesEnabled);
        QVERIFY(!rig.host.busyCursor);
        QTRY_COMPARE(rig.host.messages().size(), 1);
        QVERIFY(rig.host.messages().at(0).startsWith(QStringLiteral("Error! COM Port #1 ")));
    }

    // The window is closed during a Controller command nobody answers: the wait ends at once and the
    // page container and cursor are restored.
    void abortEndsACommandWait() {
        EngineRig rig(Pacing::real());
        rig.controllerMode();
        rig.command("*1DDBL 1!");
        QTimer::singleShot(100, [] { EventPump::requestAbort(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!rig.send(1000));
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(rig.engine.aborted());
        QVERIFY(rig.host.messages().isEmpty());
        QVERIFY(rig.host.pagesEnabled);
        QVERIFY(!rig.host.busyCursor);
        QCOMPARE(EventPump::depth(), 0);
    }

    void linkActiveSwitchesTheLights() {
        EngineRig rig;
        StatusLightController lights(rig.port);
        rig.engine.setStatusLights(&lights);
        rig.engine.SetLinkActive(true);
        QVERIFY(rig.engine.LinkActive());
        QVERIFY(lights.monitoring());
        rig.engine.SetLinkActive(false);
        QVERIFY(!lights.monitoring());
    }

    void sendAndWaitAckRestoresCommandBusy() {
        EngineRig rig;
        int busyDuringWait = -1;
        rig.peer.respond = [&](const QByteArray &) {
            busyDuringWait = rig.busy;
            return QByteArrayLiteral("#");
        };
        rig.busy = 0;
        QVERIFY(rig.engine.SendAndWaitAck("\r"));
        QCOMPARE(busyDuringWait, 1);
        QCOMPARE(rig.busy, 0);
        QCOMPARE(rig.host.statusTexts, QStringList({QStringLiteral("Sending command...."), QString()}));
    }

    // The protocol's timings at their real values: watchdog 8000 ms, the generic "!ERR" pause and the
    // resend pause of 900 ms each, 1000 ms after "debug 0" in a query, settle steps of 1 ms.
    void realTimings() {
        EngineRig rig(Pacing::real());
        rig.controllerMode();
        const Durations generic = Durations::measure(2600, [&] {
            rig.command("*1DDBL 1!");
            rig.peer.respond = controllerScript({"!ERR 7", filler(15) + "LR>"});
            rig.send(300);
            return true;
        });
        QVERIFY2(generic.within(2100, 2600), generic.describe());

        const Durations debugPause = Durations::measure(1400, [&] {
            rig.request = "NKX\r";
            rig.minLength = 2;
            rig.peer.respond = controllerScript({"?\r\nDEB", "2 5 6\r\nLR>"});
            rig.query();
            return !rig.failed();
        });
        QVERIFY2(debugPause.within(1000, 1400), debugPause.describe());

        rig.peer.respond = {};
        int timeouts = 0;
        const Durations watchdog = Durations::measure(8400, [&] {
            rig.query();
            ++timeouts;
            return rig.failed();
        });
        QVERIFY2(watchdog.within(8000, 8400), watchdog.describe());
        QCOMPARE(rig.host.messages(), QStringList(timeouts, Timeout));
    }
};

QTEST_GUILESS_MAIN(TestCommandEngine)
#include "tst_engine.moc"
