// SPDX-License-Identifier: GPL-3.0-or-later
#include "Discovery.h"

#include <QTest>

// The Controller's answer to the device-count query, read as the connection sequence reads it.
class ControllerCountTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("length");          // -1: the whole answer
        QTest::addColumn<QList<int>>("expected"); // numbers read, then count, id1, id2 as far as read

        QTest::newRow("echo, count and two ids")
            << QByteArray("NKX\r\n2 12 200\r\nLR") << -1 << QList<int>{3, 2, 12, 200};
        QTest::newRow("one device") << QByteArray("NKX\r\n1 5\r\nLR") << -1 << QList<int>{2, 1, 5};
        QTest::newRow("none connected") << QByteArray("NKX\r\n0\r\nLR") << -1 << QList<int>{1, 0};
        QTest::newRow("rejected: no digit") << QByteArray("?\r\nCTR\r\n") << -1 << QList<int>{0};
        QTest::newRow("first digit at byte 29") << QByteArray(29, ' ') + "1 7" << -1 << QList<int>{2, 1, 7};
        QTest::newRow("first digit at byte 30") << QByteArray(30, ' ') + "1 7" << -1 << QList<int>{0};
        QTest::newRow("length ends the answer") << QByteArray("2 5 6") << 3 << QList<int>{2, 2, 5};
        QTest::newRow("no NUL in a full area") << QByteArray(250, '7') << -1 << QList<int>{0};
        // Noise that makes a number too large for an int must not read as a small, valid count.
        QTest::newRow("count too large") << QByteArray("4294967298 5 6") << -1 << QList<int>{0};
        QTest::newRow("id too large") << QByteArray("2 5 99999999999") << -1 << QList<int>{2, 2, 5};
    }

    void parse() {
        QFETCH(QByteArray, answer);
        QFETCH(int, length);
        QFETCH(QList<int>, expected);
        // An exact-size copy: a read past the answer is a sanitizer report.
        std::vector<quint8> bytes(answer.begin(), answer.end());
        const ControllerCount c = parseControllerCount(bytes.data(), length < 0 ? int(bytes.size()) : length);
        const QList<int> read = QList<int>{c.numbers, c.count, c.id1, c.id2}.mid(0, 1 + c.numbers);
        QCOMPARE(read, expected);
    }
};

QTEST_GUILESS_MAIN(ControllerCountTest)
#include "tst_controllercount.moc"
