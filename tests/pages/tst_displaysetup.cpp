// SPDX-License-Identifier: GPL-3.0-or-later
// The Display Setup page in the real window, on two simulated devices behind the Controller: test
// patterns, edges, spin limits, a held spin button on a slow line, the system controls, the refresh and
// the arrangement for n projectors; and page activation after a read.
#include "CommandEngine.h"
#include "DisplayRig.h"
#include "FieldEditors.h"
#include "InformationPage.h"
#include "RadioGroup.h"
#include "SpinButton.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <functional>

class DisplaySetupTest : public QObject {
    Q_OBJECT
private slots:
    void testPatternOfScreenSix();
    void rasterBeforeAnyPattern();
    void edgeEnableBoxSendsTheWholeEdge();
    void edgeSpinSteps_data();
    void edgeSpinSteps();
    void exitMessages_data();
    void exitMessages();
    void heldSpinOnASlowLineHasOneCommandOnTheWire();
    void systemControls();
    void advancedModeWithTwoDevices();
    void advancedModeWithTheLinkDown();
    void refreshWritesTheModel();
    void arrangement_data();
    void arrangement();
    void everyControlHasRoomInTheWindow();
    void pageActivation();
    void leftOffsetEnterGoesToTheShownRightWidth();
    void realFieldsShowWhatWasSent_data();
    void realFieldsShowWhatWasSent();
};

void DisplaySetupTest::testPatternOfScreenSix() {
    DisplayRig d;
    d.choose("TestPattern6ComboBox", 9);
    d.box("TestGrid6CheckBox")->click();
    QCOMPARE(d.wire(2), (QStringList{"*2OTPMKX 2 9 0 0", "*2OTPMKX 2 9 0 1"}));
    QCOMPARE(int(d.model().output(2, 2).TestGrid), 1);
    QCOMPARE(int(d.model().output(2, 2).TestPattern), 9);
    QCOMPARE(d.state().CommandBusy, 0);
    // While another device action runs the change does nothing.
    d.state().CommandBusy = 1;
    d.box("TestGrid6CheckBox")->click();
    QVERIFY(d.wire(0).isEmpty());
    d.state().CommandBusy = 0;
}

void DisplaySetupTest::rasterBeforeAnyPattern() {
    DisplayRig d(false);
    d.rig->host.expectYesNo(false, "Serial communication established with Controller."); // no read
    d.rig->trigger("KestrixconnectedthruController1");
    d.wire(2);
    QCOMPARE(d.list("TestPattern1ComboBox")->currentIndex(), -1);
    // Pattern -1 would be refused by the device (and resent for ever): "Off" is taken instead.
    d.box("OutputRaster1CheckBox")->click();
    QCOMPARE(d.wire(1), QStringList{"*1OTPMKX 1 0 1 0"});
    QCOMPARE(d.list("TestPattern1ComboBox")->currentIndex(), 0);
}

void DisplaySetupTest::edgeEnableBoxSendsTheWholeEdge() {
    DisplayRig d;
    d.edit("RGamma6Edit")->setText("2.5");
    d.edit("RGammaWidth6Edit")->setText("100");
    d.edit("RGammaOffset6Edit")->setText("3");
    d.box("REdgeFeathering6CheckBox")->click();
    QCOMPARE(d.wire(1), QStringList{"*2PEFT 2 R 1  2.5 100 3"});
    // An invalid gamma: its message, the box keeps its new state, nothing is sent.
    d.edit("LGamma1Edit")->setText("x");
    d.box("LEdgeFeathering1CheckBox")->click();
    QCOMPARE(d.messages(), QStringList{"Error! 'x' is not a valid Edge Feathering Gamma value."});
    QVERIFY(d.box("LEdgeFeathering1CheckBox")->isChecked());
    QVERIFY(d.wire(0).isEmpty());
}

void DisplaySetupTest::edgeSpinSteps_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<QStringList>("wire");
    QTest::newRow("gamma 5.0 up: nothing") << "Gamma1Edit"
                                           << "5.0" << true << "5.0" << QStringList{};
    QTest::newRow("gamma 5.0 down") << "Gamma1Edit"
                                    << "5.0" << false << "4.9" << QStringList{"*1PEFT 1 R 0  4.9 0 0"};
    QTest::newRow("gamma 1.0 down: nothing") << "LGamma2Edit"
                                             << "1.0" << false << "1.0" << QStringList{};
    QTest::newRow("left gamma of screen 1")
        << "LGamma1Edit"
        << "2.2" << false << "2.1" << QStringList{"*1PEFT 1 L 0  2.1 0 0"};
    QTest::newRow("feather width 100 up") << "GammaWidth1Edit"
                                          << "100" << true << "101" << QStringList{"*1PEFT 1 R 0  2.2 101 0"};
    QTest::newRow("screen 6 right width") << "RGammaWidth6Edit"
                                          << "64" << true << "65" << QStringList{"*2PEFT 2 R 0  2.2 65 0"};
    QTest::newRow("feather width at the overlap maximum") << "GammaWidth1Edit"
                                                          << "640" << true << "640" << QStringList{};
    QTest::newRow("black level of screen 5") << "Black5Edit"
                                             << "7" << true << "8" << QStringList{"*2BLKGN 1 8"};
    QTest::newRow("basic gamma to every device")
        << "BasicGammaEdit"
        << "2.2" << true << "2.3" << QStringList{"*1EFTB 1  2.3", "*2EFTB 1  2.3"};
}

void DisplaySetupTest::edgeSpinSteps() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, up);
    QFETCH(QStringList, wire);
    DisplayRig d;
    d.edit(field)->setText(text);
    FieldEditor *editor = d.page->fieldEditors()->editor(field);
    up ? editor->UpDownUpClick() : editor->UpDownDownClick();
    QTEST(d.edit(field)->text(), "textAfter");
    QCOMPARE(d.wire(int(wire.size())), wire);
    QVERIFY(d.messages().isEmpty());
    QCOMPARE(d.state().CommandBusy, 0);
}

void DisplaySetupTest::exitMessages_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("feather width 63") << "GammaWidth1Edit"
                                      << "63"
                                      << "Error! Gamma width out of bounds."
                                      << "63";
    QTest::newRow("feather width 641 over 640") << "LGammaWidth8Edit"
                                                << "641"
                                                << "Error! Gamma width out of bounds."
                                                << "641";
    QTest::newRow("feather offset 600") << "GammaOffset1Edit"
                                        << "600"
                                        << "Error! Offset out of bounds. (0 - 511)"
                                        << "600";
    QTest::newRow("black level restores the model") << "Black2Edit"
                                                    << "256"
                                                    << "Error! Value out of bounds! (0 - 255)"
                                                    << "9";
    QTest::newRow("basic gamma restores the model") << "BasicGammaEdit"
                                                    << "5.1"
                                                    << "Error! Value out of bounds! (1.0 - 5.0)"
                                                    << "2.2";
}

void DisplaySetupTest::exitMessages() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    DisplayRig d;
    d.model().editOutput(1, 2, [&](OutputInfo &r) { r.BlackLevel = 9; });
    const FieldRow *row = findFieldRow(field);
    if (row->isPair() && !row->pairWidth) d.edit(row->partner)->setText("100"); // the width is checked first
    d.edit(field)->setText(text);
    QVERIFY(!d.page->fieldEditors()->EditExit(field));
    QCOMPARE(d.messages(), QStringList{message});
    QTEST(d.edit(field)->text(), "textAfter");
    QVERIFY(d.wire(0).isEmpty());
}

void DisplaySetupTest::heldSpinOnASlowLineHasOneCommandOnTheWire() {
    DisplayRig d;
    d.rig->form->show(); // the mouse needs a window on screen
    d.rig->host.expectYesNo(false);
    QTest::qWait(50);
    d.rig->com1->clearRequests();
    d.rig->host.entries.clear();
    d.edit("Gamma1Edit")->setText("2.0");
    d.rig->com1->injectFault(SimFault::LateAck, 100, 450, "PEFT");
    SpinButton *spin = d.find<SpinButton>("Gamma1UpDown");
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(5, 3));
    QTest::qWait(2000);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(5, 3));
    QTRY_COMPARE(d.state().CommandBusy, 0);
    const QList<SimRequest> requests = d.rig->com1->requests();
    // Every step that changed the text sent once, and the next command left only after the late
    // acknowledgement of the one before.
    const int steps = qRound((d.edit("Gamma1Edit")->text().toDouble() - 2.0) * 10);
    QCOMPARE(int(requests.size()), steps);
    QVERIFY2(steps >= 2 && steps <= 5, qPrintable(QString::number(steps)));
    for (int i = 1; i < requests.size(); ++i)
        QVERIFY(requests[i].atMs - requests[i - 1].atMs >= 440);

    // A second click while the first click's step still waits for its acknowledgement does nothing.
    d.rig->com1->clearRequests();
    const QString before = d.edit("Gamma1Edit")->text();
    QTimer::singleShot(150, spin, [spin] { QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(5, 3)); });
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(5, 3));
    QTest::qWait(300);
    QCOMPARE(d.rig->com1->requests().size(), 1);
    QCOMPARE(d.edit("Gamma1Edit")->text(), QString::number(before.toDouble() + 0.1, 'f', 1));
}

void DisplaySetupTest::systemControls() {
    struct Case {
        const char *what;
        std::function<void(DisplayRig &)> act;
        QStringList wire;
    };
    const QList<Case> cases{
        {"system save",
         [](DisplayRig &d) { d.find<QPushButton>("Button1")->click(); },
         {"*1SYSAVE", "*2SYSAVE"}},
        {"information page's system save",
         [](DisplayRig &d) { d.find<QPushButton>("SystemSaveButton")->click(); },
         {"*1SYSAVE", "*2SYSAVE"}},
        {"data doubling",
         [](DisplayRig &d) { d.box("EnDataDoubleCheckBox")->click(); },
         {"*1DDBL 1", "*2DDBL 1"}},
        {"feather curve",
         [](DisplayRig &d) { d.find<RadioGroup>("FeatherRadioGroup")->item(1)->click(); },
         {"*1FEATHER L", "*2FEATHER L"}},
        {"basic enable",
         [](DisplayRig &d) {
             d.box("BasicEdgeFeatheringCheckBox")->click(); // on from the read: now off
         },
         {"*1EFTB 0  2.2", "*2EFTB 0  2.2"}},
    };
    for (const Case &c : cases) {
        DisplayRig d;
        c.act(d);
        QVERIFY2(d.wire(int(c.wire.size())) == c.wire, c.what);
        QCOMPARE(d.state().CommandBusy, 0);
    }
    // The basic enable box with a gamma that is not a number: a message, nothing sent, not busy.
    DisplayRig d;
    d.edit("BasicGammaEdit")->setText("abc");
    d.box("BasicEdgeFeatheringCheckBox")->click();
    QCOMPARE(d.messages(), QStringList{"Error! 'abc' is not a valid Edge Feathering Gamma value."});
    QVERIFY(d.wire(0).isEmpty());
    QCOMPARE(d.state().CommandBusy, 0);
}

void DisplaySetupTest::advancedModeWithTwoDevices() {
    DisplayRig d;
    d.page->ArrangeSystemGroups(8);
    // What only the devices know: the page must show it after the follow-up read.
    SimDevice second = d.rig->com1->device(2);
    second.outputs[3].blackLevel = 42;
    d.rig->com1->setDevice(2, second);
    d.box("AdvanceModeCheckBox")->click();
    QStringList expected{"*1KXCTRL 1"};
    for (int c = 1; c <= 4; ++c)
        expected.append(QStringLiteral("*1OINFOKX %1").arg(c));
    expected.append("*2KXCTRL 1");
    for (int c = 1; c <= 4; ++c)
        expected.append(QStringLiteral("*2OINFOKX %1").arg(c));
    QCOMPARE(d.wire(int(expected.size())), expected);
    QCOMPARE(d.edit("Black8Edit")->text(), QString("42"));
    QVERIFY(d.box("AdvanceModeCheckBox")->isChecked());
    QVERIFY(d.find<QGroupBox>("EdgeFeatherBasicGroupBox")->isHidden());
    for (int s = 1; s <= 8; ++s)
        QVERIFY(!d.find<QGroupBox>(QStringLiteral("EdgeFeather%1GroupBox").arg(s))->isHidden());
    QVERIFY(d.messages().isEmpty());
    QCOMPARE(d.state().CommandBusy, 0);
}

void DisplaySetupTest::advancedModeWithTheLinkDown() {
    DisplayRig d(false);
    d.page->ArrangeSystemGroups(3);
    QVERIFY(!d.find<QGroupBox>("EdgeFeatherBasicGroupBox")->isHidden());
    d.box("AdvanceModeCheckBox")->click();
    QVERIFY(d.wire(0).isEmpty());
    QVERIFY(d.find<QGroupBox>("EdgeFeatherBasicGroupBox")->isHidden());
    QVERIFY(!d.find<QGroupBox>("EdgeFeather3GroupBox")->isHidden());
    d.box("AdvanceModeCheckBox")->click();
    QVERIFY(!d.find<QGroupBox>("EdgeFeatherBasicGroupBox")->isHidden());
    QVERIFY(d.find<QGroupBox>("EdgeFeather3GroupBox")->isHidden());
}

void DisplaySetupTest::refreshWritesTheModel() {
    DisplayRig d;
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.BlackLevel = 200; });
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.RightGamma = 2.2f; });
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.LeftGamma = 3.0f; });
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.LeftFeathering = 1; });
    d.model().editOutput(2, 3, [&](OutputInfo &r) { r.LeftGammaWidth = 321; });
    d.model().editOutput(2, 3, [&](OutputInfo &r) { r.RightGammaOffset = 17; });
    d.model().editOutput(2, 3, [&](OutputInfo &r) { r.RightHaloWidth = 12; });
    d.model().editOutput(1, 2, [&](OutputInfo &r) { r.TestPattern = 10; });
    d.model().editOutput(1, 2, [&](OutputInfo &r) { r.TestGrid = 1; });
    d.model().editOutput(1, 3,
                         [](OutputInfo &r) { r.TestPattern = 11; }); // outside the list: nothing selected
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.BasicGamma = 1.75f; });
    d.model().editOutput(1, 1, [&](OutputInfo &r) { r.OverlapWidth = 300; });
    d.model().editOutput(1, 1,
                         [](OutputInfo &r) { r.FeatherMode = 0; }); // neither curve: the group stays as it is
    auto *curve = d.find<RadioGroup>("FeatherRadioGroup");
    curve->setItemIndex(1);
    d.rig->com1->clearRequests();
    {
        const bool before = d.state().Refreshing;
        d.state().Refreshing = true;
        d.page->RefreshDisplayPage();
        d.state().Refreshing = before;
    }
    QCOMPARE(d.edit("Black1Edit")->text(), QString("200"));
    QCOMPARE(d.edit("Gamma1Edit")->text(), QString("2.2"));
    QCOMPARE(d.edit("LGamma1Edit")->text(), QString("3"));
    QVERIFY(d.box("LEdgeFeathering1CheckBox")->isChecked());
    QCOMPARE(d.edit("LGammaWidth7Edit")->text(), QString("321"));
    QCOMPARE(d.edit("RGammaOffset7Edit")->text(), QString("17"));
    QCOMPARE(d.edit("RHaloWidth7Edit")->text(), QString("12"));
    QCOMPARE(d.list("TestPattern2ComboBox")->currentIndex(), 10);
    QVERIFY(d.box("TestGrid2CheckBox")->isChecked());
    QCOMPARE(d.list("TestPattern3ComboBox")->currentIndex(), -1);
    QCOMPARE(d.edit("BasicGammaEdit")->text(), QString("1.75"));
    QCOMPARE(d.edit("OWidthEdit")->text(), QString("300"));
    QCOMPARE(curve->itemIndex(), 1);
    // Check boxes written by the refresh raised their handling, which sent nothing.
    QVERIFY(d.wire(0).isEmpty());
    QVERIFY(d.messages().isEmpty());
}

void DisplaySetupTest::arrangement_data() {
    QTest::addColumn<int>("n");
    QTest::newRow("1") << 1;
    QTest::newRow("3") << 3;
    QTest::newRow("5") << 5;
    QTest::newRow("8") << 8;
}

void DisplaySetupTest::arrangement() {
    QFETCH(int, n);
    DisplayRig d(false);
    d.page->ArrangeScreens(8); // from a different arrangement
    d.page->ArrangeSystemGroups(n);
    d.page->ArrangeScreens(n);
    for (int s = 1; s <= 8; ++s) {
        QCOMPARE(d.find<QGroupBox>(QStringLiteral("Screen%1GroupBox").arg(s))->isHidden(), s > n);
        if (s >= 2 && s <= 7) {
            const bool right = s <= n - 1;
            for (const char *name : {"REdgeFeathering%1CheckBox", "RGamma%1Edit", "RGamma%1UpDown",
                                     "RHaloWidth%1Edit", "RHaloOffset%1UpDown"})
                QVERIFY2(d.find<QWidget>(QString::fromLatin1(name).arg(s))->isHidden() != right,
                         qPrintable(QString::fromLatin1(name).arg(s)));
            // Left edges and the feather width fields are not touched.
            QVERIFY(!d.find<QWidget>(QStringLiteral("LGamma%1Edit").arg(s))->isHidden());
            QVERIFY(!d.find<QWidget>(QStringLiteral("RGammaWidth%1Edit").arg(s))->isHidden());
        }
    }
    QVERIFY(!d.find<QWidget>("Gamma1Edit")->isHidden());
    QCOMPARE(d.page->screenPages()->isTabVisible(1), n >= 5);
    // Ctrl+Tab goes to the second row of screens only when it is shown.
    d.page->screenPages()->setCurrentIndex(0);
    QTest::keyClick(d.page->screenPages(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(d.page->screenPages()->currentIndex(), n >= 5 ? 1 : 0);
    QTest::keyClick(d.page->screenPages(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.page->screenPages()->currentIndex(), 0);
    for (const char *name : {"DataDoubleGroupBox", "EdgeFeatherBasicGroupBox", "AdvanceModeCheckBox"})
        QCOMPARE(d.find<QWidget>(name)->isHidden(), n == 1);
}

// The window has a fixed size: whatever the page shows must get its full height and stay inside every
// box around it (a scroll area may hide it vertically, never horizontally).
void DisplaySetupTest::everyControlHasRoomInTheWindow() {
    DisplayRig d(false);
    d.rig->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.rig->form.get()));
    QTest::qWait(20); // the window's first-show preparation arranges the pages
    d.rig->form->phasePageControl()->setCurrentWidget(d.page);
    auto *advanced = d.box("AdvanceModeCheckBox");
    auto problems = [&] {
        QStringList found;
        for (QWidget *w : d.page->findChildren<QWidget *>()) {
            if (!w->isVisible() || w->objectName().isEmpty() ||
                !(qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                  qobject_cast<QAbstractButton *>(w)))
                continue;
            if (w->height() < w->sizeHint().height())
                found << QStringLiteral("%1 %2 high").arg(w->objectName()).arg(w->height());
            QWidget *shown = w; // w, or the scroll area that shows it
            for (QWidget *outer = w->parentWidget(); outer != d.page; outer = outer->parentWidget()) {
                const QRect r(shown->mapTo(outer, QPoint(0, 0)), shown->size());
                // A scroll area's viewport may hide it above or below, never at the sides.
                auto *area = qobject_cast<QAbstractScrollArea *>(outer->parentWidget());
                const bool inside =
                    area ? r.left() >= 0 && r.right() < outer->width() : outer->rect().contains(r);
                if (!inside) {
                    found << QStringLiteral("%1 cut by %2")
                                 .arg(w->objectName(), outer->metaObject()->className());
                    break;
                }
                if (area) outer = shown = area;
            }
        }
        return found;
    };
    for (bool service : {false, true}) {
        if (service) d.rig->form->informationPage()->HiddenLabelDblClick(); // through the shell
        for (int n = 1; n <= 8; ++n) {
            d.page->ArrangeSystemGroups(n);
            d.page->ArrangeScreens(n);
            for (bool on : {false, true}) {
                advanced->setChecked(on);
                for (int tab = 0; tab < (n >= 5 ? 2 : 1); ++tab) {
                    d.page->screenPages()->setCurrentIndex(tab);
                    // The layouts run on posted events, some rounds apart.
                    QTest::qWait(20);
                    (void)QTest::qWaitFor([&] { return problems().isEmpty(); }, 500);
                    const QStringList found = problems();
                    QVERIFY2(found.isEmpty(),
                             qPrintable(QStringLiteral("n=%1 advanced=%2 service=%3 tab=%4: %5")
                                            .arg(n)
                                            .arg(on)
                                            .arg(service)
                                            .arg(tab + 1)
                                            .arg(found.join(", "))));
                }
            }
        }
    }
}

void DisplaySetupTest::pageActivation() {
    DisplayRig d(false);
    QTabWidget *pages = d.rig->form->phasePageControl();
    pages->setCurrentWidget(d.find<QWidget>("SeamRemovalTabSheet"));
    QCOMPARE(d.rig->host.statusTexts.last(), QString("Note: No Kestrix communication established yet."));
    QVERIFY(!d.find<QWidget>("SeamGroupBox")->isEnabled());
    // A read ends with the page activation, which must find no device action in progress.
    d.rig->host.expectYesNo(true, "Serial communication established with Controller.");
    d.rig->trigger("KestrixconnectedthruController1");
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    for (const char *name : {"SeamScreenSelectRadioGroup", "SeamGroupBox", "SeamBridgeAllConfigCheckBox",
                             "SeamAutoAllConfigButton"})
        QVERIFY2(d.find<QWidget>(name)->isEnabled(), name);
    d.rig->trigger("ReadfromKestrixs1");
    QVERIFY(d.find<QWidget>("SeamGroupBox")->isEnabled());
    pages->setCurrentWidget(d.find<QWidget>("SourceSetupTabSheet"));
    QVERIFY(d.find<QWidget>("InputAlignmentGroupBox")->isEnabled());
    // A disconnect disables the current page's controls and shows the note.
    d.rig->trigger("DisconnectSerialCo1");
    QVERIFY(!d.find<QWidget>("InputAlignmentGroupBox")->isEnabled());
    QCOMPARE(d.rig->host.statusTexts.last(), QString("Note: No Kestrix communication established yet."));
    pages->setCurrentWidget(d.rig->form->informationPage());
    QVERIFY(!d.find<QWidget>("SystemSaveButton")->isEnabled());
    QCOMPARE(d.state().CommandBusy, 0);
}

// With the service fields shown, Enter in a left feather offset goes on to the same screen's right
// width; screen 1's has its own name. Typed in the shown window.
void DisplaySetupTest::leftOffsetEnterGoesToTheShownRightWidth() {
    DisplayRig d(false);
    d.rig->showOffline();
    QVERIFY(QTest::qWaitForWindowActive(d.rig->form.get()));
    d.rig->form->phasePageControl()->setCurrentWidget(d.page);
    d.page->ArrangeSystemGroups(4);
    d.page->ArrangeScreens(4);
    if (!d.box("AdvanceModeCheckBox")->isChecked()) d.box("AdvanceModeCheckBox")->click();
    d.page->setServiceGroupsVisible(true);
    const struct {
        const char *width; // the offset's partner
        const char *offset;
        const char *rightWidth;
    } cases[] = {{"LGammaWidth1Edit", "LGammaOffset1Edit", "GammaWidth1Edit"},
                 {"LGammaWidth2Edit", "LGammaOffset2Edit", "RGammaWidth2Edit"}};
    // Valid widths: the focus leaves each of them again and they are checked then.
    for (const auto &c : cases) {
        d.edit(c.width)->setText("64");
        d.edit(c.rightWidth)->setText("64");
    }
    for (const auto &c : cases) {
        QLineEdit *offset = d.edit(c.offset);
        QVERIFY2(offset->isVisible(), c.offset);
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_Return);
        QVERIFY2(QApplication::focusWidget()->objectName() == QString::fromLatin1(c.rightWidth),
                 qPrintable(QApplication::focusWidget()->objectName() + " " + d.messages().join(", ")));
    }
    QVERIFY(d.messages().isEmpty());
    QVERIFY(d.wire(0).isEmpty());
}

void DisplaySetupTest::realFieldsShowWhatWasSent_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("wire");
    QTest::addColumn<QString>("shown");
    // What the model holds afterwards, read back.
    QTest::addColumn<std::function<float(const DeviceModel &)>>("held");
    using M = const DeviceModel &;
    QTest::newRow("edge gamma 2.36") << "Gamma1Edit"
                                     << "2.36" << QStringList{"*1PEFT 1 R 0  2.4 0 0"} << "2.4"
                                     << std::function<float(M)>(
                                            [](M m) { return m.output(1, 1).RightGamma; });
    QTest::newRow("edge gamma 4.96 of screen 6")
        << "LGamma6Edit"
        << "4.96" << QStringList{"*2PEFT 2 L 0  5.0 0 0"} << "5.0"
        << std::function<float(M)>([](M m) { return m.output(2, 2).LeftGamma; });
    QTest::newRow("edge gamma 2.5 stays as typed")
        << "Gamma1Edit"
        << "2.5" << QStringList{"*1PEFT 1 R 0  2.5 0 0"} << "2.5"
        << std::function<float(M)>([](M m) { return m.output(1, 1).RightGamma; });
    QTest::newRow("basic gamma 2.36 to both devices")
        << "BasicGammaEdit"
        << "2.36" << QStringList{"*1EFTB 1  2.4", "*2EFTB 1  2.4"} << "2.4"
        << std::function<float(M)>([](M m) { return m.output(2, 1).BasicGamma; });
    QTest::newRow("overall contrast 101.26")
        << "LeftOContrastEdit"
        << "101.26" << QStringList{"*1ICNTKX 1 C 101.3"} << "101.3"
        << std::function<float(M)>([](M m) { return m.input(1, 1).OverallContrast; });
    QTest::newRow("overall brightness 99.94")
        << "LeftOBrightnessEdit"
        << "99.94" << QStringList{"*1IBRTKX 1 C 99.9"} << "99.9"
        << std::function<float(M)>([](M m) { return m.input(1, 1).OverallBrightness; });
    QTest::newRow("red contrast -3.46")
        << "LeftRContrastEdit"
        << "-3.46" << QStringList{"*1ICNTKX 1 R -3.5"} << "-3.5"
        << std::function<float(M)>([](M m) { return m.input(1, 1).RedContrast; });
    QTest::newRow("blue brightness -0.04 is no negative zero")
        << "LeftBBrightnessEdit"
        << "-0.04" << QStringList{"*1IBRTKX 1 B  0.0"} << "0.0"
        << std::function<float(M)>([](M m) { return m.input(1, 1).BlueBrightness; });
}

// A real value typed with more decimals than the device takes: the field shows, and the model keeps,
// the value the command carried; an undo and a redo bring back that same value.
void DisplaySetupTest::realFieldsShowWhatWasSent() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QStringList, wire);
    QFETCH(QString, shown);
    QFETCH(std::function<float(const DeviceModel &)>, held);
    DisplayRig d;
    d.rig->form->show();
    QApplication::setActiveWindow(d.rig->form.get());
    QVERIFY(QTest::qWaitForWindowActive(d.rig->form.get()));
    QWidget *page = d.rig->form->phasePageControl()->findChild<QWidget *>(
        field.startsWith("Left") ? QStringLiteral("SourceSetupTabSheet")
                                 : QStringLiteral("DisplaySetupTabSheet"));
    d.rig->form->phasePageControl()->setCurrentWidget(page);
    if (field == "LGamma6Edit") {
        d.page->ArrangeScreens(8);
        d.page->screenPages()->setCurrentIndex(1);
    }
    if (!field.startsWith("Basic") && !field.startsWith("Left"))
        d.box("AdvanceModeCheckBox")->setChecked(true);
    d.wire(0);
    // The first show's note that the program is offline is no message of the field's.
    (void)QTest::qWaitFor([&] { return !d.messages().isEmpty(); }, 2000);
    d.rig->host.entries.clear();
    QLineEdit *edit = d.edit(field);
    edit->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, typed);
    edit->clearFocus(); // leaving it
    QCOMPARE(d.wire(int(wire.size())), wire);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(held(d.model()), shown.toFloat());
    QVERIFY2(d.messages().isEmpty(), qPrintable(d.messages().join(" | ")));
    d.rig->trigger("Undo1");
    d.rig->trigger("Redo1");
    QCOMPARE(edit->text().toDouble(), shown.toDouble()); // in the refresh's own writing ("5" for 5.0)
    QCOMPARE(held(d.model()), shown.toFloat());
}

QTEST_MAIN(DisplaySetupTest)
#include "tst_displaysetup.moc"
