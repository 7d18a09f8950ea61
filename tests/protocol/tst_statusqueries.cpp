// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceModel.h"
#include "EventPump.h"
#include "ProtocolRig.h"

#include <QElapsedTimer>
#include <QTest>

#include <cstring>

using Kind = StatusQueries::RecordKind;

namespace {

ProtocolRig::Setup mode(bool controller) {
    ProtocolRig::Setup s;
    s.controller = controller;
    s.ids = {1, 7};
    return s;
}

bool runQuery(ProtocolRig &rig, Kind kind, int device, int channel) {
    switch (kind) {
    case Kind::System:
        return rig.queries->QuerySystemInfo(device);
    case Kind::Input:
        return rig.queries->QueryInputInfo(device, channel);
    case Kind::Output:
        return rig.queries->QueryOutputInfo(device, channel);
    }
    return false;
}

// Distinct values everywhere, so that a field read from the wrong place cannot pass.
SimDevice distinctDevice() {
    SimDevice d;
    d.system0 = 0x12;
    d.system1 = 0x34;
    d.version = {'3', '.', '0', '1', 'b'};
    SimInputChannel &in = d.inputs[2];
    in.videoLoaded = 1, in.videoLocked = 3, in.phaseOffset = -9, in.aux1 = 0x5A, in.aux2 = 0xA5;
    in.hTotal = 1688, in.hPositionCenter = 358, in.hPosition = 360, in.vPositionCenter = 41,
    in.vPosition = 39;
    in.hActive = 1280, in.vActive = 1024, in.syncSelect = 2, in.termination75 = 5;
    in.contrast = {1105, -35, 40, -250};
    in.brightness = {905, 15, -1, 250};
    in.hPositionLimit = 410, in.vPositionLimit = 66;
    SimOutputChannel &out = d.outputs[1];
    out.outputFormat = 3, out.frameRate = 2, out.outputSync = 7, out.advancedMode = 1, out.projectorGroup = 4;
    out.totalProjectors = 6, out.dataDoubling = 8, out.justification = 9, out.overlapWidth = 304;
    // Two-byte fields with both bytes set, so that a byte-order slip shows.
    out.basicGamma = 22, out.basicFeathering = 0x0102, out.leftGamma = 35, out.leftFeathering = 0x0304;
    out.rightGamma = 50, out.rightFeathering = 0x0506;
    out.leftGammaWidth = 101, out.leftGammaOffset = 102, out.rightGammaWidth = 103,
    out.rightGammaOffset = 104;
    out.leftHaloWidth = 11, out.leftHaloOffset = 12, out.rightHaloWidth = 13, out.rightHaloOffset = 14;
    out.blackLevel = 40, out.testPattern = 10, out.outputRaster = 11, out.testGrid = 12, out.seamStart = -4;
    out.seamGain = {10, 20, 30, 40, 50, 60, 70, 80};
    out.seamBridge = 13, out.featherMode = 'L', out.bridgeThreshold = 99;
    return d;
}

} // namespace

class tst_statusqueries : public QObject {
    Q_OBJECT

private slots:
    void queryTexts_data();
    void queryTexts();
    void roundTrip_data();
    void roundTrip();
    void shortForms();
    void parseFailures_data();
    void parseFailures();
    void parseFailurePauseAtRealTiming();
    void echoAheadOfRecord();
    void truncatedReplyIsRefused();
    void controllerRepeats_data();
    void controllerRepeats();
    void closedPortFailsWithoutStaleBytes();
    void readDeviceRecords_data();
    void readDeviceRecords();
    void readEndsWithoutQuestionsWhenClosing();
};

void tst_statusqueries::queryTexts_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("device");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("minLength");
    QTest::newRow("system direct") << false << int(Kind::System) << 1 << QByteArray("SYINFOKX\r") << 8;
    QTest::newRow("input direct") << false << int(Kind::Input) << 1 << QByteArray("IINFOKX 3\r") << 70;
    QTest::newRow("output direct") << false << int(Kind::Output) << 1 << QByteArray("OINFOKX 3\r") << 62;
    QTest::newRow("system ctrl") << true << int(Kind::System) << 2 << QByteArray("KXQUERY *7SYINFOKX!\r")
                                 << 8;
    QTest::newRow("input ctrl") << true << int(Kind::Input) << 2 << QByteArray("KXQUERY *7IINFOKX 3!\r")
                                << 70;
    QTest::newRow("output ctrl") << true << int(Kind::Output) << 1 << QByteArray("KXQUERY *1OINFOKX 3!\r")
                                 << 62;
}

void tst_statusqueries::queryTexts() {
    QFETCH(bool, controller);
    QFETCH(int, kind);
    QFETCH(int, device);
    ProtocolRig rig(mode(controller));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    QVERIFY(runQuery(rig, Kind(kind), device, 3));
    QFETCH(QByteArray, text);
    QCOMPARE(rig.rawRequests(), QList<QByteArray>{text});
    QTEST(StatusQueries::replyMinLength(Kind(kind)), "minLength");
    QVERIFY(rig.host.entries.isEmpty());
}

void tst_statusqueries::roundTrip_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<int>("device");
    QTest::newRow("direct") << false << 1;
    QTest::newRow("controller device 2") << true << 2;
}

void tst_statusqueries::roundTrip() {
    QFETCH(bool, controller);
    QFETCH(int, device);
    ProtocolRig rig(mode(controller));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.sim.setDevice(device, distinctDevice());

    QVERIFY(rig.queries->QuerySystemInfo(device));
    QVERIFY(rig.queries->QueryInputInfo(device, 3));
    QVERIFY(rig.queries->QueryOutputInfo(device, 2));

    const SystemInfo &sys = rig.model.system(device);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(sys.bytes), 8), QByteArray("\x12\x34"
                                                                                  "3.01b",
                                                                                  7) +
                                                                           '\0');
    QCOMPARE(sys.version(), QStringLiteral("3.01b"));

    const InputInfo &in = rig.model.input(device, 3);
    QCOMPARE(in.VideoLoaded, quint8(1));
    QCOMPARE(in.VideoLocked, quint8(3));
    QCOMPARE(in.PhaseOffset, -9);
    QCOMPARE(in.InputAux1, quint8(0x5A));
    QCOMPARE(in.InputAux2, quint8(0xA5));
    QCOMPARE(QList<int>({in.HTotal, in.HPositionCenter, in.HPosition, in.VPositionCenter, in.VPosition,
                         in.HActive, in.VActive, in.HPositionLimit, in.VPositionLimit}),
             QList<int>({1688, 358, 360, 41, 39, 1280, 1024, 410, 66}));
    QCOMPARE(in.SyncSelect, quint8(2));
    QCOMPARE(in.Termination75, quint8(5));
    QCOMPARE(QList<float>({in.OverallContrast, in.RedContrast, in.GreenContrast, in.BlueContrast}),
             QList<float>({110.5f, -3.5f, 4.0f, -25.0f}));
    QCOMPARE(QList<float>({in.OverallBrightness, in.RedBrightness, in.GreenBrightness, in.BlueBrightness}),
             QList<float>({90.5f, 1.5f, -0.1f, 25.0f}));

    const OutputInfo &out = rig.model.output(device, 2);
    QCOMPARE(QList<int>({out.OutputFormat, out.FrameRate, out.OutputSync, out.AdvancedMode,
                         out.ProjectorGroup, out.TotalProjectors, out.DataDoubling, out.Justification}),
             QList<int>({3, 2, 7, 1, 4, 6, 8, 9}));
    QCOMPARE(out.OverlapWidth, 304);
    QCOMPARE(QList<float>({out.BasicGamma, out.LeftGamma, out.RightGamma}), QList<float>({2.2f, 3.5f, 5.0f}));
    QCOMPARE(QList<int>({out.BasicFeathering, out.LeftFeathering, out.RightFeathering}),
             QList<int>({0x0102, 0x0304, 0x0506}));
    // The simulator answers in the long form: feathering widths and offsets, bridge threshold.
    QCOMPARE(QList<int>({out.LeftGammaWidth, out.LeftGammaOffset, out.RightGammaWidth, out.RightGammaOffset}),
             QList<int>({101, 102, 103, 104}));
    QCOMPARE(QList<int>({out.LeftHaloWidth, out.LeftHaloOffset, out.RightHaloWidth, out.RightHaloOffset}),
             QList<int>({0, 0, 0, 0}));
    QCOMPARE(QList<int>({out.BlackLevel, out.TestPattern, out.OutputRaster, out.TestGrid, out.SeamStart}),
             QList<int>({40, 10, 11, 12, -4}));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.SeamGain), 8),
             QByteArray::fromHex("0A141E28323C4650"));
    QCOMPARE(QList<int>({out.SeamBridge, out.FeatherMode, out.BridgeThreshold}), QList<int>({13, 'L', 99}));

    // Nothing else in the tables moved.
    static const InputInfo zeroIn = {};
    QVERIFY(std::memcmp(&rig.model.input(device, 2), &zeroIn, sizeof zeroIn) == 0);
    QVERIFY(std::memcmp(&rig.model.input(3 - device, 3), &zeroIn, sizeof zeroIn) == 0);
}

void tst_statusqueries::shortForms() {
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    SimDevice dev = distinctDevice();
    dev.inputFormat = 'F';
    dev.outputFormat = 0x3F;
    rig.sim.setDevice(1, dev);

    rig.model.editInput(1, 3, [&](InputInfo &r) { r.HPositionLimit = 500; });
    rig.model.editInput(1, 3, [&](InputInfo &r) { r.VPositionLimit = 60; });
    rig.model.editOutput(1, 2, [](OutputInfo &out) {
        out.LeftGammaWidth = 1, out.LeftGammaOffset = 2, out.RightGammaWidth = 3, out.RightGammaOffset = 4;
        out.BridgeThreshold = 50;
    });

    QVERIFY(rig.queries->QueryInputInfo(1, 3));
    QVERIFY(rig.queries->QueryOutputInfo(1, 2));
    QCOMPARE(rig.model.input(1, 3).HPositionLimit, -1);
    QCOMPARE(rig.model.input(1, 3).VPositionLimit, -1);
    QCOMPARE(rig.model.input(1, 3).BlueBrightness, 25.0f);
    const OutputInfo &out = rig.model.output(1, 2);
    QCOMPARE(QList<int>({out.LeftHaloWidth, out.LeftHaloOffset, out.RightHaloWidth, out.RightHaloOffset}),
             QList<int>({11, 12, 13, 14}));
    QCOMPARE(QList<int>({out.LeftGammaWidth, out.LeftGammaOffset, out.RightGammaWidth, out.RightGammaOffset}),
             QList<int>({1, 2, 3, 4}));
    QCOMPARE(out.BridgeThreshold, quint8(0));
    QCOMPARE(out.FeatherMode, quint8('L'));
}

void tst_statusqueries::parseFailures_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("outputFormat");
    QTest::addColumn<bool>("noMarker");
    QTest::addColumn<QString>("status");
    QTest::newRow("output format 41")
        << int(Kind::Output) << 0x41 << false << "Error parsing OINFOKX message....";
    QTest::newRow("input no marker") << int(Kind::Input) << 0x42 << true
                                     << "Error parsing IINFOKX message....";
    QTest::newRow("system no marker")
        << int(Kind::System) << 0x42 << true << "Error parsing SYINFOKX message....";
    QTest::newRow("output no marker")
        << int(Kind::Output) << 0x42 << true << "Error parsing OINFOKX message....";
}

void tst_statusqueries::parseFailures() {
    QFETCH(int, kind);
    QFETCH(int, outputFormat);
    QFETCH(bool, noMarker);
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    SimDevice dev = distinctDevice();
    dev.outputFormat = quint8(outputFormat);
    rig.sim.setDevice(1, dev);
    if (noMarker) rig.sim.injectFault(SimFault::NoMarker);

    SystemInfo system;
    InputInfo input;
    OutputInfo output;
    std::memset(&system, 0x6B, sizeof system);
    std::memset(static_cast<void *>(&input), 0x6B, sizeof input);
    std::memset(static_cast<void *>(&output), 0x6B, sizeof output);
    rig.model.setSystem(1, system);
    rig.model.setInput(1, 2, input);
    rig.model.setOutput(1, 2, output);
    const QByteArray before =
        QByteArray(reinterpret_cast<const char *>(&rig.model.input(1, 2)), sizeof(InputInfo)) +
        QByteArray(reinterpret_cast<const char *>(&rig.model.output(1, 2)), sizeof(OutputInfo)) +
        QByteArray(reinterpret_cast<const char *>(&rig.model.system(1)), sizeof(SystemInfo));

    QVERIFY(!runQuery(rig, Kind(kind), 1, 2));
    QFETCH(QString, status);
    QCOMPARE(rig.host.statusTexts.value(rig.host.statusTexts.size() - 1), status);
    const QByteArray after =
        QByteArray(reinterpret_cast<const char *>(&rig.model.input(1, 2)), sizeof(InputInfo)) +
        QByteArray(reinterpret_cast<const char *>(&rig.model.output(1, 2)), sizeof(OutputInfo)) +
        QByteArray(reinterpret_cast<const char *>(&rig.model.system(1)), sizeof(SystemInfo));
    QCOMPARE(after, before);
    QCOMPARE(rig.sim.requests().size(), 1); // a parse failure is not asked again
    QVERIFY(rig.host.messages().isEmpty());
}

void tst_statusqueries::parseFailurePauseAtRealTiming() {
    ProtocolRig::Setup setup = mode(false);
    setup.pacingFactor = 1.0;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    QVERIFY(rig.queries->QueryInputInfo(1, 1)); // warm-up: the line is open and answering

    rig.sim.injectFault(SimFault::NoMarker);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!rig.queries->QueryInputInfo(1, 1));
    QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
}

void tst_statusqueries::echoAheadOfRecord() {
    ProtocolRig rig(mode(true));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    SimOptions o = rig.sim.options();
    o.echoQueries = true;
    rig.sim.setOptions(o);
    rig.sim.setDevice(1, distinctDevice());
    QVERIFY(rig.queries->QueryOutputInfo(1, 2));
    QCOMPARE(rig.model.output(1, 2).OverlapWidth, 304);
    QVERIFY(rig.queries->QueryInputInfo(1, 3));
    QCOMPARE(rig.model.input(1, 3).HTotal, 1688);
}

// A reply that closes properly but whose record is shorter than its format promises: the bytes the
// record lacks would come from the earlier, longer reply still in the engine's area. It must fail.
void tst_statusqueries::truncatedReplyIsRefused() {
    ProtocolRig::Setup setup = mode(false);
    setup.pacingFactor = 0.1;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.sim.setDevice(1, distinctDevice());
    QVERIFY(rig.queries->QueryInputInfo(1, 3)); // leaves a full long record in the reply area
    const InputInfo before = rig.model.input(1, 3);

    // Long-form marker, only the 70 bytes of the short payload, then the line end and "#". The "#"
    // stands at index 74, past the minimum reply length, so the engine accepts the reply.
    QByteArray shortPayload(70, '\x02');
    const QByteArray reply = QByteArray("\x01N") + shortPayload + "\r\n#";
    rig.sim.injectFault(SimFault::Silence);
    QTimer::singleShot(30, [&] { rig.sim.sendRaw(reply); });
    QVERIFY(!rig.queries->QueryInputInfo(1, 3));

    QVERIFY(rig.host.messages().isEmpty()); // the reply was accepted: no time-out
    QCOMPARE(rig.host.statusTexts.last(), QStringLiteral("Error parsing IINFOKX message...."));
    QVERIFY(std::memcmp(&rig.model.input(1, 3), &before, sizeof before) == 0);

    // The same bytes as a short-form record are complete and parse.
    rig.sim.injectFault(SimFault::Silence);
    QTimer::singleShot(30, [&] {
        rig.sim.sendRaw(QByteArray("\x01"
                                   "F") +
                        shortPayload + "\r\n#");
    });
    QVERIFY(rig.queries->QueryInputInfo(1, 3));
    QCOMPARE(rig.model.input(1, 3).HTotal, 0x02020202);
    QCOMPARE(rig.model.input(1, 3).HPositionLimit, -1);

    // A complete record whose own bytes look like a line end followed by NUL is read whole.
    rig.sim.injectFault(SimFault::Silence);
    const QByteArray limits = QByteArray::fromHex("0D0A0005") + QByteArray::fromHex("00000040");
    QTimer::singleShot(30, [&] { rig.sim.sendRaw(QByteArray("\x01N") + shortPayload + limits + "\r\n#"); });
    QVERIFY(rig.queries->QueryInputInfo(1, 3));
    QCOMPARE(rig.model.input(1, 3).HPositionLimit, 0x0D0A0005);
    QCOMPARE(rig.model.input(1, 3).VPositionLimit, 64);
}

void tst_statusqueries::controllerRepeats_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("times");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<int>("requests");
    const int bound = 1 + StatusQueries::kMaxRepeats;
    QTest::newRow("reject once, input")
        << true << int(Kind::Input) << int(SimFault::ControllerReject) << 1 << true << 2;
    QTest::newRow("reject once, system")
        << true << int(Kind::System) << int(SimFault::ControllerReject) << 1 << true << 2;
    QTest::newRow("error code once, output")
        << true << int(Kind::Output) << int(SimFault::ControllerError) << 1 << true << 2;
    QTest::newRow("reject for ever, bounded")
        << true << int(Kind::Input) << int(SimFault::ControllerReject) << 100 << false << bound;
    QTest::newRow("output silent, bounded")
        << true << int(Kind::Output) << int(SimFault::Silence) << 100 << false << bound;
    QTest::newRow("input silent, no repeat")
        << true << int(Kind::Input) << int(SimFault::Silence) << 100 << false << 1;
    QTest::newRow("no response from device, no repeat")
        << true << int(Kind::Output) << int(SimFault::ControllerError) << 1 << false << 1;
    QTest::newRow("direct silent, no repeat")
        << false << int(Kind::Output) << int(SimFault::Silence) << 100 << false << 1;
}

void tst_statusqueries::controllerRepeats() {
    QFETCH(bool, controller);
    QFETCH(int, kind);
    QFETCH(int, fault);
    QFETCH(int, times);
    QFETCH(bool, succeeds);
    ProtocolRig::Setup setup = mode(controller);
    setup.watchdogMs = 1000; // some rows wait out a silent device
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    // Code '4' (no response from the device) fails at once; any other code is repeated.
    const bool noResponse = QByteArray(QTest::currentDataTag()).contains("no response");
    rig.sim.injectFault(SimFault(fault), times,
                        noResponse ? '4' : (fault == int(SimFault::ControllerError) ? '2' : 0));

    QCOMPARE(runQuery(rig, Kind(kind), 1, 1), succeeds);
    QTEST(int(rig.sim.requests().size()), "requests");
}

void tst_statusqueries::closedPortFailsWithoutStaleBytes() {
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.sim.setDevice(1, distinctDevice());
    QVERIFY(rig.queries->QueryOutputInfo(1, 2)); // the reply area now holds channel 2's record
    rig.port.SetOpen(false);
    QVERIFY(!rig.queries->QueryOutputInfo(1, 3));
    // Channel 3 holds the device-wide values channel 2's read gave the device, and nothing of its own.
    QVERIFY(holdsNoChannelValues(rig.model.output(1, 3)));
    QCOMPARE(rig.model.output(1, 3).BasicGamma, rig.model.output(1, 2).BasicGamma);
}

void tst_statusqueries::readDeviceRecords_data() {
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<bool>("goOn");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("questions");
    QTest::newRow("all read") << QByteArray() << false << 1 << 0;
    QTest::newRow("system fails") << QByteArray("SYINFOKX") << false << -1 << 0;
    QTest::newRow("input 2 stop") << QByteArray("IINFOKX 2") << false << -3 << 1;
    QTest::newRow("input 2 go on") << QByteArray("IINFOKX 2") << true << 1 << 1;
    QTest::newRow("output 3 stop") << QByteArray("OINFOKX 3") << false << -8 << 1;
    QTest::newRow("output 4 go on") << QByteArray("OINFOKX 4") << true << 1 << 1;
}

void tst_statusqueries::readDeviceRecords() {
    QFETCH(QByteArray, failing);
    QFETCH(bool, goOn);
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.sim.setDevice(1, distinctDevice()); // output format 2 on channel 1: 1024 x 768 default
    if (!failing.isEmpty()) rig.sim.injectFault(SimFault::NoMarker, 1, 0, failing);

    QStringList asked;
    QStringList read;
    StatusQueries::ReadObserver observer;
    observer.continueAfterFailure = [&](Kind kind, int channel) {
        asked << QStringLiteral("%1/%2").arg(int(kind)).arg(channel);
        return goOn;
    };
    observer.recordDone = [&](Kind kind, int channel, bool ok) {
        if (ok) read << QStringLiteral("%1/%2").arg(int(kind)).arg(channel);
    };

    const int code = rig.queries->ReadDeviceRecords(1, observer);
    QTEST(code, "code");
    QTEST(int(asked.size()), "questions");
    QCOMPARE(rig.state.ModelFromDevices, code == 1 ? 1 : 0);
    QCOMPARE(rig.state.DefaultSourceWidth, code == 1 ? 1024 : 1280);
    if (code == 1)
        QCOMPARE(read.size() + asked.size(), 9);
    else
        QCOMPARE(rig.sim.requests().last().command, failing);
}

void tst_statusqueries::readEndsWithoutQuestionsWhenClosing() {
    ProtocolRig rig(mode(false));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    int questions = 0;
    StatusQueries::ReadObserver observer;
    observer.continueAfterFailure = [&](Kind, int) { return ++questions, true; };
    // The window is closed while the system record is being read.
    observer.recordDone = [&](Kind kind, int, bool) {
        if (kind == Kind::System) EventPump::requestAbort();
    };
    const int code = rig.queries->ReadDeviceRecords(1, observer);
    EventPump::clearAbort();
    QCOMPARE(code, -2);
    QCOMPARE(questions, 0);
    QCOMPARE(rig.state.ModelFromDevices, 0);
}

QTEST_GUILESS_MAIN(tst_statusqueries)
#include "tst_statusqueries.moc"
