#pragma once

#include "ActivatedPage.h"
#include "PageContext.h"

#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusLabels;
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

    QComboBox *screenInfoComboBox() const { return screenInfo; }
    QComboBox *baudComboBox() const { return baud; }
    QCheckBox *rs485CheckBox() const { return rs485; }
    QLabel *comNumberLabel() const { return comNumber; }
    QLineEdit *kestrixIdEdit(int device) const { return device == 2 ? id2Edit : id1Edit; }
    // Shows or hides the RS-485 ID row of device 1 or 2 (caption and field together).
    void setKestrixIdVisible(int device, bool visible);
    QGroupBox *rs232Group() const { return rs232; }
    StatusLightsWidget *statusLights() const { return lights; }
    QLabel *versionLabel() const { return version1; }
    QLabel *deviceCountLabel() const { return deviceCount; }
    TerminalPane *terminalPane() const { return terminal; }

    // Fills the status labels for the screen chosen in ScreenInfoComboBox from device 1's records, once
    // the devices were read or a configuration file was opened (the read and the file load call it
    // after changing the model).
    void ScreenInfoComboBoxChange();
    // Factory reset of every device, after the user's confirmation.
    void ResetButtonClick();
    // Shows or hides the service groups, here and (through the window) on the Display Setup page.
    void HiddenLabelDblClick();

    // The terminal takes the focus and the device buttons are enabled only while usable.
    void PageActivated(bool usable) override;
    // Projector p's slice of the source image in the "Image Position Offset" group (the planning
    // calculation fills it); a projector outside 1..8 is ignored.
    void showSlice(int projector, const QString &start, const QString &end);
    QLabel *sliceLabel(int projector, bool end) const;
    // The first calculation of the Planning page shows the device reset button.
    void showResetButton();

signals:
    // The File and Serial Port menus are off while the reset runs.
    void menusEnabledRequested(bool enabled);
    // The hidden toggle: the Display Setup page's feather curve and advanced width/offset groups follow.
    void hiddenGroupsToggled(bool visible);
    // "System Save Kestrix(s)": the same handling as the Display Setup page's button.
    void systemSaveClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *buildInfoGroup();
    QGroupBox *buildRs232Group();
    QGroupBox *buildHardwareSetupGroup();
    QGroupBox *buildSliceGroup();

    QComboBox *screenInfo = nullptr;
    QComboBox *baud = nullptr;
    QCheckBox *rs485 = nullptr;
    QLabel *comNumber = nullptr;
    QLabel *id1Caption = nullptr;
    QLabel *id2Caption = nullptr;
    QLineEdit *id1Edit = nullptr;
    QLineEdit *id2Edit = nullptr;
    QGroupBox *rs232 = nullptr;
    StatusLightsWidget *lights = nullptr;
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
