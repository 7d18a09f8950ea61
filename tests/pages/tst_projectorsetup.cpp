// SPDX-License-Identifier: GPL-3.0-or-later
// The Projector Setup page in the real window on simulated devices: what each choice sends to every
// device, the Display Setup mirror, and the clearing in both directions.
#include "DisplayRig.h"
#include "ProjectorSetupPage.h"
#include "RadioGroup.h"

#include <QRadioButton>

namespace {
RadioGroup *group(DisplayRig &d, int k) {
    return d.find<RadioGroup>(QStringLiteral("ProjTest%1RadioGroup").arg(k));
}
void setQuietly(DisplayRig &d, QCheckBox *box, bool on) {
    d.state().Refreshing = true;
    box->setChecked(on);
    d.state().Refreshing = false;
}
} // namespace

class ProjectorSetupTest : public QObject {
    Q_OBJECT
private slots:
    void whiteWithTwoDevices();
    void choices_data();
    void choices();
    void oneDeviceLinkDown();
    void displayPatternChangeClearsTheChoice();
    void displayPatternChangeClearsTheChoiceWithTheLinkDown();
};

void ProjectorSetupTest::whiteWithTwoDevices() {
    DisplayRig d;
    setQuietly(d, d.box("ProjTest1RasterCheckBox"), true);
    setQuietly(d, d.box("ProjTest3GridCheckBox"), true);
    group(d, 1)->setItemIndex(-1);
    d.box("TestGrid2CheckBox")->setChecked(true); // sends; cleared again by the choice below
    d.wire(1);
    group(d, 4)->item(5)->click();
    QCOMPARE(d.wire(2), (QStringList{"*1OTPMKX 5 9 0 0", "*2OTPMKX 5 9 0 0"}));
    for (int s = 1; s <= 8; ++s) {
        QCOMPARE(d.list(QStringLiteral("TestPattern%1ComboBox").arg(s))->currentText(), QString("White"));
        QVERIFY(!d.box(QStringLiteral("TestGrid%1CheckBox").arg(s))->isChecked());
        QVERIFY(!d.box(QStringLiteral("OutputRaster%1CheckBox").arg(s))->isChecked());
    }
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(group(d, k)->itemIndex(), -1);
    QVERIFY(!d.box("ProjTest1RasterCheckBox")->isChecked());
    QVERIFY(!d.box("ProjTest3GridCheckBox")->isChecked());
    QCOMPARE(group(d, 4)->itemIndex(), 5);
    QCOMPARE(int(d.model().output(2, 4).TestPattern), 9);
    QCOMPARE(d.state().CommandBusy, 0);
    QVERIFY(!d.state().Refreshing);
}

void ProjectorSetupTest::choices_data() {
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("item"); // -1: click the group's check box instead
    QTest::addColumn<bool>("boxBefore");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("raster box before any item") << 1 << -1 << false << "OTPMKX 5 0 1 0" << 0;
    QTest::newRow("2 pixel with raster box") << 1 << 2 << true << "OTPMKX 5 3 1 0" << 2;
    QTest::newRow("gray scale is horizontal bars") << 2 << 2 << false << "OTPMKX 5 4 1 0" << 2;
    QTest::newRow("input size off") << 2 << 0 << false << "OTPMKX 5 0 0 0" << 0;
    QTest::newRow("overlap alignment with grid") << 3 << 1 << true << "OTPMKX 5 1 1 1" << 1;
    QTest::newRow("grid box before any item") << 3 << -1 << false << "OTPMKX 5 0 0 1" << 0;
    QTest::newRow("h bars") << 4 << 6 << false << "OTPMKX 5 4 0 0" << 6;
}

void ProjectorSetupTest::choices() {
    QFETCH(int, group);
    QFETCH(int, item);
    QFETCH(QString, command);
    DisplayRig d;
    QCheckBox *box = group == 1 ? d.box("ProjTest1RasterCheckBox") : d.box("ProjTest3GridCheckBox");
    QFETCH(bool, boxBefore);
    if (boxBefore) setQuietly(d, box, true);
    if (item < 0)
        box->click();
    else
        ::group(d, group)->item(item)->click();
    // "OTPMKX channel pattern raster grid", channel 5 for all four, to every device.
    QCOMPARE(d.wire(2), (QStringList{"*1" + command, "*2" + command}));
    QTEST(::group(d, group)->itemIndex(), "selectedAfter");
    QVERIFY(d.messages().isEmpty());
}

void ProjectorSetupTest::oneDeviceLinkDown() {
    DisplayRig d(true, {1});
    QCOMPARE(d.state().DeviceCount, 1);
    d.list("TestPattern5ComboBox")->setCurrentIndex(3);
    d.rig->trigger("DisconnectSerialCo1");
    d.model().editOutput(2, 1, [&](OutputInfo &r) { r.TestPattern = 7; });
    group(d, 2)->item(1)->click();
    QVERIFY(d.wire(0).isEmpty());
    for (int c = 1; c <= 4; ++c)
        QCOMPARE(int(d.model().output(1, c).TestPattern), 5);
    QCOMPARE(int(d.model().output(2, 1).TestPattern), 7); // device 2 untouched
    QCOMPARE(d.list("TestPattern4ComboBox")->currentText(), QString("Black"));
    QVERIFY(d.box("OutputRaster4CheckBox")->isChecked());
    QCOMPARE(d.list("TestPattern5ComboBox")->currentIndex(), 3); // screens 5-8 not refreshed
}

void ProjectorSetupTest::displayPatternChangeClearsTheChoice() {
    DisplayRig d;
    setQuietly(d, d.box("ProjTest3GridCheckBox"), true);
    group(d, 3)->item(1)->click();
    d.wire(2);
    QCOMPARE(group(d, 3)->itemIndex(), 1);
    d.choose("TestPattern3ComboBox", 5);
    QCOMPARE(d.wire(1), QStringList{"*1OTPMKX 3 5 1 1"}); // raster and grid as group 3 left them
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(group(d, k)->itemIndex(), -1);
    QVERIFY(d.box("ProjTest3GridCheckBox")->isChecked()); // the check boxes keep their state
    QVERIFY(!d.state().Refreshing);
}

// Without a link the choices are cleared all the same; nothing is sent. Driven with the mouse and the
// keyboard in the shown window.
void ProjectorSetupTest::displayPatternChangeClearsTheChoiceWithTheLinkDown() {
    DisplayRig d(false);
    d.rig->showOffline();
    QVERIFY(QTest::qWaitForWindowExposed(d.rig->form.get()));
    d.rig->form->phasePageControl()->setCurrentWidget(d.rig->form->projectorSetupPage());
    QRadioButton *choice = group(d, 3)->item(1);
    QTest::mouseClick(choice, Qt::LeftButton, {}, QPoint(6, choice->height() / 2));
    QCOMPARE(group(d, 3)->itemIndex(), 1);

    d.rig->form->phasePageControl()->setCurrentWidget(d.page);
    QComboBox *pattern = d.list("TestPattern1ComboBox");
    pattern->setFocus();
    const int before = pattern->currentIndex();
    QTest::keyClick(pattern, before < 1 ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(pattern->currentIndex() != before);
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(group(d, k)->itemIndex(), -1);
    QVERIFY(d.wire(0).isEmpty());
    QVERIFY(!d.state().Refreshing);
    QCOMPARE(d.state().CommandBusy, 0);
}

QTEST_MAIN(ProjectorSetupTest)
#include "tst_projectorsetup.moc"
