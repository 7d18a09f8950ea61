// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusLightsWidget.h"

#include <QGridLayout>
#include <QLabel>

namespace {
struct LightColumn {
    StatusLightController::Light light;
    const char *caption;
};
// Left to right as the group shows them; the object names follow the light numbers.
const LightColumn kColumns[] = {{StatusLightController::TXD, "TXD"},
                                {StatusLightController::RXD, "RXD"},
                                {StatusLightController::DCD, "DCD"},
                                {StatusLightController::CTS, "CTS"}};
} // namespace

StatusLightsWidget::StatusLightsWidget(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ApdSLController1Lights"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    int column = 0;
    for (const LightColumn &c : kColumns) {
        auto *square = new QLabel(this);
        square->setObjectName(QStringLiteral("ApdStatusLight%1").arg(int(c.light)));
        square->setFixedSize(12, 12);
        squares[c.light] = square;
        auto *caption = new QLabel(QString::fromLatin1(c.caption), this);
        grid->addWidget(square, 0, column, Qt::AlignHCenter);
        grid->addWidget(caption, 1, column, Qt::AlignHCenter);
        setLight(c.light, false);
        ++column;
    }
}

void StatusLightsWidget::attach(StatusLightController *controller) {
    connect(controller, &StatusLightController::lightChanged, this,
            [this](StatusLightController::Light light, bool on) { setLight(light, on); });
    for (const LightColumn &c : kColumns)
        setLight(c.light, controller->isLit(c.light));
}

void StatusLightsWidget::setLight(StatusLightController::Light light, bool on) {
    lit[light] = on;
    squares[light]->setStyleSheet(on ? QStringLiteral("background: #e00000; border: 1px solid #600000;")
                                     : QStringLiteral("background: #00b000; border: 1px solid #005000;"));
    squares[light]->setProperty("lit", on);
}
