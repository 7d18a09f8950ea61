#include "ProjectorSetupPage.h"

ProjectorSetupPage::ProjectorSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ProjAlignTabSheet"));
}
