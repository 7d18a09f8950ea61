// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Discovery.h"

#include <QString>

class CommandEngine;
class Host;
struct WindowState;

// What the user sees of the connection besides messages and questions (those go through Host). Every
// method has an empty default, so a front end without a window implements only what it shows.
class ConnectView {
public:
    virtual ~ConnectView() = default;

    // The link mode changed (the window keeps its Controller check box in step).
    virtual void controllerModeShown(bool /*on*/) {}
    // The line rate to use after a change to the given link mode. By default the mode's own rate:
    // 57600 baud through the Controller, 38400 direct.
    virtual int baudChoice(bool controller) { return controller ? 57600 : 38400; }
    // The search found a device answering on this port (1 or 2).
    virtual void portFound(int /*number*/) {}
    // The Controller counted `count` devices; devices 1 and 2 (as far as counted) carry these IDs.
    virtual void deviceIdsShown(int /*count*/, int /*id1*/, int /*id2*/) {}
    // The Controller counted no device.
    virtual void deviceIdsHidden() {}
    // Reading from and sending to the devices become possible (true) or not (false).
    virtual void deviceMenusEnabled(bool /*on*/) {}
    // The planned number of projectors, less one (0 when nothing beyond one device is planned).
    virtual int plannedProjectorChoice() { return 0; }
    // The link has just been closed; whatever depends on it is brought in line.
    virtual void disconnected() {}
};

// Finding the devices and opening or closing the link: the link mode, the search on COM1 and COM2,
// the Controller's device count and the check that the planned layout has the devices it needs.
class ConnectFlow {
public:
    enum class Route {
        SearchAll,  // a device on the line directly, else through the Controller
        Controller, // through the Controller only
        Direct,     // a device on the line directly only
    };

    ConnectFlow(CommandEngine &engine, Host &host, WindowState &state, ConnectView &view);

    // Searches COM1 and COM2 in the mode(s) the route names and opens the link, with every message and
    // question that belongs to it. True when the link is up and the device menus are enabled. It reads
    // nothing from the devices; the caller decides whether to.
    bool connect(Route route);
    // Closes the port and the link; the model no longer counts as read from the devices.
    void disconnect();

    // Direct (false) or Controller (true): acknowledgement character, flow control for the next
    // opening, and the line rate the view chooses for the mode.
    void setControllerMode(bool on);
    // A rate the line refuses is explained; the port keeps the rate it had and stays usable.
    bool setPortBaud(int baud);

    // Asks the Controller how many devices it has. Returns the count (0 when the query failed or the
    // Controller has none, the latter told to the user).
    int queryDeviceCount();
    // Whether the devices behind the link can serve the projectors in use and planned. False (after
    // telling the user why) when more than four projectors need a second device that is not there.
    bool checkDeviceCount();
    const ControllerCount &lastCount() const { return count; }

private:
    bool searchAll();
    bool throughController();
    bool direct();
    int searchPorts();
    bool searchOrSay(const QString &notFound);
    void showDeviceIds();

    CommandEngine &engine;
    Host &host;
    WindowState &state;
    ConnectView &view;
    Discovery discovery;
    ControllerCount count;
};
