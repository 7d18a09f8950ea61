#pragma once

#include "ActivatedPage.h"

#include <QWidget>

class ChannelSelectGroup;

// The "Source Setup" page: input position, phase and colour balance of each channel.
class SourceSetupPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit SourceSetupPage(QWidget *parent = nullptr);

    // Channel Select, "Input Alignment" and "Source Color Balance" take input only while usable.
    void PageActivated(bool usable) override;
    // "Channel Select" offers one item per projector of the wall.
    void setChannelCount(int n);
    ChannelSelectGroup *channelSelect() const { return channels; }

private:
    ChannelSelectGroup *channels;
};
