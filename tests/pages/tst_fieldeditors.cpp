// SPDX-License-Identifier: GPL-3.0-or-later
// The field editors on a small page of their own, against the simulator behind a Controller with two
// devices: exit validation and its messages, the pair rule, Refreshing and the link, every-device
// families, the bridge threshold's empty text, spin limits, the Enter key and the CommandBusy guard.
#include "DeviceModel.h"
#include "FieldEditors.h"
#include "ProtocolRig.h"
#include "SpinButton.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QStringList kFields{"Black5Edit",    "HaloWidth1Edit",      "HaloOffset1Edit",
                          "SeamGain1Edit", "BridgeThresholdEdit", "LeftRBrightnessEdit",
                          "HPositionEdit", "VPositionEdit",       "PhaseEdit"};

struct Page {
    ProtocolRig rig{ProtocolRig::Setup{true, {1, 2}}};
    QWidget window;
    QLineEdit *other = new QLineEdit(&window); // somewhere to move the focus to
    FieldEditors editors{PageContext{*rig.commands, rig.model, rig.state, rig.host,
                                     [this] { return rig.engine->LinkActive(); }},
                         &window};
    QStringList restored;

    Page() {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(other);
        for (const QString &name : kFields) {
            layout->addWidget(FieldEditors::createField(name, &window));
            layout->addWidget(FieldEditors::createSpin(name, &window));
        }
        editors.bind({FamilyId::BlackLevel, FamilyId::HaloWidth, FamilyId::HaloOffset, FamilyId::SeamGain,
                      FamilyId::BridgeThreshold, FamilyId::ColourLevel, FamilyId::HPosition,
                      FamilyId::VPosition, FamilyId::Phase});
        editors.setSelectedScreen([] { return 3; });
        for (FamilyId f :
             {FamilyId::SeamGain, FamilyId::HPosition, FamilyId::VPosition, FamilyId::BlackLevel})
            editors.setRestore(f, [this, f](int screen) {
                restored.append(QStringLiteral("%1:%2").arg(int(f)).arg(screen));
                if (f == FamilyId::SeamGain) edit("SeamGain1Edit")->setText("12");
            });
        rig.state.HPositionMin = 100;
        rig.state.HPositionMax = 356;
        rig.state.VPositionMin = -10;
        rig.state.VPositionMax = 20;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        rig.sim.clearRequests();
    }
    QLineEdit *edit(const QString &name) const { return window.findChild<QLineEdit *>(name); }
    SpinButton *spin(const QString &name) const { return window.findChild<SpinButton *>(name); }
    // Replaces a field's text as typing does (a text the program sets is not the user's).
    void type(const QString &name, const QString &text) {
        edit(name)->selectAll();
        edit(name)->insert(text);
    }
    // What reached the simulator, after letting unacknowledged writes leave the port.
    QStringList wire(int expected) {
        if (expected) rig.waitForRequests(expected, 2000);
        QTest::qWait(expected ? 20 : 80);
        QStringList lines;
        for (const SimRequest &r : rig.sim.requests())
            lines.append(QStringLiteral("*%1%2").arg(r.targetId).arg(QString::fromLatin1(r.command)));
        rig.sim.clearRequests();
        return lines;
    }
    void click(const QString &spinName, bool up) {
        SpinButton *s = spin(spinName);
        QTest::mouseClick(s, Qt::LeftButton, {}, up ? QPoint(8, 3) : QPoint(8, s->height() - 3));
    }
};
} // namespace

class FieldEditorsTest : public QObject {
    Q_OBJECT
private slots:
    void exitValidation_data();
    void exitValidation();
    void leavingSendsOnlyWhatTheDevicesLack_data();
    void leavingSendsOnlyWhatTheDevicesLack();
    void upAndDownStepLikeTheSpinButton_data();
    void upAndDownStepLikeTheSpinButton();
    void pairValidatesWidthFirstAndFocusesTheFailure();
    void linkDownOrRefreshingSendsNothingButBridgeThresholdKeepsItsValue();
    void spinSteps_data();
    void spinSteps();
    void spinWithUnparsableTextAndWhileBusy();
    void enterMovesFocusAndLeavingValidates();
    void realMessageBoxFromAFocusLossValidatesOnce();
};

void FieldEditorsTest::exitValidation_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QStringList>("wire");
    QTest::addColumn<QStringList>("restored");
    QTest::newRow("halo width 70 keeps its text") << "HaloWidth1Edit"
                                                  << "70"
                                                  << "Error! Halo width out of bounds. (0 - 64)"
                                                  << "70" << QStringList{} << QStringList{};
    QTest::newRow("seam gain 300 restores") << "SeamGain1Edit"
                                            << "300"
                                            << "Error! Seam Position value out of bounds! (0 - 255)"
                                            << "12" << QStringList{} << QStringList{"7:3"};
    QTest::newRow("h position with the limits of the moment")
        << "HPositionEdit"
        << "400"
        << "Error! H Position value out of bounds! (100 - 356)"
        << "400" << QStringList{} << QStringList{"11:3"};
    QTest::newRow("v position without a range") << "VPositionEdit"
                                                << "21"
                                                << "Error! V Position value out of bounds! "
                                                << "21" << QStringList{} << QStringList{"12:3"};
    QTest::newRow("black level parse failure") << "Black5Edit"
                                               << "7x"
                                               << "Error! '7x' is not a valid Black Level."
                                               << "7x" << QStringList{} << QStringList{};
    QTest::newRow("empty black level") << "Black5Edit"
                                       << ""
                                       << "Error! '' is not a valid Black Level."
                                       << "" << QStringList{} << QStringList{};
    QTest::newRow("screen 5 is device 2 channel 1")
        << "Black5Edit"
        << " 200 "
        << ""
        << " 200 " << QStringList{"*2BLKGN 1 200"} << QStringList{};
    QTest::newRow("halo pair of screen 1's right edge")
        << "HaloWidth1Edit"
        << "64"
        << ""
        << "64" << QStringList{"*1HALO 1 R 64 0"} << QStringList{};
    QTest::newRow("colour brightness on the selected channel")
        << "LeftRBrightnessEdit"
        << "-3.5"
        << ""
        << "-3.5" << QStringList{"*1IBRTKX 3 R -3.5"} << QStringList{};
    QTest::newRow("decimal comma is not a number") << "LeftRBrightnessEdit"
                                                   << "2,5"
                                                   << "Error! '2,5' is not a valid Brightness Level."
                                                   << "2,5" << QStringList{} << QStringList{};
    QTest::newRow("bridge threshold to every device")
        << "BridgeThresholdEdit"
        << "40"
        << ""
        << "40" << QStringList{"*1BRTHRS 40", "*2BRTHRS 40"} << QStringList{};
    QTest::newRow("bridge threshold empty: nothing at all") << "BridgeThresholdEdit"
                                                            << ""
                                                            << ""
                                                            << "" << QStringList{} << QStringList{};
    QTest::newRow("phase lower limit") << "PhaseEdit"
                                       << "-16"
                                       << ""
                                       << "-16" << QStringList{"*1ICPHOKX 3 M -16"} << QStringList{};
}

void FieldEditorsTest::exitValidation() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QStringList, wire);
    Page page;
    page.other->setFocus();
    page.edit(field)->setText(text);
    const bool valid = page.editors.EditExit(field);
    QCOMPARE(valid, message.isEmpty());
    QCOMPARE(page.rig.host.messages(), message.isEmpty() ? QStringList{} : QStringList{message});
    QTEST(page.edit(field)->text(), "textAfter");
    QTEST(page.restored, "restored");
    QCOMPARE(page.wire(int(wire.size())), wire);
    // A failure gives the focus back to the field.
    QCOMPARE(page.edit(field)->hasFocus(), !message.isEmpty());
}

void FieldEditorsTest::leavingSendsOnlyWhatTheDevicesLack_data() {
    // Steps on PhaseEdit (screen 3, shown as "0" by the program) and HaloWidth1Edit / HaloOffset1Edit,
    // each followed by leaving the field: "type <field> <text>", "step <field> up|down", "link off|on",
    // "show <field> <text>" (the program's refresh).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("wire");
    QTest::newRow("the program's text") << QStringList{"show PhaseEdit 4"} << QStringList{};
    QTest::newRow("typed") << QStringList{"type PhaseEdit 3"} << QStringList{"*1ICPHOKX 3 M 3"};
    QTest::newRow("typed, left twice")
        << QStringList{"type PhaseEdit 3", "leave PhaseEdit"} << QStringList{"*1ICPHOKX 3 M 3"};
    QTest::newRow("typed back as it was") << QStringList{"type PhaseEdit 3", "type PhaseEdit 0"}
                                          << QStringList{"*1ICPHOKX 3 M 3", "*1ICPHOKX 3 M 0"};
    QTest::newRow("the same text typed over it") << QStringList{"type PhaseEdit 0"} << QStringList{};
    QTest::newRow("a step, then the old text typed back")
        << QStringList{"step PhaseEdit up", "type PhaseEdit 0"}
        << QStringList{"*1ICPHOKX 3 M 1", "*1ICPHOKX 3 M 0"};
    QTest::newRow("a step, left") << QStringList{"step PhaseEdit down", "leave PhaseEdit"}
                                  << QStringList{"*1ICPHOKX 3 M -1"};
    QTest::newRow("typed while the link was down, left once it is up")
        << QStringList{"link off", "type PhaseEdit 7", "link on", "leave PhaseEdit"}
        << QStringList{"*1ICPHOKX 3 M 7"};
    QTest::newRow("refreshed after typing")
        << QStringList{"link off", "type PhaseEdit 7", "link on", "show PhaseEdit 2", "leave PhaseEdit"}
        << QStringList{};
    QTest::newRow("offset typed: the pair")
        << QStringList{"type HaloOffset1Edit 9", "leave HaloWidth1Edit"} << QStringList{"*1HALO 1 R 0 9"};
    QTest::newRow("width typed, offset left: the pair")
        << QStringList{"type HaloWidth1Edit 4", "leave HaloOffset1Edit"} << QStringList{"*1HALO 1 R 4 0"};
}

// Leaving a field sends only a text the devices do not have yet.
void FieldEditorsTest::leavingSendsOnlyWhatTheDevicesLack() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, wire);
    Page page;
    QStringList seen;
    for (const QString &step : steps) {
        const QStringList w = step.split(' ');
        if (w[0] == "link") {
            page.rig.engine->SetLinkActive(w[1] == "on");
            continue;
        }
        QLineEdit *edit = page.edit(w[1]);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        if (w[0] == "type") {
            page.type(w[1], w[2]);
            QCOMPARE(edit->text(), w[2]);
        } else if (w[0] == "show") {
            edit->setText(w[2]);
        } else if (w[0] == "step") {
            page.click(findFieldRow(w[1])->spinName(), w[2] == "up");
        }
        page.other->setFocus();
        QTRY_VERIFY(page.other->hasFocus());
        seen += page.wire(0);
    }
    QCOMPARE(seen, wire);
    QVERIFY(page.rig.host.messages().isEmpty());
}

void FieldEditorsTest::upAndDownStepLikeTheSpinButton_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QStringList>("wire");
    QTest::newRow("phase up") << "PhaseEdit"
                              << "3" << int(Qt::Key_Up) << "4" << QStringList{"*1ICPHOKX 3 M 4"};
    QTest::newRow("phase 15 up: nothing") << "PhaseEdit"
                                          << "15" << int(Qt::Key_Up) << "15" << QStringList{};
    QTest::newRow("brightness down") << "LeftRBrightnessEdit"
                                     << "2.2" << int(Qt::Key_Down) << "2.1"
                                     << QStringList{"*1IBRTKX 3 R  2.1"};
    QTest::newRow("bridge empty up") << "BridgeThresholdEdit"
                                     << "" << int(Qt::Key_Up) << "17"
                                     << QStringList{"*1BRTHRS 17", "*2BRTHRS 17"};
    QTest::newRow("black level -1 down: no clamping") << "Black5Edit"
                                                      << "-1" << int(Qt::Key_Down) << "-1" << QStringList{};
}

// Up and Down in a field do what the spin button's halves do: the same limits, the same command, and
// the focus stays in the field. Leaving it afterwards sends nothing more.
void FieldEditorsTest::upAndDownStepLikeTheSpinButton() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(QStringList, wire);
    Page page;
    page.edit(field)->setText(text);
    page.edit(field)->setFocus();
    QTRY_VERIFY(page.edit(field)->hasFocus());
    QTest::keyClick(page.edit(field), Qt::Key(key));
    QTEST(page.edit(field)->text(), "textAfter");
    QCOMPARE(page.wire(int(wire.size())), wire);
    QVERIFY(page.edit(field)->hasFocus());
    page.other->setFocus();
    QVERIFY(page.wire(0).isEmpty());
    QVERIFY(page.rig.host.messages().isEmpty());
    QCOMPARE(page.rig.state.CommandBusy, 0);
}

void FieldEditorsTest::pairValidatesWidthFirstAndFocusesTheFailure() {
    Page page;
    page.type("HaloWidth1Edit", "abc");
    page.type("HaloOffset1Edit", "zzz");
    page.edit("HaloOffset1Edit")->setFocus();
    page.other->setFocus(); // leaving the offset runs the pair's validation
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! 'abc' is not a valid Halo width value."});
    QVERIFY(page.edit("HaloWidth1Edit")->hasFocus());
    QVERIFY(page.wire(0).isEmpty());

    // A valid width and an offset out of range: the offset's message and the focus on the offset.
    page.rig.host.entries.clear();
    page.type("HaloWidth1Edit", "10");
    page.type("HaloOffset1Edit", "256");
    page.other->setFocus();
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! Halo offset out of bounds. (0 - 255)"});
    QVERIFY(page.edit("HaloOffset1Edit")->hasFocus());

    // Both valid: leaving either sends the pair once; leaving the width after that sends nothing more.
    page.rig.host.entries.clear();
    page.type("HaloOffset1Edit", "255");
    page.other->setFocus();
    QCOMPARE(page.wire(1), QStringList{"*1HALO 1 R 10 255"});
    page.edit("HaloWidth1Edit")->setFocus();
    page.other->setFocus();
    QVERIFY(page.wire(0).isEmpty());
    QVERIFY(page.rig.host.messages().isEmpty());
}

void FieldEditorsTest::linkDownOrRefreshingSendsNothingButBridgeThresholdKeepsItsValue() {
    Page page;
    page.rig.model.editOutput(2, 1, [&](OutputInfo &r) { r.BlackLevel = 7; });
    page.rig.state.Refreshing = true;
    page.edit("Black5Edit")->setText("90");
    QVERIFY(page.editors.EditExit("Black5Edit"));
    page.rig.state.Refreshing = false;
    page.rig.engine->SetLinkActive(false);
    QVERIFY(page.editors.EditExit("Black5Edit"));
    QCOMPARE(int(page.rig.model.output(2, 1).BlackLevel), 7);

    page.edit("BridgeThresholdEdit")->setText("99");
    QVERIFY(page.editors.EditExit("BridgeThresholdEdit"));
    QCOMPARE(int(page.rig.model.output(1, 1).BridgeThreshold), 99);
    QCOMPARE(int(page.rig.model.output(2, 1).BridgeThreshold), 99);
    QVERIFY(page.wire(0).isEmpty());
    QVERIFY(page.rig.host.messages().isEmpty());
}

void FieldEditorsTest::spinSteps_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QStringList>("wire");
    QTest::newRow("phase -16 down: nothing") << "PhaseEdit"
                                             << "-16" << false << "-16" << QStringList{};
    QTest::newRow("phase -16 up") << "PhaseEdit"
                                  << "-16" << true << "-15" << QStringList{"*1ICPHOKX 3 M -15"};
    QTest::newRow("phase 15 up: nothing") << "PhaseEdit"
                                          << "15" << true << "15" << QStringList{};
    QTest::newRow("phase beyond the limit: no clamping") << "PhaseEdit"
                                                         << "40" << false << "40" << QStringList{};
    QTest::newRow("h position at its upper limit")
        << "HPositionEdit"
        << "356" << false << "355" << QStringList{"*1IRSPKX 3 M H 355"};
    QTest::newRow("bridge empty up is 17 to every device")
        << "BridgeThresholdEdit"
        << "" << true << "17" << QStringList{"*1BRTHRS 17", "*2BRTHRS 17"};
    QTest::newRow("bridge empty down is 15")
        << "BridgeThresholdEdit"
        << "" << false << "15" << QStringList{"*1BRTHRS 15", "*2BRTHRS 15"};
    QTest::newRow("decimal written with one digit")
        << "LeftRBrightnessEdit"
        << "2.2" << true << "2.3" << QStringList{"*1IBRTKX 3 R  2.3"};
    QTest::newRow("decimal at the lower limit") << "LeftRBrightnessEdit"
                                                << "-25" << false << "-25" << QStringList{};
    QTest::newRow("screen 5 black level") << "Black5Edit"
                                          << "0" << true << "1" << QStringList{"*2BLKGN 1 1"};
}

void FieldEditorsTest::spinSteps() {
    QFETCH(QString, field);
    QFETCH(QStringList, wire);
    Page page;
    page.other->setFocus();
    QFETCH(QString, text);
    QFETCH(bool, up);
    page.edit(field)->setText(text);
    page.click(findFieldRow(field)->spinName(), up);
    QTEST(page.edit(field)->text(), "textAfter");
    QCOMPARE(page.wire(int(wire.size())), wire);
    QVERIFY(page.rig.host.messages().isEmpty());
    QVERIFY(page.other->hasFocus()); // the spin button leaves the focus where it was
    QCOMPARE(page.rig.state.CommandBusy, 0);
}

void FieldEditorsTest::spinWithUnparsableTextAndWhileBusy() {
    Page page;
    page.edit("PhaseEdit")->setText("x");
    page.click("PhaseUpDown", true);
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! 'x' is not a valid Phase Value."});
    QVERIFY(page.edit("PhaseEdit")->hasFocus());
    QCOMPARE(page.rig.state.CommandBusy, 0);
    // The next press works normally.
    page.edit("PhaseEdit")->setText("3");
    page.click("PhaseUpDown", true);
    QCOMPARE(page.edit("PhaseEdit")->text(), QString("4"));
    QCOMPARE(page.wire(1), QStringList{"*1ICPHOKX 3 M 4"});
    // While another device action runs a step does nothing.
    page.rig.state.CommandBusy = 1;
    page.click("PhaseUpDown", true);
    QCOMPARE(page.edit("PhaseEdit")->text(), QString("4"));
    QVERIFY(page.wire(0).isEmpty());
}

void FieldEditorsTest::enterMovesFocusAndLeavingValidates() {
    Page page;
    page.edit("PhaseEdit")->setFocus();
    page.type("PhaseEdit", "5");
    QTest::keyClick(page.edit("PhaseEdit"), Qt::Key_Return);
    // Phase wraps round to H position (a ring) and its exit has sent the phase.
    QVERIFY(page.edit("HPositionEdit")->hasFocus());
    QCOMPARE(page.wire(1), QStringList{"*1ICPHOKX 3 M 5"});
    // Enter in a halo width goes to its offset partner; other keys are not filtered.
    page.type("HPositionEdit", "50");
    page.edit("HaloWidth1Edit")->setFocus();
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! H Position value out of bounds! (100 - 356)"});
    page.rig.host.entries.clear();
    page.type("HPositionEdit", "200");
    page.edit("HaloWidth1Edit")->setFocus();
    page.wire(1);
    QTest::keyClicks(page.edit("HaloWidth1Edit"), "a");
    QCOMPARE(page.edit("HaloWidth1Edit")->text(), QString("0a"));
    page.type("HaloWidth1Edit", "5");
    QTest::keyClick(page.edit("HaloWidth1Edit"), Qt::Key_Enter);
    QVERIFY(page.edit("HaloOffset1Edit")->hasFocus());
    QCOMPARE(page.wire(1), QStringList{"*1HALO 1 R 5 0"});
}

void FieldEditorsTest::realMessageBoxFromAFocusLossValidatesOnce() {
    Page page;
    // A real modal box: it takes the focus away from the window and gives it back when it closes.
    int boxes = 0;
    page.rig.host.onMessage = [&](const QString &text) {
        ++boxes;
        QMessageBox box(QMessageBox::Warning, "QLN - Lumivane", text, QMessageBox::Ok, &page.window);
        QTimer::singleShot(100, &box, &QMessageBox::accept);
        box.exec();
    };
    page.type("PhaseEdit", "99");    // out of range
    page.type("HPositionEdit", "x"); // would complain too if it were validated
    page.edit("PhaseEdit")->setFocus();
    page.edit("HPositionEdit")->setFocus(); // the user moves on
    QTRY_COMPARE(boxes, 1);
    // The offscreen platform does not give the window back its activation when a box closes; a
    // window system does, and the focus then goes to the window's focus widget.
    QTest::qWait(150);
    QCOMPARE(page.window.focusWidget(), page.edit("PhaseEdit"));
    page.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page.window));
    QVERIFY(page.edit("PhaseEdit")->hasFocus());
    QTest::qWait(200);
    QCOMPARE(boxes, 1);
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! Phase Offset value out of bounds! (-16 - +15)"});
    QVERIFY(page.edit("PhaseEdit")->hasFocus());
    QVERIFY(page.wire(0).isEmpty());

    // Giving the focus back takes it from the field the user went to: that field does not validate.
    page.rig.host.onMessage = nullptr;
    page.rig.host.entries.clear();
    page.edit("HPositionEdit")->setFocus();
    QCOMPARE(page.rig.host.messages(), QStringList{"Error! Phase Offset value out of bounds! (-16 - +15)"});
    QVERIFY(page.edit("PhaseEdit")->hasFocus());
}

QTEST_MAIN(FieldEditorsTest)
#include "tst_fieldeditors.moc"
