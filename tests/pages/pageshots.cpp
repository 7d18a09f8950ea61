// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the Display Setup, Projector Setup, Source Setup, Seam Removal and Blend Preview pages as the
// window draws them, for looking at by eye (not a test). usage: pageshots OUT_DIR
#include "BlendPreviewPage.h"
#include "DeviceModel.h"
#include "DisplaySetupPage.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PortChooserMenu.h"
#include "ProjectorSetupPage.h"
#include "ScriptedHost.h"
#include "SeamRemovalPage.h"
#include "SourceSetupPage.h"
#include "TLumivaneForm.h"
#include "TerminalPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    ScriptedHost host;
    host.expectYesNo(false);
    FormOptions options;
    options.host = &host;
    options.quit = [] {};
    // Two USB adapters and the built-in port, for the Serial Port menu's choice of devices.
    options.listPorts = [] {
        SerialPortRecord builtIn{QStringLiteral("/dev/ttyS0"), {}, {}, {}, false, {}};
        SerialPortRecord ftdi{QStringLiteral("/dev/ttyUSB0"),
                              QStringLiteral("FT232R USB UART"),
                              QStringLiteral("FTDI"),
                              QStringLiteral("A10K5QW3"),
                              true,
                              {}};
        SerialPortRecord prolific{QStringLiteral("/dev/ttyUSB1"),
                                  QStringLiteral("USB-Serial Controller"),
                                  QStringLiteral("Prolific Technology Inc."),
                                  {},
                                  true,
                                  {}};
        return QList<SerialPortRecord>{builtIn, ftdi, prolific};
    };
    TLumivaneForm form(options);
    form.show();
    QTest::qWait(300);
    DisplaySetupPage *display = form.displaySetupPage();
    display->enableAfterCalculation();
    form.phasePageControl()->setCurrentWidget(display);
    for (int n : {1, 3, 8}) {
        for (bool advanced : {false, true}) {
            display->ArrangeSystemGroups(n);
            display->ArrangeScreens(n);
            display->findChild<QCheckBox *>("AdvanceModeCheckBox")->setChecked(advanced);
            for (int tab = 0; tab < (n >= 5 ? 2 : 1); ++tab) {
                display->screenPages()->setCurrentIndex(tab);
                QTest::qWait(100);
                form.grab().save(QStringLiteral("%1/display-n%2-%3-tab%4.png")
                                     .arg(dir)
                                     .arg(n)
                                     .arg(advanced ? "advanced" : "basic")
                                     .arg(tab + 1));
            }
        }
    }
    form.phasePageControl()->setCurrentWidget(form.projectorSetupPage());
    QTest::qWait(100);
    form.grab().save(dir + "/projector-setup.png");

    // The Information page with its service groups shown and a record on them.
    InformationPage *info = form.informationPage();
    form.phasePageControl()->setCurrentWidget(info);
    form.state().ModelFromDevices = 1;
    DeviceModel &model = form.model();
    model.setInput(1, 1,
                   InputInfo{1, 1, {}, 12,    0,      0,      {},   1344, 0,    296,  0,    35, 1024, 768,
                             1, 1, {}, 95.5f, 100.0f, -2.25f, 0.0f, 1.5f, 0.0f, 0.0f, 0.0f, -1, -1});
    model.editOutput(1, 1, [](OutputInfo &o) {
        o.OutputFormat = 2;
        o.FrameRate = 1;
        o.BasicGamma = 2.2f;
        o.BlackLevel = 200;
    });
    info->ScreenInfoComboBoxChange();
    info->showPort(2, QStringLiteral("/dev/ttyUSB1"));
    form.findChild<TerminalPane *>("AdTerminal1")->showReceived("debug 0\r\nKX> NKX\r\n2 1 2\r\nKX> ");
    info->HiddenLabelDblClick();
    QTest::qWait(100);
    form.grab().save(dir + "/information-hidden-shown.png");
    info->HiddenLabelDblClick();
    QTest::qWait(100);
    form.grab().save(dir + "/information.png");
    info->HiddenLabelDblClick();

    // The Serial Port menu's COM Port submenu, and COM 1's list of devices with a choice made.
    form.portChooser().choose(1, QStringLiteral("/dev/ttyUSB1"));
    QMenu *comPort = form.menu().menuHolding(QStringLiteral("SearchCOM1COM21"));
    comPort->popup(form.mapToGlobal(QPoint(100, 60)));
    QTest::qWait(100);
    comPort->grab().save(dir + "/menu-com-port.png");
    QMenu *devices = form.portChooser().deviceMenu(1);
    devices->popup(form.mapToGlobal(QPoint(300, 60)));
    QTest::qWait(100);
    devices->grab().save(dir + "/menu-com1-devices.png");
    devices->hide();
    comPort->hide();
    form.phasePageControl()->setCurrentWidget(display);
    for (int tab = 0; tab < 2; ++tab) {
        display->screenPages()->setCurrentIndex(tab);
        QTest::qWait(100);
        form.grab().save(QStringLiteral("%1/display-service-groups-tab%2.png").arg(dir).arg(tab + 1));
    }
    // Source Setup with channel 1 locked and channel 2 without a lock; Seam Removal on channel 1.
    model.editInput(1, 1, [](InputInfo &locked) {
        locked.VideoLoaded = locked.VideoLocked = 1;
        locked.HPosition = 200;
        locked.VPosition = 35;
        locked.HTotal = 1344;
        locked.PhaseOffset = 3;
        locked.OverallContrast = 102.5f;
        locked.RedBrightness = -3.2f;
    });
    model.editInput(1, 2, [](InputInfo &i) { i.PhaseOffset = -3; });
    SourceSetupPage *source = form.sourceSetupPage();
    form.phasePageControl()->setCurrentWidget(source);
    source->PageActivated(true);
    for (int screen : {1, 2}) {
        source->selectScreen(screen);
        QTest::qWait(100);
        form.grab().save(
            QStringLiteral("%1/source-setup-%2.png").arg(dir).arg(screen == 1 ? "locked" : "unlocked"));
    }
    model.editOutput(1, 1, [](OutputInfo &o) {
        o.SeamGain[3] = 200;
        o.BridgeThreshold = 20;
    });
    SeamRemovalPage *seams = form.seamRemovalPage();
    form.phasePageControl()->setCurrentWidget(seams);
    seams->PageActivated(true);
    QTest::qWait(100);
    form.grab().save(dir + "/seam-removal.png");

    // The blend preview of a three-projector wall in advanced mode with one mismatched feather width.
    model.editOutput(1, 1, [](OutputInfo &o) {
        o.AdvancedMode = 1;
        o.FeatherMode = 'S';
    });
    for (int c = 1; c <= 3; ++c)
        model.editOutput(1, c, [c](OutputInfo &o) {
            o.LeftGamma = o.RightGamma = 2.2f;
            o.LeftFeathering = c > 1;
            o.RightFeathering = c < 3;
            o.LeftGammaWidth = c == 3 ? 320 : 384;
            o.RightGammaWidth = 384;
        });
    form.phasePageControl()->setCurrentWidget(form.blendPreviewPage());
    QTest::qWait(100);
    form.grab().save(dir + "/blend-preview.png");
    return 0;
}
