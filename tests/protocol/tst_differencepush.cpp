// SPDX-License-Identifier: GPL-3.0-or-later
// Sending a comparison's differences: each row goes out through its own command, to its own device and
// channel (and side or colour), with the model's values; rows the devices do not report stay home, and
// several rows go out in the order of Send Current Settings, a shared command once.
#include "DeviceModel.h"
#include "DifferencePush.h"
#include "ProtocolRig.h"

#include <QTest>

namespace {

// The setting commands on the wire, "6:HALO 3 L 7 9" (the feather mode's re-read left out).
QStringList commandsOnWire(const ProtocolRig &rig) {
    QStringList out;
    for (const SimRequest &r : rig.sim.requests())
        if (r.kind == SimRequest::Command)
            out << QStringLiteral("%1:").arg(r.targetId) + QString::fromLatin1(r.command);
    return out;
}

// Every value the rows below name differs between the two devices, channels, sides and colours, and the
// system values of device 2's own record differ from device 1's, which is what every device is sent.
void distinctValues(DeviceModel &model) {
    model.editOutput(1, 1, [](OutputInfo &o) {
        o.Justification = 1;
        o.OverlapWidth = 300;
        o.TotalProjectors = 6;
        o.BasicGamma = 2.6f;
        o.BasicFeathering = 1;
        o.AdvancedMode = 1;
        o.DataDoubling = 1;
    });
    model.editOutput(2, 1, [](OutputInfo &o) {
        o.Justification = 0;
        o.OverlapWidth = 128;
        o.TotalProjectors = 3;
        o.BasicGamma = 1.5f;
        o.BasicFeathering = 0;
        o.AdvancedMode = 0;
        o.DataDoubling = 0;
        o.LeftFeathering = 1;
        o.LeftGamma = 2.7f;
        o.LeftGammaWidth = 100;
        o.LeftGammaOffset = 20;
        o.RightFeathering = 0;
        o.RightGamma = 1.9f;
        o.RightGammaWidth = 90;
        o.RightGammaOffset = 30;
    });
    model.editOutput(1, 2, [](OutputInfo &o) {
        o.LeftHaloWidth = 25;
        o.LeftHaloOffset = 27;
        o.RightHaloWidth = 21;
        o.RightHaloOffset = 23;
        o.TestPattern = 3;
        o.OutputRaster = 1;
        o.TestGrid = 0;
        o.BlackLevel = 5;
    });
    model.editOutput(2, 2, [](OutputInfo &o) {
        o.BlackLevel = 17;
        o.TestPattern = 4;
    });
    model.editOutput(2, 3, [](OutputInfo &o) {
        o.LeftHaloWidth = 7;
        o.LeftHaloOffset = 9;
        o.RightHaloWidth = 11;
        o.RightHaloOffset = 13;
        o.SeamBridge = 1;
    });
    model.editOutput(1, 4, [](OutputInfo &o) {
        o.LeftFeathering = 0;
        o.LeftGamma = 1.5f;
        o.LeftGammaWidth = 70;
        o.LeftGammaOffset = 50;
        o.RightFeathering = 1;
        o.RightGamma = 3.1f;
        o.RightGammaWidth = 110;
        o.RightGammaOffset = 40;
    });
    model.editOutput(2, 4, [](OutputInfo &o) {
        for (int g = 0; g < 8; ++g)
            o.SeamGain[g] = quint8(g + 1);
    });
    model.editInput(2, 2, [](InputInfo &i) {
        i.HPosition = 300;
        i.VPosition = 33;
        i.PhaseOffset = 4;
    });
    model.editInput(1, 3, [](InputInfo &i) {
        i.HPosition = 290;
        i.VPosition = 31;
    });
    model.editInput(2, 4, [](InputInfo &i) {
        i.GreenContrast = 3.5f;
        i.GreenBrightness = -2.5f;
        i.RedBrightness = 1.5f;
    });
}

struct Row {
    int device, channel;
    const char *field;
    bool notReported = false;
};

} // namespace

class tst_differencepush : public QObject {
    Q_OBJECT
private slots:
    void rowsGoOutThroughTheirCommands_data();
    void rowsGoOutThroughTheirCommands();
};

void tst_differencepush::rowsGoOutThroughTheirCommands_data() {
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QStringList>("wire");
    auto add = [](const char *tag, QList<Row> rows, QStringList wire) { QTest::newRow(tag) << rows << wire; };
    add("left halo offset of screen 7", {{2, 3, "LeftHaloOffset"}}, {"6:HALO 3 L 7 9"});
    add("right halo width of screen 2", {{1, 2, "RightHaloWidth"}}, {"5:HALO 2 R 21 23"});
    add("both of one halo: one command", {{2, 3, "RightHaloWidth"}, {2, 3, "RightHaloOffset"}},
        {"6:HALO 3 R 11 13"});
    add("left edge of screen 5", {{2, 1, "LeftGammaOffset"}}, {"6:PEFT 1 L 1  2.7 100 20"});
    add("right edge of screen 5", {{2, 1, "RightGamma"}}, {"6:PEFT 1 R 0  1.9 90 30"});
    add("right edge of screen 4", {{1, 4, "RightFeathering"}}, {"5:PEFT 4 R 1  3.1 110 40"});
    add("left edge of screen 4", {{1, 4, "LeftGammaWidth"}}, {"5:PEFT 4 L 0  1.5 70 50"});
    // System values: device 1's, to the device of the row.
    add("overlap of device 2", {{2, 1, "OverlapWidth"}}, {"6:DISP 1 300"});
    add("justification of both", {{2, 1, "Justification"}, {1, 1, "Justification"}},
        {"5:DISP 1 300", "6:DISP 1 300"});
    add("projector count of device 2", {{2, 1, "TotalProjectors"}}, {"6:PRJ 1 6"});
    add("projector count of device 1", {{1, 1, "TotalProjectors"}}, {"5:PRJ 0 6"});
    add("basic gamma of device 2", {{2, 1, "BasicGamma"}}, {"6:EFTB 1  2.6"});
    add("basic feathering of device 1", {{1, 1, "BasicFeathering"}}, {"5:EFTB 1  2.6"});
    add("data doubling of device 2", {{2, 1, "DataDoubling"}}, {"6:DDBL 1"});
    add("feather mode of device 2", {{2, 1, "AdvancedMode"}}, {"6:KXCTRL 1"});
    // Inputs.
    add("v position of screen 6", {{2, 2, "VPosition"}}, {"6:IRSPKX 2 M V 33"});
    add("h position of screen 3", {{1, 3, "HPosition"}}, {"5:IRSPKX 3 M H 290"});
    add("phase of screen 6", {{2, 2, "PhaseOffset"}}, {"6:ICPHOKX 2 M 4"});
    add("green brightness of screen 8", {{2, 4, "GreenBrightness"}}, {"6:IBRTKX 4 G -2.5"});
    add("green contrast and red brightness of screen 8", {{2, 4, "GreenContrast"}, {2, 4, "RedBrightness"}},
        {"6:IBRTKX 4 R  1.5", "6:ICNTKX 4 G  3.5"});
    // Outputs and seams.
    add("grid of screen 2", {{1, 2, "TestGrid"}}, {"5:OTPMKX 2 3 1 0"});
    add("black level of screen 6", {{2, 2, "BlackLevel"}}, {"6:BLKGN 2 17"});
    add("a seam gain of screen 8", {{2, 4, "SeamGain8"}}, {"6:MANSEAM 4 -4 1 2 3 4 5 6 7 8"});
    add("bridge of screen 7", {{2, 3, "SeamBridge"}}, {"6:BRDGSEAM 3 1"});
    // What the devices do not report stays home; nothing at all to send sends nothing.
    add("not reported", {{1, 2, "LeftHaloWidth", true}}, {});
    add("not reported beside a row", {{1, 2, "LeftHaloWidth", true}, {2, 2, "BlackLevel"}}, {"6:BLKGN 2 17"});
    // The order of Send Current Settings, whatever the rows' order.
    add("order",
        {{2, 3, "SeamBridge"},
         {2, 1, "AdvancedMode"},
         {2, 2, "BlackLevel"},
         {1, 2, "TestGrid"},
         {1, 1, "DataDoubling"},
         {2, 2, "VPosition"},
         {1, 1, "OverlapWidth"},
         {2, 1, "TotalProjectors"},
         {1, 1, "BasicGamma"}},
        {"6:PRJ 1 6", "5:DISP 1 300", "6:IRSPKX 2 M V 33", "5:OTPMKX 2 3 1 0", "5:DDBL 1", "5:EFTB 1  2.6",
         "6:KXCTRL 1", "6:BLKGN 2 17", "6:BRDGSEAM 3 1"});
}

void tst_differencepush::rowsGoOutThroughTheirCommands() {
    QFETCH(QList<Row>, rows);
    QFETCH(QStringList, wire);
    ProtocolRig::Setup setup;
    setup.controller = true;
    setup.ids = {5, 6};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= 2; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    distinctValues(rig.model);
    rig.sim.clearRequests();

    QList<Difference> differences;
    for (const Row &r : rows)
        differences.append(
            {r.device, r.channel, QLatin1String(r.field), QString(), QString(), r.notReported, {}, {}, {}});
    DifferencePush push(*rig.commands, rig.model, rig.host, [] { return true; });
    const DifferencePush::Result result = push.send(differences);
    QCOMPARE(result, wire.isEmpty() ? DifferencePush::Result::NotSent : DifferencePush::Result::Sent);
    const QStringList sent = commandsOnWire(rig);
    if (sent != wire) qWarning("wire: %s", qPrintable(sent.join(" | ")));
    QCOMPARE(sent, wire);
    QCOMPARE(push.commandsSent(), int(wire.size()));
    QCOMPARE(rig.host.messages(), QStringList{});
    QVERIFY(!rig.host.progressVisible);
}

QTEST_GUILESS_MAIN(tst_differencepush)
#include "tst_differencepush.moc"
