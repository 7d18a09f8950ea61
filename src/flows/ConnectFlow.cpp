// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConnectFlow.h"

#include "CommandEngine.h"
#include "Host.h"
#include "TApdComPort.h"
#include "WindowState.h"

#include <QString>

namespace {

const char *const kConnectCaption = "QLN - Lumivane :Establish COM port communication with Kestrix(s)";
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

} // namespace

ConnectFlow::ConnectFlow(CommandEngine &engine, Host &host, WindowState &state, ConnectView &view)
    : engine(engine), host(host), state(state), view(view), discovery(engine) {}

void ConnectFlow::setControllerMode(bool on) {
    view.controllerModeShown(on);
    engine.setControllerMode(on);
    engine.port().SetHWFlowOptions(
        on ? TApdComPort::HWFlowOptions(TApdComPort::hwfUseRTS | TApdComPort::hwfRequireCTS)
           : TApdComPort::HWFlowOptions());
    setPortBaud(view.baudChoice(on));
}

bool ConnectFlow::setPortBaud(int baud) {
    if (engine.port().SetBaud(baud)) return true;
    host.showMessage(QStringLiteral("Error! COM Port #%1 does not accept %2 baud (%3). It stays at %4 baud.")
                         .arg(engine.port().ComNumber())
                         .arg(baud)
                         .arg(engine.port().errorText())
                         .arg(engine.port().Baud()));
    return false;
}

int ConnectFlow::searchPorts() {
    return discovery.SearchPorts([this](int number) { view.portFound(number); });
}

int ConnectFlow::queryDeviceCount() {
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
        view.deviceIdsHidden();
        return 0;
    }
    showDeviceIds();
    return count.count;
}

// Every device counted is addressed with the ID the answer gave, or, when the answer was short of IDs,
// with the one already in use for that device.
void ConnectFlow::showDeviceIds() {
    if (count.numbers >= 2) state.DeviceIds[1] = count.id1;
    if (count.numbers >= 3) state.DeviceIds[2] = count.id2;
    view.deviceIdsShown(count.count, state.DeviceIds[1], state.DeviceIds[2]);
}

bool ConnectFlow::checkDeviceCount() {
    const bool controller = engine.controllerMode();
    // The projectors the devices are set up for: more than four need the second device, which only the
    // Controller reaches.
    if (state.ProjectorCount > 4.0 && !controller) {
        const bool onlyFirst = host.askYesNo(
            QString::fromLatin1(kConnectCaption),
            QStringLiteral(
                "Kestrix total # of projectors settings indicate that 2 Kestrixs are required.To access "
                "2 Kestrixs, Lumivane requires the use of an QLN Controller.\nDo you wish to continue and "
                "control only Kestrix #1?"));
        if (onlyFirst) return true;
        host.showMessage(QString::fromLatin1(kTwoDevicesSteps));
        disconnect();
        return false;
    }
    // The projectors planned: more than four need the Controller to report a second device (asked twice,
    // a protocol pause apart, since a freshly started Controller may not have counted it yet).
    if (view.plannedProjectorChoice() > 3) {
        if (!controller) {
            host.showMessage(twoDevicesError());
            return false;
        }
        if (queryDeviceCount() > 1) return true;
        engine.pause(engine.pacing().protocolPauseMs);
        if (queryDeviceCount() > 1) return true;
        host.showMessage(twoDevicesError());
        return false;
    }
    return true;
}

bool ConnectFlow::connect(Route route) {
    switch (route) {
    case Route::SearchAll:
        return searchAll();
    case Route::Controller:
        return throughController();
    case Route::Direct:
        return direct();
    }
    return false;
}

bool ConnectFlow::searchAll() {
    setControllerMode(false);
    if (searchPorts() != -1) {
        if (state.ProjectorCount > 4.0) {
            host.showMessage(QStringLiteral(
                "Error! Current output settings require 2 Kestrixs. Please connect PC's COM Port to QLN "
                "Controller's Serial Port and have the Kestrixs connected to the QLN Controller's Remote "
                "Port."));
            engine.port().SetOpen(false);
            return false;
        }
        engine.SetLinkActive(true);
    } else {
        // A search the user ended (the program closing) tries nothing more.
        if (engine.aborted()) return false;
        setControllerMode(true);
        if (!searchOrSay(
                QStringLiteral("Kestrix(s) not detected.\n1) Please check RS-232 cable.\n2) Make sure "
                               "Kestrix(s) boot-up "
                               "initialization has been completed.\n3) Go to 'Serial Port->Search for "
                               "Kestrix(s)->Search' "
                               "menu item for the Lumivane to search for Kestrix(s) again.")))
            return false;
        engine.SetLinkActive(true);
        engine.SendAndWaitAck(QByteArrayLiteral("debug 0\r"));
    }
    view.deviceMenusEnabled(true);
    return true;
}

// Searches both ports in the current mode. When nothing answered, the link is down and the user is told
// why, unless the search was ended on purpose (the program closing).
bool ConnectFlow::searchOrSay(const QString &notFound) {
    if (searchPorts() != -1) return true;
    if (!engine.aborted()) host.showMessage(notFound);
    engine.SetLinkActive(false);
    return false;
}

bool ConnectFlow::throughController() {
    setControllerMode(true);
    if (!searchOrSay(QStringLiteral(
            "Controller not detected.\n1) Please check RS-232 cable and make sure it is connected to "
            "laptop/PC and to the 'Console' port on the Controller.\n2) Make sure Controller and Kestrix "
            "unit(s) boot-up initialization has been completed.")))
        return false;
    engine.SetLinkActive(true);
    // The Controller may have been left at its debug prompt, where it would not pass queries on.
    engine.SendAndWaitAck(QByteArrayLiteral("debug 0\r"));
    view.deviceMenusEnabled(true);
    return true;
}

bool ConnectFlow::direct() {
    setControllerMode(false);
    if (!searchOrSay(QStringLiteral(
            "Kestrix not detected on COM Ports.\n1) Please check RS-232 cable and make sure it is "
            "connected to "
            "laptop/PC and to the 'Remote' port on the Kestrix.\n2) Make sure Kestrix unit(s) boot-up "
            "initialization has been completed.\n If using the Controller, make sure that the Controller "
            "is "
            "turned on after after the Kestrix unit(s)boot-up initialization has been completed.")))
        return false;
    if (!checkDeviceCount()) return false;
    engine.SetLinkActive(true);
    view.deviceMenusEnabled(true);
    return true;
}

void ConnectFlow::disconnect() {
    engine.port().SetOpen(false);
    engine.SetLinkActive(false);
    view.deviceMenusEnabled(false);
    view.disconnected();
    // The settings shown no longer count as read from the devices.
    state.ModelFromDevices = 0;
}
