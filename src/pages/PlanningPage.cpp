#include "PlanningPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

PlanningPage::PlanningPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PlanningTabSheet"));

    auto *layoutGroup = new QGroupBox(tr("Projector Layout"), this);
    auto *form = new QFormLayout(layoutGroup);

    numOfScreen = new QComboBox(layoutGroup);
    numOfScreen->setObjectName(QStringLiteral("NumOfScreenComboBox"));
    numOfScreen->addItem(tr("1 Projector"));
    for (int n = 2; n <= 8; ++n)
        numOfScreen->addItem(tr("%1 Projectors").arg(n));
    numOfScreen->setEnabled(false);
    form->addRow(tr("Number of Projectors"), numOfScreen);

    imageAlign = new QComboBox(layoutGroup);
    imageAlign->setObjectName(QStringLiteral("ImageAlignComboBox"));
    imageAlign->addItems({tr("Left Justified"), tr("Centered")});
    imageAlign->setEnabled(false);
    form->addRow(tr("Input Material Alignment"), imageAlign);

    overlap = new QLineEdit(QStringLiteral("64"), layoutGroup);
    overlap->setObjectName(QStringLiteral("OWidthPlanningEdit"));
    overlap->setMaximumWidth(64);
    form->addRow(tr("Projector Overlap:"), overlap);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(layoutGroup, 0, Qt::AlignLeft);
    layout->addStretch(1);
}

void PlanningPage::prepare() {
    prepared = true;
    emit calculateRequested();
}

void PlanningPage::RecomputeFromDeviceLayout() {
    emit recomputeFromDeviceLayoutRequested();
}
