#include "SeamRemovalPage.h"

SeamRemovalPage::SeamRemovalPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SeamRemovalTabSheet"));
}
