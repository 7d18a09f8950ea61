#include "DisplaySetupPage.h"

#include <QTabWidget>
#include <QVBoxLayout>

DisplaySetupPage::DisplaySetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DisplaySetupTabSheet"));
    screenPageControl = new QTabWidget(this);
    screenPageControl->setObjectName(QStringLiteral("ScreenPageControl"));

    auto *screens1to4 = new QWidget(screenPageControl);
    screens1to4->setObjectName(QStringLiteral("Screens1to4TabSheet"));
    auto *screens5to8 = new QWidget(screenPageControl);
    screens5to8->setObjectName(QStringLiteral("Screens5to8TabSheet"));
    screenPageControl->addTab(screens1to4, tr("Screens 1-4 Controls"));
    screenPageControl->addTab(screens5to8, tr("Screen 5-8 Controls"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(screenPageControl);
}
