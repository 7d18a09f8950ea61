#pragma once

#include "ActivatedPage.h"

#include <QWidget>

class ChannelSelectGroup;

// The "Seam Removal" page: manual seam gains, seam bridge and the automatic seam removal.
class SeamRemovalPage : public QWidget, public ActivatedPage {
    Q_OBJECT
public:
    explicit SeamRemovalPage(QWidget *parent = nullptr);

    // Channel Select, "Manual Seam Gain" and the two all-channel controls take input only while usable.
    void PageActivated(bool usable) override;
    // "Channel Select" offers one item per projector of the wall.
    void setChannelCount(int n);
    ChannelSelectGroup *channelSelect() const { return channels; }

private:
    ChannelSelectGroup *channels;
};
