// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConnectionController.h"

#include "CommandEngine.h"
#include "Host.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PlanningPage.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QAction>
#include <QComboBox>

namespace {

const char *const kQueryCaption = "Lumivane - Query Kestrix settings verification";

QString parityName(QSerialPort::Parity parity) {
    switch (parity) {
    case QSerialPort::OddParity:
        return QStringLiteral("Odd");
    case QSerialPort::EvenParity:
        return QStringLiteral("Even");
    case QSerialPort::MarkParity:
        return QStringLiteral("Mark");
    case QSerialPort::SpaceParity:
        return QStringLiteral("Space");
    default:
        return QStringLiteral("None");
    }
}

} // namespace

ConnectionController::ConnectionController(const Parts &parts, std::function<void()> readDevices,
                                           std::function<void()> pageChanged, QObject *parent)
    : QObject(parent), engine(parts.engine), host(parts.host), state(parts.state), menu(parts.menu),
      info(parts.info), planning(parts.planning), connectFlow(parts.engine, parts.host, parts.state, *this),
      readDevices(std::move(readDevices)), pageChanged(std::move(pageChanged)) {}

// The hidden Controller check box holds the link mode.
void ConnectionController::controllerModeShown(bool on) {
    info.showLinkMode(on);
}

// A change of link mode applies the rate the Baud box shows. While "Default values" is in force the box
// first follows the mode; once a rate has been chosen from the Baud menu the box stays where it was, so
// the mode change replaces the menu's rate with the box's.
int ConnectionController::baudChoice(bool controller) {
    if (defaultsTag == 1) info.showModeBaud(controller);
    return info.baud();
}

// The page shows the port the link is really on, COM2 as well as COM1 (only COM1 is announced in the
// status bar), with the device behind it.
void ConnectionController::portFound(int number) {
    info.showPort(number, engine.port().devicePath());
}

void ConnectionController::deviceIdsShown(int count, int id1, int id2) {
    info.showDeviceIds(count, id1, id2);
}

void ConnectionController::deviceIdsHidden() {
    info.hideDeviceIds();
}

void ConnectionController::deviceMenusEnabled(bool on) {
    menu.action(QStringLiteral("ReadfromKestrixs1"))->setEnabled(on);
    menu.action(QStringLiteral("SendCurrentSettingstoKestrixs1"))->setEnabled(on);
    menu.action(QStringLiteral("CompareWithKestrixs1"))->setEnabled(on);
}

int ConnectionController::plannedProjectorChoice() {
    return planning.projectors() - 1;
}

void ConnectionController::disconnected() {
    pageChanged();
}

bool ConnectionController::askQueryDevices(const QString &text) {
    return host.askYesNo(QString::fromLatin1(kQueryCaption), text);
}

// Searching both modes reads the devices as soon as they answer.
void ConnectionController::SearchAllClick() {
    if (!connectFlow.connect(ConnectFlow::Route::SearchAll)) return;
    readDevices();
}

void ConnectionController::KestrixconnectedthruController1Click() {
    if (!connectFlow.connect(ConnectFlow::Route::Controller)) return;
    if (askQueryDevices(
            QStringLiteral("Serial communication established with Controller. Do you wish to query "
                           "the Kestrix's settings and update the Lumivane?")))
        readDevices();
}

void ConnectionController::KestrixconnectedtoSerialPortdirectly1Click() {
    if (!connectFlow.connect(ConnectFlow::Route::Direct)) return;
    if (askQueryDevices(QStringLiteral("Serial communication established. Do you wish to query the Kestrix's "
                                       "settings and update the Lumivane?")))
        readDevices();
}

void ConnectionController::DisconnectSerialCo1Click() {
    connectFlow.disconnect();
}

void ConnectionController::Defaultvalues1Click() {
    defaultsTag = 1;
    const QList<QAction *> items = menu.baudActions();
    for (QAction *item : items)
        item->setChecked(item == items.first());
}

void ConnectionController::BaudMenuClick(int baud) {
    QAction *chosen = menu.action(QStringLiteral("N%1").arg(baud));
    if (!connectFlow.setPortBaud(baud)) {
        chosen->setChecked(false);
        return;
    }
    defaultsTag = 0;
    for (QAction *item : menu.baudActions())
        item->setChecked(item == chosen);
}

void ConnectionController::ParityMenuClick(QSerialPort::Parity parity) {
    const QSerialPort::Parity before = engine.port().Parity();
    const QList<QAction *> items = menu.parityActions();
    const QList<QSerialPort::Parity> order{QSerialPort::NoParity, QSerialPort::OddParity,
                                           QSerialPort::EvenParity, QSerialPort::MarkParity,
                                           QSerialPort::SpaceParity};
    QSerialPort::Parity shown = parity;
    if (!engine.port().SetParity(parity)) {
        host.showMessage(
            QStringLiteral("Error! COM Port #%1 does not accept parity %2 (%3). The parity stays %4.")
                .arg(engine.port().ComNumber())
                .arg(parityName(parity), engine.port().errorText(), parityName(before)));
        shown = before;
    }
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(order[i] == shown);
}
