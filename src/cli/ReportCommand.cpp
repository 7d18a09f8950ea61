// SPDX-License-Identifier: GPL-3.0-or-later
// lumivane-cli report: the commissioning report of a configuration file (report --devices reads the
// devices first, in DeviceCommands.cpp).
#include "BlendCheck.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "CommissioningReport.h"
#include "DeviceModel.h"
#include "ExitStatus.h"
#include "FieldListing.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void say(const CliStreams &streams, const QString &text) {
    writeText(streams.err, QStringLiteral("lumivane-cli: %1\n").arg(text));
}

} // namespace

int writeReport(report::Source &source, DeviceModel &model, const CliOptions &options,
                const CliStreams &streams) {
    source.written = QDateTime::currentDateTime();
    source.siteNote = options.siteNote;
    source.image = model.image();
    source.plan = report::planFromRecords(model);
    const int connected = source.blend.devicesConnected;
    source.blend = blend::inputFromFile(model, options.projectorGamma);
    source.blend.devicesConnected = connected;

    QString error;
    if (options.picture == QLatin1String("-")) {
        // Made whole first, so that a report that cannot be written leaves nothing half-written behind.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        report::writePdf(source, buffer, &error);
        const QByteArray &bytes = buffer.data();
        // A failed write is said once, with its reason, as the tool ends.
        if (!writeBytes(streams.out, bytes)) return ExitStatus::FileError;
    } else if (!report::writePdf(source, options.picture, &error)) {
        say(streams, QStringLiteral("Cannot write %1: %2").arg(options.picture, error));
        return ExitStatus::FileError;
    }
    if (!options.quiet)
        say(streams, QStringLiteral("Wrote the commissioning report of %1 Kestrix device(s) to %2.")
                         .arg(source.devices)
                         .arg(options.picture == QLatin1String("-") ? QStringLiteral("standard output")
                                                                    : options.picture));
    return ExitStatus::Ok;
}

int runReport(const CliOptions &options, const CliStreams &streams) {
    const QString problem =
        outputProblem(options.picture, QStringLiteral("report"), QStringLiteral("the PDF"));
    if (!problem.isEmpty()) {
        say(streams, problem);
        return ExitStatus::FileError;
    }
    QByteArray image;
    const QString unreadable = readConfigurationImage(options.file, &image);
    if (!unreadable.isEmpty()) {
        say(streams, unreadable);
        return ExitStatus::FileError;
    }
    DeviceModel model;
    model.applyImage(image);
    const QString name = options.file == QLatin1String("-") ? QStringLiteral("standard input") : options.file;
    report::Source source;
    source.origin = QStringLiteral("the configuration file %1").arg(name);
    source.devices = report::devicesIn(image);
    source.link = {QStringLiteral("No link: the report was written from the configuration file %1, not from "
                                  "the devices.")
                       .arg(name)};
    return writeReport(source, model, options, streams);
}
