// SPDX-License-Identifier: GPL-3.0-or-later
#include "PortMap.h"

#include "NetSerialLink.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
QString optionName(int portNumber) {
    return QStringLiteral("com%1").arg(portNumber);
}
} // namespace

SerialPortRecord SerialPortRecord::fromInfo(const QSerialPortInfo &info) {
    SerialPortRecord record;
    record.path = info.systemLocation();
    record.description = info.description();
    record.manufacturer = info.manufacturer();
    record.serialNumber = info.serialNumber();
    record.usb = info.hasVendorIdentifier();
    return record;
}

QString SerialPortRecord::label() const {
    QStringList about;
    if (!manufacturer.isEmpty()) about << manufacturer;
    if (!serialNumber.isEmpty()) about << QStringLiteral("serial %1").arg(serialNumber);
    QString text = path;
    if (!description.isEmpty()) text += QStringLiteral(" \u2013 ") + description;
    if (!about.isEmpty()) text += QStringLiteral(" (%1)").arg(about.join(QStringLiteral(", ")));
    return text;
}

QString PortMap::defaultPath(int portNumber) {
    if (portNumber <= 0) return {};
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString PortMap::path(int portNumber) const {
    if (portNumber <= 0) return {};
    switch (origin(portNumber)) {
    case Origin::CommandLine:
        return m_overrides.value(portNumber);
    case Origin::Chosen:
        return m_choices.value(portNumber);
    case Origin::UsbAdapter:
        return m_usbAdapter;
    case Origin::Standard:
        break;
    }
    return defaultPath(portNumber);
}

PortMap::Origin PortMap::origin(int portNumber) const {
    if (m_overrides.contains(portNumber)) return Origin::CommandLine;
    if (!m_choices.value(portNumber).isEmpty()) return Origin::Chosen;
    // The automatic choice gives way to an adapter the user named for COM2: one device is never both.
    if (portNumber == 1 && !m_usbAdapter.isEmpty() && !sameDevice(m_usbAdapter, namedPath(2)))
        return Origin::UsbAdapter;
    return Origin::Standard;
}

QString PortMap::namedPath(int portNumber) const {
    if (m_overrides.contains(portNumber)) return m_overrides.value(portNumber);
    return m_choices.value(portNumber);
}

void PortMap::setPath(int portNumber, const QString &devicePath) {
    if (portNumber > 0) m_overrides.insert(portNumber, devicePath);
}

void PortMap::setChoice(int portNumber, const QString &devicePath) {
    if (portNumber <= 0) return;
    if (devicePath.isEmpty())
        m_choices.remove(portNumber);
    else
        m_choices.insert(portNumber, devicePath);
}

void PortMap::notePorts(const QList<SerialPortRecord> &ports) {
    QStringList adapters;
    for (const SerialPortRecord &port : ports)
        if (port.usb) adapters << port.path;
    // With two or more adapters there is no telling which one the devices are on: the user chooses.
    m_usbAdapter = adapters.size() == 1 ? adapters.constFirst() : QString();
}

QList<SerialPortRecord> PortMap::systemPorts() {
    QList<SerialPortRecord> ports;
    const QString links = stableLinkFolder();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        ports << SerialPortRecord::fromInfo(info);
        if (!links.isEmpty()) ports.last().stableLink = stableLinkIn(links, ports.last().path);
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortRecord &a, const SerialPortRecord &b) { return a.path < b.path; });
    return ports;
}

QString PortMap::stableLinkFolder() {
#ifdef Q_OS_LINUX
    return QStringLiteral("/dev/serial/by-id");
#else
    return {};
#endif
}

QString PortMap::stableLinkIn(const QString &folder, const QString &devicePath) {
    const QString target = QFileInfo(fullPath(devicePath)).canonicalFilePath();
    if (target.isEmpty()) return {};
    const QDir dir(folder);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::System | QDir::Files, QDir::Name))
        if (entry.isSymLink() && entry.canonicalFilePath() == target) return entry.absoluteFilePath();
    return {};
}

QString PortMap::fullPath(const QString &devicePath) {
#ifdef Q_OS_UNIX
    if (!devicePath.isEmpty() && !devicePath.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + devicePath;
#endif
    return devicePath;
}

bool PortMap::sameDevice(const QString &a, const QString &b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QString fullA = fullPath(a);
    const QString fullB = fullPath(b);
    if (QDir::cleanPath(fullA) == QDir::cleanPath(fullB)) return true;
    const QString canonicalA = QFileInfo(fullA).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(fullB).canonicalFilePath();
}

void PortMap::addOptions(QCommandLineParser &parser) {
    for (int n : {1, 2})
        parser.addOption(QCommandLineOption(optionName(n),
                                            QStringLiteral("Use the serial device PATH as COM%1; a device "
                                                           "behind a network serial server is "
                                                           "rfc2217://HOST:PORT or tcp://HOST:PORT.")
                                                .arg(n),
                                            QStringLiteral("PATH")));
}

void PortMap::applyOptions(const QCommandLineParser &parser) {
    for (int n : {1, 2})
        if (parser.isSet(optionName(n))) setPath(n, parser.value(optionName(n)));
}

QString PortMap::optionsProblem() const {
    for (int n : {1, 2}) {
        QString problem;
        if (m_overrides.contains(n) && NetPortAddress::isNetworkName(m_overrides.value(n)) &&
            !NetPortAddress::parse(m_overrides.value(n), &problem))
            return QStringLiteral("--%1: %2").arg(optionName(n), problem);
    }
    return {};
}
