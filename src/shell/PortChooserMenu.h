#pragma once

#include "PortMap.h"

#include <QObject>

class Host;
class Preferences;
class QMenu;
class TApdComPort;

// The choice of the devices behind COM1 and COM2, in the Serial Port menu beside "Search (COM 1 & COM 2)":
// one submenu per number lists the serial ports this machine has, read afresh each time it opens, so
// that an adapter plugged in meanwhile shows. A choice is remembered between runs; a device given on
// the command line is shown but cannot be changed for this run. A choice for the port the link is on
// takes effect at the next search: the link stays on its device until then, and the user is told so.
class PortChooserMenu : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QMenu &comPortMenu; // the "COM Port" submenu
        TApdComPort &port;
        Preferences &preferences;
        Host &host;
        SerialPortLister listPorts; // null: the machine is taken to have no ports
    };
    PortChooserMenu(const Parts &parts, QObject *parent = nullptr);

    // Takes note of the ports plugged in now (the single USB adapter that stands for COM1). Every
    // search starts with it.
    void refreshPorts();
    // Makes devicePath the device of COM n and remembers it; the empty path goes back to the automatic
    // choice (COM1: the single USB adapter) or the standard device.
    void choose(int portNumber, const QString &devicePath);

    QMenu *deviceMenu(int portNumber) const { return portNumber == 2 ? menus[1] : menus[0]; }

private:
    QList<SerialPortRecord> listPorts() const;
    void fill(int portNumber);
    QString title(int portNumber) const;

    TApdComPort &port;
    Preferences &preferences;
    Host &host;
    SerialPortLister lister;
    QMenu *menus[2] = {};
};
