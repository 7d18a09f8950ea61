// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StatusLightController.h"

#include <QWidget>

class QLabel;

// The four port status lights of the "RS-232" group, labelled from left to right TXD, RXD, DCD, CTS:
// small squares, red when lit and green when not. They show what a StatusLightController tells.
class StatusLightsWidget : public QWidget {
    Q_OBJECT
public:
    explicit StatusLightsWidget(QWidget *parent = nullptr);

    void attach(StatusLightController *controller);
    bool isLit(StatusLightController::Light light) const { return lit[light]; }

private:
    void setLight(StatusLightController::Light light, bool on);

    QLabel *squares[5] = {};
    bool lit[5] = {};
};
