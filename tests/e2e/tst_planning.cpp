// The Planning page through the real window: the first calculation at start, the calculator's answers
// and messages, the two overlap width fields, and with a device on the line the sends and the
// refresh from the device.
#include "ChannelSelectGroup.h"
#include "CommandEngine.h"
#include "DisplaySetupPage.h"
#include "LinkRig.h"
#include "ModelTables.h"
#include "PlanningPage.h"
#include "SpinButton.h"

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
    edit->setText(value);
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
    void init() { OutputInfoTable[1][1] = {}; }
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
    // Nine needed: the choice stays at three, whose overlap is worked out again for the wider image.
    QTest::newRow("120x10 needs 9")
        << "120"
        << "10" << 0 << 0
        << "Error! Minimum # of screen calculated is greater than 8. Please enter "
           "valid Horizontal/Vertical Output Size and Projector Resolution."
        << "HorizontalOutEdit" << QStringList{"3 Projectors", "3.79", "37.867", "2272", "64", "1"};
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
    QCOMPARE(rig.fieldText("NumOfKestrixLabel"), QString("1")); // a choice by hand is not a calculation
    QCOMPARE(rig.find<QPlainTextEdit>("ImageContentInfoMemo")->toPlainText().count("Head Graphic Source"), 1);
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
    // Out of bounds: the Display Setup field shows the model's overlap again (nothing read: 0), the
    // Planning field keeps what was typed.
    QTest::newRow("63 in planning field") << "OWidthPlanningEdit"
                                          << "63"
                                          << "Error! Overlap Width value out of bounds! "
                                          << "0"
                                          << "63";
    QTest::newRow("641 in display field") << "OWidthEdit"
                                          << "641"
                                          << "Error! Overlap Width value out of bounds! "
                                          << "0"
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

QTEST_MAIN(PlanningTest)
#include "tst_planning.moc"
