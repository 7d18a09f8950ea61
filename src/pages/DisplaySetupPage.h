// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DisplayScreenControls.h"
#include "PageContext.h"
#include "SettingsPush.h"

#include <QWidget>

#include <array>
#include <optional>

class FieldEditors;
class OverlapWidthControl;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class RadioGroup;
class SpinButton;

// The "Display Setup" page: test pattern, black level, halo and edge feathering of the eight screens in
// two inner pages of four, and the system-wide feathering mode, basic gamma, data doubling, feather curve
// and System Save. The page has no state beyond its controls; its refreshes copy the model into them.
class DisplaySetupPage : public QWidget {
    Q_OBJECT
public:
    explicit DisplaySetupPage(QWidget *parent = nullptr);
    ~DisplaySetupPage() override;

    // Binds the field editors and makes the handlers talk to the devices; before this they do nothing.
    void attach(const PageContext &context);
    FieldEditors *fieldEditors() const { return editors; }

    // The controls present for n projectors (1..8): the system groups, then the screen groups, the
    // right edges of screens 2..n-1 and the "Screen 5-8 Controls" tab.
    void ArrangeSystemGroups(int n);
    void ArrangeScreens(int n);

    // Handlers.
    void TestPatternComboBoxChange(int screen);
    void AdvanceModeCheckBoxClick();
    void BasicEdgeFeatheringCheckBoxClick();
    void EnDataDoubleCheckBoxClick();
    void FeatherRadioGroupClick();
    // The service controls (feather curve, advanced width and offset fields) that the Information
    // page's hidden switch shows and hides.
    void setServiceGroupsVisible(bool visible);
    void SystemSaveButtonClick();

    // Refreshes: they only write controls (the caller decides about Refreshing).
    void RefreshTestPattern(int screen);
    void RefreshBlackLevel(int screen);
    void RefreshHalo(int screen);
    void RefreshEdgeFeather(int screen);
    void RefreshBasicFeather();
    void RefreshDataDoubling();
    void RefreshDisplayPage();

    // The Projector Setup choices no longer describe what the projectors show.
    void ClearProjectorTestPatterns();

    // Send one edge of a screen from its enable box, gamma, width and offset; false (nothing sent) when
    // a text does not convert or the screen has no such edge.
    bool SendRightEdgeFeather(int screen);
    bool SendLeftEdgeFeather(int screen);

    // What the page shows, for sending it all at once: one screen's outputs (a text that does not
    // convert gives no value) and the system controls.
    ScreenOutputValues screenOutputs(int screen) const;
    EdgeFeatherValues edgeFeather(int screen, char edge) const;
    int dataDoublingChecked() const;
    int basicFeatheringChecked() const;
    DecimalValue basicGammaValue() const;
    int advancedModeChecked() const;

    void enableAfterCalculation();
    // The "Overlap Width" field and its spin button are the overlap the Planning page also shows: the
    // shared control checks, sends and mirrors them. Enter in the field moves on to the first test
    // pattern of the inner page shown.
    void shareOverlap(OverlapWidthControl &overlap);
    QTabWidget *screenPages() const { return screenPageControl; }

signals:
    // The shell clears the Projector Setup page's choices.
    void clearProjectorTestPatternsRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildScreenPages();
    QWidget *buildSystemControls();
    QWidget *buildHelpPanel();
    void wireHandlers();
    bool sendEdge(int screen, char edge);
    void applyAdvancedVisibility();
    bool canSend() const;
    template <typename T> T *child(const QString &name) const { return findChild<T *>(name); }

    std::optional<PageContext> ctx;
    FieldEditors *editors = nullptr;
    std::array<DisplayScreenControls, 9> screens{}; // 1..8
    int projectorCount = 1;

    QTabWidget *screenPageControl = nullptr;
    QGroupBox *basicGroup = nullptr;
    QCheckBox *basicEnable = nullptr;
    QLineEdit *basicGamma = nullptr;
    SpinButton *basicGammaSpin = nullptr;
    QCheckBox *advancedMode = nullptr;
    RadioGroup *featherCurve = nullptr;
    QGroupBox *dataDoubleGroup = nullptr;
    QCheckBox *dataDouble = nullptr;
    QLineEdit *overlapWidth = nullptr;
    SpinButton *overlapWidthSpin = nullptr;
    QPushButton *systemSave = nullptr;
    QLabel *haloHelp = nullptr;
};
