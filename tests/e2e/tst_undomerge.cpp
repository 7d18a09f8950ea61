// SPDX-License-Identifier: GPL-3.0-or-later
// Which of the user's adjustments merge into one undo step: the same setting again (on one channel, or a
// device-wide one on either device) merges, anything that differs in command, device, channel, side or
// colour stays apart; a merged step undoes to the value before the first of them, and one back where it
// started leaves nothing to undo. Driven through the command set on the simulator, as the pages send.
#include "DeviceModel.h"
#include "ProtocolRig.h"
#include "UndoRecorder.h"

#include <QTest>
#include <QUndoStack>

#include <functional>

namespace {

using Send = std::function<void(CommandSet &)>;

// The commands on the wire, "6:BLKGN 3 0".
QStringList commandsOnWire(const ProtocolRig &rig) {
    QStringList out;
    for (const SimRequest &r : rig.sim.requests())
        if (r.kind == SimRequest::Command)
            out << QStringLiteral("%1:").arg(r.targetId) + QString::fromLatin1(r.command);
    return out;
}

struct Case {
    QList<Send> adjustments; // one adjustment each
    int steps;               // on the stack afterwards
};

} // namespace

class tst_undomerge : public QObject {
    Q_OBJECT
private slots:
    void whatMerges_data();
    void whatMerges();
    void mergedStepUndoesToTheFirstValue();
    void revertIsAStepOfItsOwn();
};

void tst_undomerge::whatMerges_data() {
    QTest::addColumn<QList<Send>>("adjustments");
    QTest::addColumn<int>("steps");
    auto add = [](const char *tag, QList<Send> adjustments, int steps) {
        QTest::newRow(tag) << adjustments << steps;
    };
    auto phase = [](int d, int c, int v) { return [=](CommandSet &s) { s.SendInputPhase(d, c, v); }; };
    auto halo = [](int c, char side, int w) { return [=](CommandSet &s) { s.SendHalo(1, c, side, w, 3); }; };
    auto contrast = [](char colour, double v) {
        return [=](CommandSet &s) { s.SendInputContrast(1, 2, colour, v); };
    };
    auto doubling = [](int d, int on) { return [=](CommandSet &s) { s.SendDataDoubling(d, on); }; };
    auto mode = [](int advanced) {
        return [=](CommandSet &s) { s.ForEveryDevice([&](int d) { s.SendFeatherMode(d, advanced); }); };
    };
    add("phase typed twice", {phase(1, 1, 3), phase(1, 1, 4)}, 1);
    add("phase of two channels", {phase(1, 1, 3), phase(1, 2, 4)}, 2);
    add("phase of two devices", {phase(1, 1, 3), phase(2, 1, 4)}, 2);
    add("phase back where it was", {phase(1, 1, 3), phase(1, 1, 0)}, 0);
    add("phase there and back, then again", {phase(1, 1, 3), phase(1, 1, 0), phase(1, 1, 5)}, 1);
    add("halo of one side twice", {halo(2, 'L', 5), halo(2, 'L', 6)}, 1);
    add("halos of both sides", {halo(2, 'L', 5), halo(2, 'R', 6)}, 2);
    add("contrast of two colours", {contrast('R', 3), contrast('G', 3)}, 2);
    add("contrast of one colour twice", {contrast('R', 3), contrast('R', 4)}, 1);
    // A device-wide setting goes to each device in turn: the sends to either are the one setting.
    add("data doubling on device 1, then device 2", {doubling(1, 1), doubling(2, 1)}, 1);
    add("data doubling, then a phase", {doubling(1, 1), phase(1, 1, 3)}, 2);
    // Basic and advanced feathering are the one feather mode: on and off again is nothing.
    add("feather mode on and off", {mode(1), mode(0)}, 0);
    add("two settings, then one of them",
        {[](CommandSet &s) {
             CommandSet::Action action(s);
             s.SendInputPhase(1, 1, 3);
             s.SendInputVPosition(1, 1, 40);
         },
         phase(1, 1, 4)},
        2);
}

void tst_undomerge::whatMerges() {
    QFETCH(QList<Send>, adjustments);
    QFETCH(int, steps);
    ProtocolRig::Setup setup;
    setup.controller = true;
    setup.ids = {5, 6};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= 2; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    QCOMPARE(rig.model.input(1, 1).PhaseOffset, 0);
    QCOMPARE(rig.model.output(1, 1).AdvancedMode, 0);
    UndoRecorder recorder({*rig.commands, rig.model, *rig.engine, rig.host}, [](bool) {});
    recorder.startNewHistory(QStringLiteral("read"));
    for (const Send &send : adjustments)
        send(*rig.commands);
    QUndoStack *stack = recorder.stack();
    QStringList texts;
    for (int i = 0; i < stack->count(); ++i)
        texts << stack->text(i);
    QVERIFY2(stack->count() == steps, qPrintable(texts.join(" | ")));
    QCOMPARE(rig.host.messages(), QStringList{});
}

// Three adjustments of one setting make one step; undoing it sends the value from before the first,
// redoing it the last.
void tst_undomerge::mergedStepUndoesToTheFirstValue() {
    ProtocolRig::Setup setup;
    setup.controller = true;
    setup.ids = {5, 6};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= 2; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    UndoRecorder recorder({*rig.commands, rig.model, *rig.engine, rig.host}, [](bool) {});
    recorder.startNewHistory(QStringLiteral("read"));
    const int before = rig.model.output(2, 3).BlackLevel;
    for (int level : {before + 10, before + 20, before + 30})
        rig.commands->SendBlackLevel(2, 3, level);
    QCOMPARE(recorder.stack()->count(), 1);
    QCOMPARE(recorder.stack()->text(0), QStringLiteral("Black Level, screen 7: %1").arg(before + 30));

    rig.sim.clearRequests();
    recorder.undo();
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(commandsOnWire(rig), QStringList{QStringLiteral("6:BLKGN 3 %1").arg(before)});
    QCOMPARE(int(rig.model.output(2, 3).BlackLevel), before);

    rig.sim.clearRequests();
    recorder.redo();
    QVERIFY(rig.waitForRequests(1));
    QCOMPARE(commandsOnWire(rig), QStringList{QStringLiteral("6:BLKGN 3 %1").arg(before + 30)});
    QCOMPARE(rig.host.messages(), QStringList{});
}

// A revert is one step; the same adjustment made after it is a step of its own, not a part of the revert.
void tst_undomerge::revertIsAStepOfItsOwn() {
    ProtocolRig::Setup setup;
    setup.controller = true;
    setup.ids = {5, 6};
    ProtocolRig rig(setup);
    QVERIFY2(rig.ok(), qPrintable(rig.error()));
    for (int d = 1; d <= 2; ++d)
        QCOMPARE(rig.queries->ReadDeviceRecords(d, {}), 1);
    UndoRecorder recorder({*rig.commands, rig.model, *rig.engine, rig.host}, [](bool) {});
    recorder.startNewHistory(QStringLiteral("read"));
    rig.commands->SendInputPhase(1, 2, 5);
    recorder.RevertToLastRead();
    QCOMPARE(recorder.stack()->count(), 2);
    QCOMPARE(recorder.stack()->text(1), QStringLiteral("Revert to Last Read"));
    rig.commands->SendInputPhase(1, 2, 5);
    QCOMPARE(recorder.stack()->count(), 3);
    QCOMPARE(recorder.stack()->text(2), QStringLiteral("Phase, screen 2: 5"));
    QCOMPARE(rig.host.messages(), QStringList{});
}

QTEST_GUILESS_MAIN(tst_undomerge)
#include "tst_undomerge.moc"
