// SPDX-License-Identifier: GPL-3.0-or-later
// The Seam Removal page in the real window, on simulated devices behind the Controller: the channel
// mapping of the gains, the check of all eight gains before MANSEAM, the bridge boxes, Reset Seam Gain,
// the automatic seam gain and the refresh.
#include "DisplayRig.h"
#include "FieldEditors.h"
#include "SeamRemovalPage.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

// Connects after the simulated devices were given these outputs, reads them, and shows the page.
struct SeamRig : DisplayRig {
    SeamRemovalPage *seams = nullptr;

    explicit SeamRig(QList<int> ids = {1, 2}, const std::function<void(SimDevice &, int)> &setup = {},
                     bool connect = true)
        : DisplayRig(false, ids) {
        for (int device = 1; device <= ids.size(); ++device) {
            SimDevice dev = rig->com1->device(device);
            if (setup) setup(dev, device);
            rig->com1->setDevice(device, dev);
        }
        seams = rig->form->seamRemovalPage();
        if (connect) {
            rig->host.expectYesNo(true, "Serial communication established with Controller.");
            rig->trigger("KestrixconnectedthruController1");
        }
        seams->setChannelCount(8);
        rig->form->phasePageControl()->setCurrentWidget(seams);
        rig->com1->clearRequests();
        rig->host.entries.clear();
    }
    void select(int screen) {
        find<QRadioButton>(QStringLiteral("SeamScreenSelectRadioGroupItem%1").arg(screen))->click();
    }
    QStringList gains() const {
        QStringList texts;
        for (int g = 1; g <= 8; ++g)
            texts.append(edit(QStringLiteral("SeamGain%1Edit").arg(g))->text());
        return texts;
    }
    QStringList commands(int expected) {
        QStringList lines = wire(expected);
        lines.removeIf([](const QString &l) { return l.contains(QLatin1String("INFO")); });
        return lines;
    }
};

class SeamRemovalTest : public QObject {
    Q_OBJECT
private slots:
    void channelSevenSendsAllEightGains();
    void everyGainIsCheckedBeforeSending_data();
    void everyGainIsCheckedBeforeSending();
    void refresh();
    void bridgeThresholdIsOneSystemValue();
    void bridgeBoxes();
    void resetSeamGain();
    void autoSeamGain();
};

void SeamRemovalTest::channelSevenSendsAllEightGains() {
    SeamRig d({1, 2}, [](SimDevice &dev, int device) {
        for (int c = 0; c < 4; ++c)
            for (int g = 0; g < 8; ++g)
                dev.outputs[c].seamGain[g] = quint8(device * 100 + c * 10 + g);
    });
    d.select(5);
    QCOMPARE(d.gains().first(), QString("200"));
    d.select(7);
    QCOMPARE(d.gains(), (QStringList{"220", "221", "222", "223", "224", "225", "226", "227"}));
    QVERIFY(d.wire(0).isEmpty());
    d.edit("SeamGain3Edit")->setText("90");
    QVERIFY(d.seams->fieldEditors()->EditExit("SeamGain3Edit"));
    QCOMPARE(d.wire(1), QStringList{"*2MANSEAM 3 -4 220 221 90 223 224 225 226 227"});
    QCOMPARE(int(d.model().output(2, 3).SeamGain[2]), 90);
    QCOMPARE(d.model().output(2, 3).SeamStart, -4);
}

// A gain typed into another field would otherwise go out as it stands (300 stored as 44).
void SeamRemovalTest::everyGainIsCheckedBeforeSending_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("out of range") << "300"
                                  << "Error! Seam Position value out of bounds! (0 - 255)"
                                  << "0"; // the restore shows the model's gains again
    QTest::newRow("not a number") << "7x"
                                  << "Error! '7x' is not a valid Seam Gain Value."
                                  << "7x";
    QTest::newRow("empty") << ""
                           << "Error! '' is not a valid Seam Gain Value."
                           << "";
}

void SeamRemovalTest::everyGainIsCheckedBeforeSending() {
    QFETCH(QString, text);
    SeamRig d;
    d.rig->form->show();
    QVERIFY(QTest::qWaitForWindowActive(d.rig->form.get()));
    // What the window does when first shown, until the line is quiet.
    for (qsizetype seen = -1; seen != d.rig->com1->requests().size(); QTest::qWait(150))
        seen = d.rig->com1->requests().size();
    d.rig->com1->clearRequests();
    d.rig->host.entries.clear(); // and its hint
    d.edit("SeamGain6Edit")->setText(text);
    d.edit("SeamGain2Edit")->setText("12");
    d.seams->fieldEditors()->EditExit("SeamGain2Edit"); // gain 2 itself is valid
    QTEST(d.messages().value(0), "message");
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.edit("SeamGain6Edit")->hasFocus());
    QTEST(d.edit("SeamGain6Edit")->text(), "textAfter");
    QCOMPARE(d.wire(0), QStringList());
    // A spin step that meets the invalid field sends nothing either and leaves no action in progress.
    d.edit("SeamGain6Edit")->setText(text);
    d.rig->host.entries.clear();
    d.seams->fieldEditors()->editor("SeamGain1Edit")->UpDownUpClick();
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.wire(0).isEmpty());
    QCOMPARE(d.state().CommandBusy, 0);
}

void SeamRemovalTest::refresh() {
    SeamRig d({1});
    d.edit("BridgeThresholdEdit")->setText("");
    d.model().editOutput(1, 1, [](OutputInfo &out) {
        out.SeamGain[0] = 200;
        out.BridgeThreshold = 0;
        out.SeamBridge = 1;
    });
    d.seams->RefreshSeamPage();
    QCOMPARE(d.gains().first(), QString("200"));
    QCOMPARE(d.edit("BridgeThresholdEdit")->text(), QString()); // 0: the field keeps its text
    QVERIFY(d.seams->bridgeSingleChecked());
    d.model().editOutput(1, 1, [](OutputInfo &out) { out.BridgeThreshold = 40; });
    d.select(2);
    d.select(1); // a channel select refreshes too
    QCOMPARE(d.edit("BridgeThresholdEdit")->text(), QString("40"));
    QVERIFY(d.wire(0).isEmpty()); // the bridge box set by a refresh sends nothing
    QCOMPARE(d.state().CommandBusy, 0);
}

// The devices report 16 on every channel. A threshold the user sets is the system's: choosing another
// channel shows it, and leaving the field sends it again rather than that channel's older record.
void SeamRemovalTest::bridgeThresholdIsOneSystemValue() {
    SeamRig d;
    QCOMPARE(d.edit("BridgeThresholdEdit")->text(), QString("16"));
    d.edit("BridgeThresholdEdit")->setText("12");
    d.seams->fieldEditors()->EditExit("BridgeThresholdEdit");
    QCOMPARE(d.wire(2), (QStringList{"*1BRTHRS 12", "*2BRTHRS 12"}));
    for (int screen : {2, 6}) {
        d.select(screen);
        QCOMPARE(d.edit("BridgeThresholdEdit")->text(), QString("12"));
        d.seams->fieldEditors()->EditExit("BridgeThresholdEdit");
        QCOMPARE(d.wire(2), (QStringList{"*1BRTHRS 12", "*2BRTHRS 12"}));
    }
    QVERIFY(d.messages().isEmpty());
}

void SeamRemovalTest::bridgeBoxes() {
    {
        SeamRig d({1});
        d.select(3);
        d.box("SeamBridgeSingleConfigCheckBox")->click();
        QCOMPARE(d.wire(1), QStringList{"*1BRDGSEAM 3 1"});
        d.box("SeamBridgeSingleConfigCheckBox")->click();
        QCOMPARE(d.wire(1), QStringList{"*1BRDGSEAM 3 0"});
        // All channels of the one device; the single box follows without a send of its own.
        d.box("SeamBridgeAllConfigCheckBox")->click();
        QCOMPARE(d.wire(4),
                 (QStringList{"*1BRDGSEAM 1 1", "*1BRDGSEAM 2 1", "*1BRDGSEAM 3 1", "*1BRDGSEAM 4 1"}));
        QVERIFY(d.seams->bridgeSingleChecked());
        QCOMPARE(d.state().CommandBusy, 0);
    }
    {
        // Two devices, clicked with the mouse in the shown window: screen 6 is device 2's channel 2, and
        // the all-channels box reaches every channel of both devices.
        SeamRig two;
        two.rig->host.expectYesNo(false, "Lumivane requires connection to Kestrix(s) to function.");
        two.rig->form->show();
        QVERIFY(QTest::qWaitForWindowExposed(two.rig->form.get()));
        QTRY_COMPARE(two.rig->host.pendingAnswers(), 0);
        two.rig->host.entries.clear();
        two.seams->setChannelCount(8); // the first show planned a wall of its own
        two.select(6);
        two.rig->com1->clearRequests();
        QCheckBox *single = two.box("SeamBridgeSingleConfigCheckBox");
        QTest::mouseClick(single, Qt::LeftButton, {}, QPoint(6, single->height() / 2));
        QCOMPARE(two.wire(1), QStringList{"*2BRDGSEAM 2 1"});
        QCOMPARE(int(two.model().output(2, 2).SeamBridge), 1);
        QCheckBox *all = two.box("SeamBridgeAllConfigCheckBox");
        QTest::mouseClick(all, Qt::LeftButton, {}, QPoint(6, all->height() / 2));
        QStringList everyChannel;
        for (int d = 1; d <= 2; ++d)
            for (int c = 1; c <= 4; ++c)
                everyChannel << QStringLiteral("*%1BRDGSEAM %2 1").arg(d).arg(c);
        QCOMPARE(two.wire(8), everyChannel);
        QVERIFY2(two.rig->clean(), qPrintable(two.rig->problems()));
    }
    // Without a link the box cannot be clicked; set from the program, the single box still follows and
    // nothing is sent or written.
    SeamRig down({1, 2}, {}, false);
    QVERIFY(!down.box("SeamBridgeAllConfigCheckBox")->isEnabled());
    down.box("SeamBridgeAllConfigCheckBox")->setChecked(true);
    QVERIFY(down.seams->bridgeSingleChecked());
    QVERIFY(down.wire(0).isEmpty());
    QCOMPARE(int(down.model().output(1, 1).SeamBridge), 0);
}

void SeamRemovalTest::resetSeamGain() {
    SeamRig d;
    d.select(6);
    const QStringList before = d.gains();
    d.rig->host.expectYesNo(false, "Resetting Seam Gains will reset all seam gain values back to 128");
    d.find<QPushButton>("ResetSeamGainButton")->click();
    QCOMPARE(d.rig->host.entries.first().caption, QString("Lumivane - Reset Seam Gain Verification"));
    QCOMPARE(d.gains(), before);
    QVERIFY(d.wire(0).isEmpty());
    // An invalid text is overwritten before the check, so the reset always sends eight valid gains.
    d.edit("SeamGain8Edit")->setText("abc");
    d.rig->host.expectYesNo(true);
    d.find<QPushButton>("ResetSeamGainButton")->click();
    QVERIFY2(d.rig->clean(), qPrintable(d.rig->problems()));
    QCOMPARE(d.gains(), QStringList(8, "128"));
    QCOMPARE(d.wire(1), QStringList{"*2MANSEAM 2 -4 128 128 128 128 128 128 128 128"});
    QVERIFY(d.messages().isEmpty());
    QCOMPARE(d.state().CommandBusy, 0);
}

void SeamRemovalTest::autoSeamGain() {
    SeamRig d;
    d.select(7);
    d.find<QPushButton>("SeamAutoSingleConfigButton")->click();
    QCOMPARE(d.commands(1), QStringList{"*2AUTOSEAM 3"});
    // The device's measured gains were read back and shown.
    QCOMPARE(d.gains(), (QStringList{"2", "4", "6", "8", "10", "12", "14", "16"}));
    d.find<QPushButton>("SeamAutoAllConfigButton")->click();
    const QStringList all = d.commands(8);
    QCOMPARE(all.size(), 8);
    QCOMPARE(all.first(), QString("*1AUTOSEAM 1"));
    QCOMPARE(all.last(), QString("*2AUTOSEAM 4"));
    QCOMPARE(d.state().CommandBusy, 0);
}

QTEST_MAIN(SeamRemovalTest)
#include "tst_seamremoval.moc"
