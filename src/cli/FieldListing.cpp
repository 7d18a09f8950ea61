// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldListing.h"

#include "ConfigFile.h"
#include "ModelFields.h"

#include <QJsonArray>
#include <QJsonValue>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

using ModelFields::Field;
using ModelFields::Record;

namespace {

constexpr int kDevices = 2;
constexpr int kChannels = 4;

const char *recordName(Record record) {
    return record == Record::Input ? "input" : "output";
}

} // namespace

// Lines of columns, each column as wide as its widest cell, two spaces apart.
QString alignedColumns(const QList<QStringList> &rows) {
    QList<int> widths;
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.append(0);
            widths[c] = qMax(widths[c], int(row[c].size()));
        }
    QString text;
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        text += line + QLatin1Char('\n');
    }
    return text;
}

namespace {

QString aligned(const QList<QStringList> &rows) {
    return alignedColumns(rows);
}

QJsonValue jsonValue(const QByteArray &image, const Field &field, int device, int channel) {
    const double v = ModelFields::value(image, field, device, channel);
    if (field.type != ModelFields::Type::F32) return qint64(v);
    // A float widened to double is exact; JSON carries the double, which narrows back to the same float.
    return v;
}

} // namespace

namespace {
QString firstOutputError;
}

bool writeBytes(std::FILE *to, const QByteArray &bytes) {
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to) == size_t(bytes.size()) &&
        std::fflush(to) == 0 && !std::ferror(to);
    // Only the results' stream is reported: a message that cannot reach stderr has nowhere to go.
    if (!written && to == stdout && firstOutputError.isEmpty())
        firstOutputError = QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
    return written;
}

bool writeText(std::FILE *to, const QString &text) {
    return writeBytes(to, text.toUtf8());
}

QString outputError() {
    return firstOutputError;
}

QString readConfigurationImage(const QString &path, QByteArray *image) {
    if (path == QLatin1String("-")) {
        // Standard input is read to its end, one byte past a whole file at most.
        QByteArray bytes;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return QStringLiteral("Cannot read standard input: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
            }
            bytes.append(buffer, int(n));
            if (bytes.size() > ConfigFile::FileSize) break;
        }
        if (bytes.size() != ConfigFile::FileSize)
            return QStringLiteral("Standard input is not a configuration file: it holds %1%2 bytes where a "
                                  "configuration file holds exactly %3.")
                .arg(bytes.size() > ConfigFile::FileSize ? QStringLiteral("more than ") : QString())
                .arg(qMin<qint64>(bytes.size(), ConfigFile::FileSize))
                .arg(ConfigFile::FileSize);
        *image = bytes;
        return QString();
    }
    QString detail;
    switch (ConfigFile::readImage(path, image, &detail)) {
    case ConfigFile::Result::Ok:
        return QString();
    case ConfigFile::Result::BadSize:
        return QStringLiteral("'%1' is not a configuration file: %2.").arg(path, detail);
    case ConfigFile::Result::NotRegularFile:
        return QStringLiteral("%1 ('%2' is %3.)")
            .arg(ConfigFile::message(ConfigFile::Result::NotRegularFile), path, detail);
    default:
        return QStringLiteral("Cannot open '%1': %2").arg(path, detail);
    }
}

QString imageTable(const QByteArray &image) {
    QList<QStringList> rows{{QStringLiteral("Device"), QStringLiteral("Channel"), QStringLiteral("Record"),
                             QStringLiteral("Field"), QStringLiteral("Value")}};
    for (int device = 1; device <= kDevices; ++device)
        for (int channel = 1; channel <= kChannels; ++channel)
            for (const Field &field : ModelFields::all())
                rows.append({QString::number(device), QString::number(channel),
                             QLatin1String(recordName(field.record)), QLatin1String(field.name),
                             ModelFields::text(image, field, device, channel)});
    return aligned(rows);
}

QJsonObject imageJson(const QByteArray &image) {
    QJsonArray devices;
    for (int device = 1; device <= kDevices; ++device) {
        QJsonArray channels;
        for (int channel = 1; channel <= kChannels; ++channel) {
            QJsonObject input, output;
            for (const Field &field : ModelFields::all())
                (field.record == Record::Input ? input : output)
                    .insert(QLatin1String(field.name), jsonValue(image, field, device, channel));
            channels.append(QJsonObject{{QStringLiteral("channel"), channel},
                                        {QStringLiteral("input"), input},
                                        {QStringLiteral("output"), output}});
        }
        devices.append(
            QJsonObject{{QStringLiteral("device"), device}, {QStringLiteral("channels"), channels}});
    }
    return QJsonObject{{QStringLiteral("format"), kJsonFormat}, {QStringLiteral("devices"), devices}};
}

bool imageFromJson(const QJsonObject &json, QByteArray *image, QString *reason) {
    QByteArray result(int(ConfigFile::FileSize), '\0');
    for (const QJsonValue &d : json.value(QStringLiteral("devices")).toArray()) {
        const int device = d.toObject().value(QStringLiteral("device")).toInt();
        for (const QJsonValue &c : d.toObject().value(QStringLiteral("channels")).toArray()) {
            const QJsonObject channelObject = c.toObject();
            const int channel = channelObject.value(QStringLiteral("channel")).toInt();
            for (Record record : {Record::Input, Record::Output}) {
                const QJsonObject values = channelObject.value(QLatin1String(recordName(record))).toObject();
                for (auto it = values.begin(); it != values.end(); ++it) {
                    const Field *field = ModelFields::find(record, it.key());
                    if (!field || !it.value().isDouble() ||
                        !ModelFields::setValue(result, *field, device, channel, it.value().toDouble())) {
                        *reason = QStringLiteral("device %1 channel %2 %3 %4 does not fit")
                                      .arg(device)
                                      .arg(channel)
                                      .arg(QLatin1String(recordName(record)), it.key());
                        return false;
                    }
                }
            }
        }
    }
    *image = result;
    return true;
}

QStringList differenceLines(const QList<Difference> &differences) {
    if (differences.isEmpty()) return {};
    QList<QStringList> rows{{QStringLiteral("Device"), QStringLiteral("Channel"), QStringLiteral("Field"),
                             QStringLiteral("File"), QStringLiteral("Device")}};
    for (const Difference &d : differences)
        rows.append({QString::number(d.device), QString::number(d.channel), d.field, d.fileValue,
                     d.notReported ? QStringLiteral("not reported") : d.deviceValue});
    QStringList lines = aligned(rows).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

QJsonObject differenceJson(const QList<Difference> &differences, int devices) {
    // The texts are the fields' own renderings: integers, or floats that read back exactly.
    auto number = [](const QString &text) -> QJsonValue {
        bool ok = false;
        const double v = text.toDouble(&ok);
        return ok ? QJsonValue(v) : QJsonValue(text);
    };
    QJsonArray rows;
    for (const Difference &d : differences)
        rows.append(
            QJsonObject{{QStringLiteral("device"), d.device},
                        {QStringLiteral("channel"), d.channel},
                        {QStringLiteral("field"), d.field},
                        {QStringLiteral("file"), number(d.fileValue)},
                        {QStringLiteral("deviceValue"), d.notReported ? QJsonValue() : number(d.deviceValue)},
                        {QStringLiteral("notReported"), d.notReported}});
    return QJsonObject{{QStringLiteral("format"), kJsonFormat},
                       {QStringLiteral("devicesCompared"), devices},
                       {QStringLiteral("differences"), rows}};
}
