// SPDX-License-Identifier: GPL-3.0-or-later
// The Source Setup page in the real window, on simulated devices behind the Controller: the channel
// mapping, the lock rules, the colour formats, the position bounds, the save and reset buttons and the
// automatic colour balance.
#include "DisplayRig.h"
#include "FieldEditors.h"
#include "FieldTable.h"
#include "SourceSetupPage.h"
#include "SpinButton.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

// Connects after the simulated devices were given these inputs, reads them, and shows the page.
struct SourceRig : DisplayRig {
    SourceSetupPage *source = nullptr;

    explicit SourceRig(QList<int> ids = {1, 2}, const std::function<void(SimDevice &, int)> &setup = {})
        : DisplayRig(false, ids) {
        for (int device = 1; device <= ids.size(); ++device) {
            SimDevice dev = rig->com1->device(device);
            if (setup) setup(dev, device);
            rig->com1->setDevice(device, dev);
        }
        rig->host.expectYesNo(true, "Serial communication established with Controller.");
        rig->trigger("KestrixconnectedthruController1");
        source = rig->form->sourceSetupPage();
        source->setChannelCount(8);
        rig->form->phasePageControl()->setCurrentWidget(source);
        rig->com1->clearRequests();
        rig->host.entries.clear();
    }
    void select(int screen) {
        find<QRadioButton>(QStringLiteral("SourceScreenSelectRadioGroupItem%1").arg(screen))->click();
    }
    QString label(const char *name) const { return find<QLabel>(name)->text(); }
    bool enabled(const char *name) const { return find<QWidget>(name)->isEnabled(); }
    // Device commands only (the status queries of a re-read left out).
    QStringList commands(int expected) {
        QStringList lines = wire(expected);
        lines.removeIf([](const QString &l) { return l.contains(QLatin1String("INFO")); });
        return lines;
    }
};

class SourceSetupTest : public QObject {
    Q_OBJECT
private slots:
    void channelSelectMapsToDeviceAndChannel();
    void lockedAndUnlockedChannels();
    void positionBoundsFollowTheSelectedChannel();
    void saveConfig();
    void resetConfig();
    void autoColorBalance();
    void autoColorBalanceOnBothDevices();
    void overallLevelDigitsAndSpinStep();
};

void SourceSetupTest::channelSelectMapsToDeviceAndChannel() {
    SourceRig d({1, 2}, [](SimDevice &dev, int device) {
        for (int c = 0; c < 4; ++c) {
            dev.inputs[c].phaseOffset = device * 10 + c + 1 - 16; // device 2 channel 2: 6
            dev.inputs[c].hPosition = 200 + device * 10 + c + 1;
        }
    });
    d.select(5);
    QCOMPARE(d.edit("PhaseEdit")->text(), QString("5"));
    QCOMPARE(d.edit("HPositionEdit")->text(), QString("221"));
    d.select(6);
    QCOMPARE(d.edit("PhaseEdit")->text(), QString("6"));
    QCOMPARE(d.edit("HPositionEdit")->text(), QString("222"));
    QVERIFY(d.wire(0).isEmpty()); // selecting sends nothing
    d.edit("PhaseEdit")->setText("-2");
    QVERIFY(d.source->fieldEditors()->EditExit("PhaseEdit"));
    QCOMPARE(d.wire(1), QStringList{"*2ICPHOKX 2 M -2"});
    QCOMPARE(d.model().input(2, 2).PhaseOffset, -2);
    // Send Current Settings' entry: selecting the selected screen again still loads it.
    d.model().editInput(2, 2, [&](InputInfo &r) { r.PhaseOffset = 9; });
    d.source->selectScreen(6);
    QCOMPARE(d.edit("PhaseEdit")->text(), QString("9"));
}

void SourceSetupTest::lockedAndUnlockedChannels() {
    SourceRig d({1, 2}, [](SimDevice &dev, int device) {
        if (device != 1) return;
        dev.inputs[0].contrast = {1025, 0, 0, 0};     // 102.5 overall
        dev.inputs[0].brightness = {1000, -32, 0, 0}; // 100 overall, red -3.2
        dev.inputs[1].videoLocked = 0;
        dev.inputs[1].videoLoaded = 0;
        dev.inputs[1].phaseOffset = -3;
    });
    const char *const positionControls[] = {"HPositionEdit", "HPositionUpDown", "VPositionEdit",
                                            "VPositionUpDown"};
    d.select(2);
    QCOMPARE(d.label("SourceVideoLoadedLabel"), QString("False"));
    QCOMPARE(d.label("SourceVideoLockedLabel"), QString("False"));
    QCOMPARE(d.rig->host.statusTexts.last(),
             QString("NOTE: No video lock on this channel. Cannot adjust controls."));
    for (const char *name :
         {"HPositionEdit", "VPositionEdit", "HTotalEdit", "LeftOContrastEdit", "LeftBBrightnessEdit"})
        QCOMPARE(d.edit(name)->text(), QString("N/A"));
    for (const char *name : positionControls)
        QVERIFY2(!d.enabled(name), name);
    QVERIFY(!d.enabled("LeftSideGroupBox"));
    QVERIFY(!d.enabled("AutoColorBalanceButton"));
    // The phase stays adjustable without a lock.
    QCOMPARE(d.edit("PhaseEdit")->text(), QString("-3"));
    QVERIFY(d.enabled("PhaseEdit"));

    d.select(1);
    QCOMPARE(d.label("SourceVideoLockedLabel"), QString("True"));
    QCOMPARE(d.label("SourceVideoLoadedLabel"), QString("True"));
    QCOMPARE(d.rig->host.statusTexts.last(), QString());
    QCOMPARE(d.edit("HTotalEdit")->text(), QString("1344"));
    for (const char *name : positionControls)
        QVERIFY2(d.enabled(name), name);
    QVERIFY(d.enabled("LeftSideGroupBox"));
    QVERIFY(d.enabled("AutoColorBalanceButton"));
    QCOMPARE(d.edit("LeftOContrastEdit")->text(), QString("102.5"));
    QCOMPARE(d.edit("LeftOBrightnessEdit")->text(), QString("100"));
    QCOMPARE(d.edit("LeftRBrightnessEdit")->text(), QString("-3.2"));
    QCOMPARE(d.edit("LeftGContrastEdit")->text(), QString("0"));
}

// The bounds arithmetic has its own test; here: the page takes the bounds of the channel it shows,
// and the H position field checks against them.
void SourceSetupTest::positionBoundsFollowTheSelectedChannel() {
    SourceRig d({1, 2});
    InputInfo in = d.model().input(1, 3);
    in.HPositionCenter = 200;
    in.HPositionLimit = -1;
    in.HTotal = 1344;
    in.HActive = 1024;
    in.HPosition = 200;
    d.model().setInput(1, 3, in);
    d.select(3);
    QCOMPARE(d.state().HPositionMin, 72);
    QCOMPARE(d.state().HPositionMax, 317);
    d.edit("HPositionEdit")->setText("318");
    QVERIFY(!d.source->fieldEditors()->EditExit("HPositionEdit"));
    QCOMPARE(d.messages(), QStringList{"Error! H Position value out of bounds! (72 - 317)"});
    QCOMPARE(d.edit("HPositionEdit")->text(), QString("200")); // the restore shows the model again
    d.edit("HPositionEdit")->setText("317");
    QVERIFY(d.source->fieldEditors()->EditExit("HPositionEdit"));
    QCOMPARE(d.wire(1).size(), 1);
    d.select(1); // the simulator's channel 1: centre 296, limit 600
    QCOMPARE(d.state().HPositionMax, 296 + 128);

    // Screen 7 is device 2's channel 3: its own bounds, not those of device 1's channel 3.
    d.model().editInput(1, 3, [](InputInfo &first) {
        first.VPositionCenter = 20;
        first.VPositionLimit = -1;
    });
    InputInfo second = d.model().input(1, 3);
    second.HPositionCenter = 250;
    second.HTotal = 1400;
    second.VPositionCenter = 40;
    d.model().setInput(2, 3, second);
    d.select(7);
    QCOMPARE(d.state().HPositionMin, 122);
    QCOMPARE(d.state().HPositionMax, 373);
    QCOMPARE(d.state().VPositionMin, 24);
    QCOMPARE(d.state().VPositionMax, 56);
    d.select(3);
    QCOMPARE(d.state().HPositionMin, 72);
    QCOMPARE(d.state().VPositionMax, 36);
}

void SourceSetupTest::saveConfig() {
    {
        SourceRig one({1});
        one.find<QPushButton>("SaveAllConfigButton")->click();
        QCOMPARE(one.wire(4), (QStringList{"*1ICSAVKX 1", "*1ICSAVKX 2", "*1ICSAVKX 3", "*1ICSAVKX 4"}));
        QCOMPARE(one.state().CommandBusy, 0);
    }
    SourceRig d;
    d.select(6);
    d.find<QPushButton>("SaveConfigButton")->click();
    QCOMPARE(d.wire(1), QStringList{"*2ICSAVKX 2"});
    d.find<QPushButton>("SaveAllConfigButton")->click();
    QCOMPARE(d.wire(8).size(), 8);
    // While another device action runs, and with the link down, the buttons do nothing.
    d.state().CommandBusy = 1;
    d.find<QPushButton>("SaveConfigButton")->click();
    QVERIFY(d.wire(0).isEmpty());
    d.state().CommandBusy = 0;
    d.rig->trigger("DisconnectSerialCo1");
    d.rig->com1->clearRequests();
    d.source->SaveAllConfigButtonClick();
    QVERIFY(d.wire(0).isEmpty());
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
}

void SourceSetupTest::resetConfig() {
    SourceRig d({1, 2}, [](SimDevice &dev, int) { dev.inputs[2].hPosition = 250; });
    d.select(7);
    QCOMPARE(d.edit("HPositionEdit")->text(), QString("250"));
    d.rig->host.expectYesNo(false, "Resetting Input Configuration will reset input settings");
    d.find<QPushButton>("AutoConfigButton")->click();
    QVERIFY(d.wire(0).isEmpty());
    QCOMPARE(d.rig->host.entries.first().caption, QString("Lumivane - Input Config Reset Verification"));
    d.rig->host.expectYesNo(true);
    d.find<QPushButton>("AutoConfigButton")->click();
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    QCOMPARE(d.commands(1), QStringList{"*2ICRSTKX 3"});
    // The device's defaults were read back and shown.
    QCOMPARE(d.edit("HPositionEdit")->text(), QString("296"));
    QCOMPARE(d.state().CommandBusy, 0);
    QVERIFY(!d.rig->host.isBusyCursor());
}

void SourceSetupTest::autoColorBalance() {
    SourceRig d({1});
    // Cancelled at the second question: nothing sent, and the page activation still shows the model.
    d.model().editInput(1, 1, [&](InputInfo &r) { r.PhaseOffset = 7; });
    d.rig->host.expectOkCancel(true, "Automatic Color Balance takes several minutes");
    d.rig->host.expectOkCancel(false, "IMPORTANT: Verify that Horizontal Bars 1");
    d.find<QPushButton>("AutoColorBalanceButton")->click();
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    QVERIFY(d.wire(0).isEmpty());
    QCOMPARE(d.edit("PhaseEdit")->text(), QString("7"));
    QVERIFY(d.enabled("OverallColorGroupBox"));
    QCOMPARE(d.state().CommandBusy, 0);

    // Confirmed: the device balances its inputs and the page shows the measured colours.
    d.rig->host.expectOkCancel(true);
    d.rig->host.expectOkCancel(true);
    d.find<QPushButton>("AutoColorBalanceButton")->click();
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    QVERIFY(d.commands(1).contains("*1RGBADJ"));
    QVERIFY(d.rig->host.progressTexts.contains("Auto Color Balance in progress. Please wait...."));
    QVERIFY(!d.rig->host.progressVisible);
    QCOMPARE(d.edit("LeftRContrastEdit")->text(), QString("0.5"));
    QCOMPARE(d.state().CommandBusy, 0);
}

// With two devices the balance runs on each of them, device 1 first.
void SourceSetupTest::autoColorBalanceOnBothDevices() {
    SourceRig d({1, 2});
    d.rig->host.expectOkCancel(true, "Automatic Color Balance takes several minutes");
    d.rig->host.expectOkCancel(true, "IMPORTANT: Verify that Horizontal Bars 1");
    d.find<QPushButton>("AutoColorBalanceButton")->click();
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    QStringList balanced = d.commands(0);
    balanced.removeIf([](const QString &l) { return !l.endsWith(QLatin1String("RGBADJ")); });
    QCOMPARE(balanced, (QStringList{"*1RGBADJ", "*2RGBADJ"}));
    QCOMPARE(d.state().CommandBusy, 0);
}

// Overall levels are shown with five significant digits, and a spin step keeps the one decimal the
// field is stepped in. Clicked with the mouse in the shown window.
void SourceSetupTest::overallLevelDigitsAndSpinStep() {
    SourceRig d({1});
    d.rig->host.expectYesNo(false, "Lumivane requires connection to Kestrix(s) to function.");
    d.rig->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.rig->form.get()));
    QTRY_COMPARE(d.rig->host.pendingAnswers(), 0);
    d.rig->host.entries.clear();
    d.model().editInput(1, 1, [&](InputInfo &r) { r.OverallContrast = 100.45f; });
    d.source->selectScreen(1);
    QCOMPARE(d.edit("LeftOContrastEdit")->text(), QString("100.45"));

    d.edit("LeftOContrastEdit")->setText("102.5");
    SpinButton *spin = d.find<SpinButton>(findFieldRow("LeftOContrastEdit")->spinName());
    d.rig->com1->clearRequests();
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, 3));
    QCOMPARE(d.edit("LeftOContrastEdit")->text(), QString("102.6"));
    const QStringList sent = d.commands(1);
    QVERIFY2(sent == QStringList{"*1ICNTKX 1 C 102.6"}, qPrintable(sent.join(", ")));
    QCOMPARE(d.model().input(1, 1).OverallContrast, 102.6f);
    QVERIFY(d.messages().isEmpty());
}

QTEST_MAIN(SourceSetupTest)
#include "tst_sourcesetup.moc"
