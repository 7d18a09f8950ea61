#include "SourceSetupPage.h"

#include "ChannelSelectGroup.h"

#include <QGroupBox>
#include <QHBoxLayout>

SourceSetupPage::SourceSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SourceSetupTabSheet"));
    auto *layout = new QHBoxLayout(this);
    channels = new ChannelSelectGroup(QStringLiteral("SourceScreenSelectRadioGroup"), this);
    layout->addWidget(channels, 0, Qt::AlignLeft | Qt::AlignTop);
    const char *const groups[][2] = {{"InputAlignmentGroupBox", "Input Alignment"},
                                     {"OverallColorGroupBox", "Source Color Balance"}};
    for (const auto &g : groups) {
        auto *group = new QGroupBox(tr(g[1]), this);
        group->setObjectName(QString::fromLatin1(g[0]));
        layout->addWidget(group);
    }
}

void SourceSetupPage::PageActivated(bool usable) {
    enableNamed(this, {"SourceScreenSelectRadioGroup", "InputAlignmentGroupBox", "OverallColorGroupBox"},
                usable);
}

void SourceSetupPage::setChannelCount(int n) {
    channels->setChannelCount(n);
}
