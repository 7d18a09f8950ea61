// SPDX-License-Identifier: GPL-3.0-or-later
// The Planning page through the real window: the first calculation at start, the calculator's answers
// and messages, the two overlap width fields, and with a device on the line the sends and the
// refresh from the device.
#include "ChannelSelectGroup.h"
#include "CommandEngine.h"
#include "DeviceModel.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "LinkRig.h"
#include "PlanningPage.h"
#include "SpinButton.h"
#include "WindowState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

SimOptions direct() {
    SimOptions o;
    o.mode = SimOptions::Direct;
    o.onlyAtModeBaud = true;
    return o;
}

// A choice made by the user: the list's change handling runs.
void choose(LinkRig &rig, const char *name, int item) {
    QComboBox *combo = rig.find<QComboBox>(name);
    combo->setCurrentIndex(item);
    emit combo->activated(item);
}

// Typing into a field and tabbing out of it.
void typeAndLeave(LinkRig &rig, const char *name, const QString &value) {
    QLineEdit *edit = rig.find<QLineEdit>(name);
    edit->selectAll();
    edit->insert(value); // as typed: the field knows the user changed it
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
}

void calculate(LinkRig &rig, const QString &horizontal, const QString &vertical) {
    rig.find<QLineEdit>("HorizontalOutEdit")->setText(horizontal);
    rig.find<QLineEdit>("VerticalOutEdit")->setText(vertical);
    rig.find<QPushButton>("CalcOutButton")->click();
}

QStringList slices(LinkRig &rig) {
    QStringList list;
    for (int p = 1; p <= 8; ++p)
        list << QStringLiteral("%1-%2").arg(
            rig.fieldText(qPrintable(QStringLiteral("Screen%1HLabel").arg(p))),
            rig.fieldText(qPrintable(QStringLiteral("Screen%1VLabel").arg(p))));
    return list;
}

// Typing into a field of the shown window as a user does: focus, select all, type.
void typeInto(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Everything the Planning page shows of its plan, for comparing a plan before and after.
QStringList plan(LinkRig &rig) {
    QStringList shown{rig.find<QComboBox>("NumOfScreenComboBox")->currentText()};
    for (const char *name : {"OutAspectRatioLabel", "HorizontalOutEdit", "ImageSizeHLabel", "ImageSizeVLabel",
                             "OWidthEdit", "OWidthPlanningEdit", "NumOfKestrixLabel"})
        shown << rig.fieldText(name);
    shown << rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText();
    const WindowState &state = rig.form->state();
    for (double value : {state.ProjectorCount, state.ImageWidth, state.AspectRatio, state.ScreenWidth,
                         state.OverlapPixels, double(state.MaxOverlapWidth)})
        shown << QString::number(value, 'g', 17);
    return shown + slices(rig);
}

QString notes(LinkRig &rig) {
    return rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText();
}

QStringList withoutProbes(QStringList lines) {
    lines.removeIf([](const QString &l) { return l.endsWith(" CR"); });
    return lines;
}

QStringList deviceRead() {
    QStringList lines{QStringLiteral("38400 SYINFOKX")};
    for (const char *kind : {"IINFOKX", "OINFOKX"})
        for (int c = 1; c <= 4; ++c)
            lines.append(QStringLiteral("38400 %1 %2").arg(QString::fromLatin1(kind)).arg(c));
    return lines;
}

} // namespace

class PlanningTest : public QObject {
    Q_OBJECT
private slots:
    void firstShowPlansThreeProjectors();
    void calculator_data();
    void calculator();
    void enterMovesOnWithoutCalculating();
    void countChangeRebuildsChannelChoices();
    void eightProjectorsCannotBeCentred();
    void overlapFieldChecks_data();
    void overlapFieldChecks();
    void overlapSpinButtons();
    void linkedSendsAndDeviceRefresh();
    void deviceCountOutsideTheWall_data();
    void deviceCountOutsideTheWall();
    void tooManyProjectorsKeepTheCountInForce();
    void recomputedWidthsAreShownWhole();
    void enterInPlanningOverlapChecksAndMovesOn();
    void refusedCountLeavesThePlan();
    void refusedCalculationLeavesThePlan();
    void refusedResolutionLeavesThePlan();
    void shownValuesAreTheOnesInForce();
    void placementCentresFromThePlannedOverlap();
    void calculationReadNamesTheFailedDevice_data();
    void calculationReadNamesTheFailedDevice();
};

void PlanningTest::firstShowPlansThreeProjectors() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));

    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);
    QCOMPARE(rig.find<QComboBox>("ImageAlignComboBox")->currentText(), QString("Centered"));
    QCOMPARE(rig.find<QComboBox>("ProjectorResComboBox")->currentText(), QString("1280x1024"));
    QVERIFY(rig.find<QComboBox>("NumOfScreenComboBox")->isEnabled());
    QVERIFY(rig.find<QComboBox>("ImageAlignComboBox")->isEnabled());
    QVERIFY(rig.find<QPushButton>("CalcOutButton")->isEnabled());
    QCOMPARE(rig.fieldText("OutAspectRatioLabel"), QString("3"));
    QCOMPARE(rig.fieldText("HorizontalOutEdit"), QString("30"));
    QCOMPARE(rig.fieldText("ImageSizeHLabel") + "x" + rig.fieldText("ImageSizeVLabel"), QString("3072x1024"));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("384"));
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("384"));
    QCOMPARE(rig.fieldText("NumOfKestrixLabel"), QString("1"));
    QVERIFY(rig.host.statusTexts.contains("NOTE: Current settings require 1 Kestrix."));
    QCOMPARE(rig.form->state().MaxOverlapWidth, 640);
    QCOMPARE(rig.form->state().ProjectorCount, 3.0);
    QCOMPARE(slices(rig), (QStringList{"384-1664", "1280-2560", "2176-3456", "N/A-N/A", "N/A-N/A", "N/A-N/A",
                                       "N/A-N/A", "N/A-N/A"}));
    QCOMPARE(rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText(),
             QString(" - Single Graphic Source:    3 : 1 Aspect Ratio Image Required\n"
                     "                                      (Center or Left Justified)\n"
                     " - 3 Head Graphic Source (1280 x 1024 resolution): 3072 x 1024 Image Size Required\n"
                     "                                      (Center or Left Justified)\n"));
    // The drawings: frames at 5, 82, 159, and the frame rectangles kept.
    const QImage frames = rig.find<QLabel>("ProjectorImage")->pixmap().toImage();
    QCOMPARE(frames.size(), QSize(905, 110));
    QCOMPARE(frames.pixelColor(82, 50), QColor(255, 0, 0));
    QCOMPARE(frames.pixelColor(159, 50), QColor(0, 0, 255));
    QCOMPARE(rig.form->state().PlacementRects[2].left, 159);
    QCOMPARE(rig.find<QLabel>("ProjPlaceImage")->pixmap().size(), QSize(477, 128));
}

void PlanningTest::calculator_data() {
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<int>("resolution");
    QTest::addColumn<int>("align");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    // projectors, aspect, horizontal field, image width, overlap, devices
    QTest::addColumn<QStringList>("results");
    // The overlap left is below the minimum: raised to 64, the image narrows and the screen with it.
    QTest::newRow("40x10 at 1024x768") << "40"
                                       << "10" << 1 << 1 << QString() << QString()
                                       << QStringList{"3 Projectors", "3.83", "38.333", "2944", "64", "1"};
    QTest::newRow("100x10 at 800x600 left") << "100"
                                            << "10" << 0 << 0 << QString() << QString()
                                            << QStringList{"8 Projectors", "9.92", "99.2", "5952", "64", "2"};
    // Nine needed: refused, and the plan in force (three projectors of 800 x 600 for a 30 x 10 screen)
    // stays as it was, the screen size with it.
    QTest::newRow("120x10 needs 9")
        << "120"
        << "10" << 0 << 0
        << "Error! Minimum # of screen calculated is greater than 8. Please enter "
           "valid Horizontal/Vertical Output Size and Projector Resolution."
        << "HorizontalOutEdit" << QStringList{"3 Projectors", "3", "30", "1800", "300", "1"};
    // Nothing is computed after a bad screen size.
    QTest::newRow("horizontal not a number")
        << "3O"
        << "10" << 2 << 1 << "Error! '3O' is not a valid Horizontal Output Screen Size value."
        << "HorizontalOutEdit" << QStringList{"3 Projectors", "3", "3O", "3072", "384", "1"};
    QTest::newRow("horizontal zero") << "0"
                                     << "10" << 2 << 1
                                     << "Error! Horizontal Output Screen Size value must be greater than 0."
                                     << "HorizontalOutEdit"
                                     << QStringList{"3 Projectors", "3", "0", "3072", "384", "1"};
    QTest::newRow("vertical empty") << "30"
                                    << "" << 2 << 1
                                    << "Error! '' is not a valid Vertical Output Screen Size value."
                                    << "VerticalOutEdit"
                                    << QStringList{"3 Projectors", "3", "30", "3072", "384", "1"};
    QTest::newRow("vertical negative")
        << "30"
        << "-1" << 2 << 1 << "Error! Vertical Output Screen Size value must be greater than 0."
        << "VerticalOutEdit" << QStringList{"3 Projectors", "3", "30", "3072", "384", "1"};
}

void PlanningTest::calculator() {
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    QFETCH(int, resolution);
    QFETCH(int, align);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    choose(rig, "ImageAlignComboBox", align);
    choose(rig, "ProjectorResComboBox", resolution);
    rig.host.entries.clear();
    calculate(rig, horizontal, vertical);

    QVERIFY2(rig.host.unexpected.isEmpty(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(), message.isEmpty() ? QStringList{} : QStringList{message});
    const QStringList shown{rig.find<QComboBox>("NumOfScreenComboBox")->currentText(),
                            rig.fieldText("OutAspectRatioLabel"),
                            rig.fieldText("HorizontalOutEdit"),
                            rig.fieldText("ImageSizeHLabel"),
                            rig.fieldText("OWidthEdit"),
                            rig.fieldText("NumOfKestrixLabel")};
    QTEST(shown, "results");
    if (message.isEmpty())
        QCOMPARE(rig.host.statusTexts.last(), shown.last() == "2"
                                                  ? QString("NOTE: Current settings require 2 Kestrixs.")
                                                  : QString("NOTE: Current settings require 1 Kestrix."));
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), rig.fieldText("OWidthEdit"));
    if (!focus.isEmpty()) QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QVERIFY(rig.find<QPushButton>("CalcOutButton")->isEnabled());
    QCOMPARE(rig.form->state().CommandBusy, 0);
}

void PlanningTest::enterMovesOnWithoutCalculating() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QLineEdit *horizontal = rig.find<QLineEdit>("HorizontalOutEdit");
    horizontal->setText("40");
    horizontal->setFocus();
    QTest::keyClick(horizontal, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), rig.find<QLineEdit>("VerticalOutEdit"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(QApplication::focusWidget(), rig.find<QPushButton>("CalcOutButton"));
    QCOMPARE(rig.fieldText("OutAspectRatioLabel"), QString("3"));

    // Enter in the Display Setup page's overlap field moves on to the first test pattern shown.
    rig.form->phasePageControl()->setCurrentWidget(rig.form->displaySetupPage());
    QLineEdit *overlap = rig.find<QLineEdit>("OWidthEdit");
    overlap->setFocus();
    QTest::keyClick(overlap, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("TestPattern1ComboBox"));
    QVERIFY(rig.host.messages().isEmpty());
}

void PlanningTest::countChangeRebuildsChannelChoices() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    auto *source = rig.find<ChannelSelectGroup>("SourceScreenSelectRadioGroup");
    auto *seams = rig.find<ChannelSelectGroup>("SeamScreenSelectRadioGroup");
    QCOMPARE(source->channelCount(), 3);
    QCOMPARE(seams->channelCount(), 3);
    rig.find<QRadioButton>("SourceScreenSelectRadioGroupItem3")->setChecked(true);
    choose(rig, "NumOfScreenComboBox", 4);
    QCOMPARE(source->channelCount(), 5);
    QCOMPARE(seams->channelCount(), 5);
    QCOMPARE(source->selectedChannel(), 1);
    QCOMPARE(rig.find<QRadioButton>("SeamScreenSelectRadioGroupItem5")->text(), QString("5"));
    QCOMPARE(rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText().count("Head Graphic Source"), 1);
    // The devices needed follow a count chosen by hand as they follow a calculated one.
    for (const auto &[item, devices] : {std::pair{4, "2"}, {5, "2"}, {6, "2"}, {1, "1"}, {3, "1"}}) {
        choose(rig, "NumOfScreenComboBox", item);
        QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), item);
        QCOMPARE(rig.fieldText("NumOfKestrixLabel"), QString(devices));
    }
}

void PlanningTest::eightProjectorsCannotBeCentred() {
    const QString refusal = "Error! Maximum number of projectors for center justified image is 7";
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    // Eight while centred: the count goes back to the planned three.
    choose(rig, "NumOfScreenComboBox", 7);
    QCOMPARE(rig.host.messages(), QStringList{refusal});
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);

    // Eight left justified is fine; centring them then is refused and left justified stays.
    choose(rig, "ImageAlignComboBox", 0);
    choose(rig, "NumOfScreenComboBox", 7);
    QCOMPARE(rig.host.messages().size(), 1);
    QCOMPARE(rig.fieldText("Screen8HLabel"),
             QString("4480")); // overlap 640, the most a 1280 projector allows
    choose(rig, "ImageAlignComboBox", 1);
    QCOMPARE(rig.host.messages(), (QStringList{refusal, refusal}));
    QCOMPARE(rig.find<QComboBox>("ImageAlignComboBox")->currentIndex(), 0);
    QCOMPARE(rig.fieldText("Screen1HLabel"), QString("0"));
    QVERIFY2(rig.host.unexpected.isEmpty(), qPrintable(rig.problems()));
}

void PlanningTest::overlapFieldChecks_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("displayAfter");
    QTest::addColumn<QString>("planningAfter");
    // Out of bounds: both fields show the overlap in force again (the planned 384; nothing read), not
    // the model's 0 or the refused text.
    QTest::newRow("63 in planning field") << "OWidthPlanningEdit"
                                          << "63"
                                          << "Error! Overlap Width value out of bounds! "
                                          << "384"
                                          << "384";
    QTest::newRow("641 in display field") << "OWidthEdit"
                                          << "641"
                                          << "Error! Overlap Width value out of bounds! "
                                          << "384"
                                          << "384";
    QTest::newRow("above the plan, typed in planning")
        << "OWidthPlanningEdit"
        << "385"
        << "Error! Overlap area cannot exceed 384. If more overlap is desired, increase "
           "the # of screens"
        << "384"
        << "384";
    QTest::newRow("above the plan")
        << "OWidthEdit"
        << "500"
        << "Error! Overlap area cannot exceed 384. If more overlap is desired, increase "
           "the # of screens"
        << "384"
        << "384";
    QTest::newRow("not an integer") << "OWidthPlanningEdit"
                                    << "12.5"
                                    << "Error! '12.5' is not a valid Overlap Width."
                                    << "12.5"
                                    << "12.5";
    QTest::newRow("accepted from planning") << "OWidthPlanningEdit"
                                            << "200" << QString() << "200"
                                            << "200";
    QTest::newRow("accepted from display") << "OWidthEdit"
                                           << "200" << QString() << "200"
                                           << "200";
}

void PlanningTest::overlapFieldChecks() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    typeAndLeave(rig, qPrintable(field), typed);

    QVERIFY2(rig.host.unexpected.isEmpty(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(), message.isEmpty() ? QStringList{} : QStringList{message});
    QTEST(rig.fieldText("OWidthEdit"), "displayAfter");
    QTEST(rig.fieldText("OWidthPlanningEdit"), "planningAfter");
    if (!message.isEmpty()) {
        QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("3072"));
        return;
    }
    // The image, aspect, slices and drawings follow the new overlap.
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("3440"));
    QCOMPARE(rig.fieldText("OutAspectRatioLabel"), QString("3.36"));
    QCOMPARE(rig.fieldText("HorizontalOutEdit"), QString("33.594"));
    QCOMPARE(slices(rig).mid(0, 3), (QStringList{"200-1480", "1280-2560", "2360-3640"}));
    QCOMPARE(
        notes(rig).split('\n').mid(0, 3),
        (QStringList{" - Single Graphic Source:    3.36 : 1 Aspect Ratio Image Required",
                     "                                      (Center or Left Justified)",
                     " - 3 Head Graphic Source (1280 x 1024 resolution): 3440 x 1024 Image Size Required"}));
    const QImage frames = rig.find<QLabel>("ProjectorImage")->pixmap().toImage();
    QCOMPARE(frames.pixelColor(98, 50), QColor(255, 0, 0)); // 200 of 1280 is 17 of 110
}

void PlanningTest::overlapSpinButtons() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    SpinButton *display = rig.find<SpinButton>("OWidthUpDown");
    SpinButton *planning = rig.find<SpinButton>("OWidthPlanningUpDown");

    emit display->downClick();
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("383"));
    emit planning->downClick();
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("382"));
    QCOMPARE(rig.fieldText("Screen2HLabel"), QString("1280")); // 1280 - 382 + 382: centred, shift 382
    emit planning->upClick();
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("383"));
    // A handler that talks to the devices is under way: the step waits its turn.
    rig.form->state().CommandBusy = 1;
    emit display->upClick();
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("383"));
    rig.form->state().CommandBusy = 0;

    // At the minimum, down changes nothing.
    typeAndLeave(rig, "OWidthEdit", "64");
    emit display->downClick();
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("64"));
    // One projector plans no overlap, so the field takes any width up to half the projector; at that
    // limit, up changes nothing.
    choose(rig, "NumOfScreenComboBox", 0);
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("0"));
    typeAndLeave(rig, "OWidthPlanningEdit", "640");
    emit planning->upClick();
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("640"));
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("640"));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.host.messages().isEmpty());
}

void PlanningTest::linkedSendsAndDeviceRefresh() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));

    // The devices' wall (4 projectors of 1024 x 768, left justified, 256 pixels of overlap) is taken over;
    // nothing goes back to the device while the page is refreshed from it.
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), deviceRead());
    QCOMPARE(rig.fieldText("ImageSizeHLabel") + " x " + rig.fieldText("ImageSizeVLabel"),
             QString("3328 x 768"));
    QCOMPARE(rig.fieldText("OutAspectRatioLabel"), QString("4.33"));
    QCOMPARE(rig.fieldText("HorizontalOutEdit"), QString("43.333"));
    QCOMPARE(rig.find<QComboBox>("ProjectorResComboBox")->currentText(), QString("1024x768"));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("256"));
    QCOMPARE(rig.form->state().MaxOverlapWidth, 512);
    QCOMPARE(slices(rig).mid(0, 5), (QStringList{"0-1024", "768-1792", "1536-2560", "2304-3328", "N/A-N/A"}));

    // A new count and overlap go to the device.
    rig.com1->clearRequests();
    typeAndLeave(rig, "OWidthPlanningEdit", "100");
    choose(rig, "NumOfScreenComboBox", 1);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)),
             (QStringList{"38400 DISP 0 100", "38400 PRJ 0 2", "38400 DISP 0 64"}));

    // A calculation reads the device first; the overlap is then bounded by the device's source width
    // (1024 / 2 for three projectors) rather than by half the projector (640).
    choose(rig, "ProjectorResComboBox", 2);
    rig.com1->clearRequests();
    calculate(rig, "25", "10");
    choose(rig, "NumOfScreenComboBox", 2);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)),
             deviceRead() +
                 (QStringList{"38400 PRJ 0 2", "38400 DISP 0 64", "38400 PRJ 0 3", "38400 DISP 0 512"}));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("512"));
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("2816"));

    // While the page is being refreshed nothing is sent.
    rig.com1->clearRequests();
    rig.form->state().Refreshing = true;
    choose(rig, "NumOfScreenComboBox", 1);
    typeAndLeave(rig, "OWidthEdit", "64");
    rig.form->state().Refreshing = false;
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{});
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // The only message was the take-over's: the device's wall differs from the planned one.
    QCOMPARE(rig.host.messages().size(), 1);
    QVERIFY(rig.host.messages()[0].startsWith("Warning. Number of Projectors and Input Material Alignment"));

    // Five projectors need a second device, which a direct line cannot reach. The user declines to go on
    // with the first device only: the link ends and the planned two projectors are selected again.
    rig.host.expectYesNo(false,
                         "Kestrix total # of projectors settings indicate that 2 Kestrixs are required.");
    choose(rig, "NumOfScreenComboBox", 4);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(rig.host.messages().last().startsWith("For Lumivane to control 2 Kestrixs:"));
    QVERIFY(!rig.form->engine().LinkActive());
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 1);
    QCOMPARE(rig.form->state().ProjectorCount, 2.0);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{});
}

void PlanningTest::deviceCountOutsideTheWall_data() {
    QTest::addColumn<int>("reported");
    QTest::newRow("0") << 0;
    QTest::newRow("9") << 9;
}

// A device that reports a projector count the wall cannot have leaves the planned count; the page
// shows the device's source and overlap for it, with nothing infinite or past the eighth projector.
void PlanningTest::deviceCountOutsideTheWall() {
    QFETCH(int, reported);
    const SimOptions options = direct();
    LinkRig rig(&options, nullptr);
    SimDevice device = rig.com1->device(1);
    for (SimOutputChannel &output : device.outputs)
        output.totalProjectors = quint8(reported);
    rig.com1->setDevice(1, device);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);
    // Three projectors of the device's 1024 x 768 source sharing 256 pixels at each seam.
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("2560"));
    QCOMPARE(rig.fieldText("OutAspectRatioLabel"), QString("3.33"));
    QCOMPARE(slices(rig), (QStringList{"0-1024", "768-1792", "1536-2560", "N/A-N/A", "N/A-N/A", "N/A-N/A",
                                       "N/A-N/A", "N/A-N/A"}));
}

// A wall needing more than eight projectors leaves the choice and the count it stands for as they were:
// a later refusal goes back to that count, never to a ninth projector the list does not have.
void PlanningTest::tooManyProjectorsKeepTheCountInForce() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    calculate(rig, "10", "10");
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 0);
    rig.host.entries.clear();
    calculate(rig, "120", "10");
    QCOMPARE(rig.host.messages(),
             QStringList{"Error! Minimum # of screen calculated is greater than 8. Please enter valid "
                         "Horizontal/Vertical Output Size and Projector Resolution."});
    QCOMPARE(rig.form->state().ProjectorCount, 1.0);
    // Eight centred projectors are refused: the one projector in force is selected again.
    choose(rig, "NumOfScreenComboBox", 7);
    QCOMPARE(rig.host.messages().last(),
             QString("Error! Maximum number of projectors for center justified image is 7"));
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 0);
    QCOMPARE(rig.fieldText("NumOfKestrixLabel"), QString("1"));
}

// The screen width the overlap's corrections work out is shown whole, whatever its length; what the
// user types keeps the six-character limit. A width too large to work with needs more than eight
// projectors and says so.
void PlanningTest::recomputedWidthsAreShownWhole() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QLineEdit *horizontal = rig.find<QLineEdit>("HorizontalOutEdit");
    QLineEdit *vertical = rig.find<QLineEdit>("VerticalOutEdit");
    choose(rig, "ProjectorResComboBox", 1);
    typeInto(horizontal, "4e6");
    typeInto(vertical, "1e6");
    QTest::keyClick(vertical, Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // presses Calculate
    QVERIFY(rig.host.messages().isEmpty());
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("2944"));
    QCOMPARE(horizontal->text(), QString("3833333"));

    // Typing replaces it within the limit again.
    typeInto(horizontal, "12345678");
    QCOMPARE(horizontal->text(), QString("123456"));

    // An image width that overflows: more than eight projectors, refused; the fields show the screen of
    // the plan in force again, and the next calculation takes it.
    choose(rig, "ProjectorResComboBox", 2);
    // The screen of the last calculation, not the 123456 typed since.
    const QString inForce = QStringLiteral("3833333");
    const double widthInForce = rig.form->state().ScreenWidth;
    typeInto(horizontal, "1e300");
    typeInto(vertical, "1e-300");
    rig.host.entries.clear();
    rig.find<QPushButton>("CalcOutButton")->click();
    QCOMPARE(rig.host.messages(),
             QStringList{"Error! Minimum # of screen calculated is greater than 8. Please enter valid "
                         "Horizontal/Vertical Output Size and Projector Resolution."});
    QCOMPARE(horizontal->text(), inForce);
    QCOMPARE(rig.form->state().ScreenWidth, widthInForce);
    QCOMPARE(vertical->text(), QString("1000000"));
    rig.host.entries.clear();
    rig.find<QPushButton>("CalcOutButton")->click();
    QVERIFY2(rig.host.messages().isEmpty(), qPrintable(rig.host.messages().join('\n')));
}

// Enter in the Planning page's overlap field moves on to the horizontal screen size; leaving the
// field checks and applies the overlap as any other way out does.
void PlanningTest::enterInPlanningOverlapChecksAndMovesOn() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    QLineEdit *overlap = rig.find<QLineEdit>("OWidthPlanningEdit");
    typeInto(overlap, "200");
    QTest::keyClick(overlap, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), rig.find<QLineEdit>("HorizontalOutEdit"));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("200"));
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("3440"));
    QVERIFY(notes(rig).contains("3440 x 1024 Image Size Required"));
    QVERIFY(rig.host.messages().isEmpty());

    // A value out of bounds is refused on the way out: both fields show the overlap in force.
    typeInto(overlap, "63");
    QTest::keyClick(overlap, Qt::Key_Enter);
    QCOMPARE(rig.host.messages(), QStringList{"Error! Overlap Width value out of bounds! "});
    QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("200"));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("200"));
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("3440"));
}

// Five projectors need a second device the direct line cannot reach; the user declines to go on with
// the first alone. The overlap's corrections for five are undone with the count: the plan is the one
// from before the choice.
void PlanningTest::refusedCountLeavesThePlan() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    choose(rig, "ProjectorResComboBox", 2);
    calculate(rig, "30", "10");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 2);
    const QStringList before = plan(rig);
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("384"));
    const QImage frames = rig.find<QLabel>("ProjectorImage")->pixmap().toImage();

    rig.host.expectYesNo(false,
                         "Kestrix total # of projectors settings indicate that 2 Kestrixs are required.");
    choose(rig, "NumOfScreenComboBox", 4);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QVERIFY(!rig.form->engine().LinkActive());
    QCOMPARE(plan(rig), before);
    QCOMPARE(rig.find<QLabel>("ProjectorImage")->pixmap().toImage(), frames);

    // What a push would send is the plan's overlap.
    QCOMPARE(rig.find<QLineEdit>("OWidthEdit")->text().toInt(), 384);
}

// A calculation refused because the screen needs more than eight projectors changes nothing: the page's
// fields, the drawings and what the next push sends are the plan in force before it.
void PlanningTest::refusedCalculationLeavesThePlan() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    choose(rig, "ProjectorResComboBox", 2);
    calculate(rig, "30", "10");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("384"));
    const QStringList before = plan(rig);
    const QImage frames = rig.find<QLabel>("ProjectorImage")->pixmap().toImage();
    const QImage placement = rig.find<QLabel>("ProjPlaceImage")->pixmap().toImage();
    rig.host.entries.clear();

    // Typed as a user types it: the field takes six characters of it.
    typeInto(rig.find<QLineEdit>("HorizontalOutEdit"), "99999999");
    QTest::mouseClick(rig.find<QPushButton>("CalcOutButton"), Qt::LeftButton);
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(rig.host.messages(),
             QStringList{"Error! Minimum # of screen calculated is greater than 8. Please enter valid "
                         "Horizontal/Vertical Output Size and Projector Resolution."});
    QCOMPARE(plan(rig), before);
    QCOMPARE(rig.find<QLabel>("ProjectorImage")->pixmap().toImage(), frames);
    QCOMPARE(rig.find<QLabel>("ProjPlaceImage")->pixmap().toImage(), placement);
    QCOMPARE(rig.form->state().ScreenWidth, 30.0);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("HorizontalOutEdit"));

    // The next push sends the plan's overlap, never the minimum the refused screen would have had.
    rig.com1->clearRequests();
    rig.trigger("SendCurrentSettingstoKestrixs1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QStringList layouts = withoutProbes(LinkRig::wire(*rig.com1));
    layouts.removeIf([](const QString &l) { return !l.contains(" DISP "); });
    QVERIFY(!layouts.isEmpty());
    for (const QString &line : layouts)
        QVERIFY2(line.endsWith(" 384"), qPrintable(layouts.join(" | ")));
    QCOMPARE(rig.form->model().output(1, 1).OverlapWidth, 384);
}

// A projector resolution whose image needs nine projectors is refused the same way: the list goes back
// to the resolution in force and the plan stays as it was.
void PlanningTest::refusedResolutionLeavesThePlan() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    choose(rig, "ImageAlignComboBox", 0);
    choose(rig, "ProjectorResComboBox", 1);
    // Eight projectors of 1024 x 768 sharing the least overlap: an image 7744 wide, aspect 10.1.
    calculate(rig, "105", "10");
    QCOMPARE(rig.find<QComboBox>("NumOfScreenComboBox")->currentIndex(), 7);
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("7744"));
    const QStringList before = plan(rig);
    rig.host.entries.clear();

    // At 1280 x 1024 that aspect needs ceil(10325 / 1280) = 9 projectors.
    choose(rig, "ProjectorResComboBox", 2);
    QCOMPARE(rig.host.messages(),
             QStringList{"Error! Minimum # of screen calculated is greater than 8. Please enter valid "
                         "Horizontal/Vertical Output Size and Projector Resolution."});
    QCOMPARE(rig.find<QComboBox>("ProjectorResComboBox")->currentText(), QString("1024x768"));
    QCOMPARE(plan(rig), before);
    QCOMPARE(rig.form->state().ProjectorResH, 1024.0);
    QCOMPARE(rig.form->state().ImageHeight, 768.0);
}

// Every place that shows a value shows the one in force: the overlap fields after a refused overlap
// (not the planned maximum or the model's old value), the notes after an overlap change and a read,
// and the Information page after advanced mode went to the device.
void PlanningTest::shownValuesAreTheOnesInForce() {
    const SimOptions sim = direct();
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(true, "Serial communication established.");
    rig.trigger("KestrixconnectedtoSerialPortdirectly1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    // The read's wall: four projectors of 1024 x 768 sharing 256 pixels.
    QCOMPARE(rig.fieldText("OWidthEdit"), QString("256"));
    QCOMPARE(notes(rig), QString(" - Single Graphic Source:    4.33 : 1 Aspect Ratio Image Required\n"
                                 "                                      (Center or Left Justified)\n"
                                 " - 2 Head Graphic Source:    4.33 : 1 Aspect Ratio Image Required\n"
                                 "                                      (Must be Centered)\n"
                                 " - 4 Head Graphic Source (1024 x 768 resolution): 3328 x 768 Image Size "
                                 "Required\n"
                                 "                                      (Center or Left Justified)\n"));
    rig.host.entries.clear();
    rig.com1->clearRequests();

    typeAndLeave(rig, "OWidthEdit", "200");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{"38400 DISP 0 200"});
    QVERIFY(notes(rig).contains("3496 x 768 Image Size Required"));
    QVERIFY(notes(rig).contains(" " + rig.fieldText("OutAspectRatioLabel") + " : 1 Aspect"));

    // Above the planned 256, and then out of bounds: nothing is sent and both fields show the 200 the
    // device holds.
    for (const char *typed : {"300", "600"}) {
        typeAndLeave(rig, "OWidthPlanningEdit", typed);
        QCOMPARE(rig.fieldText("OWidthPlanningEdit"), QString("200"));
        QCOMPARE(rig.fieldText("OWidthEdit"), QString("200"));
    }
    QCOMPARE(rig.host.messages(),
             (QStringList{"Error! Overlap area cannot exceed 256. If more overlap is desired, increase the # "
                          "of screens",
                          "Error! Overlap Width value out of bounds! "}));
    QCOMPARE(rig.form->model().output(1, 1).OverlapWidth, 200);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{"38400 DISP 0 200"});

    // An overlap field holding no number sends no layout when the alignment changes.
    rig.com1->clearRequests();
    typeAndLeave(rig, "OWidthEdit", "2OO");
    QCOMPARE(rig.host.messages().last(), QString("Error! '2OO' is not a valid Overlap Width."));
    choose(rig, "ImageAlignComboBox", 1);
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{});
    typeAndLeave(rig, "OWidthEdit", "200");
    QCOMPARE(withoutProbes(LinkRig::wire(*rig.com1)), QStringList{"38400 DISP 1 200"});

    // Advanced mode sent from Display Setup shows on the Information page.
    auto *pages = rig.form->phasePageControl();
    pages->setCurrentWidget(rig.form->informationPage());
    QCOMPARE(rig.labelText("BlendLevelLabel"), QString("Basic"));
    pages->setCurrentWidget(rig.form->displaySetupPage());
    rig.com1->clearRequests();
    rig.find<QCheckBox>("AdvanceModeCheckBox")->click();
    QVERIFY(withoutProbes(LinkRig::wire(*rig.com1)).contains("38400 KXCTRL 1"));
    pages->setCurrentWidget(rig.form->informationPage());
    QCOMPARE(rig.labelText("BlendLevelLabel"), QString("Adv"));
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
}

// The placement scale puts the projector centres at the planned overlap, the frames at the one in the
// field: with 200 accepted while 384 is planned, the second centre lies at (1280 - 384 + 640) / 3440 of
// the scale, not at (1280 - 200 + 640) / 3440.
void PlanningTest::placementCentresFromThePlannedOverlap() {
    LinkRig rig(nullptr, nullptr);
    rig.showOffline();
    typeAndLeave(rig, "OWidthEdit", "200");
    QCOMPARE(rig.form->state().OverlapPixels, 384.0);
    QCOMPARE(rig.fieldText("ImageSizeHLabel"), QString("3440"));
    const QImage placement = rig.find<QLabel>("ProjPlaceImage")->pixmap().toImage();
    auto marked = [&placement](int x) {
        for (int y = 25; y < 100; ++y)
            if (placement.pixelColor(x, y) == QColor(Qt::black)) return true;
        return false;
    };
    const int planned = int(1536.0 / 3440 * 477);
    const int fromField = int(1720.0 / 3440 * 477);
    QVERIFY(marked(planned));
    QVERIFY(!marked(fromField));
    QVERIFY(marked(int(640.0 / 3440 * 477)));
}

QTEST_MAIN(PlanningTest)
#include "tst_planning.moc"

void PlanningTest::calculationReadNamesTheFailedDevice_data() {
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<QString>("message");
    QTest::newRow("device 1")
        << QByteArray("*5SYINFOKX")
        << "Kestrix 1 communication error! Please check Serial connections and try again (-1)";
    QTest::newRow("device 2")
        << QByteArray("*6SYINFOKX")
        << "Kestrix 2 communication error! Please check Serial connections and try again (-1)";
}

// A calculation while linked reads both devices behind the Controller into the model and nothing else:
// no status text of its own, and a device that fails is named by its number, with the plan left as it
// was.
void PlanningTest::calculationReadNamesTheFailedDevice() {
    QFETCH(QByteArray, failing);
    QFETCH(QString, message);
    SimOptions sim;
    sim.mode = SimOptions::Controller;
    sim.ids = {5, 6};
    sim.onlyAtModeBaud = true;
    LinkRig rig(&sim, nullptr);
    rig.showOffline();
    rig.host.expectYesNo(false, "Serial communication established with Controller.");
    rig.trigger("KestrixconnectedthruController1");
    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    rig.find<QLineEdit>("HorizontalOutEdit")->setText("25");
    rig.find<QLineEdit>("VerticalOutEdit")->setText("10");
    // What the page shows (the state's numbers after them include the screen size just read).
    const QStringList before = plan(rig).mid(0, 9);
    const int messagesBefore = int(rig.host.messages().size());
    rig.host.statusTexts.clear();
    rig.com1->clearRequests();

    rig.com1->injectFault(SimFault::ControllerError, 1, '4', failing);
    rig.find<QPushButton>("CalcOutButton")->click();

    QVERIFY2(rig.clean(), qPrintable(rig.problems()));
    QCOMPARE(
        rig.host.messages().mid(messagesBefore),
        (QStringList{"Error! Controller did not get response from Kestrix(s). Please check connections and "
                     "Kestrix(s) Serial Mode settings.",
                     message}));
    QByteArray wire;
    for (const SimRequest &request : rig.com1->requests())
        wire += request.raw;
    QVERIFY2(wire.contains("*5SYINFOKX"), wire.constData());
    QCOMPARE(wire.contains("*6SYINFOKX"), failing.startsWith("*6"));
    QCOMPARE(rig.host.statusTexts, QStringList{QString()});
    QVERIFY(!rig.host.busyCursor);
    QCOMPARE(plan(rig).mid(0, 9), before);
}
