// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated device without a line: its status records byte by byte, and its command interpreter.

#include "SimCommandSet.h"
#include "SimRecords.h"

#include <QTest>

namespace {

qint32 be32At(const QByteArray &b, int at) {
    return qint32(quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
                  quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3])));
}

int be16At(const QByteArray &b, int at) {
    return quint8(b[at]) << 8 | quint8(b[at + 1]);
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT

private slots:
    void numberEncodings() {
        QByteArray out;
        SimRecords::appendBe32(out, -10); // -1.0 in tenths
        SimRecords::appendBe32(out, 22);  // 2.2
        SimRecords::appendBe16(out, 0x1234);
        QCOMPARE(out, QByteArray::fromHex("fffffff6"
                                          "00000016"
                                          "1234"));
    }

    void recordLengthsPerFormat_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("length"); // marker + format + payload
        QTest::newRow("system") << int(SimCommandSet::Query::System) << 0x08 << 10;
        QTest::newRow("input short F") << int(SimCommandSet::Query::Input) << int('F') << 72;
        QTest::newRow("input long N") << int(SimCommandSet::Query::Input) << int('N') << 80;
        QTest::newRow("output 3E") << int(SimCommandSet::Query::Output) << 0x3E << 66;
        QTest::newRow("output 3F") << int(SimCommandSet::Query::Output) << 0x3F << 66;
        QTest::newRow("output 40") << int(SimCommandSet::Query::Output) << 0x40 << 66;
        QTest::newRow("output 42 long") << int(SimCommandSet::Query::Output) << 0x42 << 67;
    }

    void recordLengthsPerFormat() {
        QFETCH(int, kind);
        QFETCH(int, format);
        QFETCH(int, length);
        SimDevice d;
        d.systemFormat = d.inputFormat = d.outputFormat = quint8(format);
        const QByteArray r = SimCommandSet::record(d, {SimCommandSet::Query::Kind(kind), 2});
        QCOMPARE(r.size(), length);
        QCOMPARE(quint8(r[0]), quint8(0x01));
        QCOMPARE(quint8(r[1]), quint8(format));
        QCOMPARE(SimCommandSet::record(d, {SimCommandSet::Query::Kind(kind), 2}, false), r.mid(2));
    }

    void systemRecordCarriesVersion() {
        SimDevice d;
        d.version = {'3', '.', '0', '\0', 'x'};
        QCOMPARE(SimRecords::systemRecord(d), QByteArray("\x01\x08\x02\x00"
                                                         "3.0\0x\0",
                                                         10));
    }

    void inputRecordFields() {
        SimDevice d;
        auto &in = d.inputs[2];
        in.phaseOffset = -3;
        in.hPosition = 301;
        in.contrast = {1105, -10, 25, 0};
        in.brightness = {950, 0, 0, -250};
        in.hPositionLimit = 612;
        const QByteArray p = SimRecords::inputRecord(d, 3).mid(2);
        QCOMPARE(be32At(p, 2), -3);
        QCOMPARE(be32At(p, 16), 301);
        QCOMPARE(be32At(p, 38), 1105); // overall contrast
        QCOMPARE(be32At(p, 42), 950);  // overall brightness
        QCOMPARE(be32At(p, 46), -10);  // red contrast
        QCOMPARE(be32At(p, 54), 25);   // green contrast
        QCOMPARE(be32At(p, 66), -250); // blue brightness
        QCOMPARE(be32At(p, 70), 612);
    }

    // Bytes 30-45 carry the halo in the short form and the feather widths in the long form.
    void outputRecordShortAndLongForms() {
        SimDevice d;
        auto &o = d.outputs[0];
        o.leftHaloWidth = 11;
        o.rightHaloOffset = -7;
        o.leftGammaWidth = 300;
        o.rightGammaOffset = 12;
        o.basicFeathering = 1;
        o.bridgeThreshold = 99;
        o.featherMode = 'L';
        d.outputFormat = 0x3F;
        const QByteArray shortForm = SimRecords::outputRecord(d, 1).mid(2);
        QCOMPARE(be32At(shortForm, 30), 11);
        QCOMPARE(be32At(shortForm, 42), -7);
        QCOMPARE(be16At(shortForm, 16), 1);
        QCOMPARE(shortForm.at(63), 'L');
        d.outputFormat = 0x42;
        const QByteArray longForm = SimRecords::outputRecord(d, 1).mid(2);
        QCOMPARE(be32At(longForm, 30), 300);
        QCOMPARE(be32At(longForm, 42), 12);
        QCOMPARE(quint8(longForm.at(64)), quint8(99));
    }

    void commandsChangeTheState_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("query"); // the record that shows the change
        QTest::addColumn<int>("offset");       // payload offset of the field
        QTest::addColumn<int>("width");        // 1 byte, 2 be16, 4 be32
        QTest::addColumn<int>("expected");
        QTest::newRow("BLKGN") << QByteArray("BLKGN 2 40") << QByteArray("OINFOKX 2") << 46 << 1 << 40;
        QTest::newRow("KXCTRL every channel")
            << QByteArray("KXCTRL 1") << QByteArray("OINFOKX 4") << 3 << 1 << 1;
        QTest::newRow("DDBL") << QByteArray("DDBL 1") << QByteArray("OINFOKX 1") << 6 << 1 << 1;
        QTest::newRow("DISP overlap") << QByteArray("DISP 1 320") << QByteArray("OINFOKX 3") << 8 << 4 << 320;
        QTest::newRow("EFTB gamma") << QByteArray("EFTB 1  2.5") << QByteArray("OINFOKX 1") << 12 << 4 << 25;
        QTest::newRow("HALO right offset") << QByteArray("HALO 1 R 5 -6") << QByteArray("OINFOKX 1") << 42
                                           << 4 << -6; // device answers the short form in this test
        QTest::newRow("OTPMKX all channels")
            << QByteArray("OTPMKX 5 9 1 0") << QByteArray("OINFOKX 4") << 47 << 1 << 9;
        QTest::newRow("ICNTKX green")
            << QByteArray("ICNTKX 2 G -1.5") << QByteArray("IINFOKX 2") << 54 << 4 << -15;
        QTest::newRow("IBRTKX overall")
            << QByteArray("IBRTKX 2 C 110.0") << QByteArray("IINFOKX 2") << 42 << 4 << 1100;
        QTest::newRow("ICPHOKX") << QByteArray("ICPHOKX 1 M -12") << QByteArray("IINFOKX 1") << 2 << 4 << -12;
        QTest::newRow("IRSPKX V") << QByteArray("IRSPKX 4 M V 40") << QByteArray("IINFOKX 4") << 24 << 4
                                  << 40;
        QTest::newRow("PRJ") << QByteArray("PRJ 1 6") << QByteArray("OINFOKX 2") << 5 << 1 << 6;
        QTest::newRow("MANSEAM gain 8")
            << QByteArray("MANSEAM 3 -4 1 2 3 4 5 6 7 8") << QByteArray("OINFOKX 3") << 61 << 1 << 8;
        QTest::newRow("MANSEAM start")
            << QByteArray("MANSEAM 3 -4 1 2 3 4 5 6 7 8") << QByteArray("OINFOKX 3") << 50 << 4 << -4;
        QTest::newRow("BRDGSEAM") << QByteArray("BRDGSEAM 2 1") << QByteArray("OINFOKX 2") << 62 << 1 << 1;
        QTest::newRow("FEATHER") << QByteArray("FEATHER L") << QByteArray("OINFOKX 4") << 63 << 1 << int('L');
        QTest::newRow("PEFT left gamma")
            << QByteArray("PEFT 1 L 1  2.2 0 0") << QByteArray("OINFOKX 1") << 18 << 4 << 22;
        QTest::newRow("AUTOPOS centres")
            << QByteArray("AUTOPOS") << QByteArray("IINFOKX 1") << 16 << 4 << 296;
    }

    void commandsChangeTheState() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, query);
        QFETCH(int, offset);
        QFETCH(int, width);
        QFETCH(int, expected);
        SimDevice d;
        d.inputs[0].hPosition = 10;
        d.outputFormat = 0x40;
        QString error;
        QVERIFY2(SimCommandSet::apply(d, command, &error), qPrintable(error));
        SimCommandSet::Query q;
        QVERIFY(SimCommandSet::parseQuery(query, &q));
        const QByteArray p = SimCommandSet::record(d, q).mid(2);
        const int value = width == 1 ? quint8(p[offset]) : width == 2 ? be16At(p, offset) : be32At(p, offset);
        QCOMPARE(value, expected);
    }

    void malformedCommandsChangeNothing_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("unknown token") << QByteArray("BLKGNX 1 4");
        QTest::newRow("channel 0") << QByteArray("BLKGN 0 40");
        QTest::newRow("channel 5 not for BLKGN") << QByteArray("BLKGN 5 40");
        QTest::newRow("level out of byte") << QByteArray("BLKGN 1 256");
        QTest::newRow("missing argument") << QByteArray("BLKGN 1");
        QTest::newRow("extra argument") << QByteArray("DDBL 1 1");
        QTest::newRow("gamma without decimal") << QByteArray("EFTB 1 2");
        QTest::newRow("gamma with two decimals") << QByteArray("EFTB 1 2.25");
        QTest::newRow("side letter") << QByteArray("HALO 1 X 5 5");
        QTest::newRow("missing literal M") << QByteArray("ICPHOKX 1 4");
        QTest::newRow("colour letter") << QByteArray("ICNTKX 1 Y  1.0");
        QTest::newRow("reset kind") << QByteArray("RESETKX S");
        QTest::newRow("projector total 9") << QByteArray("PRJ 0 9");
        QTest::newRow("seven seam gains") << QByteArray("MANSEAM 1 -4 1 2 3 4 5 6 7");
        QTest::newRow("trailing blank") << QByteArray("SYSAVE ");
        QTest::newRow("hex number") << QByteArray("BRTHRS 0x10");
    }

    void malformedCommandsChangeNothing() {
        QFETCH(QByteArray, command);
        SimDevice d;
        const QByteArray before = SimRecords::outputRecord(d, 1) + SimRecords::inputRecord(d, 1);
        QString error;
        QVERIFY(!SimCommandSet::apply(d, command, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(SimRecords::outputRecord(d, 1) + SimRecords::inputRecord(d, 1), before);
        QCOMPARE(d.systemSaves + d.factoryResets, 0);
    }

    void queriesAreRecognisedExactly() {
        SimCommandSet::Query q;
        QVERIFY(SimCommandSet::parseQuery("OINFOKX 4", &q));
        QCOMPARE(q.kind, SimCommandSet::Query::Output);
        QCOMPARE(q.channel, 4);
        for (const char *bad : {"OINFOKX 5", "OINFOKX 0", "IINFOKX  1", "SYINFOKX 1", "IINFOKX"})
            QVERIFY2(!SimCommandSet::parseQuery(bad, &q), bad);
    }

    void factoryResetRestoresDefaults() {
        SimDevice d;
        QVERIFY(SimCommandSet::apply(d, "BLKGN 1 99", nullptr));
        QVERIFY(SimCommandSet::apply(d, "RESETKX F", nullptr));
        QCOMPARE(d.outputs[0].blackLevel, SimOutputChannel().blackLevel);
        QCOMPARE(d.factoryResets, 1);
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
