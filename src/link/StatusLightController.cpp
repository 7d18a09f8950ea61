// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusLightController.h"

#include "TApdComPort.h"

StatusLightController::StatusLightController(TApdComPort &port, QObject *parent)
    : QObject(parent), m_port(port) {
    setObjectName(QStringLiteral("ApdSLController1"));
    for (QTimer *t : {&m_rxdOff, &m_txdOff})
        t->setSingleShot(true);
    connect(&m_rxdOff, &QTimer::timeout, this, [this] { setLit(RXD, false); });
    connect(&m_txdOff, &QTimer::timeout, this, [this] { setLit(TXD, false); });
    connect(&m_linePoll, &QTimer::timeout, this, &StatusLightController::pollLines);
    connect(&port, &TApdComPort::OnTriggerAvail, this, [this] { pulse(RXD, m_rxdOff); });
    connect(&port, &TApdComPort::dataSent, this, [this] { pulse(TXD, m_txdOff); });
}

void StatusLightController::SetMonitoring(bool on) {
    m_monitoring = on;
    m_rxdOff.stop();
    m_txdOff.stop();
    m_linePoll.stop();
    for (Light light : {CTS, DCD, RXD, TXD})
        setLit(light, false);
    if (on) {
        pollLines();
        m_linePoll.start(m_tickMs);
    }
}

void StatusLightController::setLit(Light light, bool lit) {
    if (m_lit[light] == lit) return;
    m_lit[light] = lit;
    emit lightChanged(light, lit);
}

void StatusLightController::pulse(Light light, QTimer &off) {
    if (!m_monitoring) return;
    setLit(light, true);
    off.start(m_tickMs);
}

void StatusLightController::pollLines() {
    setLit(CTS, m_port.CTS());
    setLit(DCD, m_port.DCD());
}
