// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <functional>

class QCommandLineParser;
class QSerialPortInfo;

// One serial port of this machine as the system lists it.
struct SerialPortRecord {
    QString path; // what the port is opened by: /dev/ttyUSB0, \\.\COM3
    QString description;
    QString manufacturer;
    QString serialNumber;
    bool usb = false; // a USB serial adapter (it has a USB vendor ID)
    // The name that stays with the adapter when it is plugged in again (a /dev/serial/by-id link to
    // path, which names the adapter's maker, model and serial number); empty when the system has none.
    QString stableLink;

    static SerialPortRecord fromInfo(const QSerialPortInfo &info);
    // "/dev/ttyUSB0 – FT232R USB UART (FTDI, serial A10K5QW3)", leaving out what the system does not know.
    QString label() const;
};

// Lists the serial ports of this machine afresh on every call.
using SerialPortLister = std::function<QList<SerialPortRecord>()>;

// Port numbers (COM1, COM2, ...) to the platform's serial devices. Messages keep saying "COM Port #n".
// What decides the device of a number, first match wins:
//   the command line (--com1 PATH, --com2 PATH), for this run only;
//   the user's choice from the Serial Port menu (remembered between runs by the window);
//   for COM1 only, the one USB serial adapter when exactly one is plugged in (the usual site set-up),
//     unless COM2 is given or chosen as that adapter;
//   the standard device: /dev/ttyS<n-1> on Linux, \\.\COM<n> on Windows.
class PortMap {
public:
    enum class Origin { Standard, UsbAdapter, Chosen, CommandLine };

    QString path(int portNumber) const; // empty for 0 and negative numbers
    Origin origin(int portNumber) const;

    // The command line's device for a number.
    void setPath(int portNumber, const QString &devicePath);
    bool isOverridden(int portNumber) const { return m_overrides.contains(portNumber); }

    // The user's choice; an empty path forgets it.
    void setChoice(int portNumber, const QString &devicePath);
    QString choice(int portNumber) const { return m_choices.value(portNumber); }

    // Takes note of the ports plugged in now: the single USB adapter among them, if there is exactly
    // one, stands for COM1 while nothing else names it.
    void notePorts(const QList<SerialPortRecord> &ports);
    QString usbAdapter() const { return m_usbAdapter; }

    static QString defaultPath(int portNumber);
    // The serial ports of this machine, sorted by path, each with its stable link where it has one.
    // Pseudo-terminals are never listed.
    static QList<SerialPortRecord> systemPorts();

    // Where the system keeps the stable links of serial adapters.
    static QString stableLinkFolder();
    // The link in folder that leads to the device at devicePath; empty when none does.
    static QString stableLinkIn(const QString &folder, const QString &devicePath);
    // The path a device is opened by: a name without a folder ("ttyUSB0") is the device of that name
    // under /dev, as the serial port looks it up.
    static QString fullPath(const QString &devicePath);
    // Whether two paths lead to the same device (a link and its target, "ttyUSB0" and /dev/ttyUSB0).
    // Paths that lead nowhere are the same only when they read the same.
    static bool sameDevice(const QString &a, const QString &b);

    // Adds --com1 and --com2 to a parser, and applies the values the user gave.
    static void addOptions(QCommandLineParser &parser);
    void applyOptions(const QCommandLineParser &parser);
    // What is wrong with a network port the command line named (rfc2217://HOST:PORT, tcp://HOST:PORT)
    // that is not well formed, with the option; empty when nothing is. A device path is checked when
    // it is opened.
    QString optionsProblem() const;

private:
    // The device COM n is given or chosen as, without the automatic choices.
    QString namedPath(int portNumber) const;

    QMap<int, QString> m_overrides;
    QMap<int, QString> m_choices;
    QString m_usbAdapter;
};
