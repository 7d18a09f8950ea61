#pragma once

#include "ActivatedPage.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusLightsWidget;

// The "Information" page: device status of one chosen screen, the serial link ("RS-232" group) and
// the never-shown "Hardware Setup" group whose check box holds the link mode.
class InformationPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit InformationPage(QWidget *parent = nullptr);

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

    // Fills the status labels for the screen chosen in ScreenInfoComboBox (the Information page's own
    // refresh; the read and the file load call it after changing the model).
    void ScreenInfoComboBoxChange();

    // The terminal takes the focus and the device buttons are enabled only while usable.
    void PageActivated(bool usable) override;
    // Projector p's slice of the source image in the "Image Position Offset" group (the planning
    // calculation fills it); a projector outside 1..8 is ignored.
    void showSlice(int projector, const QString &start, const QString &end);
    QLabel *sliceLabel(int projector, bool end) const;
    // The first calculation of the Planning page shows the device reset button.
    void showResetButton();

signals:
    void screenInfoRefreshRequested(int channel);
    // "System Save Kestrix(s)": the same handling as the Display Setup page's button.
    void systemSaveClicked();

private:
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
};
