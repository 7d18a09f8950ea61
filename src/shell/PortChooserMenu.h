// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PortMap.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

class Host;
class Preferences;
class QMenu;
class QWidget;
class TApdComPort;

// The choice of the devices behind COM1 and COM2, in the Serial Port menu beside "Search (COM 1 & COM 2)":
// one submenu per number lists the serial ports this machine has, read afresh each time it opens, so
// that an adapter plugged in meanwhile shows, and "Other device..." takes a path the list does not
// hold (a pseudo-terminal, a link, a device the system does not list) once it has been checked. A
// choice is remembered between runs, by the adapter's stable link where it has one, so that it
// survives a replug that gives the adapter another name; a device given on the command line is shown
// but cannot be changed for this run. One device is never both COM1 and COM2. A choice for the port
// the link is on takes effect at the next search: the link stays on its device until then, and the
// user is told so. The device the link is on is marked as such wherever it shows.
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
    // Makes devicePath the device of COM n and remembers it (an adapter by its stable link, where it
    // has one); the empty path goes back to the automatic choice (COM1: the single USB adapter) or the
    // standard device. Refused, with a message and nothing changed, when the other number is that
    // device, or when the command line gave COM n for this run.
    bool choose(int portNumber, const QString &devicePath);

    // "Other device...": the dialog asking for the path of COM n's device (object name
    // "OtherDeviceDialog"); it takes the path only once otherDeviceProblem finds nothing against it.
    void askOtherDevice(int portNumber);
    QDialog *otherDeviceDialog() const { return dialog; }
    // Why a typed path cannot be COM n's device: empty, no such device, not a serial device, cannot be
    // opened (permission, busy), or the other number's device. Empty when it can.
    QString otherDeviceProblem(int portNumber, const QString &typedPath) const;

    QMenu *deviceMenu(int portNumber) const { return portNumber == 2 ? menus[1] : menus[0]; }

private:
    QList<SerialPortRecord> listPorts() const;
    void fill(int portNumber);
    QString title(int portNumber) const;
    // What the map would give both numbers: the refusal when it gives them one device.
    QString clash(int portNumber, const PortMap &trial) const;
    // The name a device is remembered by: the stable link of the adapter it is, else the path itself.
    QString rememberedName(const QString &path) const;
    // " (the link is on it now)" when the open port is on that device.
    QString linkNote(int portNumber, const QString &path) const;
    QWidget *window() const;

    QMenu &comPortMenu;
    TApdComPort &port;
    Preferences &preferences;
    Host &host;
    SerialPortLister lister;
    QMenu *menus[2] = {};
    QPointer<QDialog> dialog;
};
