// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConfigFile.h"
#include "DeviceModel.h"
#include "ProtocolRig.h"

#include <QElapsedTimer>

#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include <algorithm>

#include <cstring>
#include <functional>

namespace {

// One builder call with the texts it must put on the wire. Controller-mode rigs address device 1 as
// RS-485 ID 1 and device 2 as ID 7, so the ID can never be mistaken for the device number.
struct BuilderCase {
    const char *name;
    std::function<void(CommandSet &)> call;
    QByteArray direct;
    QByteArray controller; // the body inside the PASS frame
    int settle;            // settle steps after the Controller's acknowledgement
    int directAckTicks;    // direct mode: the acknowledgement wait, 0 when written without one
};

const QList<BuilderCase> &builderCases() {
    static const QList<BuilderCase> cases = {
        {"BLKGN", [](CommandSet &c) { c.SendBlackLevel(1, 2, 40); }, "BLKGN 2 40\r", "*1BLKGN 2 40!", 0, 0},
        {"KXCTRL basic", [](CommandSet &c) { c.SendFeatherMode(1, 0); }, "KXCTRL 0\r", "*1KXCTRL 0!", 300,
         580},
        {"KXCTRL", [](CommandSet &c) { c.SendFeatherMode(1, 1); }, "KXCTRL 1\r", "*1KXCTRL 1!", 1250, 580},
        {"DDBL", [](CommandSet &c) { c.SendDataDoubling(1, 1); }, "DDBL 1\r", "*1DDBL 1!", 0, 80},
        {"DISP", [](CommandSet &c) { c.SendDisplayLayout(1, 1, 192); }, "DISP 1 192\r", "*1DISP 1 192!", 400,
         80},
        {"EFTB padded", [](CommandSet &c) { c.SendBasicFeather(1, 1, 2.2); }, "EFTB 1  2.2\r",
         "*1EFTB 1  2.2!", 5, 80},
        {"EFTB wide", [](CommandSet &c) { c.SendBasicFeather(1, 0, 10.0); }, "EFTB 0 10.0\r",
         "*1EFTB 0 10.0!", 5, 80},
        {"HALO", [](CommandSet &c) { c.SendHalo(1, 3, 'L', 12, 34); }, "HALO 3 L 12 34\r",
         "*1HALO 3 L 12 34!", 0, 0},
        {"RESETKX dev2", [](CommandSet &c) { c.SendFactoryReset(2, 'F'); }, "RESETKX F\r", "*7RESETKX F!",
         6500, 810},
        {"OTPMKX all", [](CommandSet &c) { c.SendTestPattern(1, 5, 4, 1, 0); }, "OTPMKX 5 4 1 0\r",
         "*1OTPMKX 5 4 1 0!", 0, 80},
        {"ICNTKX", [](CommandSet &c) { c.SendInputContrast(1, 2, 'R', -12.5); }, "ICNTKX 2 R -12.5\r",
         "*1ICNTKX 2 R -12.5!", 0, 0},
        {"ICNTKX overall", [](CommandSet &c) { c.SendInputContrast(1, 1, 'C', 100.0); }, "ICNTKX 1 C 100.0\r",
         "*1ICNTKX 1 C 100.0!", 0, 0},
        {"IBRTKX", [](CommandSet &c) { c.SendInputBrightness(1, 4, 'G', 2.0); }, "IBRTKX 4 G  2.0\r",
         "*1IBRTKX 4 G  2.0!", 0, 0},
        {"ICPHOKX", [](CommandSet &c) { c.SendInputPhase(1, 3, -16); }, "ICPHOKX 3 M -16\r",
         "*1ICPHOKX 3 M -16!", 0, 0},
        {"IRSPKX H", [](CommandSet &c) { c.SendInputHPosition(1, 1, 300); }, "IRSPKX 1 M H 300\r",
         "*1IRSPKX 1 M H 300!", 0, 0},
        {"IRSPKX V", [](CommandSet &c) { c.SendInputVPosition(2, 2, 35); }, "IRSPKX 2 M V 35\r",
         "*7IRSPKX 2 M V 35!", 0, 0},
        {"ICSAVKX", [](CommandSet &c) { c.SendInputConfigSave(1, 3); }, "ICSAVKX 3\r", "*1ICSAVKX 3!", 100,
         80},
        {"ICRSTKX", [](CommandSet &c) { c.SendInputConfigReset(1, 2); }, "ICRSTKX 2\r", "*1ICRSTKX 2!", 150,
         80},
        {"PRJ dev1", [](CommandSet &c) { c.SendProjectorCount(1, 4); }, "PRJ 0 4\r", "*1PRJ 0 4!", 150, 180},
        {"PRJ dev2", [](CommandSet &c) { c.SendProjectorCount(2, 6); }, "PRJ 1 6\r", "*7PRJ 1 6!", 150, 180},
        {"MANSEAM",
         [](CommandSet &c) {
             c.SendSeamGains(1, 2, -4, {10, 20, 30, 40, 50, 60, 70, 80});
         },
         "MANSEAM 2 -4 10 20 30 40 50 60 70 80\r", "*1MANSEAM 2 -4 10 20 30 40 50 60 70 80!", 0, 80},
        {"BRDGSEAM", [](CommandSet &c) { c.SendSeamBridge(1, 4, 1); }, "BRDGSEAM 4 1\r", "*1BRDGSEAM 4 1!",
         20, 120},
        {"AUTOSEAM", [](CommandSet &c) { c.RunAutoSeam(1, 3); }, "AUTOSEAM 3\r", "*1AUTOSEAM 3!", 100, 120},
        {"SYSAVE", [](CommandSet &c) { c.SendSystemSave(1); }, "SYSAVE\r", "*1SYSAVE!", 1000, 80},
        {"FEATHER S", [](CommandSet &c) { c.SendFeatherCurve(1, 0); }, "FEATHER S\r", "*1FEATHER S!", 490,
         80},
        {"FEATHER L", [](CommandSet &c) { c.SendFeatherCurve(2, 1); }, "FEATHER L\r", "*7FEATHER L!", 490,
         80},
        {"PEFT", [](CommandSet &c) { c.SendEdgeFeather(1, 1, 'R', 1, 2.2, 0, 0); }, "PEFT 1 R 1  2.2 0 0\r",
         "*1PEFT 1 R 1  2.2 0 0!", 50, 80},
        {"BRTHRS", [](CommandSet &c) { c.SendBridgeThreshold(1, 16); }, "BRTHRS 16\r", "*1BRTHRS 16!", 100,
         80},
    };
    return cases;
}

// Worked out here rather than by the engine: the byte sum of the text, two uppercase hex digits.
QByteArray frame(const QByteArray &body) {
    int sum = 0;
    for (char ch : body)
        sum += quint8(ch);
    return "PASS " + body + QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0') + "\r\r";
}

// One data row per builder case, by its index.
void everyBuilder() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < builderCases().size(); ++i)
        QTest::newRow(builderCases()[i].name) << i;
}

ProtocolRig::Setup direct() {
    return {};
}

ProtocolRig::Setup controller(QList<int> ids = {1, 7}) {
    ProtocolRig::Setup s;
    s.controller = true;
    s.ids = ids;
    return s;
}

} // namespace

class tst_commandset : public QObject {
    Q_OBJECT

private slots:
    void wireTexts_data();
    void wireTexts();
    void checksumWorkedExample();
    void linkDownWritesModelOnly();
    void modelEffects();
    void outOfRangeAddressesIgnored();
    void testPatternChannelFiveStaysOnOneDevice();
    void forEveryDeviceFollowsDeviceCount();
    void directAckTicksRaisedAndRestored_data();
    void directAckTicksRaisedAndRestored();
    void featherModeRereadsOutputs();
    void commandsReadBack_data();
    void commandsReadBack();
    void settleCounts_data() { everyBuilder(); }
    void settleCounts();
    void directAckOrWrite_data() { everyBuilder(); }
    void directAckOrWrite();
    void settleCountsAtRealTiming_data();
    void settleCountsAtRealTiming();
    void inputConfigResetRereadsInputs();
    void realValuesKeptAsSent_data();
    void realValuesKeptAsSent();
};

void tst_commandset::wireTexts_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("controllerMode");
    for (int i = 0; i < builderCases().size(); ++i) {
        QTest::addRow("%s direct", builderCases()[i].name) << i << false;
        QTest::addRow("%s controller", builderCases()[i].name) << i << true;
    }
}

void tst_commandset::wireTexts() {
    QFETCH(int, index);
    QFETCH(bool, controllerMode);
    const BuilderCase &c = builderCases()[index];
    ProtocolRig rig(controllerMode ? controller() : direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));

    c.call(*rig.commands);

    QVERIFY(rig.waitForRequests(1));
    const SimRequest first = rig.sim.requests().first();
    QCOMPARE(first.raw, controllerMode ? frame(c.controller) : c.direct);
    // The far end understood it: a malformed argument would show up here.
    QCOMPARE(first.error, QString());
    if (controllerMode) QVERIFY(first.checksumOk);
    QVERIFY(rig.host.unexpected.isEmpty());
    QCOMPARE(rig.engine->ackWaitTicks(), 80);
}

void tst_commandset::checksumWorkedExample() {
    ProtocolRig rig(controller({1, 2}));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.commands->SendBlackLevel(1, 2, 40);
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(rig.sim.requests().first().raw, QByteArray("PASS *1BLKGN 2 40!C0\r\r"));
}

void tst_commandset::linkDownWritesModelOnly() {
    ProtocolRig::Setup setup = direct();
    setup.linkActive = false;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    QSignalSpy display(rig.commands.get(), &CommandSet::displaySetupRefreshRequested);
    QSignalSpy source(rig.commands.get(), &CommandSet::sourceSetupRefreshRequested);

    for (const BuilderCase &c : builderCases())
        c.call(*rig.commands);

    QCOMPARE(rig.model.output(1, 2).BlackLevel, quint8(40));
    QCOMPARE(rig.model.output(1, 1).AdvancedMode, quint8(1));
    QCOMPARE(rig.model.output(2, 1).TotalProjectors, quint8(6));
    QCOMPARE(rig.model.input(1, 3).PhaseOffset, -16);
    // Nothing reached the line, and no follow-up ran without a link.
    QTest::qWait(50);
    QCOMPARE(rig.sim.receivedBytes(), QByteArray());
    QCOMPARE(display.count(), 0);
    QCOMPARE(source.count(), 0);
    QVERIFY(rig.host.entries.isEmpty());
}

void tst_commandset::modelEffects() {
    ProtocolRig::Setup setup = direct();
    setup.linkActive = false; // the model is written the same way with or without a link
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    CommandSet &c = *rig.commands;

    c.SendBlackLevel(2, 3, 200);
    c.SendHalo(1, 2, 'L', 5, 6);
    c.SendHalo(1, 2, 'R', 7, 8);
    c.SendInputContrast(1, 1, 'C', 110.5);
    c.SendInputContrast(1, 1, 'R', -3.5);
    c.SendInputContrast(1, 1, 'G', 4.0);
    c.SendInputContrast(1, 1, 'B', -25.0);
    c.SendInputBrightness(1, 1, 'C', 90.0);
    c.SendInputBrightness(1, 1, 'B', 1.5);
    c.SendInputHPosition(2, 4, 301);
    c.SendInputVPosition(2, 4, 37);
    c.SendSeamGains(1, 4, -4, {1, 2, 3, 4, 5, 6, 7, 255});
    c.SendSeamBridge(1, 4, 1);
    // System values of device 2 go to its own records: one value of the device, in all four channels.
    c.SendDataDoubling(2, 1);
    c.SendDisplayLayout(2, 1, 192);
    c.SendBasicFeather(2, 1, 2.2);
    c.SendProjectorCount(2, 6);
    c.SendFeatherCurve(2, 1);
    c.SendBridgeThreshold(2, 77);
    c.SendFeatherMode(2, 1);

    QCOMPARE(rig.model.output(2, 3).BlackLevel, quint8(200));
    QCOMPARE(rig.model.output(1, 3).BlackLevel, quint8(0));
    const OutputInfo &o12 = rig.model.output(1, 2);
    QCOMPARE(QList<int>({o12.LeftHaloWidth, o12.LeftHaloOffset, o12.RightHaloWidth, o12.RightHaloOffset}),
             QList<int>({5, 6, 7, 8}));
    const InputInfo &in = rig.model.input(1, 1);
    QCOMPARE(in.OverallContrast, 110.5f);
    QCOMPARE(in.RedContrast, -3.5f);
    QCOMPARE(in.GreenContrast, 4.0f);
    QCOMPARE(in.BlueContrast, -25.0f);
    QCOMPARE(in.OverallBrightness, 90.0f);
    QCOMPARE(in.BlueBrightness, 1.5f);
    QCOMPARE(in.RedBrightness, 0.0f);
    QCOMPARE(rig.model.input(2, 4).HPosition, 301);
    QCOMPARE(rig.model.input(2, 4).VPosition, 37);
    const OutputInfo &o14 = rig.model.output(1, 4);
    QCOMPARE(o14.SeamStart, -4);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(o14.SeamGain), 8),
             QByteArray::fromHex("01020304050607FF"));
    QCOMPARE(o14.SeamBridge, quint8(1));

    const OutputInfo &s2 = rig.model.output(2, 1);
    QCOMPARE(s2.DataDoubling, quint8(1));
    QCOMPARE(s2.Justification, quint8(1));
    QCOMPARE(s2.OverlapWidth, 192);
    QCOMPARE(s2.BasicFeathering, qint16(1));
    QCOMPARE(s2.BasicGamma, 2.2f);
    QCOMPARE(s2.ProjectorGroup, quint8(1));
    QCOMPARE(s2.TotalProjectors, quint8(6));
    QCOMPARE(s2.FeatherMode, quint8('L'));
    QCOMPARE(s2.BridgeThreshold, quint8(77));
    QCOMPARE(s2.AdvancedMode, quint8(1));
    // Device 1 is untouched; device 2's other channel records hold the same system values and
    // nothing else of channel 1's.
    static const OutputInfo zero = {};
    QVERIFY(std::memcmp(&rig.model.output(1, 1), &zero, sizeof zero) == 0);
    OutputInfo third = rig.model.output(2, 3);
    third.BlackLevel = 0;
    for (const OutputInfo *other :
         std::initializer_list<const OutputInfo *>{&rig.model.output(2, 2), &third, &rig.model.output(2, 4)})
        QVERIFY(std::memcmp(other, &s2, sizeof s2) == 0);
    QVERIFY(std::memcmp(&rig.model.output(2, 0), &zero, sizeof zero) == 0);
}

void tst_commandset::outOfRangeAddressesIgnored() {
    ProtocolRig rig(direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    CommandSet &c = *rig.commands;
    c.SendBlackLevel(1, 5, 9);   // would land in device 2's column 0
    c.SendBlackLevel(1, 0, 9);   // column 0 is never addressed
    c.SendHalo(0, 1, 'L', 9, 9); // row 0 neither
    c.SendTestPattern(1, 6, 9, 1, 1);
    c.SendInputPhase(3, 1, 9); // past the end of the table
    c.SendDataDoubling(3, 1);
    c.SendProjectorCount(0, 9);
    c.RunAutoColorBalance(3);
    QVERIFY(!rig.queries->QueryInputInfo(1, 0));
    QVERIFY(!rig.queries->QueryOutputInfo(2, 5));
    QVERIFY(!rig.queries->QuerySystemInfo(0));

    QCOMPARE(rig.model.image(), QByteArray(int(ConfigFile::FileSize), '\0'));
    QTest::qWait(30);
    QCOMPARE(rig.sim.receivedBytes(), QByteArray());
    QVERIFY(rig.host.entries.isEmpty());
}

void tst_commandset::testPatternChannelFiveStaysOnOneDevice() {
    ProtocolRig rig(direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    rig.commands->SendTestPattern(1, 5, 9, 1, 1);
    for (int ch = 1; ch <= 4; ++ch) {
        QCOMPARE(rig.model.output(1, ch).TestPattern, quint8(9));
        QCOMPARE(rig.model.output(1, ch).OutputRaster, quint8(1));
        QCOMPARE(rig.model.output(1, ch).TestGrid, quint8(1));
        QCOMPARE(rig.model.output(2, ch).TestPattern, quint8(0));
    }
    static const OutputInfo zero = {};
    QVERIFY(std::memcmp(&rig.model.output(1, 0), &zero, sizeof zero) == 0);
    QVERIFY(std::memcmp(&rig.model.output(2, 0), &zero, sizeof zero) == 0);
    // The device is told channel 5 and sets all four itself.
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(rig.sim.requests().first().raw, QByteArray("OTPMKX 5 9 1 1\r"));
    for (int ch = 0; ch < 4; ++ch)
        QCOMPARE(rig.sim.device(1).outputs[ch].testPattern, quint8(9));

    rig.commands->SendTestPattern(1, 3, 2, 0, 0);
    QCOMPARE(rig.model.output(1, 3).TestPattern, quint8(2));
    QCOMPARE(rig.model.output(1, 4).TestPattern, quint8(9));
}

void tst_commandset::forEveryDeviceFollowsDeviceCount() {
    ProtocolRig rig(controller({3, 7}));
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    auto everyDevice = [&] {
        rig.commands->ForEveryDevice([&](int d) { rig.commands->SendDataDoubling(d, 1); });
    };

    rig.state.DeviceCount = 2;
    everyDevice();
    QVERIFY(rig.waitForRequests(2));
    QCOMPARE(rig.rawRequests(), QList<QByteArray>({frame("*3DDBL 1!"), frame("*7DDBL 1!")}));
    QCOMPARE(rig.sim.device(2).outputs[0].dataDoubling, quint8(1));

    rig.sim.clearRequests();
    rig.state.DeviceCount = 1;
    everyDevice();
    QVERIFY(rig.waitForRequests(1));
    QTest::qWait(30);
    QCOMPARE(rig.rawRequests(), QList<QByteArray>({frame("*3DDBL 1!")}));

    // The ID is read when sending: a changed ID field addresses the new ID at once.
    rig.sim.clearRequests();
    SimOptions o = rig.sim.options();
    o.ids = {3, 9};
    rig.sim.setOptions(o);
    rig.state.DeviceIds[2] = 9;
    rig.commands->SendDataDoubling(2, 0);
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(rig.rawRequests().first(), frame("*9DDBL 0!"));
}

void tst_commandset::directAckTicksRaisedAndRestored_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("ticks");
    for (int i = 0; i < builderCases().size(); ++i)
        if (builderCases()[i].directAckTicks > 0)
            QTest::newRow(builderCases()[i].name) << i << builderCases()[i].directAckTicks;
}

void tst_commandset::directAckTicksRaisedAndRestored() {
    QFETCH(int, index);
    QFETCH(int, ticks);
    ProtocolRig rig(direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    // The engine shows "Sending command...." inside its exchange: note the wait it was given then.
    QList<int> seen;
    rig.host.onStatus = [&](const QString &text) {
        if (text == QLatin1String("Sending command....")) seen.append(rig.engine->ackWaitTicks());
    };
    builderCases()[index].call(*rig.commands);
    QVERIFY(!seen.isEmpty());
    QCOMPARE(seen.first(), ticks);
    QCOMPARE(rig.engine->ackWaitTicks(), 80);
}

void tst_commandset::featherModeRereadsOutputs() {
    ProtocolRig rig(controller());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    SimDevice dev = rig.sim.device(2);
    dev.outputs[2].leftGammaWidth = 123;
    rig.sim.setDevice(2, dev);

    bool refreshingDuringSignal = false;
    QSignalSpy spy(rig.commands.get(), &CommandSet::displaySetupRefreshRequested);
    connect(rig.commands.get(), &CommandSet::displaySetupRefreshRequested, this,
            [&] { refreshingDuringSignal = rig.state.Refreshing; });
    rig.commands->SendFeatherMode(2, 1);

    QCOMPARE(rig.rawRequests(),
             QList<QByteArray>({frame("*7KXCTRL 1!"), "KXQUERY *7OINFOKX 1!\r", "KXQUERY *7OINFOKX 2!\r",
                                "KXQUERY *7OINFOKX 3!\r", "KXQUERY *7OINFOKX 4!\r"}));
    QCOMPARE(spy.count(), 1);
    QVERIFY(refreshingDuringSignal);
    QVERIFY(!rig.state.Refreshing);
    QCOMPARE(rig.model.output(2, 3).LeftGammaWidth, 123);
    QCOMPARE(rig.model.output(2, 1).AdvancedMode, quint8(1)); // now as the device reports it
    QVERIFY(!rig.host.busyCursor);
}

void tst_commandset::inputConfigResetRereadsInputs() {
    ProtocolRig rig(direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    QSignalSpy spy(rig.commands.get(), &CommandSet::sourceSetupRefreshRequested);
    rig.commands->SendInputConfigReset(1, 2);
    QCOMPARE(rig.rawRequests(),
             QList<QByteArray>({"ICRSTKX 2\r", "IINFOKX 1\r", "IINFOKX 2\r", "IINFOKX 3\r", "IINFOKX 4\r"}));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(rig.model.input(1, 4).HTotal, rig.sim.device(1).inputs[3].hTotal);
}

void tst_commandset::commandsReadBack_data() {
    QTest::addColumn<bool>("controllerMode");
    QTest::addColumn<int>("device");
    QTest::newRow("direct") << false << 1;
    QTest::newRow("controller, device 2") << true << 2;
}

// Commands change the far end's state; a read of the device brings the same values back into a model
// that was cleared in between.
void tst_commandset::commandsReadBack() {
    QFETCH(bool, controllerMode);
    QFETCH(int, device);
    ProtocolRig rig(controllerMode ? controller() : direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    CommandSet &c = *rig.commands;
    const int d = device;

    c.SendBlackLevel(d, 1, 33);
    c.SendTestPattern(d, 2, 7, 1, 0);
    c.SendSeamGains(d, 3, -4, {11, 12, 13, 14, 15, 16, 17, 18});
    c.SendSeamBridge(d, 3, 1);
    c.SendInputContrast(d, 4, 'G', -2.5);
    c.SendInputBrightness(d, 4, 'C', 102.5);
    c.SendInputPhase(d, 4, -3);
    c.SendInputHPosition(d, 4, 300);
    c.SendInputVPosition(d, 4, 40);
    c.SendDataDoubling(d, 1);
    c.SendDisplayLayout(d, 1, 200);
    c.SendBasicFeather(d, 1, 3.3);
    c.SendProjectorCount(d, 7);
    c.SendFeatherCurve(d, 1);
    c.SendBridgeThreshold(d, 42);

    rig.clearModel();
    QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    QVERIFY(rig.host.unexpected.isEmpty());
    for (const SimRequest &r : rig.sim.requests())
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));

    QCOMPARE(rig.model.output(d, 1).BlackLevel, quint8(33));
    QCOMPARE(rig.model.output(d, 2).TestPattern, quint8(7));
    QCOMPARE(rig.model.output(d, 2).OutputRaster, quint8(1));
    QCOMPARE(rig.model.output(d, 3).SeamStart, -4);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.model.output(d, 3).SeamGain), 8),
             QByteArray::fromHex("0B0C0D0E0F101112"));
    QCOMPARE(rig.model.output(d, 3).SeamBridge, quint8(1));
    const InputInfo &in = rig.model.input(d, 4);
    QCOMPARE(in.GreenContrast, -2.5f);
    QCOMPARE(in.OverallBrightness, 102.5f);
    QCOMPARE(in.PhaseOffset, -3);
    QCOMPARE(in.HPosition, 300);
    QCOMPARE(in.VPosition, 40);
    const OutputInfo &sys = rig.model.output(d, 1);
    QCOMPARE(sys.DataDoubling, quint8(1));
    QCOMPARE(sys.Justification, quint8(1));
    QCOMPARE(sys.OverlapWidth, 200);
    QCOMPARE(sys.BasicFeathering, qint16(1));
    QCOMPARE(sys.BasicGamma, 3.3f);
    QCOMPARE(sys.ProjectorGroup, quint8(d - 1));
    QCOMPARE(sys.TotalProjectors, quint8(7));
    QCOMPARE(sys.FeatherMode, quint8('L'));
    QCOMPARE(sys.BridgeThreshold, quint8(42));
    QCOMPARE(rig.state.ModelFromDevices, 1);
}

// Behind the Controller every command is acknowledged and then given its own settle count.
void tst_commandset::settleCounts() {
    QFETCH(int, index);
    const BuilderCase &c = builderCases()[index];
    ProtocolRig rig(controller());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    c.call(*rig.commands);
    QCOMPARE(rig.engine->lastSettleCount(), c.settle);
}

// On a direct line every command is acknowledged, and nothing else goes out before its "#": a command
// either waits for it itself (the builder returns once it has come), or is written and left (the
// builder returns at once, so that a held spin button is not slowed) while the next request waits for
// the "#" it owes. The device holds its acknowledgement back; the far end sees that the next request
// waited for it either way.
void tst_commandset::directAckOrWrite() {
    QFETCH(int, index);
    const BuilderCase &c = builderCases()[index];
    ProtocolRig::Setup setup = direct();
    setup.pacingFactor = 0.1; // acknowledgement waits of 480 ms and more
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    const int holdMs = 200;
    rig.sim.injectFault(SimFault::LateAck, 1, holdMs, c.direct);
    QElapsedTimer builder;
    builder.start();
    c.call(*rig.commands);
    const qint64 builderMs = builder.elapsed();
    rig.queries->QuerySystemInfo(1);
    const QList<SimRequest> requests = rig.sim.requests();
    QVERIFY(requests.size() >= 2);
    QCOMPARE(requests[0].raw, c.direct);
    const double gapMs = requests[1].firstByteUs / 1000.0 - requests[0].atMs;
    QVERIFY2(gapMs >= holdMs - 1, qPrintable(QString::number(gapMs)));
    if (c.directAckTicks > 0)
        QVERIFY2(builderMs >= holdMs - 1, qPrintable(QString::number(builderMs)));
    else
        QVERIFY2(builderMs < holdMs / 2, qPrintable(QString::number(builderMs)));
    QVERIFY(rig.host.entries.isEmpty());
}

void tst_commandset::settleCountsAtRealTiming_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("settleMs");
    auto row = [](const char *name, int ms) {
        for (int i = 0; i < builderCases().size(); ++i)
            if (qstrcmp(builderCases()[i].name, name) == 0) QTest::newRow(name) << i << ms;
    };
    row("BRDGSEAM", 20);
    row("PEFT", 50);
    row("DISP", 400);
    row("FEATHER S", 490);
    row("SYSAVE", 1000);
}

// Settle steps of 1 ms after the Controller's acknowledgement, seen from the far end: the line stays
// quiet for the settle after the acknowledgement has gone out, and not much longer.
void tst_commandset::settleCountsAtRealTiming() {
    QFETCH(int, index);
    QFETCH(int, settleMs);
    ProtocolRig::Setup setup = controller();
    setup.pacingFactor = 1.0;
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    // A busy machine only makes the quiet time longer: every try must wait the settle, and the shortest
    // of a few tries must not wait much more.
    double shortestMs = 1e9;
    for (int attempt = 0; attempt < 5 && shortestMs > settleMs + 150; ++attempt) {
        rig.sim.clearRequests();
        builderCases()[index].call(*rig.commands);
        QVERIFY(rig.queries->QuerySystemInfo(1));
        const QList<SimRequest> requests = rig.sim.requests();
        QCOMPARE(requests.size(), 2);
        const double quietMs = (requests[1].firstByteUs - requests[0].answerEndUs) / 1000.0;
        QVERIFY2(quietMs >= settleMs - 1, qPrintable(QString::number(quietMs)));
        shortestMs = std::min(shortestMs, quietMs);
    }
    QVERIFY2(shortestMs <= settleMs + 150, qPrintable(QString::number(shortestMs)));
}

QTEST_GUILESS_MAIN(tst_commandset)
#include "tst_commandset.moc"

void tst_commandset::realValuesKeptAsSent_data() {
    QTest::addColumn<int>("which"); // 0 basic gamma, 1 edge gamma, 2 contrast, 3 brightness
    QTest::addColumn<double>("given");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<float>("held");
    QTest::newRow("basic gamma 2.36") << 0 << 2.36 << QByteArray("EFTB 1  2.4\r") << 2.4f;
    QTest::newRow("edge gamma 1.04") << 1 << 1.04 << QByteArray("PEFT 2 L 1  1.0 300 0\r") << 1.0f;
    QTest::newRow("contrast 99.96") << 2 << 99.96 << QByteArray("ICNTKX 1 R 100.0\r") << 100.0f;
    QTest::newRow("brightness -0.04, no negative zero")
        << 3 << -0.04 << QByteArray("IBRTKX 1 R  0.0\r") << 0.0f;
}

// A real value finer than the command's one decimal: the device gets it rounded, and the model holds
// what the device got, so that what is shown, saved and compared afterwards is what was sent.
void tst_commandset::realValuesKeptAsSent() {
    QFETCH(int, which);
    QFETCH(double, given);
    QFETCH(QByteArray, wire);
    QFETCH(float, held);
    ProtocolRig rig(direct());
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    CommandSet &c = *rig.commands;
    float stored = -1;
    switch (which) {
    case 0:
        c.SendBasicFeather(1, 1, given);
        stored = rig.model.output(1, 1).BasicGamma;
        break;
    case 1:
        c.SendEdgeFeather(1, 2, 'L', 1, given, 300, 0);
        stored = rig.model.output(1, 2).LeftGamma;
        break;
    case 2:
        c.SendInputContrast(1, 1, 'R', given);
        stored = rig.model.input(1, 1).RedContrast;
        break;
    default:
        c.SendInputBrightness(1, 1, 'R', given);
        stored = rig.model.input(1, 1).RedBrightness;
        break;
    }
    QVERIFY(c.FinishWrites());
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(rig.sim.requests().constLast().raw, wire);
    QCOMPARE(stored, held);
    QVERIFY(!std::signbit(stored));
}
