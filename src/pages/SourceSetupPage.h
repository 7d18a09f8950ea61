// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ActivatedPage.h"
#include "PageContext.h"

#include <QWidget>

#include <optional>

class ChannelSelectGroup;
class FieldEditors;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SpinButton;

// The "Source Setup" page: input position, phase and colour balance of each channel, the input
// configuration save and reset, and the automatic colour balance (position and phase from hidden
// buttons). The page keeps no state beyond its controls; its refreshes copy the model into them.
class SourceSetupPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit SourceSetupPage(QWidget *parent = nullptr);

    // Binds the field editors and makes the handlers talk to the devices; before this they do nothing.
    void attach(const PageContext &context);
    FieldEditors *fieldEditors() const { return editors; }

    // Channel Select, "Input Alignment" and "Source Color Balance" take input only while usable; a usable
    // page shows the model first.
    void PageActivated(bool usable) override;
    // "Channel Select" offers one item per projector of the wall.
    void setChannelCount(int n);
    ChannelSelectGroup *channelSelect() const { return channels; }
    // Selects item screen - 1 of Channel Select and runs its click handling.
    void selectScreen(int screen);
    int selectedScreen() const;

    // Handlers.
    void SourceScreenSelectRadioGroupClick();
    void SaveConfigButtonClick();
    void SaveAllConfigButtonClick();
    void AutoConfigButtonClick();
    void AutoColorBalanceButtonClick();
    void AutoPositionButtonClick();
    void AutoPhaseButtonClick();

    // Refreshes of the selected channel; they write controls only, never send.
    void RefreshSourcePage();
    void RefreshSourceColor(int screen);

signals:
    // The automatic operations end with the window's page activation.
    void pageActivationRequested();

private:
    QWidget *buildStatusRow();
    QGroupBox *buildAlignment();
    QGroupBox *buildColour();
    QWidget *buildHelp();
    void wireHandlers();
    bool canSend() const;
    void runAutomatic(int which);

    std::optional<PageContext> ctx;
    FieldEditors *editors = nullptr;
    ChannelSelectGroup *channels = nullptr;
    QLabel *loadedLabel = nullptr;
    QLabel *lockedLabel = nullptr;
    QLineEdit *hPosition = nullptr;
    SpinButton *hPositionSpin = nullptr;
    QLineEdit *vPosition = nullptr;
    SpinButton *vPositionSpin = nullptr;
    QLineEdit *phase = nullptr;
    QLineEdit *hTotal = nullptr;
    QGroupBox *colourFields = nullptr; // LeftSideGroupBox
    QPushButton *colourBalance = nullptr;
};
