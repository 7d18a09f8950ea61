#include "SeamRemovalPage.h"

#include "ChannelSelectGroup.h"

#include <QVBoxLayout>

SeamRemovalPage::SeamRemovalPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SeamRemovalTabSheet"));
    channels = new ChannelSelectGroup(QStringLiteral("SeamScreenSelectRadioGroup"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(channels, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
}

void SeamRemovalPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}
