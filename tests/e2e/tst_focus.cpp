// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the user drives it: real clicks, keys and wheel turns on the shown, active window, whose
// pages really are disabled while a command is on the wire. Each interaction runs on a direct line and
// through the Controller with two devices, and must put exactly its own commands on the wire (one frame
// per device, none nested, none rejected), show no box it should not, and leave the pages enabled with
// the focus where the user expects it.
#include "WindowRig.h"

#include "CommandEngine.h"
#include "DisplaySetupPage.h"
#include "FieldEditor.h"
#include "SourceSetupPage.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>

namespace {

// What a step of an interaction can do, on the controls where they are on screen.
struct User {
    WindowRig &rig;

    void click(const QString &name) {
        QWidget *w = rig.find(name);
        QVERIFY2(w->isVisible(), qPrintable(name));
        // Near the left end: a check box answers on its box and caption only.
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(qMin(10, w->width() / 2), w->height() / 2));
    }
    // A click on the upper half of a field's spin button.
    void spinUp(const QString &spinName) {
        auto *spin = rig.find<SpinButton>(spinName);
        QVERIFY2(spin->isVisible(), qPrintable(spinName));
        QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, spin->height() / 4));
    }
    // Keys go where the focus is; with no focus they go nowhere, which the step reports.
    QWidget *focused() {
        QWidget *w = QApplication::focusWidget();
        if (!w) qWarning("typing with no focus");
        return w;
    }
    void replaceText(const QString &text) {
        QWidget *w = focused();
        QVERIFY2(w, "no focus to type into");
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w, text);
    }
    void key(Qt::Key k) {
        QWidget *w = focused();
        QVERIFY2(w, "no focus for the key");
        QTest::keyClick(w, k);
    }
    // One notch of the wheel over the middle of a control.
    void wheel(const QString &name, int notches) {
        QWidget *w = rig.find(name);
        QVERIFY2(w->isVisible(), qPrintable(name));
        const QPointF local = QPointF(w->rect().center());
        QWheelEvent event(local, w->mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &event);
    }
    void clickTab(const QString &tabWidgetName, const QString &pageName) {
        auto *tabs = rig.find<QTabWidget>(tabWidgetName);
        const int index = tabs->indexOf(rig.find(pageName));
        QVERIFY(index >= 0);
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
};

struct Interaction {
    const char *name;
    const char *page; // the page of PhasePageControl the interaction starts on
    bool advanced;    // the per-screen edge controls shown instead of the basic group
    std::function<void(User &)> steps;
    // "<device>:<command>", device "*" for every device; a trailing "*" matches any rest.
    QStringList wire;
    QStringList messages;
    const char *focusAfter;
    const char *pageAfter; // null: the starting page
};

const QString kOverlapBounds = QStringLiteral("Error! Overlap Width value out of bounds! ");

QList<Interaction> interactions() {
    return {
        // A focus taken from the field by the send's disabled pages is not the user leaving it.
        {"click in a field, then its spin arrow",
         "DisplaySetupTabSheet",
         false,
         [](User &u) {
             u.click("BasicGammaEdit");
             u.spinUp("BasicGammaUpDown");
         },
         {"*:EFTB 1  2.3"},
         {},
         "BasicGammaEdit",
         nullptr},
        {"type, then click another field",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.replaceText("2.5");
             u.click("LGamma2Edit");
         },
         {"1:PEFT 1 R 1  2.5 100 0"},
         {},
         "LGamma2Edit",
         nullptr},
        {"Enter from the basic gamma to the overlap width",
         "DisplaySetupTabSheet",
         false,
         [](User &u) {
             u.click("BasicGammaEdit");
             u.replaceText("2.4");
             u.key(Qt::Key_Return);
         },
         {"*:EFTB 1  2.4"},
         {},
         "OWidthEdit",
         nullptr},
        {"Enter around the seam gain ring",
         "SeamRemovalTabSheet",
         false,
         [](User &u) {
             u.click("SeamGain1Edit");
             u.replaceText("140");
             u.key(Qt::Key_Return);
         },
         {"1:MANSEAM 1 -4 140 *"},
         {},
         "SeamGain2Edit",
         nullptr},
        {"Enter around the colour ring",
         "SourceSetupTabSheet",
         false,
         [](User &u) {
             u.click("LeftRContrastEdit");
             u.replaceText("5");
             u.key(Qt::Key_Return);
         },
         {"1:ICNTKX 1 R  5.0"},
         {},
         "LeftRBrightnessEdit",
         nullptr},
        {"Enter from H position to V position",
         "SourceSetupTabSheet",
         false,
         [](User &u) {
             u.click("HPositionEdit");
             u.replaceText("300");
             u.key(Qt::Key_Return);
         },
         {"1:IRSPKX 1 M H 300"},
         {},
         "VPositionEdit",
         nullptr},
        {"Tab from phase",
         "SourceSetupTabSheet",
         false,
         [](User &u) {
             u.click("PhaseEdit");
             u.replaceText("3");
             u.key(Qt::Key_Tab);
         },
         {"1:ICPHOKX 1 M 3"},
         {},
         nullptr,
         nullptr},
        // The wheel over a list changes nothing unless the list has the focus.
        {"wheel over a pattern list while a field has the focus",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.wheel("TestPattern2ComboBox", -1);
         },
         {},
         {},
         "Gamma1Edit",
         nullptr},
        {"wheel over a pattern list with the focus elsewhere",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("TestGrid3CheckBox"); // sends the pattern with the grid
             u.wheel("TestPattern2ComboBox", -2);
         },
         {"1:OTPMKX 3 0 0 1"},
         {},
         "TestGrid3CheckBox",
         nullptr},
        // Nothing that only scrolls takes the focus: the first spin click in a screen tab steps.
        {"first spin click in a screen tab",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.spinUp("Gamma1UpDown");
         },
         {"1:PEFT 1 R 1  2.3 100 0"},
         {},
         "Gamma1Edit",
         nullptr},
        // A corrected value after a message is sent.
        {"seam gain 300, then 150",
         "SeamRemovalTabSheet",
         false,
         [](User &u) {
             u.click("SeamGain1Edit");
             u.replaceText("300");
             u.key(Qt::Key_Tab);
             u.replaceText("150");
             u.key(Qt::Key_Tab);
         },
         {"1:MANSEAM 1 -4 150 *"},
         {"Error! Seam Position value out of bounds! (0 - 255)"},
         "SeamGain2Edit",
         nullptr},
        {"planning overlap out of bounds, then corrected",
         "PlanningTabSheet",
         false,
         [](User &u) {
             u.click("OWidthPlanningEdit");
             u.replaceText("9999");
             u.key(Qt::Key_Tab);
             u.replaceText("200");
             u.key(Qt::Key_Tab);
         },
         {"*:DISP 0 200"},
         {kOverlapBounds},
         nullptr,
         nullptr},
        // A field left as the devices have it puts nothing on the line.
        {"leave the overlap width unchanged with Tab",
         "DisplaySetupTabSheet",
         false,
         [](User &u) {
             u.click("OWidthEdit");
             u.key(Qt::Key_Tab);
         },
         {},
         {},
         nullptr,
         nullptr},
        {"leave V position unchanged for another field",
         "SourceSetupTabSheet",
         false,
         [](User &u) {
             u.click("VPositionEdit");
             u.click("HPositionEdit");
             u.click("LeftRBrightnessEdit");
             u.click("PhaseEdit");
         },
         {},
         {},
         "PhaseEdit",
         nullptr},
        {"leave gammas unchanged",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.click("LGamma2Edit");
             u.click("Gamma1Edit");
             u.click("TestGrid3CheckBox");
         },
         {"1:OTPMKX 3 0 0 1"},
         {},
         "TestGrid3CheckBox",
         nullptr},
        // The devices have what the step sent: typing the old text back is a change.
        {"step, then type the old value back",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.spinUp("Gamma1UpDown");
             u.replaceText("2.2");
             u.key(Qt::Key_Tab);
         },
         {"1:PEFT 1 R 1  2.3 100 0", "1:PEFT 1 R 1  2.2 100 0"},
         {},
         nullptr,
         nullptr},
        // Typed and sent with Enter: leaving it again later sends nothing more.
        {"Enter sends once",
         "SourceSetupTabSheet",
         false,
         [](User &u) {
             u.click("LeftOBrightnessEdit");
             u.replaceText("103");
             u.key(Qt::Key_Return);
             u.click("LeftOBrightnessEdit");
             u.key(Qt::Key_Tab);
         },
         {"1:IBRTKX 1 C 103.0"},
         {},
         nullptr,
         nullptr},
        // Up and Down in a field are its spin button's halves.
        {"Up in a gamma",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.key(Qt::Key_Up);
             u.key(Qt::Key_Up);
         },
         {"1:PEFT 1 R 1  2.3 100 0", "1:PEFT 1 R 1  2.4 100 0"},
         {},
         "Gamma1Edit",
         nullptr},
        {"Down in the basic gamma, then leaving it",
         "DisplaySetupTabSheet",
         false,
         [](User &u) {
             u.click("BasicGammaEdit");
             u.key(Qt::Key_Down);
             u.key(Qt::Key_Tab);
         },
         {"*:EFTB 1  2.1"},
         {},
         nullptr,
         nullptr},
        {"Up in the overlap width",
         "DisplaySetupTabSheet",
         false,
         [](User &u) {
             u.click("OWidthEdit");
             u.replaceText("200");
             u.key(Qt::Key_Up);
         },
         {"*:DISP * 201"},
         {},
         "OWidthEdit",
         nullptr},
        {"Up at a gamma's limit does nothing",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("LGamma2Edit");
             u.replaceText("5.0");
             u.key(Qt::Key_Up);
             u.click("LGamma2Edit");
         },
         {},
         {},
         "LGamma2Edit",
         nullptr},
        {"an invalid gamma keeps the user on its page",
         "DisplaySetupTabSheet",
         true,
         [](User &u) {
             u.click("Gamma1Edit");
             u.replaceText("abc");
             u.clickTab("PhasePageControl", "SeamRemovalTabSheet");
             u.replaceText("2.6");
             u.clickTab("PhasePageControl", "SeamRemovalTabSheet");
         },
         {"1:PEFT 1 R 1  2.6 100 0"},
         {"Error! 'abc' is not a valid Edge Feathering Gamma value."},
         nullptr,
         "SeamRemovalTabSheet"},
    };
}

bool wireMatches(const QStringList &expected, const QStringList &actual) {
    if (expected.size() != actual.size()) return false;
    for (int i = 0; i < expected.size(); ++i) {
        const QString &e = expected[i];
        if (e.endsWith('*')) {
            if (!actual[i].startsWith(e.chopped(1))) return false;
            continue;
        }
        // A " * " in the middle stands for one word.
        const QStringList want = e.split(' ');
        const QStringList got = actual[i].split(' ');
        if (want.size() != got.size()) return false;
        for (int w = 0; w < want.size(); ++w)
            if (want[w] != QLatin1String("*") && want[w] != got[w]) return false;
    }
    return true;
}

// The line as the wire shows it for a row: "*:" for every device of the mode.
QStringList expand(const QStringList &lines, int mode) {
    QStringList expected;
    for (const QString &e : lines) {
        if (e.startsWith("*:")) {
            expected.append("1:" + e.mid(2));
            if (mode == WindowRig::Controller) expected.append("2:" + e.mid(2));
        } else {
            expected.append(e);
        }
    }
    return expected;
}

} // namespace

class FocusTest : public QObject {
    Q_OBJECT
private slots:
    void cleanupTestCase() { rigs.clear(); }
    void interaction_data();
    void interaction();
    void checksumOfTheResentText();
    void noListTakesTheFocusFromTheWheel();
    void pushHoldsTheWindowAndEndsWithItRestored();
    void everyEnterTargetIsOnItsOwnPage();
    void clickThatLeavesAFieldReachesItsControl_data();
    void clickThatLeavesAFieldReachesItsControl();
    void keysTypedDuringTheExitSendReachTheNextField();
    void wheelOverAnUnfocusedSpinBoxChangesNothing();
    void tabFollowsThePage_data();
    void tabFollowsThePage();

private:
    WindowRig *rig(WindowRig::Mode mode);
    void prepare(WindowRig &r, const Interaction &row);
    std::map<int, std::unique_ptr<WindowRig>> rigs;
};

// One connected window per link mode, shared by the rows; a row that had to be cut off leaves a
// window in an unknown state, which the next row replaces.
WindowRig *FocusTest::rig(WindowRig::Mode mode) {
    std::unique_ptr<WindowRig> &r = rigs[mode];
    if (r && !r->broken) return r.get();
    r.reset();
    r = std::make_unique<WindowRig>(mode);
    if (!r->connect()) {
        r.reset();
        return nullptr;
    }
    return r.get();
}

// The same starting point for every row: the row's page in front, the edges of screen 1 and 2 in a
// known state, no focus.
void FocusTest::prepare(WindowRig &r, const Interaction &row) {
    WindowState &state = r.form->state();
    state.Refreshing = true;
    r.find<QCheckBox>("AdvanceModeCheckBox")->setChecked(row.advanced);
    r.find<QLineEdit>("BasicGammaEdit")->setText("2.2");
    r.find<QLineEdit>("Gamma1Edit")->setText("2.2");
    r.find<QLineEdit>("GammaWidth1Edit")->setText("100");
    r.find<QLineEdit>("GammaOffset1Edit")->setText("0");
    r.find<QCheckBox>("EdgeFeathering1CheckBox")->setChecked(true);
    r.find<QComboBox>("TestPattern2ComboBox")->setCurrentIndex(0);
    r.find<QComboBox>("TestPattern3ComboBox")->setCurrentIndex(0);
    r.find<QCheckBox>("TestGrid3CheckBox")->setChecked(false);
    // Taking the focus from the last row's field is no exit of it.
    if (QWidget *w = QApplication::focusWidget()) w->clearFocus();
    r.form->displaySetupPage()->screenPages()->setCurrentIndex(0);
    auto *pages = r.form->phasePageControl();
    pages->setCurrentWidget(r.find(QString::fromLatin1(row.page)));
    if (QWidget *w = QApplication::focusWidget()) w->clearFocus();
    state.Refreshing = false;
    QTRY_VERIFY(pages->isEnabled());
    r.sim->clearRequests();
    r.user.entries.clear();
}

void FocusTest::interaction_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    const QList<Interaction> rows = interactions();
    for (int mode : {int(WindowRig::Direct), int(WindowRig::Controller)})
        for (int i = 0; i < rows.size(); ++i)
            QTest::addRow("%s, %s", mode == WindowRig::Direct ? "direct" : "controller", rows[i].name)
                << mode << i;
}

void FocusTest::interaction() {
    QFETCH(int, mode);
    QFETCH(int, index);
    const Interaction row = interactions()[index];
    WindowRig *r = rig(WindowRig::Mode(mode));
    QVERIFY2(r, "the window did not connect");
    prepare(*r, row);
    if (QTest::currentTestFailed()) return;

    User user{*r};

    const bool finished = r->act([&] { row.steps(user); });
    if (QTest::currentTestFailed()) return;

    const QStringList expected = expand(row.wire, mode);
    // Commands that wait for nothing may still be on their way; then nothing more may follow.
    r->sim->waitForRequests(int(expected.size()), 10000);
    QTest::qWait(150);
    const QStringList wire = r->wire();
    QVERIFY2(finished, qPrintable("cut off; wire: " + wire.join(" | ") + "; boxes: " +
                                  r->user.messages().join(" | ") + r->user.unexpected.join(" | ")));
    QVERIFY2(!r->wireBroken(), qPrintable(wire.join(" | ")));
    QVERIFY2(wireMatches(expected, wire),
             qPrintable(wire.join(" | ") + "  expected: " + expected.join(" | ")));
    QCOMPARE(r->user.messages(), row.messages);
    QVERIFY2(r->user.unexpected.isEmpty(), qPrintable(r->user.unexpected.join('\n')));
    QVERIFY(r->form->phasePageControl()->isEnabled());
    QCOMPARE(r->form->state().CommandBusy, 0);
    if (row.focusAfter) QTRY_COMPARE(WindowRig::focusName(), QString::fromLatin1(row.focusAfter));
    const char *page = row.pageAfter ? row.pageAfter : row.page;
    QCOMPARE(r->form->phasePageControl()->currentWidget()->objectName(), QString::fromLatin1(page));
}

// A resend carries the checksum of the text it resends.
void FocusTest::checksumOfTheResentText() {
    WindowRig *r = rig(WindowRig::Controller);
    QVERIFY2(r, "the window did not connect");
    CommandEngine &engine = r->form->engine();
    r->sim->clearRequests();
    r->sim->injectFault(SimFault::ControllerReject, 1, 0, "DDBL");
    const bool finished = r->act([&] { engine.SendControllerCommand("*5DDBL 1!", 0); });
    QVERIFY(finished);
    const QList<SimRequest> requests = r->sim->requests();
    QCOMPARE(requests.size(), 2);
    // "PASS ", the text, its two digits, CR CR.
    for (const SimRequest &request : requests) {
        QVERIFY2(request.raw.startsWith("PASS *5DDBL 1!") && request.raw.endsWith("\r\r"),
                 request.raw.constData());
        const QByteArray text = request.raw.mid(5, request.raw.size() - 9);
        int sum = 0;
        for (char c : text)
            sum += uchar(c);
        QCOMPARE(request.raw.mid(request.raw.size() - 4, 2),
                 QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0'));
    }
}

// A wheel turned over a list goes to the list under the pointer before any filter sees it, and would
// give that list the focus (and so end the editing of the field that had it): no list asks for that.
void FocusTest::noListTakesTheFocusFromTheWheel() {
    TLumivaneForm form;
    const QList<QComboBox *> lists = form.phasePageControl()->findChildren<QComboBox *>();
    QVERIFY(lists.size() >= 8);
    for (const QComboBox *list : lists)
        QVERIFY2((list->focusPolicy() & Qt::WheelFocus) == Qt::StrongFocus, qPrintable(list->objectName()));
}

// The window during "Send Current Settings": its status bar, pages and cursor change only while the
// devices are waited for and are painted from there. Whenever the window handles events during the pass
// the pages are disabled and the hourglass is up; once the pass is over the window is in its final state
// (pages enabled, focus back where the user left it, no hourglass, an empty status bar), whatever
// updates were coalesced on the way.
void FocusTest::pushHoldsTheWindowAndEndsWithItRestored() {
    // A window of its own: the interactions above leave values in the fields that a push would refuse.
    WindowRig own(WindowRig::Controller);
    QVERIFY2(own.connect(), "the window did not connect");
    WindowRig *r = &own;
    QWidget *pages = r->form->phasePageControl();
    auto *status = r->find<QLabel>(QStringLiteral("MainStatusText"));
    r->form->phasePageControl()->setCurrentIndex(0); // Planning
    auto *field = r->find<QLineEdit>(QStringLiteral("HorizontalOutEdit"));
    field->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(WindowRig::focusName(), QStringLiteral("HorizontalOutEdit"));
    r->sim->clearRequests();

    int samples = 0;
    QStringList seen; // what the window showed whenever it handled events during the pass
    QTimer sampler;
    sampler.setInterval(5);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        ++samples;
        if (pages->isEnabled()) seen.append(QStringLiteral("pages enabled"));
        if (!QApplication::overrideCursor()) seen.append(QStringLiteral("no hourglass"));
    });
    sampler.start();
    const bool finished = r->act([&] { r->trigger("SendCurrentSettingstoKestrixs1"); });
    sampler.stop();
    QVERIFY(finished);
    QVERIFY2(r->user.unexpected.isEmpty() && r->user.messages().isEmpty(),
             qPrintable((r->user.unexpected + r->user.messages()).join(" | ")));
    QVERIFY(r->sim->requests().size() > 100);
    QVERIFY(samples > 10);
    QVERIFY2(seen.isEmpty(), qPrintable(seen.join(", ")));

    QVERIFY(pages->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(status->text(), QString());
    QCOMPARE(r->form->state().CommandBusy, 0);
    QTRY_COMPARE(WindowRig::focusName(), QStringLiteral("HorizontalOutEdit"));
}

void FocusTest::tabFollowsThePage_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("order");
    // The page's controls from its tab on: groups as they stand (left column before right, top row
    // before bottom), each group's controls top to bottom. A control without a name of its own (the
    // projector test pattern items) goes by its accessible name.
    QTest::newRow("Projector Setup") << "ProjAlignTabSheet"
                                     << QStringList{
                                            "Projector Phase: Off",      "ProjTest1RasterCheckBox",
                                            "Projector Input Size: Off", "Image Overlap Alignment: Off",
                                            "ProjTest3GridCheckBox",     "Projector Color Balance: Off"};
    QTest::newRow("Source Setup") << "SourceSetupTabSheet"
                                  << QStringList{"SourceScreenSelectRadioGroupItem1",
                                                 "HPositionEdit",
                                                 "VPositionEdit",
                                                 "PhaseEdit",
                                                 "SaveConfigButton",
                                                 "AutoConfigButton",
                                                 "SaveAllConfigButton",
                                                 "AutoColorBalanceButton",
                                                 "LeftOContrastEdit",
                                                 "LeftOBrightnessEdit"};
    QTest::newRow("Seam Removal") << "SeamRemovalTabSheet"
                                  << QStringList{"SeamScreenSelectRadioGroupItem1",
                                                 "SeamGain1Edit",
                                                 "SeamGain2Edit",
                                                 "SeamGain3Edit",
                                                 "SeamGain4Edit",
                                                 "SeamGain5Edit",
                                                 "SeamGain6Edit",
                                                 "SeamGain7Edit",
                                                 "SeamGain8Edit",
                                                 "SeamBridgeSingleConfigCheckBox",
                                                 "ResetSeamGainButton",
                                                 "SeamAutoSingleConfigButton",
                                                 "SeamBridgeAllConfigCheckBox",
                                                 "SeamAutoAllConfigButton",
                                                 "BridgeThresholdEdit"};
    // The terminal keeps Tab for the device: Tab ends in it.
    QTest::newRow("Information") << "InfoTabSheet"
                                 << QStringList{"TerminalViewComboBox", "TerminalHexButton",
                                                "TerminalPauseButton",  "TerminalClearButton",
                                                "TerminalSaveButton",   "TerminalCaptureButton",
                                                "AdTerminal1",          "AdTerminal1"};
}

// Tab pressed on the real window walks the page in the order it is seen, also after the wall's projector
// count has rebuilt the channel choices (the connect read does).
void FocusTest::tabFollowsThePage() {
    QFETCH(QString, page);
    QFETCH(QStringList, order);
    WindowRig *r = rig(WindowRig::Controller);
    QVERIFY(r);
    auto *pages = r->form->phasePageControl();
    pages->setCurrentWidget(r->find(page));
    QTRY_VERIFY(pages->isEnabled());
    QApplication::setActiveWindow(r->form.get());
    QVERIFY(QTest::qWaitForWindowActive(r->form.get()));
    pages->tabBar()->setFocus();
    QTRY_COMPARE(WindowRig::focusName(), pages->tabBar()->objectName());
    QStringList seen;
    for (int i = 0; i < order.size(); ++i) {
        QWidget *before = QApplication::focusWidget();
        QTest::keyClick(before, Qt::Key_Tab);
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now);
        seen << (now->objectName().isEmpty() ? now->accessibleName() : now->objectName());
    }
    QCOMPARE(seen, order);
    if (page == QLatin1String("InfoTabSheet")) {
        // Shift+Tab leaves the pane for the tool row above it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(WindowRig::focusName(), QString("TerminalCaptureButton"));
    }
}

// Enter in a numeric field moves on within the field's own page: every row of the field table names a
// control that the page holding the field has.
void FocusTest::everyEnterTargetIsOnItsOwnPage() {
    WindowRig *r = rig(WindowRig::Direct);
    QVERIFY(r);
    QTabWidget *pages = r->form->phasePageControl();
    const auto pageOf = [pages](QWidget *w) -> QWidget * {
        for (int i = 0; i < pages->count(); ++i)
            if (pages->widget(i)->isAncestorOf(w)) return pages->widget(i);
        return nullptr;
    };
    const QList<FieldEditor *> editors = r->form->findChildren<FieldEditor *>();
    QVERIFY(editors.size() > 100);
    for (const FieldEditor *editor : editors) {
        QWidget *target = editor->enterTarget();
        QVERIFY2(target, qPrintable(editor->row().name));
        QVERIFY2(pageOf(target) && pageOf(target) == pageOf(editor->edit()), qPrintable(editor->row().name));
    }
}

// The user's click as the window system delivers it: the press, then the release while the program is
// still busy with what the press started (the button comes up some tenths of a second later, long before
// a device has answered). Both go through the window, not straight to the control.
void clickAsAPersonDoes(QWidget *control) {
    QWidget *top = control->window();
    QWindow *window = top->windowHandle();
    const QPoint at = control->mapTo(top, QPoint(qMin(10, control->width() / 2), control->height() / 2));
    bool released = false;
    QTimer::singleShot(0, [&] {
        QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        released = true;
    });
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTRY_VERIFY(released);
}

void FocusTest::clickThatLeavesAFieldReachesItsControl_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // empty: the field is only clicked into
    QTest::addColumn<QStringList>("wire");
    for (int mode : {int(WindowRig::Direct), int(WindowRig::Controller)}) {
        const char *m = mode == WindowRig::Direct ? "direct" : "controller";
        QTest::addRow("%s, overlap width unchanged", m)
            << mode << false << "OWidthEdit" << QString() << QStringList{"1:OTPMKX 2 0 0 1"};
        QTest::addRow("%s, overlap width changed", m)
            << mode << false << "OWidthEdit"
            << "190" << QStringList{"*:DISP * 190", "1:OTPMKX 2 0 0 1"};
        QTest::addRow("%s, gamma changed", m)
            << mode << true << "Gamma1Edit"
            << "2.7" << QStringList{"1:PEFT 1 R 1  2.7 100 0", "1:OTPMKX 2 0 0 1"};
        QTest::addRow("%s, basic gamma changed", m)
            << mode << false << "BasicGammaEdit"
            << "2.6" << QStringList{"*:EFTB 1  2.6", "1:OTPMKX 2 0 0 1"};
    }
}

// A click on screen 2's "Test Grid" that ends the editing of a field: the field's command (if its text
// changed) goes out first, and the click still checks the box, whose command follows.
void FocusTest::clickThatLeavesAFieldReachesItsControl() {
    QFETCH(int, mode);
    QFETCH(bool, advanced);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QStringList, wire);
    WindowRig *r = rig(WindowRig::Mode(mode));
    QVERIFY2(r, "the window did not connect");
    prepare(*r, {"", "DisplaySetupTabSheet", advanced, {}, {}, {}, nullptr, nullptr});
    // Another window of this program may have been active last.
    QApplication::setActiveWindow(r->form.get());
    QVERIFY(QTest::qWaitForWindowActive(r->form.get()));
    auto *grid = r->find<QCheckBox>("TestGrid2CheckBox");
    r->form->state().Refreshing = true;
    grid->setChecked(false);
    r->form->state().Refreshing = false;
    User user{*r};
    const bool finished = r->act([&] {
        user.click(field);
        if (!typed.isEmpty()) user.replaceText(typed);
        clickAsAPersonDoes(grid);
    });
    QVERIFY(finished);
    const QStringList expected = expand(wire, mode);
    r->sim->waitForRequests(int(expected.size()), 10000);
    QTest::qWait(150);
    QVERIFY2(wireMatches(expected, r->wire()),
             qPrintable(r->wire().join(" | ") + "  expected: " + expected.join(" | ")));
    QVERIFY(grid->isChecked());
    QTRY_COMPARE(WindowRig::focusName(), QStringLiteral("TestGrid2CheckBox"));
    QVERIFY2(r->user.messages().isEmpty() && r->user.unexpected.isEmpty(),
             qPrintable((r->user.messages() + r->user.unexpected).join(" | ")));
    QVERIFY(r->form->phasePageControl()->isEnabled());
    QCOMPARE(r->form->state().CommandBusy, 0);
}

// Tab out of a changed field and type on at once: the keys that arrive while its command is waited for
// go into the next field, in order.
void FocusTest::keysTypedDuringTheExitSendReachTheNextField() {
    WindowRig *r = rig(WindowRig::Controller);
    QVERIFY2(r, "the window did not connect");
    prepare(*r, {"", "SourceSetupTabSheet", false, {}, {}, {}, nullptr, nullptr});
    // Another window of this program may have been active last.
    QApplication::setActiveWindow(r->form.get());
    QVERIFY(QTest::qWaitForWindowActive(r->form.get()));
    User user{*r};
    QWindow *window = r->form->windowHandle();
    const bool finished = r->act([&] {
        user.click("HPositionEdit");
        user.replaceText("301");
        QTimer::singleShot(0, [&] {
            QTest::keyClick(window, Qt::Key_1);
            QTest::keyClick(window, Qt::Key_2);
        });
        QTest::keyClick(window, Qt::Key_Tab);
    });
    QVERIFY(finished);
    r->sim->waitForRequests(1, 10000);
    QTest::qWait(150);
    QCOMPARE(r->wire(), QStringList{"1:IRSPKX 1 M H 301"});
    QTRY_COMPARE(WindowRig::focusName(), QStringLiteral("VPositionEdit"));
    QTRY_COMPARE(r->find<QLineEdit>("VPositionEdit")->text(), QStringLiteral("12"));
    // Taken back without a command: the next row starts from the field as the device has it.
    r->form->state().Refreshing = true;
    r->form->sourceSetupPage()->RefreshSourcePage();
    r->form->state().Refreshing = false;
}

// The wheel over the Blend Preview's projector gamma while it does not have the focus scrolls the page,
// not the value, and gives it no focus.
void FocusTest::wheelOverAnUnfocusedSpinBoxChangesNothing() {
    WindowRig *r = rig(WindowRig::Direct);
    QVERIFY2(r, "the window did not connect");
    prepare(*r, {"", "BlendPreviewTabSheet", false, {}, {}, {}, nullptr, nullptr});
    // Another window of this program may have been active last.
    QApplication::setActiveWindow(r->form.get());
    QVERIFY(QTest::qWaitForWindowActive(r->form.get()));
    auto *gamma = r->find<QDoubleSpinBox>("ProjectorGammaEdit");
    const double before = gamma->value();
    User user{*r};
    user.wheel("ProjectorGammaEdit", 2);
    if (auto *text = gamma->findChild<QLineEdit *>()) {
        const QPointF local = QPointF(text->rect().center());
        QWheelEvent event(local, text->mapToGlobal(local), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(text, &event);
    }
    QTest::qWait(20);
    QCOMPARE(gamma->value(), before);
    QVERIFY(!gamma->hasFocus());
    // With the focus, the wheel is the user's way of changing it.
    gamma->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(gamma->hasFocus());
    user.wheel("ProjectorGammaEdit", 1);
    QVERIFY(gamma->value() > before);
    gamma->setValue(before);
}

QTEST_MAIN(FocusTest)
#include "tst_focus.moc"
