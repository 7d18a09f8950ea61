// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ConnectFlow.h"

#include <QObject>
#include <QSerialPort>

#include <functional>

class CommandEngine;
class Host;
class InformationPage;
class MainMenu;
class PlanningPage;
struct WindowState;

// The window's side of the connection: the three connect actions and Disconnect (the search and the link
// itself are ConnectFlow's), the question whether to read the devices after connecting, the Baud and
// Parity menus, and what the Information page and the menus show of the link.
class ConnectionController : public QObject, private ConnectView {
    Q_OBJECT
public:
    struct Parts {
        CommandEngine &engine;
        Host &host;
        WindowState &state;
        MainMenu &menu;
        InformationPage &info;
        PlanningPage &planning;
    };
    // readDevices reads every setting from the devices; pageChanged runs the current page's
    // page-change handling.
    ConnectionController(const Parts &parts, std::function<void()> readDevices,
                         std::function<void()> pageChanged, QObject *parent = nullptr);

    int QueryKestrixCount() { return connectFlow.queryDeviceCount(); }
    bool CheckKestrixCount() { return connectFlow.checkDeviceCount(); }

    void SearchAllClick();
    void KestrixconnectedthruController1Click();
    void KestrixconnectedtoSerialPortdirectly1Click();
    void DisconnectSerialCo1Click();

    void Defaultvalues1Click();
    void BaudMenuClick(int baud);
    void ParityMenuClick(QSerialPort::Parity parity);

    // The tag of "Default values": 1 while the modes' default rates are in force.
    int defaultValuesTag() const { return defaultsTag; }
    const ControllerCount &lastCount() const { return connectFlow.lastCount(); }
    ConnectFlow &flow() { return connectFlow; }

private:
    void controllerModeShown(bool on) override;
    int baudChoice(bool controller) override;
    void portFound(int number) override;
    void deviceIdsShown(int count, int id1, int id2) override;
    void deviceIdsHidden() override;
    void deviceMenusEnabled(bool on) override;
    int plannedProjectorChoice() override;
    void disconnected() override;
    bool askQueryDevices(const QString &text);

    CommandEngine &engine;
    Host &host;
    WindowState &state;
    MainMenu &menu;
    InformationPage &info;
    PlanningPage &planning;
    ConnectFlow connectFlow;
    std::function<void()> readDevices;
    std::function<void()> pageChanged;
    int defaultsTag = 1;
};
