#pragma once

#include "Discovery.h"

#include <QObject>
#include <QSerialPort>

#include <functional>

class CommandEngine;
class Host;
class InformationPage;
class MainMenu;
class PlanningPage;
struct WindowState;

// Establishing and ending the link: the link mode, the search on COM1 and COM2, the Controller's device
// count, the three connect actions, Disconnect, and the Baud and Parity menus.
class ConnectionController : public QObject {
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

    void RS485CheckBoxClick();
    void BaudComboBoxChange();
    int SearchPorts();
    int QueryKestrixCount();
    bool CheckKestrixCount();

    void SearchAllClick();
    void KestrixconnectedthruController1Click();
    void KestrixconnectedtoSerialPortdirectly1Click();
    void DisconnectSerialCo1Click();

    void Defaultvalues1Click();
    void BaudMenuClick(int baud);
    void ParityMenuClick(QSerialPort::Parity parity);

    // The tag of "Default values": 1 while the modes' default rates are in force.
    int defaultValuesTag() const { return defaultsTag; }
    const ControllerCount &lastCount() const { return count; }

private:
    void setControllerMode(bool on);
    bool setPortBaud(int baud);
    void enableDeviceMenus(bool on);
    void showKestrixIds();
    bool askQueryDevices(const QString &text);

    CommandEngine &engine;
    Host &host;
    WindowState &state;
    MainMenu &menu;
    InformationPage &info;
    PlanningPage &planning;
    Discovery discovery;
    std::function<void()> readDevices;
    std::function<void()> pageChanged;
    int defaultsTag = 1;
    ControllerCount count;
};
