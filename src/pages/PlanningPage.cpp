#include "PlanningPage.h"

PlanningPage::PlanningPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PlanningTabSheet"));
}

void PlanningPage::prepare()
{
    prepared = true;
    emit calculateRequested();
}
