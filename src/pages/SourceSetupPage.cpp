#include "SourceSetupPage.h"

#include "ChannelSelectGroup.h"

#include <QVBoxLayout>

SourceSetupPage::SourceSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SourceSetupTabSheet"));
    channels = new ChannelSelectGroup(QStringLiteral("SourceScreenSelectRadioGroup"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(channels, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
}

void SourceSetupPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}
