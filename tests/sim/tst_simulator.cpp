// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator over a real pseudo-terminal, seen from the program's side of the line through
// QSerialPort: exact answer bytes, the request log, state changes, faults, line rates and pacing.

#include "KestrixSimulator.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTest>

namespace {

QByteArray checksummed(const QByteArray &text) {
    unsigned sum = 0;
    for (char c : text)
        sum += quint8(c);
    return text + QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0');
}

qint32 be32At(const QByteArray &b, int at) {
    return qint32(quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
                  quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3])));
}

// The program's end of the line.
class Wire {
public:
    bool open(const QString &path, int baud) {
        port.setPortName(path);
        port.setBaudRate(baud);
        return port.open(QIODevice::ReadWrite);
    }

    void send(const QByteArray &bytes) {
        port.write(bytes);
        port.waitForBytesWritten(200);
    }

    // Reads until the bytes end with `ending` or the time is up.
    QByteArray readUntil(const QByteArray &ending, int timeoutMs = 2000) {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (!got.endsWith(ending) && clock.elapsed() < timeoutMs) {
            if (port.bytesAvailable() > 0 || port.waitForReadyRead(int(timeoutMs - clock.elapsed())))
                got += port.readAll();
        }
        return got;
    }

    // Everything that arrives within `ms`.
    QByteArray readFor(int ms) {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (port.waitForReadyRead(int(ms - clock.elapsed()))) got += port.readAll();
        }
        return got + port.readAll();
    }

    QByteArray exchange(const QByteArray &request, const QByteArray &ending) {
        send(request);
        return readUntil(ending);
    }

    QSerialPort port;
};

SimOptions controllerWith(QList<int> ids) {
    SimOptions o;
    o.mode = SimOptions::Controller;
    o.ids = ids;
    return o;
}

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

    std::unique_ptr<KestrixSimulator> sim;
    Wire wire;

    void startWith(const SimOptions &options, int baud = 0) {
        sim = std::make_unique<KestrixSimulator>(options);
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        if (baud == 0)
            baud = options.mode == SimOptions::Direct ? options.directBaud : options.controllerBaud;
        QVERIFY2(wire.open(sim->slavePath(), baud), qPrintable(wire.port.errorString()));
    }

private slots:
    void cleanup() {
        wire.port.close();
        sim.reset();
    }

    void everyByteCrossesUnchanged() {
        startWith({});
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        sim->injectFault(SimFault::Silence, 2); // the CR inside cuts a request: answer none of it
        wire.send(all + '\r');
        QTRY_COMPARE(sim->receivedBytes(), all + '\r');
        QCOMPARE(wire.readFor(100), QByteArray());
        sim->sendRaw(all);
        QCOMPARE(wire.readUntil(all.right(4)), all);
    }

    void directDeviceAnswersAndKeepsState() {
        startWith({});
        QCOMPARE(wire.exchange("\r", "#"), QByteArray("#"));
        QCOMPARE(wire.exchange("BLKGN 2 40\r", "#"), QByteArray("\r\n#"));
        QCOMPARE(sim->device(1).outputs[1].blackLevel, quint8(40));

        const QByteArray reply = wire.exchange("OINFOKX 2\r", "\r\n#");
        QCOMPARE(reply.size(), 2 + 65 + 3);
        QCOMPARE(reply.left(2), QByteArray("\x01\x42"));
        QCOMPARE(quint8(reply[2 + 46]), quint8(40)); // black level, read by hand

        QCOMPARE(wire.exchange("ICNTKX 3 R  2.5\r", "#"), QByteArray("\r\n#"));
        const QByteArray input = wire.exchange("IINFOKX 3\r", "\r\n#");
        QCOMPARE(be32At(input, 2 + 46), 25); // red contrast in tenths

        // A line closed by two CRs is two requests to the device, the second one empty: two answers.
        wire.send("RGBADJ\r\r");
        QCOMPARE(wire.readFor(150), QByteArray("\r\n##"));
        // A line the device does not understand gets no answer at all.
        wire.send("BLKGN 9 40\r");
        QCOMPARE(wire.readFor(200), QByteArray());

        const QList<SimRequest> log = sim->requests();
        QCOMPARE(log.size(), 7);
        QCOMPARE(log[0].kind, SimRequest::Probe);
        QCOMPARE(log[1].raw, QByteArray("BLKGN 2 40\r"));
        QCOMPARE(log[1].command, QByteArray("BLKGN 2 40"));
        QCOMPARE(log[1].baud, 38400);
        QCOMPARE(log[2].kind, SimRequest::Query);
        QCOMPARE(log[5].raw, QByteArray("RGBADJ\r\r"));
        QCOMPARE(sim->device(1).autoColorBalances, 1);
        QVERIFY(!log[6].answered);
        QVERIFY(!log[6].error.isEmpty());
    }

    void controllerRelaysFramesByRs485Id() {
        startWith(controllerWith({5, 6}));
        QCOMPARE(wire.exchange("\r", ">"), QByteArray(">"));
        QCOMPARE(wire.exchange("NKX\r", "LR>"), QByteArray("NKX\r\n2 5 6\r\nLR>"));

        // The frame arrives in pieces, as the program writes it; nothing is answered before CR CR.
        const QByteArray text = "*6BLKGN 2 40!";
        const QByteArray frame = "PASS " + checksummed(text) + "\r\r";
        QCOMPARE(checksummed(text).right(2), QByteArray("C5"));
        wire.send("PASS ");
        wire.send(text);
        wire.send(checksummed(text).right(2));
        QCOMPARE(wire.readFor(150), QByteArray());
        wire.send("\r\r");
        const QByteArray answer = wire.readFor(250);
        // The frame's answer, then the Controller's answer to the empty line of the second CR.
        QVERIFY2(answer.endsWith("LR>>"), answer.constData());
        QVERIFY(answer.indexOf('>') >= text.size() + 8);
        QCOMPARE(sim->device(2).outputs[1].blackLevel, quint8(40));
        QCOMPARE(sim->device(1).outputs[1].blackLevel, quint8(0));

        const SimRequest r = sim->requests().last();
        QCOMPARE(r.raw, frame);
        QVERIFY(r.framed && r.checksumOk);
        QCOMPARE(r.targetId, 6);
        QCOMPARE(r.command, QByteArray("BLKGN 2 40"));
        QCOMPARE(r.baud, 57600);

        QCOMPARE(wire.exchange("PASS *6BLKGN 2 41!C5\r\r", "CTR\r\n>"), QByteArray("?\r\nCTR\r\n>"));
        QCOMPARE(sim->device(2).outputs[1].blackLevel, quint8(40));
        QVERIFY(!sim->requests().last().checksumOk);
        QCOMPARE(wire.exchange("PASS " + checksummed("*7DDBL 1!") + "\r\r", "\r\n>"),
                 QByteArray("!ERR 4\r\n>"));

        const QByteArray record = wire.exchange("KXQUERY *6OINFOKX 2!\r", "LR>");
        QCOMPARE(record.size(), 2 + 65 + 3);
        QCOMPARE(quint8(record[2 + 46]), quint8(40));
        QCOMPARE(sim->requests().last().targetId, 6);
        QCOMPARE(sim->requests().last().kind, SimRequest::Query);
    }

    void controllerCountCanDifferFromDevicesPresent_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("none") << QByteArray("0");
        QTest::newRow("three") << QByteArray("3 5 6 7");
    }

    void controllerCountCanDifferFromDevicesPresent() {
        QFETCH(QByteArray, text);
        SimOptions o = controllerWith({5, 6});
        o.nkxText = text;
        startWith(o);
        QCOMPARE(wire.exchange("NKX\r", "LR>"), "NKX\r\n" + text + "\r\nLR>");
    }

    void debugPromptHoldsUntilDebugOff() {
        startWith(controllerWith({1, 2}));
        const QByteArray frame = "PASS " + checksummed("*1DDBL 1!") + "\r\r";
        QCOMPARE(frame, QByteArray("PASS *1DDBL 1!E3\r\r"));
        sim->injectFault(SimFault::DebugPrompt);
        QCOMPARE(wire.exchange(frame, "DEB\r\n>"), QByteArray("?\r\nDEB\r\n>")); // and the empty line's
        QCOMPARE(wire.exchange("KXQUERY *1SYINFOKX!\r", "DEB\r\n"), QByteArray("?\r\nDEB\r\n"));
        QCOMPARE(wire.exchange("\r", ">"), QByteArray(">"));
        QVERIFY(sim->atDebugPrompt());
        QCOMPARE(sim->device(1).outputs[0].dataDoubling, quint8(0));
        QCOMPARE(wire.exchange("debug 0\r", ">"), QByteArray(">"));
        QVERIFY(!sim->atDebugPrompt());
        QVERIFY(wire.exchange(frame, "LR>>").endsWith("LR>>"));
        QCOMPARE(sim->device(1).outputs[0].dataDoubling, quint8(1));
    }

    void faults_data() {
        QTest::addColumn<bool>("controller");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("arg");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected"); // the exact answer; empty: nothing at all
        const QByteArray frame = "PASS *1DDBL 1!E3\r\r";
        QTest::newRow("dropped ack, direct")
            << false << int(SimFault::DropAck) << 0 << QByteArray("DDBL 1\r") << QByteArray("\r\n");
        QTest::newRow("dropped ack, Controller")
            << true << int(SimFault::DropAck) << 0 << frame << QByteArray(frame + "LR");
        QTest::newRow("reject") << true << int(SimFault::ControllerReject) << 0 << frame
                                << QByteArray("?\r\nCTR\r\n>");
        QTest::newRow("error 4") << true << int(SimFault::ControllerError) << 0 << frame
                                 << QByteArray("!ERR 4\r\n>");
        QTest::newRow("error 2") << true << int(SimFault::ControllerError) << int('2') << frame
                                 << QByteArray("!ERR 2\r\n>");
        QTest::newRow("garbage") << false << int(SimFault::Garbage) << 3 << QByteArray("\r")
                                 << QByteArray("\xFF\x00\x55#", 4);
        QTest::newRow("no marker") << false << int(SimFault::NoMarker) << 0 << QByteArray("SYINFOKX\r")
                                   << QByteArray("\x02\x00"
                                                 "2.17a\x00\r\n#",
                                                 11);
        QTest::newRow("silence") << true << int(SimFault::Silence) << 0 << frame << QByteArray();
    }

    void faults() {
        QFETCH(bool, controller);
        QFETCH(int, fault);
        QFETCH(int, arg);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        startWith(controller ? controllerWith({1, 2}) : SimOptions{});
        sim->injectFault(SimFault(fault), 1, arg);
        wire.send(request);
        QCOMPARE(wire.readFor(250), expected);
        QVERIFY(sim->waitForRequests(1, 1000));
        // The fault is spent: the same request is answered normally the second time.
        wire.send(request);
        const QByteArray normal = wire.readFor(250);
        QVERIFY2(normal.endsWith(controller ? "LR>>" : "#"), normal.toHex().constData());
    }

    void faultsCanTargetOneRequest() {
        startWith({});
        sim->injectFault(SimFault::Silence, 1, 0, "OINFOKX");
        QCOMPARE(wire.exchange("\r", "#"), QByteArray("#"));
        wire.send("OINFOKX 1\r");
        QCOMPARE(wire.readFor(200), QByteArray());
        QVERIFY(wire.exchange("OINFOKX 1\r", "\r\n#").startsWith("\x01\x42"));
    }

    void lateAndSplitAnswersKeepTheirBytes() {
        startWith({});
        sim->injectFault(SimFault::LateAck, 1, 400);
        QElapsedTimer clock;
        clock.start();
        wire.send("DDBL 1\r");
        QCOMPARE(wire.readFor(200), QByteArray());
        QCOMPARE(wire.readUntil("#"), QByteArray("\r\n#"));
        QVERIFY(clock.elapsed() >= 400);

        sim->injectFault(SimFault::SplitReply, 1, 15);
        wire.send("SYINFOKX\r");
        QByteArray got;
        qsizetype firstRead = -1;
        qint64 firstReadMs = 0;
        clock.restart();
        while (!got.endsWith("\r\n#") && clock.elapsed() < 2000) {
            if (wire.port.waitForReadyRead(500)) {
                got += wire.port.readAll();
                if (firstRead < 0) {
                    firstRead = got.size();
                    firstReadMs = clock.elapsed();
                }
            }
        }
        QCOMPARE(got, QByteArray("\x01\x08\x02\x00"
                                 "2.17a\x00\r\n#",
                                 13));
        // Piecemeal, not in one block: a first read well before the last byte was due cannot have held
        // it (a reader held up by a busy machine may find everything at once, which proves nothing).
        if (firstReadMs < 12 * 15 - 20)
            QVERIFY2(firstRead < got.size(), qPrintable(QString::number(firstReadMs)));
        QVERIFY(clock.elapsed() >= 12 * 15 - 5); // 13 bytes, 15 ms apart
    }

    // The search tries both rates; a far end that answers only at its own rate tells them apart.
    void onlyAtModeBaud() {
        SimOptions o;
        o.onlyAtModeBaud = true;
        startWith(o, 57600);
        wire.send("\r");
        QCOMPARE(wire.readFor(200), QByteArray());
        QVERIFY(wire.port.setBaudRate(38400));
        QCOMPARE(wire.exchange("\r", "#"), QByteArray("#"));
        const QList<SimRequest> log = sim->requests();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].baud, 57600);
        QVERIFY(!log[0].answered);
        QCOMPARE(log[1].baud, 38400);
        QCOMPARE(sim->lineBaud(), 38400);
    }

    // At 9600 baud a byte takes about 1.04 ms on a real line; paced, the pty must not be faster.
    void pacingFollowsTheLineRate() {
        SimOptions o;
        o.paceOutput = true;
        o.paceInput = true;
        startWith(o, 9600);
        QElapsedTimer clock;
        clock.start();
        const QByteArray request = "OINFOKX 1\r"; // 10 bytes in, 70 bytes out: 80 byte times
        wire.send(request);
        const QByteArray reply = wire.readUntil("\r\n#");
        QCOMPARE(reply.size(), 70);
        QVERIFY2(clock.elapsed() >= 80 * 10 * 1000 / 9600 - 2,
                 QByteArray::number(clock.elapsed()).constData());
    }

    // The program closes and reopens its port (search, disconnect); the far end keeps serving, and a
    // stopped simulator starts again on a fresh terminal.
    void servesAcrossReopenAndRestart() {
        startWith({});
        const QString first = sim->slavePath();
        wire.port.close();
        QVERIFY(wire.open(first, 38400));
        QCOMPARE(wire.exchange("\r", "#"), QByteArray("#"));
        wire.port.close();
        sim->stop();
        QVERIFY(!sim->isRunning());
        QVERIFY(sim->start());
        QVERIFY(wire.open(sim->slavePath(), 38400));
        QCOMPARE(wire.exchange("\r", "#"), QByteArray("#"));
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
