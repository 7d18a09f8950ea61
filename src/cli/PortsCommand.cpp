// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli ports: the serial ports of this machine, to find what to give --com1 and --com2.
#include "CliCommands.h"
#include "CliOptions.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

QString hexId(bool has, quint16 id) {
    return has ? QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')) : QString();
}

QJsonValue textOrNull(const QString &text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

int runPorts(const CliOptions &o, const CliStreams &streams) {
    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.systemLocation() < b.systemLocation();
    });
    if (o.json) {
        QJsonArray list;
        for (const QSerialPortInfo &p : ports)
            list.append(QJsonObject{
                {QStringLiteral("path"), p.systemLocation()},
                {QStringLiteral("description"), textOrNull(p.description())},
                {QStringLiteral("manufacturer"), textOrNull(p.manufacturer())},
                {QStringLiteral("serialNumber"), textOrNull(p.serialNumber())},
                {QStringLiteral("vendorId"),
                 textOrNull(hexId(p.hasVendorIdentifier(), p.vendorIdentifier()))},
                {QStringLiteral("productId"),
                 textOrNull(hexId(p.hasProductIdentifier(), p.productIdentifier()))},
            });
        const QJsonObject document{{QStringLiteral("format"), kJsonFormat}, {QStringLiteral("ports"), list}};
        writeText(streams.out, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
        return ExitStatus::Ok;
    }
    QList<QStringList> rows{{QStringLiteral("Path"), QStringLiteral("Description"),
                             QStringLiteral("Manufacturer"), QStringLiteral("Serial number"),
                             QStringLiteral("USB ID")}};
    auto cell = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    for (const QSerialPortInfo &p : ports) {
        const QString usb =
            p.hasVendorIdentifier() || p.hasProductIdentifier()
                ? QStringLiteral("%1:%2").arg(cell(hexId(p.hasVendorIdentifier(), p.vendorIdentifier())),
                                              cell(hexId(p.hasProductIdentifier(), p.productIdentifier())))
                : QString();
        rows.append({p.systemLocation(), cell(p.description()), cell(p.manufacturer()),
                     cell(p.serialNumber()), cell(usb)});
    }
    writeText(streams.out, alignedColumns(rows));
    if (ports.isEmpty() && !o.quiet)
        writeText(streams.err, QStringLiteral("lumivane-cli: No serial ports found on this machine. A USB "
                                              "adapter shows here once plugged in; a pseudo-terminal "
                                              "(such as lumivane-sim's) is not listed but can still be "
                                              "given to --com1.\n"));
    return ExitStatus::Ok;
}
