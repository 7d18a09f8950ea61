// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of the user's adjustments, driven as the user does it: typing and Enter, spin clicks,
// check box clicks, Ctrl+Z and Ctrl+Shift+Z on the shown, active window, with the simulator's devices
// at the far end. What counts is what the devices end up with, what went over the wire, and what the
// page shows.
#include "WindowRig.h"

#include "CommandEngine.h"
#include "EditMenu.h"
#include "RadioGroup.h"
#include "SpinButton.h"
#include "UndoRecorder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <QUndoView>

namespace {

struct User {
    WindowRig &rig;

    void click(const QString &name) {
        QWidget *w = rig.find(name);
        QVERIFY2(w->isVisible(), qPrintable(name));
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(qMin(10, w->width() / 2), w->height() / 2));
    }
    void spin(const QString &spinName, bool up) {
        auto *spin = rig.find<SpinButton>(spinName);
        QVERIFY2(spin->isVisible(), qPrintable(spinName));
        QTest::mouseClick(spin, Qt::LeftButton, {},
                          QPoint(spin->width() / 2, spin->height() * (up ? 1 : 3) / 4));
    }
    // Clicks into the field, replaces its text and presses Enter.
    void type(const QString &field, const QString &text) {
        click(field);
        QWidget *w = QApplication::focusWidget();
        QVERIFY2(
            w && w->objectName() == field,
            qPrintable(field + " focus: " + WindowRig::focusName() + " active: " +
                       (QApplication::activeWindow() ? QApplication::activeWindow()->objectName() : "none")));
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w, text);
        QTest::keyClick(w, Qt::Key_Return);
    }
    // Keys go where the focus is, as the user's would.
    void keys(Qt::KeyboardModifiers modifiers) {
        QWidget *w = QApplication::focusWidget();
        QTest::keyClick(w ? w : rig.form.get(), Qt::Key_Z, modifiers);
    }
    void undo() { keys(Qt::ControlModifier); }
    void redo() { keys(Qt::ControlModifier | Qt::ShiftModifier); }
};

QString text(WindowRig &r, const QString &field) {
    return r.find<QLineEdit>(field)->text();
}

QString statusText(WindowRig &r) {
    return r.find<QLabel>(QStringLiteral("MainStatusText"))->text();
}

} // namespace

class UndoTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void gammaUndoneByCtrlZ_data();
    void gammaUndoneByCtrlZ();
    void editsMergeAndUndoInOrder();
    void refusedWhileDownOrBusy();
    void irreversibleAndReadEndTheHistory();
    void revertToLastRead();
    void projectorSetupChoiceUndoneChannelByChannel();
    void failedSendsLeaveTheStackAsTheDevicesAre();
    void deviceWideValuesReadAlikeInEveryChannel();

private:
    // Connects in the mode and brings the page in front, no focus anywhere, the wire cleared.
    std::unique_ptr<WindowRig> open(WindowRig::Mode mode, const char *page);
    // Waits for the wire to hold exactly these commands (device-prefixed, see WindowRig::wire).
    static bool wireIs(WindowRig &r, const QStringList &expected);
    std::unique_ptr<WindowRig> current;
};

void UndoTest::cleanup() {
    current.reset();
}

std::unique_ptr<WindowRig> UndoTest::open(WindowRig::Mode mode, const char *page) {
    auto r = std::make_unique<WindowRig>(mode);
    if (!r->connect()) return nullptr;
    r->form->phasePageControl()->setCurrentWidget(r->find(QString::fromLatin1(page)));
    if (QWidget *w = QApplication::focusWidget()) w->clearFocus();
    r->sim->clearRequests();
    return r;
}

bool UndoTest::wireIs(WindowRig &r, const QStringList &expected) {
    r.sim->waitForRequests(int(expected.size()), 10000);
    // Nothing more may follow.
    QTest::qWait(100);
    if (r.wire() == expected) return true;
    qWarning("wire: %s\nexpected: %s", qPrintable(r.wire().join(" | ")), qPrintable(expected.join(" | ")));
    return false;
}

void UndoTest::gammaUndoneByCtrlZ_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("direct") << int(WindowRig::Direct);
    QTest::newRow("controller") << int(WindowRig::Controller);
}

// The basic gamma goes to every device; Ctrl+Z puts the old value back on each of them and on the
// page, Ctrl+Shift+Z the new one.
void UndoTest::gammaUndoneByCtrlZ() {
    QFETCH(int, mode);
    const bool two = mode == WindowRig::Controller;
    current = open(WindowRig::Mode(mode), "DisplaySetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QCOMPARE(text(r, "BasicGammaEdit"), QStringLiteral("2.2"));
    auto onEvery = [&](const QString &command) {
        return two ? QStringList{"1:" + command, "2:" + command} : QStringList{"1:" + command};
    };
    auto devicesHold = [&](int tenths) {
        for (int d = 1; d <= (two ? 2 : 1); ++d)
            if (r.sim->device(d).outputs[0].basicGamma != tenths) return false;
        return true;
    };

    QVERIFY(r.act([&] { user.type("BasicGammaEdit", "2.5"); }));
    QVERIFY(wireIs(r, onEvery("EFTB 1  2.5")));
    QVERIFY(devicesHold(25));
    QCOMPARE(r.form->undoRecorder().stack()->count(), 1);

    r.sim->clearRequests();
    QVERIFY(r.act([&] { user.undo(); }));
    QVERIFY(wireIs(r, onEvery("EFTB 1  2.2")));
    QVERIFY(devicesHold(22));
    QCOMPARE(text(r, "BasicGammaEdit"), QStringLiteral("2.2"));
    QCOMPARE(r.form->model().output(1, 1).BasicGamma, 2.2f);

    r.sim->clearRequests();
    QVERIFY(r.act([&] { user.redo(); }));
    QVERIFY(wireIs(r, onEvery("EFTB 1  2.5")));
    QVERIFY(devicesHold(25));
    QCOMPARE(text(r, "BasicGammaEdit"), QStringLiteral("2.5"));
    QVERIFY(r.user.unexpected.isEmpty() && r.user.messages().isEmpty());
}

// Steps on one field merge (typing twice, three spin clicks); steps on different fields stay apart and
// are undone latest first; a new edit after an undo drops what could have been redone.
void UndoTest::editsMergeAndUndoInOrder() {
    current = open(WindowRig::Controller, "SourceSetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QUndoStack *stack = r.form->undoRecorder().stack();
    QUndoView *view = r.form->editMenu().historyView();
    const int v = r.sim->device(1).inputs[0].vPosition;
    auto vCommand = [](int value) { return QStringLiteral("1:IRSPKX 1 M V %1").arg(value); };

    QVERIFY(r.act([&] {
        user.type("PhaseEdit", "3");
        user.type("PhaseEdit", "4");
        for (int i = 0; i < 3; ++i)
            user.spin("VPositionUpDown", true);
        r.form->phasePageControl()->setCurrentWidget(r.find("DisplaySetupTabSheet"));
        user.click("EnDataDoubleCheckBox");
    }));
    // Leaving a field whose text the user did not change (the H position field Enter took the focus
    // to) sends nothing and makes no step.
    QVERIFY(wireIs(r, {"1:ICPHOKX 1 M 3", "1:ICPHOKX 1 M 4", vCommand(v + 1), vCommand(v + 2),
                       vCommand(v + 3), "1:DDBL 1", "2:DDBL 1"}));
    QCOMPARE(stack->count(), 3);
    QCOMPARE(stack->text(0), QStringLiteral("Phase, screen 1: 4"));
    QCOMPARE(stack->text(1), QStringLiteral("V Position, screen 1: %1").arg(v + 3));
    // The view lists the history below its start.
    QCOMPARE(view->model()->rowCount(), 4);

    r.sim->clearRequests();
    QVERIFY(r.act([&] {
        user.undo();
        user.undo();
    }));
    QVERIFY(wireIs(r, {"1:DDBL 0", "2:DDBL 0", vCommand(v)}));
    QCOMPARE(r.sim->device(1).inputs[0].vPosition, v);
    QCOMPARE(r.sim->device(2).outputs[0].dataDoubling, 0);
    QCOMPARE(r.sim->device(1).inputs[0].phaseOffset, 4);
    QVERIFY(!r.find<QCheckBox>("EnDataDoubleCheckBox")->isChecked());
    QCOMPARE(text(r, "VPositionEdit"), QString::number(v));
    QCOMPARE(stack->index(), 1);

    // A step redone, then a new edit of it: the remaining redo is gone.
    r.sim->clearRequests();
    r.form->phasePageControl()->setCurrentWidget(r.find("SourceSetupTabSheet"));
    QVERIFY(r.act([&] {
        user.redo();
        user.type("VPositionEdit", QString::number(v + 5));
    }));
    QVERIFY(wireIs(r, {vCommand(v + 3), vCommand(v + 5)}));
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->text(1), QStringLiteral("V Position, screen 1: %1").arg(v + 5));
    QVERIFY(!stack->canRedo());

    // Typed back to what it was, the field has no step left.
    QVERIFY(r.act([&] { user.type("VPositionEdit", QString::number(v)); }));
    QCOMPARE(stack->count(), 1);
}

void UndoTest::refusedWhileDownOrBusy() {
    current = open(WindowRig::Controller, "SourceSetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QUndoStack *stack = r.form->undoRecorder().stack();
    QVERIFY(r.act([&] {
        user.type("PhaseEdit", "5");
        user.type("HPositionEdit", "300");
    }));
    QVERIFY(wireIs(r, {"1:ICPHOKX 1 M 5", "1:IRSPKX 1 M H 300"}));

    // Ctrl+Z while the next command waits for its acknowledgement.
    r.sim->clearRequests();
    r.sim->injectFault(SimFault::LateAck, 1, 1500, "ICPHOKX 1 M 6");
    QString busyStatus;
    QTimer::singleShot(500, r.form.get(), [&] {
        user.undo();
        busyStatus = statusText(r);
    });
    QVERIFY(r.act([&] { user.type("PhaseEdit", "6"); }));
    QCOMPARE(busyStatus, QStringLiteral("Undo refused: a command is in progress."));
    // The V position field that Enter took the focus to is left unchanged: it sends nothing.
    QVERIFY(wireIs(r, {"1:ICPHOKX 1 M 6"}));
    QCOMPARE(stack->index(), 3);

    // Ctrl+Z, and a click in the history view, while the link is down move nothing.
    r.trigger("DisconnectSerialCo1");
    r.sim->clearRequests();
    user.undo();
    QCOMPARE(statusText(r), QStringLiteral("Undo refused: no Kestrix communication established."));
    r.form->statusBar()->clearMessage();
    QUndoView *view = r.form->editMenu().historyView();
    r.trigger("UndoHistory1");
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(1, 0)).center());
    QCOMPARE(stack->index(), 3);
    QCOMPARE(statusText(r), QStringLiteral("Undo refused: no Kestrix communication established."));
    QTest::qWait(100);
    QVERIFY(r.sim->requests().isEmpty());
    QCOMPARE(text(r, "PhaseEdit"), QStringLiteral("6"));
}

void UndoTest::irreversibleAndReadEndTheHistory() {
    current = open(WindowRig::Direct, "SourceSetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QUndoStack *stack = r.form->undoRecorder().stack();
    QUndoView *view = r.form->editMenu().historyView();

    QVERIFY(r.act([&] { user.type("PhaseEdit", "5"); }));
    QCOMPARE(stack->count(), 1);
    r.user.expectYesNo(true, QStringLiteral("Resetting Input Configuration"));
    QVERIFY(r.act([&] { user.click("AutoConfigButton"); }));
    QVERIFY(r.wire().contains("1:ICRSTKX 1"));
    QCOMPARE(stack->count(), 0);
    QCOMPARE(view->emptyLabel(), QStringLiteral("History ended by Reset Config"));
    r.sim->clearRequests();
    user.undo();
    QTest::qWait(100);
    QVERIFY(r.sim->requests().isEmpty());

    QVERIFY(r.act([&] { user.type("PhaseEdit", "6"); }));
    QCOMPARE(stack->count(), 1);
    // Sending everything the pages show again is no adjustment.
    QVERIFY(r.act([&] { r.trigger("SendCurrentSettingstoKestrixs1"); }));
    QVERIFY(r.wire().size() > 20);
    QCOMPARE(stack->count(), 1);
    QVERIFY(r.act([&] { r.trigger("ReadfromKestrixs1"); }));
    QCOMPARE(stack->count(), 0);
    QCOMPARE(view->emptyLabel(), QStringLiteral("New history after Read from Kestrix(s)"));
}

// Revert sends back exactly the settings that differ from the last read: a field changed twice once, a
// spin step, not a value undone back to what was read and nothing untouched. It is itself a step.
void UndoTest::revertToLastRead() {
    current = open(WindowRig::Controller, "SourceSetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QUndoStack *stack = r.form->undoRecorder().stack();
    const int h = r.sim->device(1).inputs[0].hPosition;

    QVERIFY(r.act([&] {
        user.type("PhaseEdit", "3");
        user.type("PhaseEdit", "4");
        user.spin("HPositionUpDown", true);
        user.type("LeftRContrastEdit", "5");
        user.undo();
    }));
    r.sim->clearRequests();
    QVERIFY(r.act([&] { r.trigger("RevertToLastRead1"); }));
    QVERIFY(wireIs(r, {"1:ICPHOKX 1 M 0", QStringLiteral("1:IRSPKX 1 M H %1").arg(h)}));
    QCOMPARE(r.sim->device(1).inputs[0].phaseOffset, 0);
    QCOMPARE(text(r, "PhaseEdit"), QStringLiteral("0"));
    QCOMPARE(stack->text(stack->index() - 1), QStringLiteral("Revert to Last Read"));

    r.sim->clearRequests();
    QVERIFY(r.act([&] { r.trigger("RevertToLastRead1"); }));
    QVERIFY(wireIs(r, {}));
    QCOMPARE(statusText(r), QStringLiteral("Nothing changed since the last read."));

    QVERIFY(r.act([&] { user.undo(); }));
    QVERIFY(wireIs(r, {"1:ICPHOKX 1 M 4", QStringLiteral("1:IRSPKX 1 M H %1").arg(h + 1)}));
    QCOMPARE(text(r, "PhaseEdit"), QStringLiteral("4"));
}

// A Projector Setup choice puts one pattern on every channel; undoing it gives each channel its own
// pattern back (one command each where they differed, one for all four where they agreed).
void UndoTest::projectorSetupChoiceUndoneChannelByChannel() {
    current = open(WindowRig::Controller, "DisplaySetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QVERIFY(r.act([&] { user.click("TestGrid3CheckBox"); }));
    QVERIFY(wireIs(r, {"1:OTPMKX 3 0 0 1"}));
    r.form->phasePageControl()->setCurrentWidget(r.find("ProjAlignTabSheet"));
    r.sim->clearRequests();
    QRadioButton *black = r.find<RadioGroup>("ProjTest4RadioGroup")->item(1);
    QVERIFY(r.act([&] { QTest::mouseClick(black, Qt::LeftButton, {}, QPoint(8, black->height() / 2)); }));
    QVERIFY(wireIs(r, {"1:OTPMKX 5 5 0 0", "2:OTPMKX 5 5 0 0"}));
    QCOMPARE(r.sim->device(1).outputs[2].testGrid, 0);

    r.sim->clearRequests();
    QVERIFY(r.act([&] { user.undo(); }));
    QVERIFY(wireIs(r, {"1:OTPMKX 1 0 0 0", "1:OTPMKX 2 0 0 0", "1:OTPMKX 3 0 0 1", "1:OTPMKX 4 0 0 0",
                       "2:OTPMKX 5 0 0 0"}));
    QCOMPARE(r.sim->device(1).outputs[2].testGrid, 1);
    QCOMPARE(r.sim->device(2).outputs[3].testPattern, 0);
    QVERIFY(r.find<QCheckBox>("TestGrid3CheckBox")->isChecked());
    QCOMPARE(r.find<RadioGroup>("ProjTest4RadioGroup")->itemIndex(), -1);
}

// Behind the Controller: a command the user stops resending is no step, and an undo that does not get
// through says so, leaves the step done and the page showing what the device still has.
void UndoTest::failedSendsLeaveTheStackAsTheDevicesAre() {
    current = open(WindowRig::Controller, "SourceSetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    QUndoStack *stack = r.form->undoRecorder().stack();
    const QString noAck = QStringLiteral("Kestrix 1 (RS-485 ID 5) has not acknowledged");

    // Stopped after the Controller refused it three times: no step, and the link is ended.
    r.sim->injectFault(SimFault::ControllerReject, 3, 0, "ICPHOKX 1 M 11");
    r.user.expectYesNo(false, noAck);
    QVERIFY(r.act([&] { user.type("PhaseEdit", "11"); }));
    QVERIFY2(r.user.unexpected.isEmpty(), qPrintable(r.user.unexpected.join('\n')));
    QCOMPARE(stack->count(), 0);
    QVERIFY(!r.form->engine().LinkActive());
    r.user.expectYesNo(true, QStringLiteral("Serial communication established"));
    QVERIFY(r.act([&] { r.trigger("KestrixconnectedthruController1"); }));
    QVERIFY(r.form->engine().LinkActive());
    r.user.entries.clear();

    QVERIFY(r.act([&] { user.type("PhaseEdit", "10"); }));
    QCOMPARE(stack->count(), 1);
    r.sim->injectFault(SimFault::ControllerReject, 3, 0, "ICPHOKX 1 M 0");
    r.user.expectYesNo(false, noAck);
    QVERIFY(r.act([&] { user.undo(); }));
    QVERIFY2(r.user.unexpected.isEmpty(), qPrintable(r.user.unexpected.join('\n')));
    QVERIFY2(r.user.messages().contains(
                 QStringLiteral("Error! Undo Phase, screen 1: 10 did not reach the Kestrix(s): "
                                "Phase, screen 1: 0 was not sent.")),
             qPrintable(r.user.messages().join(" | ")));
    QCOMPARE(stack->index(), 1);
    QCOMPARE(r.form->model().input(1, 1).PhaseOffset, 10);
    QCOMPARE(text(r, "PhaseEdit"), QStringLiteral("10"));
    QCOMPARE(r.sim->device(1).inputs[0].phaseOffset, 10);
}

// The basic gamma is one value of the whole device: after a step, its undo, its redo and a revert, all
// four channel records of the model (and so a saved file) hold what the device now holds.
void UndoTest::deviceWideValuesReadAlikeInEveryChannel() {
    current = open(WindowRig::Direct, "DisplaySetupTabSheet");
    QVERIFY2(current, "the window did not connect");
    WindowRig &r = *current;
    User user{r};
    auto everyChannelHolds = [&](float gamma) {
        QStringList held;
        for (int c = 1; c <= 4; ++c)
            held << QString::number(r.form->model().output(1, c).BasicGamma);
        if (held == QStringList(4, QString::number(gamma))) return true;
        qWarning("basic gamma by channel: %s", qPrintable(held.join(" / ")));
        return false;
    };
    QVERIFY(everyChannelHolds(2.2f));

    QVERIFY(r.act([&] { user.spin("BasicGammaUpDown", true); }));
    QVERIFY(wireIs(r, {"1:EFTB 1  2.3"}));
    QVERIFY(everyChannelHolds(2.3f));
    r.sim->clearRequests();
    QVERIFY(r.act([&] { user.undo(); }));
    QVERIFY(wireIs(r, {"1:EFTB 1  2.2"}));
    QVERIFY(everyChannelHolds(2.2f));
    r.sim->clearRequests();
    QVERIFY(r.act([&] { user.redo(); }));
    QVERIFY(wireIs(r, {"1:EFTB 1  2.3"}));
    QVERIFY(everyChannelHolds(2.3f));
    r.sim->clearRequests();
    QVERIFY(r.act([&] { r.trigger("RevertToLastRead1"); }));
    QVERIFY(wireIs(r, {"1:EFTB 1  2.2"}));
    QVERIFY(everyChannelHolds(2.2f));
    QVERIFY(r.user.unexpected.isEmpty() && r.user.messages().isEmpty());
}

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
