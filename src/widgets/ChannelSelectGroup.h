// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QButtonGroup;
class QHBoxLayout;

// "Channel Select": one row of radio items "1" .. "n", one per projector of the wall.
class ChannelSelectGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit ChannelSelectGroup(const QString &objectName, QWidget *parent = nullptr);

    // Rebuilds the items as "1" .. "n" (n within 1..8) and selects "1".
    void setChannelCount(int n);
    int channelCount() const;
    // Screen number of the selected item (item index + 1), 0 when none is selected.
    int selectedChannel() const;
    // Selects the item of a screen (1..n) as a click would; raises channelSelected when it changes.
    void selectChannel(int channel);

signals:
    // An item became selected, by the user or by code.
    void channelSelected(int channel);

private:
    void keepTabPlace();

    QButtonGroup *buttons;
    QHBoxLayout *row;
};
