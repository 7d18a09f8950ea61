// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusParsers.h"

#include <QByteArray>
#include <QTest>

#include <cstring>

using namespace StatusParsers;

namespace {

// Test-side record writer: big-endian fields appended in wire order.
class Payload {
public:
    Payload &byte(int v) {
        bytes.append(char(v));
        return *this;
    }
    Payload &be16(int v) { return byte(v >> 8 & 0xFF).byte(v & 0xFF); }
    Payload &be32(qint32 v) {
        const quint32 u = quint32(v);
        return byte(u >> 24).byte(u >> 16 & 0xFF).byte(u >> 8 & 0xFF).byte(u & 0xFF);
    }
    QByteArray bytes;
};

const quint8 *data(const QByteArray &b) {
    return reinterpret_cast<const quint8 *>(b.constData());
}

Payload inputPayload(bool longForm) {
    Payload p;
    p.byte(1).byte(1).be32(-7).byte(0xA1).byte(0xA2);
    p.be32(1344).be32(296).be32(300).be32(35).be32(36).be32(1024).be32(768);
    p.byte(3).byte(1);
    p.be32(1000).be32(995).be32(-250).be32(250).be32(-1).be32(1).be32(22).be32(-22);
    if (longForm) p.be32(400).be32(-1);
    return p;
}

Payload outputPayload(bool longForm) {
    Payload p;
    p.byte(2).byte(1).byte(9).byte(1).byte(1).byte(6).byte(1).byte(1);
    p.be32(192).be32(22).be16(1).be32(35).be16(0xFFFF).be32(50).be16(0);
    p.be32(11).be32(12).be32(13).be32(14);
    p.byte(40).byte(10).byte(1).byte(0);
    p.be32(-4);
    for (int g = 1; g <= 8; ++g)
        p.byte(g * 30);
    p.byte(1).byte('L');
    if (longForm) p.byte(77);
    return p;
}

} // namespace

class tst_statusparsers : public QObject {
    Q_OBJECT

private slots:
    void numberEncodings_data();
    void numberEncodings();
    void markerSearch_data();
    void markerSearch();
    void inputLongForm();
    void inputShortFormResetsLimits();
    void outputForms_data();
    void outputForms();
    void truncatedRecordsFail_data();
    void truncatedRecordsFail();
    void systemRecordTerminatesVersion();
};

void tst_statusparsers::numberEncodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint32>("be32value");
    QTest::addColumn<float>("tenthsValue");
    QTest::newRow("minus one") << QByteArray::fromHex("FFFFFFF6") << -10 << -1.0f;
    QTest::newRow("two point two") << QByteArray::fromHex("00000016") << 22 << 2.2f;
    QTest::newRow("one hundred") << QByteArray::fromHex("000003E8") << 1000 << 100.0f;
    QTest::newRow("most negative") << QByteArray::fromHex("80000000") << qint32(0x80000000) << -214748364.8f;
}

void tst_statusparsers::numberEncodings() {
    QFETCH(QByteArray, bytes);
    QTEST(be32(data(bytes)), "be32value");
    // Exact comparison on purpose: the value must be the float nearest the decimal, not merely close.
    QFETCH(float, tenthsValue);
    QVERIFY(tenths(data(bytes)) == tenthsValue);
    QCOMPARE(be16(data(QByteArray::fromHex("FFFE"))), qint16(-2));
    QCOMPARE(be16(data(QByteArray::fromHex("0102"))), qint16(0x0102));
}

void tst_statusparsers::markerSearch_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("found");

    const QByteArray echo = "IINFO";
    const QByteArray pad29(29, 'x');
    const QByteArray pad30(30, 'x');
    QTest::newRow("at 0") << int(RecordKind::Input) << QByteArray("\x01N....") << 0;
    QTest::newRow("after 5 echo bytes") << int(RecordKind::Input)
                                        << echo + "\x01"
                                                  "F..."
                                        << 5;
    QTest::newRow("at 29") << int(RecordKind::Input) << pad29 + "\x01N" << 29;
    QTest::newRow("at 30 not found") << int(RecordKind::Input) << pad30 + "\x01N..." << -1;
    QTest::newRow("wrong format skipped") << int(RecordKind::Input) << QByteArray("\x01\x42\x01N") << 2;
    QTest::newRow("system") << int(RecordKind::System) << QByteArray("ab\x01\x08") << 2;
    QTest::newRow("output 3E") << int(RecordKind::Output) << QByteArray("\x01\x3E") << 0;
    QTest::newRow("output 3F") << int(RecordKind::Output) << QByteArray("\x01\x3F") << 0;
    QTest::newRow("output 40") << int(RecordKind::Output) << QByteArray("\x01\x40") << 0;
    QTest::newRow("output 41 refused") << int(RecordKind::Output) << QByteArray("\x01\x41....") << -1;
    QTest::newRow("output 42") << int(RecordKind::Output) << QByteArray("\x01\x42") << 0;
    QTest::newRow("input N not an output") << int(RecordKind::Output) << QByteArray("\x01N....") << -1;
    QTest::newRow("marker as last byte") << int(RecordKind::Input) << QByteArray("abc\x01") << -1;
}

void tst_statusparsers::markerSearch() {
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QTEST(findMarker(RecordKind(kind), data(reply), int(reply.size())), "found");
}

void tst_statusparsers::inputLongForm() {
    const QByteArray payload = inputPayload(true).bytes;
    QCOMPARE(payload.size(), 78);
    InputInfo r = {};
    QVERIFY(ParseInputInfo(data(payload), int(payload.size()), 0, kInputLongFormat, r));
    QCOMPARE(r.VideoLoaded, quint8(1));
    QCOMPARE(r.VideoLocked, quint8(1));
    QCOMPARE(r.PhaseOffset, -7);
    QCOMPARE(r.InputAux1, quint8(0xA1));
    QCOMPARE(r.InputAux2, quint8(0xA2));
    QCOMPARE(r.HTotal, 1344);
    QCOMPARE(r.HPositionCenter, 296);
    QCOMPARE(r.HPosition, 300);
    QCOMPARE(r.VPositionCenter, 35);
    QCOMPARE(r.VPosition, 36);
    QCOMPARE(r.HActive, 1024);
    QCOMPARE(r.VActive, 768);
    QCOMPARE(r.SyncSelect, quint8(3));
    QCOMPARE(r.Termination75, quint8(1));
    QCOMPARE(r.OverallContrast, 100.0f);
    QCOMPARE(r.OverallBrightness, 99.5f);
    QCOMPARE(r.RedContrast, -25.0f);
    QCOMPARE(r.RedBrightness, 25.0f);
    QCOMPARE(r.GreenContrast, -0.1f);
    QCOMPARE(r.GreenBrightness, 0.1f);
    QCOMPARE(r.BlueContrast, 2.2f);
    QCOMPARE(r.BlueBrightness, -2.2f);
    QCOMPARE(r.HPositionLimit, 400);
    QCOMPARE(r.VPositionLimit, -1);
}

void tst_statusparsers::inputShortFormResetsLimits() {
    // Exactly 70 payload bytes, then line-end bytes that a long-form reader would take for limits.
    const QByteArray reply = QByteArray("\x01"
                                        "F") +
                             inputPayload(false).bytes + "\r\n#";
    InputInfo r = {};
    r.HPositionLimit = 500;
    r.VPositionLimit = 60;
    const int at = findMarker(RecordKind::Input, data(reply), int(reply.size()));
    QCOMPARE(at, 0);
    QVERIFY(ParseInputInfo(data(reply), int(reply.size()) - 3, at + 2, kInputShortFormat, r));
    QCOMPARE(r.HPositionLimit, -1);
    QCOMPARE(r.VPositionLimit, -1);
    QCOMPARE(r.BlueBrightness, -2.2f);
}

void tst_statusparsers::outputForms_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("3E short") << 0x3E;
    QTest::newRow("3F short") << 0x3F;
    QTest::newRow("40 short") << 0x40;
    QTest::newRow("42 long") << 0x42;
}

void tst_statusparsers::outputForms() {
    QFETCH(int, format);
    const bool longForm = format == 0x42;
    const QByteArray payload = outputPayload(longForm).bytes;
    QCOMPARE(payload.size(), longForm ? 65 : 64);

    OutputInfo r = {};
    r.LeftHaloWidth = 101, r.LeftHaloOffset = 102, r.RightHaloWidth = 103, r.RightHaloOffset = 104;
    r.LeftGammaWidth = 201, r.LeftGammaOffset = 202, r.RightGammaWidth = 203, r.RightGammaOffset = 204;
    r.BridgeThreshold = 99;
    r.Held = OutputHeld::LeftHalo | OutputHeld::LeftFeather; // held before: stays held
    QVERIFY(ParseOutputInfo(data(payload), int(payload.size()), 0, quint8(format), r));
    // The record now holds the group its form carries, and still the one it held before.
    QCOMPARE(int(r.Held), OutputHeld::Tracked | OutputHeld::LeftHalo | OutputHeld::LeftFeather |
                              (longForm ? OutputHeld::RightFeather : OutputHeld::RightHalo));
    QVERIFY(!OutputHeld::holds(r, longForm ? OutputHeld::RightHalo : OutputHeld::RightFeather));

    QCOMPARE(r.OutputFormat, quint8(2));
    QCOMPARE(r.FrameRate, quint8(1));
    QCOMPARE(r.OutputSync, quint8(9));
    QCOMPARE(r.AdvancedMode, quint8(1));
    QCOMPARE(r.ProjectorGroup, quint8(1));
    QCOMPARE(r.TotalProjectors, quint8(6));
    QCOMPARE(r.DataDoubling, quint8(1));
    QCOMPARE(r.Justification, quint8(1));
    QCOMPARE(r.OverlapWidth, 192);
    QCOMPARE(r.BasicGamma, 2.2f);
    QCOMPARE(r.BasicFeathering, qint16(1));
    QCOMPARE(r.LeftGamma, 3.5f);
    QCOMPARE(r.LeftFeathering, qint16(-1));
    QCOMPARE(r.RightGamma, 5.0f);
    QCOMPARE(r.RightFeathering, qint16(0));
    const qint32 carried[4] = {11, 12, 13, 14};
    const qint32 halo[4] = {r.LeftHaloWidth, r.LeftHaloOffset, r.RightHaloWidth, r.RightHaloOffset};
    const qint32 gamma[4] = {r.LeftGammaWidth, r.LeftGammaOffset, r.RightGammaWidth, r.RightGammaOffset};
    const qint32 keptHalo[4] = {101, 102, 103, 104};
    const qint32 keptGamma[4] = {201, 202, 203, 204};
    QVERIFY(std::memcmp(longForm ? gamma : halo, carried, sizeof carried) == 0);
    QVERIFY(std::memcmp(longForm ? halo : gamma, longForm ? keptHalo : keptGamma, sizeof carried) == 0);
    QCOMPARE(r.BlackLevel, quint8(40));
    QCOMPARE(r.TestPattern, quint8(10));
    QCOMPARE(r.OutputRaster, quint8(1));
    QCOMPARE(r.TestGrid, quint8(0));
    QCOMPARE(r.SeamStart, -4);
    for (int g = 0; g < 8; ++g)
        QCOMPARE(r.SeamGain[g], quint8((g + 1) * 30));
    QCOMPARE(r.SeamBridge, quint8(1));
    QCOMPARE(r.FeatherMode, quint8('L'));
    QCOMPARE(r.BridgeThreshold, quint8(longForm ? 77 : 0));
}

void tst_statusparsers::truncatedRecordsFail_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("payloadBytes");
    QTest::newRow("system 7 of 8") << int(RecordKind::System) << 0x08 << 7;
    QTest::newRow("input short 69 of 70") << int(RecordKind::Input) << 0x46 << 69;
    QTest::newRow("input long 77 of 78") << int(RecordKind::Input) << 0x4E << 77;
    QTest::newRow("input long with only short payload") << int(RecordKind::Input) << 0x4E << 70;
    QTest::newRow("output short 63 of 64") << int(RecordKind::Output) << 0x3F << 63;
    QTest::newRow("output long 64 of 65") << int(RecordKind::Output) << 0x42 << 64;
    QTest::newRow("nothing after marker") << int(RecordKind::Output) << 0x42 << 0;
}

void tst_statusparsers::truncatedRecordsFail() {
    QFETCH(int, kind);
    QFETCH(int, format);
    QFETCH(int, payloadBytes);
    // Stale bytes of an earlier, longer reply stand behind the end: they must not be taken.
    QByteArray area(250, char(0x5A));
    const int start = 7;
    const int length = start + payloadBytes;

    InputInfo in;
    OutputInfo out;
    SystemInfo sys;
    std::memset(&in, 0x11, sizeof in);
    std::memset(&out, 0x11, sizeof out);
    std::memset(&sys, 0x11, sizeof sys);
    const InputInfo inBefore = in;
    const OutputInfo outBefore = out;
    const SystemInfo sysBefore = sys;

    bool parsed = true;
    switch (RecordKind(kind)) {
    case RecordKind::System:
        parsed = ParseSystemInfo(data(area), length, start, sys);
        break;
    case RecordKind::Input:
        parsed = ParseInputInfo(data(area), length, start, quint8(format), in);
        break;
    case RecordKind::Output:
        parsed = ParseOutputInfo(data(area), length, start, quint8(format), out);
        break;
    }
    QVERIFY(!parsed);
    QVERIFY(std::memcmp(&in, &inBefore, sizeof in) == 0);
    QVERIFY(std::memcmp(&out, &outBefore, sizeof out) == 0);
    QVERIFY(std::memcmp(&sys, &sysBefore, sizeof sys) == 0);
}

void tst_statusparsers::systemRecordTerminatesVersion() {
    const QByteArray payload = QByteArray::fromHex("0304") + "2.17" + QByteArray(1, '\0') + "Z";
    SystemInfo s;
    std::memset(&s, 0x7F, sizeof s);
    QVERIFY(ParseSystemInfo(data(payload), int(payload.size()), 0, s));
    QCOMPARE(s.bytes[0], quint8(3));
    QCOMPARE(s.bytes[1], quint8(4));
    QCOMPARE(s.bytes[7], quint8(0));
    QCOMPARE(s.version(), QStringLiteral("2.17"));

    const QByteArray full = QByteArray::fromHex("0000") + "1.02aQ";
    QVERIFY(ParseSystemInfo(data(full), int(full.size()), 0, s));
    QCOMPARE(s.version(), QStringLiteral("1.02a"));
}

QTEST_GUILESS_MAIN(tst_statusparsers)
#include "tst_statusparsers.moc"
