// SPDX-License-Identifier: GPL-3.0-or-later
// File > Compare with Kestrix(s) through the real window on the simulator: a read then a compare lists
// nothing; settings changed on the devices behind the window's back are listed exactly; sending puts
// exactly their commands on the wire and taking puts exactly their values in the model; a failed read
// explains itself and changes nothing.
#include "CompareDialog.h"
#include "DeviceCompare.h"
#include "DeviceModel.h"
#include "LinkRig.h"
#include "ModelFields.h"
#include "UndoRecorder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

SimOptions simOptions(bool controller) {
    SimOptions o;
    o.mode = controller ? SimOptions::Controller : SimOptions::Direct;
    o.ids = {5, 6};
    o.onlyAtModeBaud = true;
    return o;
}

// Connected and read with a wall of n projectors on every device; the read's messages cleared.
void connectWithWall(LinkRig &rig, bool controller, int n) {
    for (int d = 1; d <= (controller ? 2 : 1); ++d) {
        SimDevice device = rig.com1->device(d);
        for (SimOutputChannel &output : device.outputs)
            output.totalProjectors = quint8(n);
        rig.com1->setDevice(d, device);
    }
    rig.host.expectYesNo(true, controller ? "Serial communication established with Controller."
                                          : "Serial communication established.");
    rig.trigger(controller ? "KestrixconnectedthruController1" : "KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.form->findChild<QComboBox *>("NumOfScreenComboBox")->currentIndex(), n - 1);
    rig.host.entries.clear();
    rig.com1->clearRequests();
}

QString row(const Difference &d) {
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(d.device)
        .arg(d.channel)
        .arg(d.field, d.fileValue, d.notReported ? QStringLiteral("not reported") : d.deviceValue);
}

QStringList rowsOf(const QList<Difference> &rows) {
    QStringList out;
    for (const Difference &d : rows)
        out << row(d);
    return out;
}

// The setting commands on the wire (queries, probes and counts left out), "*5BLKGN 2 0".
QStringList commandsOnWire(const KestrixSimulator &sim) {
    QStringList out;
    for (const SimRequest &r : sim.requests())
        if (r.kind == SimRequest::Command)
            out << (r.targetId >= 0 ? QStringLiteral("*%1").arg(r.targetId) : QString()) +
                       QString::fromLatin1(r.command);
    return out;
}

// Behind the window's back: data doubling on both devices, a black level and a seam gain of device 1,
// the phase of device 2's third input.
void changeDevices(KestrixSimulator &sim) {
    SimDevice one = sim.device(1);
    for (SimOutputChannel &o : one.outputs)
        o.dataDoubling = 1;
    one.outputs[1].blackLevel = 40;
    one.outputs[2].seamGain[2] = 12;
    sim.setDevice(1, one);
    SimDevice two = sim.device(2);
    for (SimOutputChannel &o : two.outputs)
        o.dataDoubling = 1;
    two.inputs[2].phaseOffset = 9;
    sim.setDevice(2, two);
}

const QStringList kChangedRows{"1 1 DataDoubling 0 1", "1 2 BlackLevel 0 40", "1 3 SeamGain3 0 12",
                               "2 1 DataDoubling 0 1", "2 3 PhaseOffset 0 9"};
// The same rows as the dialog shows them: the pages' captions and the values as the pages show them.
const QStringList kChangedCells{"1 1 Data Doubling Enable Off On", "1 2 Black Level 0 40", "1 3 Gain -2 0 12",
                                "2 1 Data Doubling Enable Off On", "2 3 Phase 0 9"};

// Runs Compare with the chooser answering `choice`; the outcome the dialog was given, or nothing when
// no dialog came up. The simulator's record starts afresh when the dialog comes up, so that it then
// holds only what the choice sent.
std::optional<CompareFlow::Outcome> compare(LinkRig &rig, CompareDialog::Choice choice) {
    std::optional<CompareFlow::Outcome> seen;
    rig.form->compare().setChooser([&](const CompareFlow::Outcome &outcome) {
        seen = outcome;
        rig.com1->clearRequests();
        return choice;
    });
    rig.trigger("CompareWithKestrixs1");
    return seen;
}

} // namespace

class CompareTest : public QObject {
    Q_OBJECT
private slots:
    void enabledOnlyWhileLinked();
    void readThenCompareListsNothing_data();
    void readThenCompareListsNothing();
    void listsTheChangesAndSendsThemInTheRealDialog();
    void takesTheDevicesValuesIntoTheWindow();
    void failedReadExplainsItselfAndChangesNothing();
    void notReportedValuesAreShownAsSuch();
};

void CompareTest::enabledOnlyWhileLinked() {
    const SimOptions sim = simOptions(true);
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    QAction *action = rig.form->findChild<QAction *>("CompareWithKestrixs1");
    QVERIFY(action && !action->isEnabled());
    connectWithWall(rig, true, 4);
    QVERIFY(action->isEnabled());
    rig.trigger("DisconnectSerialCo1");
    QVERIFY(!action->isEnabled());
}

void CompareTest::readThenCompareListsNothing_data() {
    QTest::addColumn<bool>("controller");
    QTest::newRow("direct") << false;
    QTest::newRow("controller") << true;
}

// The invariant: what was just read is what the devices hold, so nothing differs, nothing is sent and
// the window's records stay as they were.
void CompareTest::readThenCompareListsNothing() {
    QFETCH(bool, controller);
    const SimOptions sim = simOptions(controller);
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    connectWithWall(rig, controller, controller ? 8 : 4);
    const QByteArray before = rig.form->model().image();
    const auto outcome = compare(rig, CompareDialog::SendWindowValues);
    QVERIFY(outcome);
    QVERIFY(outcome->read);
    QCOMPARE(outcome->devices, controller ? 2 : 1);
    QCOMPARE(rowsOf(outcome->rows), QStringList());
    QCOMPARE(commandsOnWire(*rig.com1), QStringList());
    QCOMPARE(rig.form->model().image(), before);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // The read showed itself as every read does, and tidied up.
    QVERIFY(rig.host.statusTexts.contains("Querying Kestrix(s). Please wait...."));
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(!rig.host.progressVisible);
}

void CompareTest::listsTheChangesAndSendsThemInTheRealDialog() {
    const SimOptions sim = simOptions(true);
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    connectWithWall(rig, true, 8);
    const QByteArray before = rig.form->model().image();
    changeDevices(*rig.com1);

    // The real dialog: its table, then a click on its send button.
    QStringList shown;
    bool sendEnabled = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<CompareDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll.stop();
        for (int r = 0; r < dialog->table()->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < dialog->table()->columnCount(); ++c)
                cells << dialog->table()->item(r, c)->text();
            shown << cells.join(' ');
        }
        sendEnabled = dialog->sendButton()->isEnabled();
        rig.com1->clearRequests();
        QTest::mouseClick(dialog->sendButton(), Qt::LeftButton);
    });
    poll.start();
    rig.trigger("CompareWithKestrixs1");
    QCOMPARE(shown, kChangedCells);
    QVERIFY(sendEnabled);
    // Exactly the commands of the listed settings, in the order Send Current Settings uses.
    QCOMPARE(commandsOnWire(*rig.com1), QStringList({"*6ICPHOKX 3 M 0", "*5BLKGN 2 0", "*5DDBL 0", "*6DDBL 0",
                                                     "*5MANSEAM 3 -4 0 0 0 0 0 0 0 0"}));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.com1->device(1).outputs[1].blackLevel, quint8(0));
    QCOMPARE(rig.com1->device(2).inputs[2].phaseOffset, 0);
    QCOMPARE(rig.form->model().image(), before);
    // Sending the window's values again is no adjustment to undo.
    QCOMPARE(rig.form->undoRecorder().stack()->count(), 0);

    // The devices hold the window's settings again.
    const auto again = compare(rig, CompareDialog::Close);
    QVERIFY(again && again->read);
    QCOMPARE(rowsOf(again->rows), QStringList());
}

void CompareTest::takesTheDevicesValuesIntoTheWindow() {
    const SimOptions sim = simOptions(true);
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    connectWithWall(rig, true, 8);
    QByteArray expected = rig.form->model().image();
    changeDevices(*rig.com1);
    const auto outcome = compare(rig, CompareDialog::TakeDeviceValues);
    QVERIFY(outcome && outcome->read);
    QCOMPARE(rowsOf(outcome->rows), kChangedRows);
    QCOMPARE(commandsOnWire(*rig.com1), QStringList());
    QCOMPARE(LinkRig::wire(*rig.com1), QStringList());

    // Exactly those five values changed in the window's records, data doubling (one value of the whole
    // device) in all four channel records of each; the page shows the black level.
    auto set = [&](ModelFields::Record record, const char *name, int device, int channel, double value) {
        QVERIFY(ModelFields::setValue(expected, *ModelFields::find(record, QLatin1String(name)), device,
                                      channel, value));
    };
    for (int channel = 1; channel <= 4; ++channel) {
        set(ModelFields::Record::Output, "DataDoubling", 1, channel, 1);
        set(ModelFields::Record::Output, "DataDoubling", 2, channel, 1);
    }
    set(ModelFields::Record::Output, "BlackLevel", 1, 2, 40);
    set(ModelFields::Record::Output, "SeamGain3", 1, 3, 12);
    set(ModelFields::Record::Input, "PhaseOffset", 2, 3, 9);
    QCOMPARE(rig.form->model().image(), expected);
    QCOMPARE(rig.form->findChild<QLineEdit *>("Black2Edit")->text(), QStringLiteral("40"));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // The window now holds what the devices hold: the undo history starts again from there.
    QCOMPARE(rig.form->undoRecorder().historyStart(),
             QStringLiteral("New history after taking the values of Compare with Kestrix(s)"));

    const auto again = compare(rig, CompareDialog::Close);
    QVERIFY(again && again->read);
    QCOMPARE(rowsOf(again->rows), QStringList());
}

void CompareTest::failedReadExplainsItselfAndChangesNothing() {
    const SimOptions sim = simOptions(true);
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    connectWithWall(rig, true, 8);
    const QByteArray before = rig.form->model().image();
    changeDevices(*rig.com1);
    rig.com1->injectFault(SimFault::ControllerError, 20, 0, "*6OINFOKX 2");
    const auto outcome = compare(rig, CompareDialog::TakeDeviceValues);
    QVERIFY(!outcome); // no dialog
    // The link's own word on the Controller's error, then why there is no comparison.
    QCOMPARE(rig.host.messages().size(), 2);
    QVERIFY(rig.host.messages().constFirst().startsWith("Error! Controller did not get response"));
    QCOMPARE(rig.host.messages().constLast(),
             QStringLiteral("Lumivane could not compare the settings: Kestrix 2 (RS-485 ID 6) did not answer "
                            "the question for the output settings of channel 2 (screen 6). Check the serial "
                            "connection and that the device is switched on, then try again. Nothing was "
                            "changed, in the window or on the devices."));
    QVERIFY(rig.host.unexpected.isEmpty());
    QCOMPARE(rig.form->model().image(), before);
    QCOMPARE(commandsOnWire(*rig.com1), QStringList());
    QVERIFY(!rig.host.busyCursor);
    QVERIFY(!rig.host.progressVisible);
    QVERIFY(rig.form->findChild<QAction *>("CompareWithKestrixs1")->isEnabled());
}

void CompareTest::notReportedValuesAreShownAsSuch() {
    const QList<Difference> rows{{1, 2, "LeftHaloWidth", "30", QString(), true, {}, {}, {}},
                                 {1, 2, "BlackLevel", "40", "0", false, {}, {}, {}}};
    CompareDialog dialog(rows, 1);
    QCOMPARE(dialog.table()->item(0, 4)->text(), QStringLiteral("not reported"));
    QCOMPARE(dialog.table()->item(1, 4)->text(), QStringLiteral("0"));
    QVERIFY(dialog.sendButton()->isEnabled());
    QCOMPARE(CompareDialog::summary(rows, 1),
             QStringLiteral("1 setting(s) differ between the window and the 1 Kestrix device(s). 1 value(s) "
                            "the window would send are not reported by the devices' records and could not be "
                            "compared."));
    // Nothing that can be sent or taken: both actions are off.
    CompareDialog unseen(rows.mid(0, 1), 1);
    QVERIFY(!unseen.sendButton()->isEnabled());
    QVERIFY(!unseen.takeButton()->isEnabled());
}

QTEST_MAIN(CompareTest)
#include "tst_compare.moc"
