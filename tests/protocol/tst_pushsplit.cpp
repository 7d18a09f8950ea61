// SPDX-License-Identifier: GPL-3.0-or-later
// A push of a wall split across the devices, at every projector count: screens 1-4 are device 1's
// channels 1-4, screens 5-8 device 2's. Which device and channel each input and seam command reaches on
// the wire, the projector count every device is told, and the progress count of the pass.
#include "DeviceModel.h"
#include "ModelAccessors.h"
#include "ModelPushValues.h"
#include "ProtocolRig.h"
#include "SettingsPush.h"

#include <QTest>

#include <algorithm>

namespace {

// The input and seam commands of the wire, and the projector counts, as "id:NAME channel" ("6:IRSPKX 3",
// "5:PRJ 0 7"); on a direct line without the id.
QStringList screenCommands(const ProtocolRig &rig) {
    QStringList out;
    for (const SimRequest &r : rig.sim.requests()) {
        if (r.kind != SimRequest::Command) continue;
        const QList<QByteArray> words = r.command.split(' ');
        const QByteArray &name = words.first();
        const QString to = r.targetId >= 0 ? QStringLiteral("%1:").arg(r.targetId) : QString();
        if (name == "PRJ") {
            out << to + QString::fromLatin1(r.command);
        } else if (name == "IRSPKX" || name == "ICPHOKX" || name == "ICNTKX" || name == "IBRTKX" ||
                   name == "MANSEAM" || name == "BRDGSEAM") {
            out << to + QString::fromLatin1(name + ' ' + words.value(1));
        }
    }
    return out;
}

// What the push sends for a wall of n projectors, every input locked, to `ids` (one id: a direct line).
QStringList expectedCommands(const QList<int> &ids, int n) {
    const bool controller = ids.size() > 1;
    auto to = [&](int device) { return controller ? QStringLiteral("%1:").arg(ids[device - 1]) : QString(); };
    QStringList out;
    for (int d = 1; d <= ids.size(); ++d)
        out << to(d) + QStringLiteral("PRJ %1 %2").arg(d - 1).arg(n);
    const int screens = std::min(n, int(ids.size()) * 4);
    for (int s = 1; s <= screens; ++s) {
        const QString at = to(s <= 4 ? 1 : 2);
        const QString c = QString::number((s - 1) % 4 + 1);
        out << at + "IRSPKX " + c << at + "IRSPKX " + c << at + "ICPHOKX " + c;
        for (int i = 0; i < 4; ++i)
            out << at + "ICNTKX " + c << at + "IBRTKX " + c;
    }
    for (int s = 1; s <= screens; ++s) {
        const QString at = to(s <= 4 ? 1 : 2);
        const QString c = QString::number((s - 1) % 4 + 1);
        out << at + "MANSEAM " + c << at + "BRDGSEAM " + c;
    }
    return out;
}

} // namespace

class tst_pushsplit : public QObject {
    Q_OBJECT
private slots:
    void everyScreenReachesItsDeviceAndChannel_data();
    void everyScreenReachesItsDeviceAndChannel();
};

void tst_pushsplit::everyScreenReachesItsDeviceAndChannel_data() {
    QTest::addColumn<bool>("controller");
    QTest::addColumn<int>("n");
    for (int n = 1; n <= 8; ++n) {
        QTest::addRow("two devices, %d", n) << true << n;
        QTest::addRow("direct, %d", n) << false << n;
    }
}

void tst_pushsplit::everyScreenReachesItsDeviceAndChannel() {
    QFETCH(bool, controller);
    QFETCH(int, n);
    ProtocolRig::Setup setup;
    setup.controller = controller;
    setup.ids = controller ? QList<int>{5, 6} : QList<int>{1};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= rig.state.DeviceCount; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    rig.model.editOutput(1, 1, [n](OutputInfo &out) { out.TotalProjectors = quint8(n); });
    // Device 2's own count differs: the wall's count is device 1's.
    rig.model.editOutput(2, 1, [](OutputInfo &out) { out.TotalProjectors = 3; });
    for (int d = 1; d <= 2; ++d)
        for (int c = 1; c <= 4; ++c)
            QVERIFY(IsInputLocked(rig.model, d, c) || d > rig.state.DeviceCount);
    rig.sim.clearRequests();

    ModelPushValues values(rig.model, *rig.commands, rig.host);
    SettingsPush push(*rig.commands, rig.model, rig.host, [] { return true; });
    QList<std::pair<int, int>> steps;
    push.setStepObserver([&](const SettingsPush::Step &step) { steps.append({step.done, step.total}); });
    QCOMPARE(push.run(values, &values, &values), SettingsPush::Result::Sent);
    QCOMPARE(rig.host.messages(), QStringList{});

    const QStringList wire = screenCommands(rig);
    const QStringList expected = expectedCommands(setup.ids, n);
    if (wire != expected)
        qWarning("wire:     %s\nexpected: %s", qPrintable(wire.join(" | ")),
                 qPrintable(expected.join(" | ")));
    QCOMPARE(wire, expected);

    // The progress counts every part the pass sends, once, against one total that it reaches at the end:
    // count, layout, inputs, outputs, doubling, basic feathering, mode for each device's share.
    const bool two = rig.state.DeviceCount == 2;
    const bool device2Screens = two && n >= 5;
    const int total = 6 + (two ? 1 : 0) + 2 * (1 + (device2Screens ? 1 : 0));
    QCOMPARE(steps.size(), total);
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(steps[i], std::make_pair(i + 1, total));
}

QTEST_GUILESS_MAIN(tst_pushsplit)
#include "tst_pushsplit.moc"
