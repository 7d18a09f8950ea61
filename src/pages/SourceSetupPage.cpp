#include "SourceSetupPage.h"

SourceSetupPage::SourceSetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SourceSetupTabSheet"));
}
