#include "DisplaySetupPage.h"

#include "ModelTables.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

DisplaySetupPage::DisplaySetupPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DisplaySetupTabSheet"));
    screenPageControl = new QTabWidget(this);
    screenPageControl->setObjectName(QStringLiteral("ScreenPageControl"));
    screenPageControl->setEnabled(false);

    auto *screens1to4 = new QWidget(screenPageControl);
    screens1to4->setObjectName(QStringLiteral("Screens1to4TabSheet"));
    auto *screens5to8 = new QWidget(screenPageControl);
    screens5to8->setObjectName(QStringLiteral("Screens5to8TabSheet"));
    screenPageControl->addTab(screens1to4, tr("Screens 1-4 Controls"));
    screenPageControl->addTab(screens5to8, tr("Screen 5-8 Controls"));
    screenPageControl->setTabVisible(1, false);

    advanceMode = new QCheckBox(tr("Edge Feathering Advanced Mode"), this);
    advanceMode->setObjectName(QStringLiteral("AdvanceModeCheckBox"));
    advanceMode->hide();

    dataDoubling = new QGroupBox(tr("Data Doubling"), this);
    dataDoubling->setObjectName(QStringLiteral("DataDoubleGroupBox"));
    enDataDouble = new QCheckBox(tr("Enable"), dataDoubling);
    enDataDouble->setObjectName(QStringLiteral("EnDataDoubleCheckBox"));
    oWidthEdit = new QLineEdit(QStringLiteral("64"), dataDoubling);
    oWidthEdit->setObjectName(QStringLiteral("OWidthEdit"));
    oWidthEdit->setMaximumWidth(56);
    oWidthUpDown = new SpinButton(dataDoubling);
    oWidthUpDown->setObjectName(QStringLiteral("OWidthUpDown"));
    auto *row = new QHBoxLayout(dataDoubling);
    row->addWidget(enDataDouble);
    row->addWidget(new QLabel(tr("Overlap Width"), dataDoubling));
    row->addWidget(oWidthEdit);
    row->addWidget(oWidthUpDown);
    row->addStretch(1);
    dataDoubling->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(screenPageControl, 1);
    layout->addWidget(advanceMode);
    layout->addWidget(dataDoubling);
}

void DisplaySetupPage::ArrangeSystemGroups(int n) {
    dataDoubling->setVisible(n >= 2);
    advanceMode->setVisible(n >= 2);
}

void DisplaySetupPage::ArrangeScreens(int n) {
    screenPageControl->setTabVisible(1, n >= 5);
}

void DisplaySetupPage::AdvanceModeCheckBoxClick() {
    // The basic and advanced edge feathering groups it switches are not on the page yet.
}

void DisplaySetupPage::RefreshDataDoubling() {
    oWidthEdit->setText(QString::number(OutputInfoTable[1][1].OverlapWidth));
    enDataDouble->setChecked(OutputInfoTable[1][1].DataDoubling != 0);
}

void DisplaySetupPage::enableAfterCalculation() {
    screenPageControl->setEnabled(true);
}

void DisplaySetupPage::focusFirstTestPattern() {
    // The test pattern lists are not on the page yet; the inner page itself takes the focus.
    screenPageControl->currentWidget()->setFocus();
}
