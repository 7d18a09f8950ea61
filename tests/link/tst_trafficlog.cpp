// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log: bursts as lines, its bound in real memory, the saved text and its failures, and
// the capture file written as the traffic happens.
#include "TrafficLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

namespace {

using Dir = TrafficLog::Direction;

QByteArray fileText(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The lines of a text without their date and time.
QList<QByteArray> untimed(const QByteArray &text) {
    QList<QByteArray> lines;
    for (const QByteArray &line : text.split('\n'))
        if (!line.isEmpty()) lines << (line.startsWith('#') || line.startsWith('(') ? line : line.mid(24));
    return lines;
}

} // namespace

class TestTrafficLog : public QObject {
    Q_OBJECT
private slots:
    // Bytes going one way without a pause longer than the burst gap are one line, stamped with the time
    // of their first byte; a change of direction, a pause, a mark or a full chunk starts a new line.
    void burstsAreLines() {
        TrafficLog log;
        const qint64 t0 = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 890)).toMSecsSinceEpoch();
        log.mark("port opened: /dev/ttyUSB0", t0);
        log.record(Dir::Sent, "RD\r", t0 + 1);
        log.record(Dir::Received, "KX", t0 + 10);
        log.record(Dir::Received, ">\x01\\", t0 + 10 + TrafficLog::BurstGapMs); // still the same burst
        log.record(Dir::Received, "later", t0 + 200);                           // after a pause
        log.record(Dir::Sent, "a", t0 + 201);
        log.record(Dir::Received, QByteArray(TrafficLog::MaxChunkBytes + 4, 'z'), t0 + 202);
        const QList<QByteArray> lines = untimed(log.toText({"Port: /dev/ttyUSB0", "Mode: direct"}));
        const QList<QByteArray> expected = {"# Port: /dev/ttyUSB0",
                                            "# Mode: direct",
                                            "-- port opened: /dev/ttyUSB0",
                                            "TX RD\\x0D",
                                            "RX KX>\\x01\\x5C",
                                            "RX later",
                                            "TX a",
                                            "RX " + QByteArray(TrafficLog::MaxChunkBytes, 'z'),
                                            "RX zzzz"};
        QCOMPARE(lines, expected);
        QVERIFY(log.toText().split('\n').at(2).startsWith("2026-03-04 05:06:07.900 RX KX>"));
        QCOMPARE(log.endSerial() - log.firstSerial(), qint64(log.chunks().size()));
    }

    // The bound counts what the chunks really cost (their heap blocks and list slots), not their
    // payload: a stream of one-byte chunks, the worst case, stays within it, and so does the heap.
    void capacityCountsRealMemory() {
        constexpr qint64 Capacity = 1024 * 1024;
        const size_t heapBefore = mallinfo2().uordblks;
        qint64 recorded = 0;
        {
            TrafficLog log(Capacity);
            qint64 t = 0;
            for (int i = 0; i < 200000; ++i, ++recorded)
                log.record(i % 2 ? Dir::Sent : Dir::Received, "x", t += 1000);
            QVERIFY(log.memoryUse() <= Capacity);
            // Each chunk costs at least its slot in the list and a 32-byte block.
            QVERIFY2(qint64(log.chunks().size()) * qint64(sizeof(TrafficLog::Chunk) + 32) <= Capacity,
                     qPrintable(QString::number(log.chunks().size())));
            QCOMPARE(log.droppedBytes() + qint64(log.chunks().size()), recorded);
            QVERIFY(log.toText().startsWith(QByteArray("(") + QByteArray::number(log.droppedBytes()) +
                                            " earlier bytes not kept)\n"));
            // What the allocator handed out agrees (with room for its own bookkeeping).
            const qint64 heapGrowth = qint64(mallinfo2().uordblks) - qint64(heapBefore);
            QVERIFY2(heapGrowth <= Capacity + Capacity / 10, qPrintable(QString::number(heapGrowth)));

            // A continuous stream fills chunks up, so the same bound keeps far more bytes.
            log.clear();
            for (int i = 0; i < 10000; ++i)
                log.record(Dir::Received, QByteArray(200, 'y'), t += 1);
            QVERIFY(log.memoryUse() <= Capacity);
            qint64 held = 0;
            for (const TrafficLog::Chunk &chunk : log.chunks())
                held += chunk.bytes.size();
            QVERIFY2(held >= Capacity * 9 / 10, qPrintable(QString::number(held)));
        }
        // The newest chunk always stays, even one larger than the bound.
        TrafficLog tiny(100);
        tiny.record(Dir::Sent, QByteArray(30, 'a'), 0);
        tiny.record(Dir::Received, QByteArray(500, 'b'), 1000);
        QCOMPARE(tiny.chunks().size(), size_t(1));
        QCOMPARE(tiny.chunks().front().bytes, QByteArray(500, 'b'));
        QCOMPARE(tiny.droppedBytes(), 30);
    }

    // The saved file is the text of the log, written piece by piece; a failure names the reason in
    // words and leaves an existing file as it was.
    void writeToSavesTheWholeText() {
        TrafficLog log;
        qint64 t = 0;
        for (int i = 0; i < 3000; ++i)
            log.record(i % 3 ? Dir::Received : Dir::Sent, QByteArray(300, char('A' + i % 26)), t += 100);
        QTemporaryDir dir;
        const QString path = dir.filePath("traffic.txt");
        QString error;
        QVERIFY2(log.writeTo(path, {"Port: COM1"}, &error), qPrintable(error));
        QCOMPARE(fileText(path), log.toText({"Port: COM1"}));
        QVERIFY(fileText(path).size() > 512 * 1024);
    }

    void writeToFailures_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing/traffic.txt"
                                        << "missing does not exist";
        QTest::newRow("folder is a file") << "kept.txt/traffic.txt"
                                          << "kept.txt is not a folder";
        QTest::newRow("path is a folder") << "sub"
                                          << "it is a folder";
    }
    void writeToFailures() {
        QFETCH(QString, relative);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile kept(dir.filePath("kept.txt"));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("old");
        kept.close();
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        TrafficLog log;
        log.record(Dir::Sent, "x");
        QString error;
        QVERIFY(!log.writeTo(dir.filePath(relative), {}, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!error.contains("Unknown error", Qt::CaseInsensitive));
        QCOMPARE(fileText(dir.filePath("kept.txt")), QByteArray("old"));
        // Starting a capture there fails the same way.
        QVERIFY(!log.startCapture(dir.filePath(relative), {}, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!log.capturing());
    }

    // The capture file has every record as soon as it is recorded (nothing waits in a buffer), one
    // line per burst, and ends up as the text of the log from the start of the capture.
    void captureFollowsTheTraffic() {
        QTemporaryDir dir;
        const QString path = dir.filePath("capture.txt");
        TrafficLog log;
        qint64 t = 100000;
        log.record(Dir::Received, "before", t);
        QString error;
        QVERIFY2(log.startCapture(path, {"Port: COM1", "Baud: 57600"}, &error), qPrintable(error));
        QVERIFY(log.capturing());
        QCOMPARE(log.capturePath(), path);
        // Within the burst that began before the capture: the capture's first line has its own start.
        log.record(Dir::Received, "ab", t += 5);
        QVERIFY(fileText(path).endsWith(" RX ab"));
        log.record(Dir::Received, "cd", t += 5); // same burst: the same line goes on
        QVERIFY(fileText(path).endsWith(" RX abcd"));
        log.record(Dir::Sent, "GO\r", t += 1);
        QVERIFY(fileText(path).endsWith(" TX GO\\x0D"));
        log.record(Dir::Received, "ef", t += 1000);
        log.mark("line lost: gone", t += 1);
        QVERIFY(fileText(path).endsWith(" -- line lost: gone"));
        log.stopCapture();
        QVERIFY(!log.capturing());
        QByteArray expected = log.toText({"Port: COM1", "Baud: 57600"});
        const qsizetype before = expected.indexOf(" RX before\n");
        const qsizetype lineStart = expected.lastIndexOf('\n', before) + 1;
        expected.remove(lineStart, before + 11 - lineStart);
        QCOMPARE(fileText(path), expected);
        QVERIFY(!fileText(path).contains("before"));
    }

    // A full disk stops the capture and says why; the log goes on.
    void captureFailureStopsAndTells() {
        if (!QFile::exists("/dev/full")) QSKIP("no /dev/full on this system");
        TrafficLog log;
        QString failedPath, failure;
        int calls = 0;
        log.setCaptureFailureHandler([&](const QString &path, const QString &reason) {
            ++calls;
            failedPath = path;
            failure = reason;
        });
        QString error;
        QVERIFY2(log.startCapture("/dev/full", {}, &error), qPrintable(error));
        log.record(Dir::Received, "abc");
        QCOMPARE(calls, 1);
        QCOMPARE(failedPath, QString("/dev/full"));
        QVERIFY2(!failure.isEmpty() && !failure.contains("Unknown error", Qt::CaseInsensitive),
                 qPrintable(failure));
        QVERIFY(!log.capturing());
        log.record(Dir::Received, "def", QDateTime::currentMSecsSinceEpoch() + 10000);
        QCOMPARE(calls, 1);
        QCOMPARE(log.chunks().size(), size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
