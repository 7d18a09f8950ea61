// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ActivatedPage.h"
#include "PageContext.h"

#include <QWidget>

#include <optional>

class ChannelSelectGroup;
class FieldEditors;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The "Seam Removal" page: the eight manual seam gains of the selected channel, seam bridging and the
// automatic seam gain (for that channel or every channel), and the system's bridge threshold. The page
// keeps no state beyond its controls.
class SeamRemovalPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit SeamRemovalPage(QWidget *parent = nullptr);

    // Binds the field editors and makes the handlers talk to the devices; before this they do nothing.
    void attach(const PageContext &context);
    FieldEditors *fieldEditors() const { return editors; }

    // Channel Select, "Manual Seam Gain" and the two all-channel controls take input only while usable; a
    // usable page shows the model first.
    void PageActivated(bool usable) override;
    // "Channel Select" offers one item per projector of the wall.
    void setChannelCount(int n);
    ChannelSelectGroup *channelSelect() const { return channels; }
    // Selects item screen - 1 of Channel Select and runs its click handling.
    void selectScreen(int screen);
    int selectedScreen() const;
    bool bridgeSingleChecked() const;

    // Handlers.
    void SeamScreenSelectRadioGroupClick();
    // Sends the eight gains of the selected channel; sends nothing (and shows the failing field's
    // message) unless all eight are valid. True when they were valid.
    bool SendManualSeamGains();
    void SeamBridgeSingleConfigCheckBoxClick();
    void SeamBridgeAllConfigCheckBoxClick();
    void SeamAutoSingleConfigButtonClick();
    void SeamAutoAllConfigButtonClick();
    void ResetSeamGainButtonClick();

    // Writes the selected channel's model values into the controls; never sends.
    void RefreshSeamPage();

private:
    QGroupBox *buildGainGroup();
    QWidget *buildSystemControls();
    void wireHandlers();
    bool canSend() const;
    static QString gainName(int gain);

    std::optional<PageContext> ctx;
    FieldEditors *editors = nullptr;
    ChannelSelectGroup *channels = nullptr;
    QCheckBox *bridgeSingle = nullptr;
    QCheckBox *bridgeAll = nullptr;
    QLineEdit *threshold = nullptr;
};
