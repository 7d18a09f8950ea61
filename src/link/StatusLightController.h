// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class TApdComPort;

// Tells the four port status lights lit or unlit (object name "ApdSLController1"); the widget that
// draws them listens to lightChanged. While monitoring: TXD is lit for one tick after the port reports
// sent data, RXD for one tick after each data-available notification, DCD and CTS follow the input
// lines (looked at every tick). Monitoring off: all unlit. It only watches notifications and never
// reads bytes, so the other listeners get exactly what they would get without it.
class StatusLightController : public QObject {
    Q_OBJECT
public:
    // Numbered like the light widgets ApdStatusLight1 .. ApdStatusLight4.
    enum Light { CTS = 1, DCD = 2, RXD = 3, TXD = 4 };
    Q_ENUM(Light)

    explicit StatusLightController(TApdComPort &port, QObject *parent = nullptr);

    void SetMonitoring(bool on);
    bool monitoring() const { return m_monitoring; }
    bool isLit(Light light) const { return m_lit[light]; }
    void setTickMs(int ms) { m_tickMs = ms; }

signals:
    void lightChanged(StatusLightController::Light light, bool lit);

private:
    void setLit(Light light, bool lit);
    void pulse(Light light, QTimer &off);
    void pollLines();

    TApdComPort &m_port;
    bool m_monitoring = false;
    bool m_lit[5] = {};
    int m_tickMs = 55;
    QTimer m_rxdOff;
    QTimer m_txdOff;
    QTimer m_linePoll;
};
