#include "SeamRemovalPage.h"

#include "ChannelSelectGroup.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

SeamRemovalPage::SeamRemovalPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SeamRemovalTabSheet"));
    auto *layout = new QHBoxLayout(this);
    channels = new ChannelSelectGroup(QStringLiteral("SeamScreenSelectRadioGroup"), this);
    layout->addWidget(channels, 0, Qt::AlignLeft | Qt::AlignTop);
    auto *gains = new QGroupBox(tr("Manual Seam Gain"), this);
    gains->setObjectName(QStringLiteral("SeamGroupBox"));
    auto *bridgeAll = new QCheckBox(tr("Seam Bridge (All Channels)"), this);
    bridgeAll->setObjectName(QStringLiteral("SeamBridgeAllConfigCheckBox"));
    auto *autoAll = new QPushButton(tr("Auto Seam Gain (All Channels)"), this);
    autoAll->setObjectName(QStringLiteral("SeamAutoAllConfigButton"));
    for (QWidget *w :
         {static_cast<QWidget *>(gains), static_cast<QWidget *>(bridgeAll), static_cast<QWidget *>(autoAll)})
        layout->addWidget(w);
}

void SeamRemovalPage::PageActivated(bool usable) {
    enableNamed(this,
                {"SeamScreenSelectRadioGroup", "SeamGroupBox", "SeamBridgeAllConfigCheckBox",
                 "SeamAutoAllConfigButton"},
                usable);
}

void SeamRemovalPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}
