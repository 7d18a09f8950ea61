// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ActivatedPage.h"
#include "PageContext.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusLabels;
class StatusLightController;
class TApdComPort;
class StatusLightsWidget;
class TerminalPane;

// The "Information" page: the terminal on the serial port, device status of one chosen screen (shown
// by a double-click on a hidden spot near the bottom right corner), the serial link ("RS-232" group),
// the device-wide reset and save buttons, and the never-shown "Hardware Setup" group whose check box
// holds the link mode.
class InformationPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit InformationPage(QWidget *parent = nullptr);
    ~InformationPage() override;
    void attach(const PageContext &context);

    // The serial port the terminal talks to and the status lights watch; logHeader gives the lines that
    // head a saved traffic log or a capture. Call after attach(): the terminal tells the user through
    // the page's host.
    void attachPort(TApdComPort *port, StatusLightController *lights, std::function<QStringList()> logHeader);

    // What the "RS-232" group shows of the link.
    // The port the search found: its COM number, and the device behind it beside the number.
    void showPort(int number, const QString &devicePath);
    // The link mode in the never-shown Controller check box.
    void showLinkMode(bool controller);
    // The Baud box takes the mode's default rate: 57600 through the Controller, 38400 direct.
    void showModeBaud(bool controller);
    // The rate the Baud box shows (38400 while it shows none).
    int baud() const;
    // The Controller counted `count` devices: the ID rows of devices 1 and 2, as far as counted, show
    // these IDs. The rows of devices it did not count keep what they showed.
    void showDeviceIds(int count, int id1, int id2);
    void hideDeviceIds();
    // The RS-485 ID the row of device 1 or 2 shows; empty while the row is hidden.
    QString shownDeviceId(int device) const;

    // The devices' version (the page shows device 1's) and how many devices the read found.
    void showVersion(int device, const QString &version);
    void showDeviceCount(int count);
    // The items chosen at first show: the first rate and the first screen.
    void selectStartItems();

    // Fills the status labels for the screen chosen in ScreenInfoComboBox from device 1's records, once
    // the devices were read or a configuration file was opened (the read and the file load call it
    // after changing the model).
    void ScreenInfoComboBoxChange();
    // Factory reset of every device, after the user's confirmation; the devices are then read back
    // (devicesReset), so that every page shows the defaults they now hold.
    void ResetButtonClick();
    // Shows or hides the service groups, here and (through the window) on the Display Setup page.
    void HiddenLabelDblClick();

    // The device buttons are enabled only while usable. The terminal is left alone: it takes the focus
    // only from the user (a click in it, Tab into it), never from the page coming up.
    void PageActivated(bool usable) override;
    // Projector p's slice of the source image in the "Image Position Offset" group (the planning
    // calculation fills it); a projector outside 1..8 is ignored.
    void showSlice(int projector, const QString &start, const QString &end);
    // The first calculation of the Planning page shows the device reset button.
    void showResetButton();

signals:
    // The File and Serial Port menus are off while the reset runs.
    void menusEnabledRequested(bool enabled);
    // The hidden toggle: the Display Setup page's feather curve and advanced width/offset groups follow.
    void hiddenGroupsToggled(bool visible);
    // "System Save Kestrix(s)": the same handling as the Display Setup page's button.
    void systemSaveClicked();
    // The reset went to every device and the link is still up: what they hold now is to be read back
    // (with the File and Serial Port menus still off and the command guard still held).
    void devicesReset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setKestrixIdVisible(int device, bool visible);
    QGroupBox *buildInfoGroup();
    QGroupBox *buildRs232Group();
    QGroupBox *buildHardwareSetupGroup();
    QGroupBox *buildSliceGroup();
    // Where the focus goes when the terminal turns down one it was given by the program: the page's
    // tab, else nowhere.
    void focusAwayFromTerminal();

    QComboBox *screenInfo = nullptr;
    QComboBox *baudBox = nullptr;
    QCheckBox *rs485 = nullptr;
    QLabel *comNumber = nullptr;
    QLabel *comPath = nullptr;
    QLabel *id1Caption = nullptr;
    QLabel *id2Caption = nullptr;
    QLineEdit *id1Edit = nullptr;
    QLineEdit *id2Edit = nullptr;
    QGroupBox *rs232 = nullptr;
    StatusLightsWidget *lightsWidget = nullptr;
    QLabel *version1 = nullptr;
    QLabel *deviceCount = nullptr;
    QLabel *sliceStart[8] = {};
    QLabel *sliceEnd[8] = {};
    QPushButton *resetButton = nullptr;
    QGroupBox *infoGroup = nullptr;
    QGroupBox *sliceGroup = nullptr;
    QLabel *hiddenLabel = nullptr;
    TerminalPane *terminal = nullptr;
    std::unique_ptr<StatusLabels> status;
    std::optional<PageContext> ctx;
};
