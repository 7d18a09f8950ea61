#pragma once

#include <QWidget>

class ChannelSelectGroup;

// The "Seam Removal" page: manual seam gains, seam bridge and the automatic seam removal.
class SeamRemovalPage : public QWidget {
    Q_OBJECT
public:
    explicit SeamRemovalPage(QWidget *parent = nullptr);

    // "Channel Select" offers one item per projector of the wall.
    void setChannelCount(int n);
    ChannelSelectGroup *channelSelect() const { return channels; }

private:
    ChannelSelectGroup *channels;
};
