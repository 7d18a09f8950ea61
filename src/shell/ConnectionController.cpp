#include "ConnectionController.h"

#include "CommandEngine.h"
#include "EventPump.h"
#include "Host.h"
#include "InformationPage.h"
#include "MainMenu.h"
#include "PlanningPage.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const char *const kConnectCaption = "QLN - Lumivane :Establish COM port communication with Kestrix(s)";
const char *const kQueryCaption = "Lumivane - Query Kestrix settings verification";
const char *const kTwoDevicesSteps =
    "For Lumivane to control 2 Kestrixs:\n1)Connect PC's COM Port to QLN Controller's 'Console' "
    "port\n2)Connect "
    "Kestrixs to Maralto Plus chassis(to ports labelled 'Maralto')\n3)Set Kestrix Serial Mode to RS485 and "
    "set "
    "RS485 ID to next available #.\n4)Reboot QLN Controller and verify that it detects Kestrixs (KX:#)";

QString twoDevicesError() {
    return QStringLiteral(
               "Error! Increasing the # of Projectors to exceed 4 will require using 2 Kestrixs.\n\n") +
           QString::fromLatin1(kTwoDevicesSteps);
}

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
      info(parts.info), planning(parts.planning), discovery(parts.engine),
      readDevices(std::move(readDevices)), pageChanged(std::move(pageChanged)) {}

// Applies the link mode the check box holds: acknowledgement character, flow control for the next
// opening, and the mode's default rate while "Default values" is in force.
void ConnectionController::RS485CheckBoxClick() {
    const bool controller = info.rs485CheckBox()->isChecked();
    engine.setControllerMode(controller);
    if (defaultsTag == 1) info.baudComboBox()->setCurrentIndex(controller ? 1 : 0);
    engine.AckChar = controller ? '>' : '#';
    engine.port().SetHWFlowOptions(
        controller ? TApdComPort::HWFlowOptions(TApdComPort::hwfUseRTS | TApdComPort::hwfRequireCTS)
                   : TApdComPort::HWFlowOptions());
    BaudComboBoxChange();
}

void ConnectionController::BaudComboBoxChange() {
    setPortBaud(info.baudComboBox()->currentIndex() == 1 ? 57600 : 38400);
}

// A rate the line refuses is explained; the port keeps the rate it had and stays usable.
bool ConnectionController::setPortBaud(int baud) {
    if (engine.port().SetBaud(baud)) return true;
    host.showMessage(QStringLiteral("Error! COM Port #%1 does not accept %2 baud (%3). It stays at %4 baud.")
                         .arg(engine.port().ComNumber())
                         .arg(baud)
                         .arg(engine.port().errorText())
                         .arg(engine.port().Baud()));
    return false;
}

void ConnectionController::setControllerMode(bool on) {
    info.rs485CheckBox()->setChecked(on);
    RS485CheckBoxClick();
}

int ConnectionController::SearchPorts() {
    return discovery.SearchPorts([this] { info.comNumberLabel()->setText(QStringLiteral("1")); });
}

int ConnectionController::QueryKestrixCount() {
    const ControllerCount answer = discovery.QueryKestrixCount();
    if (answer.numbers == 0) return 0;
    // A short answer leaves the numbers it did not carry as they were.
    count.numbers = answer.numbers;
    count.count = answer.count;
    if (answer.numbers >= 2) count.id1 = answer.id1;
    if (answer.numbers >= 3) count.id2 = answer.id2;
    if (count.count == 0) {
        host.showMessage(
            QStringLiteral("No Kestrix(s) connected to Controllers. Check cables and try again."));
        info.setKestrixIdVisible(1, false);
        info.setKestrixIdVisible(2, false);
        return 0;
    }
    showKestrixIds();
    return count.count;
}

// Every device counted is shown with the ID its commands will carry: the one the answer gave, or, when
// the answer was short of IDs, the one already in use for that device.
void ConnectionController::showKestrixIds() {
    if (count.numbers >= 2) state.DeviceIds[1] = count.id1;
    if (count.numbers >= 3) state.DeviceIds[2] = count.id2;
    for (int device = 1; device <= 2 && device <= count.count; ++device) {
        info.kestrixIdEdit(device)->setText(QString::number(state.DeviceIds[device]));
        info.setKestrixIdVisible(device, true);
    }
}

bool ConnectionController::CheckKestrixCount() {
    const bool controller = engine.controllerMode();
    if (state.ProjectorCount > 4.0 && !controller) {
        const bool onlyFirst = host.askYesNo(
            QString::fromLatin1(kConnectCaption),
            QStringLiteral(
                "Kestrix total # of projectors settings indicate that 2 Kestrixs are required.To access "
                "2 Kestrixs, Lumivane requires the use of an QLN Controller.\nDo you wish to continue and "
                "control only Kestrix #1?"));
        if (onlyFirst) return true;
        host.showMessage(QString::fromLatin1(kTwoDevicesSteps));
        DisconnectSerialCo1Click();
        return false;
    }
    if (planning.numOfScreenComboBox()->currentIndex() > 3) {
        if (!controller) {
            host.showMessage(twoDevicesError());
            return false;
        }
        if (QueryKestrixCount() > 1) return true;
        engine.pause(engine.pacing().protocolPauseMs);
        if (QueryKestrixCount() > 1) return true;
        host.showMessage(twoDevicesError());
        return false;
    }
    return true;
}

void ConnectionController::enableDeviceMenus(bool on) {
    menu.action(QStringLiteral("ReadfromKestrixs1"))->setEnabled(on);
    menu.action(QStringLiteral("SendCurrentSettingstoKestrixs1"))->setEnabled(on);
}

bool ConnectionController::askQueryDevices(const QString &text) {
    return host.askYesNo(QString::fromLatin1(kQueryCaption), text);
}

void ConnectionController::SearchAllClick() {
    setControllerMode(false);
    int found = SearchPorts();
    if (found != -1) {
        if (state.ProjectorCount > 4.0) {
            host.showMessage(QStringLiteral(
                "Error! Current output settings require 2 Kestrixs. Please connect PC's COM Port to QLN "
                "Controller's Serial Port and have the Kestrixs connected to the QLN Controller's Remote "
                "Port."));
            engine.port().SetOpen(false);
            return;
        }
        engine.SetLinkActive(true);
        engine.ReplyFailed = false;
    } else {
        if (engine.aborted()) return;
        setControllerMode(true);
        found = SearchPorts();
        if (found == -1) {
            if (!engine.aborted())
                host.showMessage(
                    QStringLiteral("Kestrix(s) not detected.\n1) Please check RS-232 cable.\n2) Make sure "
                                   "Kestrix(s) boot-up "
                                   "initialization has been completed.\n3) Go to 'Serial Port->Search for "
                                   "Kestrix(s)->Search' "
                                   "menu item for the Lumivane to search for Kestrix(s) again."));
            engine.SetLinkActive(false);
            return;
        }
        engine.SetLinkActive(true);
        engine.SendAndWaitAck(QByteArrayLiteral("debug 0\r"));
    }
    enableDeviceMenus(true);
    readDevices();
    state.CommandBusy = 0;
}

void ConnectionController::KestrixconnectedthruController1Click() {
    setControllerMode(true);
    if (SearchPorts() == -1) {
        if (!engine.aborted())
            host.showMessage(QStringLiteral(
                "Controller not detected.\n1) Please check RS-232 cable and make sure it is connected to "
                "laptop/PC and to the 'Console' port on the Controller.\n2) Make sure Controller and Kestrix "
                "unit(s) boot-up initialization has been completed."));
        engine.SetLinkActive(false);
        return;
    }
    engine.SetLinkActive(true);
    engine.SendAndWaitAck(QByteArrayLiteral("debug 0\r"));
    enableDeviceMenus(true);
    if (askQueryDevices(
            QStringLiteral("Serial communication established with Controller. Do you wish to query "
                           "the Kestrix's settings and update the Lumivane?")))
        readDevices();
}

void ConnectionController::KestrixconnectedtoSerialPortdirectly1Click() {
    setControllerMode(false);
    if (SearchPorts() == -1) {
        if (!engine.aborted())
            host.showMessage(QStringLiteral(
                "Kestrix not detected on COM Ports.\n1) Please check RS-232 cable and make sure it is "
                "connected to "
                "laptop/PC and to the 'Remote' port on the Kestrix.\n2) Make sure Kestrix unit(s) boot-up "
                "initialization has been completed.\n If using the Controller, make sure that the Controller "
                "is "
                "turned on after after the Kestrix unit(s)boot-up initialization has been completed."));
        engine.SetLinkActive(false);
        return;
    }
    if (!CheckKestrixCount()) return;
    engine.SetLinkActive(true);
    engine.ReplyFailed = false;
    enableDeviceMenus(true);
    if (askQueryDevices(QStringLiteral("Serial communication established. Do you wish to query the Kestrix's "
                                       "settings and update the Lumivane?")))
        readDevices();
    state.CommandBusy = 0;
}

void ConnectionController::DisconnectSerialCo1Click() {
    engine.port().SetOpen(false);
    engine.SetLinkActive(false);
    enableDeviceMenus(false);
    pageChanged();
    // The settings shown no longer count as read from the devices.
    state.ModelFromDevices = 0;
}

void ConnectionController::Defaultvalues1Click() {
    defaultsTag = 1;
    const QList<QAction *> items = menu.baudActions();
    for (QAction *item : items)
        item->setChecked(item == items.first());
}

void ConnectionController::BaudMenuClick(int baud) {
    QAction *chosen = menu.action(QStringLiteral("N%1").arg(baud));
    if (!setPortBaud(baud)) {
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
